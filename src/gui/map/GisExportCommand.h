#pragma once

#include "core/map/GeoPhotoExport.h"

class MapCalibration;
class ProjectHost;

// "Exporteren als &GeoJSON..." and "Exporteren als KM&L...": the photos as
// points on Earth for GIS programs. A map without control points gets a
// message naming what to do, and no file.
class GisExportCommand
{
public:
    static void Run(ProjectHost &host, const MapCalibration &calibration, GeoPhotoExport::Format format);

    static QString Title(GeoPhotoExport::Format format);
};
