#pragma once

#include "core/map/MapGeoreference.h"
#include "core/photos/CameraDirection.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Which way is north on a map and how many metres a map pixel is. It
// belongs to the map file, not to a project, and travels with it in a
// small text file beside the map (kaart.png -> kaart.png.tolvek):
//
//   tolvek-map-calibration=1
//   north=12.5
//   metres-per-pixel=0.05
//   georef-fit=similarity
//   georef-point.1=120.5,88,52.09074,5.12142
//
// With control points (map x, y, latitude, longitude, ",off" when switched
// off) the map is georeferenced: the fit of the points gives north, scale
// and position, and those keys are written from it for readers that do
// not know points. Saving a georeferenced calibration also writes the
// world file and .aux.xml GIS programs read (WorldFile).
//
// UTF-8, one key=value a line, the version line first; "#" starts a
// comment line. Keys this version does not know are kept as they were and
// written back unchanged, so that a program that knows more (control
// points, a fitted transform, a coordinate system) can add its own keys
// without a new version; the version number changes only when a key
// changes its meaning, and a file of a higher version is not used.
class MapCalibration
{
public:
    // The north arrow's angle in degrees clockwise from straight up on the
    // map: 0 when north is up, 90 when it points right. [0, 360).
    std::optional<double> north;
    // The length of one map pixel in metres.
    std::optional<double> metresPerPixel;
    // Where the map lies on Earth (WGS84 degrees), for the declination of
    // photos that do not say where they were taken.
    std::optional<double> latitude, longitude;
    // Where the map lies on Earth, when it has control points; fitted
    // whenever it has any (Parse refuses points that give no fit).
    MapGeoreference georeference;
    // Set when there is no sidecar and the georeference was read from what
    // a GIS left beside the map (WorldFile::Read): that file. It is never
    // written to the sidecar; saving makes the points the user's own.
    QString georeferenceSource;

    bool HasNorth() const { return north.has_value(); }
    bool HasScale() const { return metresPerPixel.has_value(); }
    bool HasPosition() const { return latitude && longitude; }
    bool IsGeoreferenced() const { return georeference.IsFitted(); }
    bool IsEmpty() const
    {
        return !north && !metresPerPixel && !HasPosition() && georeference.IsEmpty() && m_otherFields.isEmpty();
    }
    // Takes georef (fitted, or empty) and north, scale and position from it.
    void SetGeoreference(const MapGeoreference &georef);

    // North's direction on the map in the program's convention for photo
    // directions: degrees counter-clockwise from pointing right.
    double NorthMapAngle() const { return 90 - north.value_or(0); }

    // What a photo's direction from its camera needs of the map.
    CameraDirection::MapNorth North() const { return {north, latitude, longitude}; }

    // Sets north from two map points on a line whose bearing (degrees
    // clockwise from north, from the first point to the second) is known.
    // False when the points coincide.
    bool SetNorthFromLine(double x1, double y1, double x2, double y2, double bearing);
    // Sets the scale from two map points metres apart. False when the
    // points coincide or metres is not a positive number.
    bool SetScaleFromLine(double x1, double y1, double x2, double y2, double metres);

    // The distance in metres and the bearing in degrees clockwise from true
    // north from one map point to another (each only with scale or north).
    std::optional<double> Distance(double x1, double y1, double x2, double y2) const;
    std::optional<double> Bearing(double x1, double y1, double x2, double y2) const;

    // The sidecar file of the map file at mapPath.
    static QString SidecarPath(const QString &mapPath);

    // Reads the sidecar of mapPath. Without one, a world file or GeoTIFF
    // georeference a GIS made is read instead (WorldFile::Read); without
    // either the map is not calibrated and problem stays empty. A file that
    // cannot be read or used gives an empty calibration and problem says
    // why, naming the file. A sidecar, even a broken one, is the user's
    // word: what a GIS left is then not looked at.
    static MapCalibration Load(const QString &mapPath, QString *problem);
    // Size and time of every file Load looks at, to see that one changed.
    static QString FilesStamp(const QString &mapPath);
    // The calibration in bytes; problem gets why it is refused (without
    // the file's name), and the result is then empty.
    static MapCalibration Parse(const QByteArray &bytes, QString *problem);
    QByteArray Serialize() const;
    // Writes the sidecar safely; an empty calibration removes it. A
    // georeferenced one also writes the world file and .aux.xml; without
    // georeference, those this program wrote for the previous calibration
    // are removed. False with reason (for the user) when that failed; the
    // old file then stays.
    bool Save(const QString &mapPath, QString *reason) const;

    // Keys of other programs or later versions, in the order read.
    const QList<QPair<QString, QString>> &OtherFields() const { return m_otherFields; }
    void SetOtherField(const QString &key, const QString &value);

    bool operator==(const MapCalibration &) const = default;

    static constexpr int Version = 1;
    static constexpr qint64 MaxFileSize = 256 * 1024;
    static constexpr int MaxLineLength = 4096;

private:
    static MapCalibration LoadSidecar(const QString &mapPath, QString *problem);
    QList<QPair<QString, QString>> m_otherFields;
};
