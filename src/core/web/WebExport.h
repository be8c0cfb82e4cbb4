#pragma once

#include "core/map/MapGeoreference.h"
#include "core/web/WebExportFolder.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class MapBandReader;
class ProjectDocument;
struct MapScene;

// "Exporteren als webpagina": the photo map as a page that any browser
// opens from disk or from a web server, with nothing fetched from
// elsewhere. The map becomes tiles, every photo a scaled copy and a
// thumbnail, the project's texts a data file the page's script shows as
// text.
class WebExport
{
public:
    // Shared with the thread that shows the progress: the export counts
    // its steps and looks at cancelled between them.
    struct Progress
    {
        std::atomic<int> done{0};
        std::atomic<int> total{0};
        std::atomic<bool> cancelled{false};
    };

    struct Options
    {
        // Carry the photos' metadata (EXIF: GPS position, camera, owner)
        // into the page; left out unless asked for.
        bool keepMetadata = false;
        // Which missing folders are made.
        WebExportFolder::Missing missing = WebExportFolder::Missing::MakeAll;
        // The map's place on Earth: with a fit, each photo shows its
        // position as text and as a geo: link.
        std::optional<MapGeoreference> georeference;
        // The map read in bands for its tiles, instead of the scene's map
        // (which is then null, the scene built for the reader's size): a
        // large map is never held whole.
        std::shared_ptr<MapBandReader> mapBands;
        // For tests: called after each step of the commit.
        std::function<void(int step)> afterCommitStep;
    };

    struct Result
    {
        bool cancelled = false; // nothing was written
        int photos = 0;         // triangles on the page
        // The photos shown as a placeholder: "name: problem".
        QStringList missing;
        // Prepare: everything written, not yet in place. Dropping it
        // removes it again.
        std::unique_ptr<WebExportFolder> pending;
    };

    // Exports doc, drawn as scene (MapDrawing::Build, with the labels as
    // they should appear), to target. Photo names resolve against the
    // project's folder. Throws TolvekError (with the folder as it was)
    // when the target is taken or something cannot be written, and on an
    // entry that is not a valid integer.
    // A map the project names but that cannot be read (missing, not a
    // regular file) throws TolvekError too: a page without it is no use.
    static Result Run(const ProjectDocument &doc, const MapScene &scene, const WebExportFolder::Target &target,
                      Progress &progress, const Options &options);
    static Result Run(const ProjectDocument &doc, const MapScene &scene, const WebExportFolder::Target &target,
                      Progress &progress)
    {
        return Run(doc, scene, target, progress, Options());
    }

    // The same up to the last step: the page is not yet in place, so that
    // a Cancel up to the very end still leaves the folder as it was. The
    // caller commits result.pending.
    static Result Prepare(const ProjectDocument &doc, const MapScene &scene, const WebExportFolder::Target &target,
                          Progress &progress, const Options &options);

    // Throws TolvekError when doc names a map file that is not a readable
    // regular file. Checked before anything is read or written.
    static void CheckMap(const ProjectDocument &doc);

    // The message for a target that Inspect finds occupied.
    static QString OccupiedText(const WebExportFolder::Target &target);

    // The photo's address in the page, from its key: never from the user's names.
    static QString PhotoId(std::int32_t key);
    // What the page shows as a photo's name: the file name alone, without
    // any folder; empty for a photo without a file.
    static QString ShownName(const QByteArray &storedName);
};
