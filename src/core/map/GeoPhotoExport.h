#pragma once

#include "core/map/MapCalibration.h"
#include "core/photos/CameraRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

class ProjectDocument;

// The photo map for GIS programs: one point per photo at its place on
// Earth (WGS84 longitude and latitude, from the map's georeference), with
// its number, file name, notes, true direction (degrees clockwise from
// north) and the time the camera recorded. GeoJSON follows RFC 7946; KML
// gives each point the photo in its balloon and the direction as its
// icon's heading.
class GeoPhotoExport
{
public:
    enum class Format { GeoJson, Kml };

    // What the camera recorded in a photo file (by its full path); nothing
    // when it is not known.
    using RecordSource = std::function<std::optional<CameraRecord>(const QString &path)>;

    // The format a file name asks for (.geojson, .json, .kml).
    static std::optional<Format> FormatFor(const QString &fileName);

    // The file's bytes. Throws TolvekError (NotGeoreferencedText) when the
    // map has no place on Earth, and for a position that is no integer.
    static QByteArray Build(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                            const RecordSource &records);
    // Builds and writes the file safely; TolvekError says what failed.
    static void Write(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                      const RecordSource &records, const QString &fileName);

    static QString NotGeoreferencedText();

    // The direction a photo's triangle points on the map (degrees
    // counter-clockwise from pointing right) as a true bearing.
    static double Bearing(int mapDirection, double northArrow);
};
