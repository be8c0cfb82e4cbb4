#pragma once

#include "core/map/MapGeoreference.h"

#include <QString>

#include <optional>

class MapImageCache;
class ProjectHost;

// "Exporteren als &webpagina...": asks for an empty or new folder, writes
// the photo map there as a web page while a progress dialog that can be
// cancelled shows how far it is, and tells what came of it.
class WebExportCommand
{
public:
    // labels: the file names on the map, as the label switch has them.
    // The decoded map comes from cache, so the map is not read again.
    // georeference: the map's place on Earth, when it has one, for each
    // photo's position on the page. Throws TolvekError when the map itself
    // cannot be drawn.
    static void Run(ProjectHost &host, MapImageCache &cache, bool labels,
                    const std::optional<MapGeoreference> &georeference = std::nullopt);

    static QString Title() { return QStringLiteral("Exporteren als webpagina"); }
};
