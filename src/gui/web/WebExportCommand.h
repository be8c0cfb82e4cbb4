#pragma once

#include <QString>

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
    // Throws TolvekError when the map itself cannot be drawn.
    static void Run(ProjectHost &host, MapImageCache &cache, bool labels);

    static QString Title() { return QStringLiteral("Exporteren als webpagina"); }
};
