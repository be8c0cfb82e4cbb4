#pragma once

#include "core/map/GeoPhotoExport.h"

class MapCalibration;
class PhotoMetadataCache;
class ProjectHost;

// "Exporteren als &GeoJSON..." and "Exporteren als KM&L...": the photos as
// points on Earth for GIS programs. A map without control points gets a
// message naming what to do, and no file. KML asks whether the map itself
// goes along, laid on the ground under the photos. The times come from the
// shared record cache; photos not read yet are read first, with progress
// and a cancel button when that takes long.
class GisExportCommand
{
public:
    // plan: the map's file and size, for KML's overlay; nothing without a map.
    static void Run(ProjectHost &host, PhotoMetadataCache &metadata, const MapCalibration &calibration,
                    GeoPhotoExport::Format format, const std::optional<GeoPhotoExport::Plan> &plan = std::nullopt);

    static QString Title(GeoPhotoExport::Format format);
};
