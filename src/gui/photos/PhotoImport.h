#pragma once

#include "core/photos/CameraDirection.h"

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class ProjectHost;

// Taking many photos in at once: "Foto's &importeren..." (several files),
// "&Map met foto's importeren..." (a folder) and files dropped on the map.
// Each file becomes a photo as the add-photo dialog makes one. Files are
// read and checked (and copied) on all cores, with a progress dialog that
// can cancel (then nothing is taken in); the project changes once, on this
// thread, in one edit. Thumbnails are left to the photo list, which makes
// those of the rows it shows.
class PhotoImport
{
public:
    explicit PhotoImport(ProjectHost &host);

    // Where the new photos go: a grid around point (an import) or from point
    // onwards (a drop), on a map of mapSize.
    struct Placement
    {
        QPoint point;
        bool centred = true;
        QSize mapSize{1, 1};
        // With a north arrow, each photo takes its camera's direction when
        // it recorded one (the others take the direction asked for).
        CameraDirection::MapNorth north;
        // On a georeferenced map: the map pixel of each camera's recorded
        // position, or nothing (no position, or off the map). Those photos
        // go there; the others go into the grid.
        std::function<QList<std::optional<QPoint>>(const QList<CameraRecord> &)> gpsPlaces;
    };

    // The photos added: positions first ... first + count - 1 of the
    // position list. Nothing when nothing was added.
    struct Added
    {
        qsizetype first = -1;
        int count = 0;
    };

    std::optional<Added> ImportFiles(const Placement &placement, std::int32_t direction);
    std::optional<Added> ImportFolder(const Placement &placement, std::int32_t direction);
    // Files and folders given by name (dropped from a file manager).
    std::optional<Added> ImportPaths(const QStringList &paths, const Placement &placement, std::int32_t direction);

    // For files that lie outside the project's folder: copy them into its
    // "fotos" folder, keep them where they are, or stop.
    enum class Outside { Copy, Keep, Cancel };
    static Outside AskAboutOutside(int count, const QString &projectFolder);

    // From this many files on, a progress dialog shows and can cancel, once
    // the work has taken longer than the delay (milliseconds), so that a
    // quick import does not flash a dialog.
    static constexpr int ProgressFrom = 10;
    static void SetProgressDelay(int milliseconds);
    static int ProgressDelay();

    // The closing message's line on directions taken from the cameras.
    static QString CameraDirectionText(int fromCamera, int without, int magneticAsIs);
    // The closing message's line on photos placed by their GPS position.
    static QString GpsPlacementText(int placed, int outside, int without);

    static QString FilesTitle() { return QStringLiteral("Foto's importeren"); }
    static QString FolderTitle() { return QStringLiteral("Map met foto's importeren"); }

private:
    // The files of a folder in name order; sub-folders when the user wants
    // them. Nothing when the user cancelled.
    std::optional<QStringList> FolderFiles(const QString &folder);
    std::optional<Added> Import(const QStringList &files, const Placement &placement, std::int32_t direction);
    QString LastFolder() const;
    void RememberFolder(const QString &folder);

    ProjectHost &m_host;
};
