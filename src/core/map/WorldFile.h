#pragma once

#include "core/map/MapGeoreference.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

// The files beside a map that tell GIS programs (GDAL, QGIS) where it lies:
// the world file (six lines: pixel size and rotation, then the centre of
// the top-left pixel, in the coordinate system's metres), named after the
// map's format (kaart.png -> kaart.pgw; .jgw, .tfw, .bpw; kaart.wld for
// other formats), and kaart.png.aux.xml, GDAL's side file, naming the
// coordinate system as WKT. An .aux.xml GDAL wrote already keeps what else
// it holds (statistics, metadata); only its system is replaced.
namespace WorldFile {

QString WorldFilePath(const QString &mapPath);
QString AuxPath(const QString &mapPath);

// The world file's text for a GDAL geotransform.
QByteArray Text(const std::array<double, 6> &geoTransform);
// The .aux.xml with the system wkt; existing: the file there now (empty
// when none, or when it is not GDAL's).
QByteArray AuxXml(const QByteArray &wkt, const QByteArray &existing = {});

// What a GIS left beside a map, read as its georeference: the world file
// (the names above, or kaart.pngw, kaart.jpgw, kaart.tifw, kaart.tiffw,
// kaart.bmpw, kaart.wld), else the GeoTransform in the .aux.xml, else a
// GeoTIFF's own tags (GeoTiffTags); the coordinate system from the
// .aux.xml, else the GeoTIFF's. The map's size is read only then. The map's four corners, taken to
// WGS84 through PROJ, become control points of an affine fit, so the
// program uses it as one it fitted itself. Every file is read as hostile:
// size limits, six finite numbers, a transform that spans an area, no DTD
// in the XML, no system that points PROJ to a file.
struct GisGeoreference
{
    MapGeoreference georeference;
    QString source; // the file that gave the transform
};
// Nothing when no world file or transform is there (problem empty), or
// when what is there cannot be used: problem then names the file and why.
std::optional<GisGeoreference> Read(const QString &mapPath, QString *problem);
// The world file names looked for, in order (existing or not).
QStringList ReadPaths(const QString &mapPath);
// A georeference a GIS made: one of ReadPaths that exists and is not what
// Write would write for ours (nothing: no such file), a GeoTransform in the
// .aux.xml, or a GeoTIFF's own (or a TIFF that cannot be read to tell).
bool HasForeign(const QString &mapPath, const std::optional<MapGeoreference> &ours);

// The parts, each on bytes (for the fuzzer too); problem says why not.
std::optional<std::array<double, 6>> ParseText(const QByteArray &bytes, QString *problem);
struct AuxContent
{
    QString srs;
    std::optional<std::array<double, 6>> geoTransform;
};
std::optional<AuxContent> ParseAux(const QByteArray &bytes, QString *problem);
// The georeference from a geotransform and a system PROJ reads (WKT or
// "EPSG:n") for a map of mapSize pixels.
std::optional<MapGeoreference> FromTransform(const std::array<double, 6> &geoTransform, const QString &srs,
                                             QSize mapSize, QString *problem);

constexpr qint64 MaxWorldFileSize = 4096;

// Writes both files for a fitted georeference, safely; false with reason.
bool Write(const QString &mapPath, const MapGeoreference &georeference, QString *reason);
// Removes the world file and .aux.xml when they hold what Write wrote for
// georeference (a world file made by a GIS stays).
void RemoveOwn(const QString &mapPath, const MapGeoreference &georeference);

} // namespace WorldFile
