#pragma once

#include "core/map/MapGeoreference.h"

#include <QByteArray>
#include <QString>

#include <array>

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

// Writes both files for a fitted georeference, safely; false with reason.
bool Write(const QString &mapPath, const MapGeoreference &georeference, QString *reason);
// Removes the world file and .aux.xml when they hold what Write wrote for
// georeference (a world file made by a GIS stays).
void RemoveOwn(const QString &mapPath, const MapGeoreference &georeference);

} // namespace WorldFile
