#pragma once

#include "core/map/MapCalibration.h"
#include "core/photos/CameraRecord.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class ProjectDocument;

// The photo map for GIS programs: one point per photo at its place on
// Earth (WGS84 longitude and latitude, from the map's georeference), with
// its number, file name, notes, true direction (degrees clockwise from
// north) and the time the camera recorded. GeoJSON follows RFC 7946; KML
// gives each point the photo in its balloon and the direction as its
// icon's heading, and on request the map itself laid on the ground.
class GeoPhotoExport
{
public:
    enum class Format { GeoJson, Kml };

    // What the camera recorded in a photo file, by the name the project
    // stores and the folder that relative names start from; nothing when it
    // is not known. The source looks for the file itself, if it needs to.
    // A GeoJSON export asks it from several threads at once.
    using RecordSource = std::function<std::optional<CameraRecord>(const QString &storedName, const QString &folder)>;

    // The map as a picture laid on the ground under the points (a KML
    // GroundOverlay with its four corners, so that a turned or affinely
    // fitted plan lies right): its file and its size in pixels.
    struct Plan
    {
        QString path;
        QSize size;
    };

    // The format a file name asks for (.geojson, .json, .kml).
    static std::optional<Format> FormatFor(const QString &fileName);

    // The file's bytes. Throws TolvekError (NotGeoreferencedText) when the
    // map has no place on Earth, and for a position that is no integer.
    // plan: KML only.
    static QByteArray Build(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                            const RecordSource &records, const std::optional<Plan> &plan = std::nullopt);
    // Builds and writes the file safely; TolvekError says what failed.
    static void Write(const ProjectDocument &doc, const MapCalibration &calibration, Format format,
                      const RecordSource &records, const QString &fileName,
                      const std::optional<Plan> &plan = std::nullopt);

    static QString NotGeoreferencedText();

    // The direction a photo's triangle points on the map (degrees
    // counter-clockwise from pointing right) as a true bearing.
    static double Bearing(int mapDirection, double northArrow);
};
