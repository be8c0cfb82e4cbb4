#pragma once

#include "gui/photos/PhotoImport.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class MapCommands;
class MapScrollBox;
class MapView;
class PhotoListDock;
class ProjectHost;
class QAction;
class QMainWindow;
class QMimeData;
class TFotoVerwijderenForm;
class TOntbrekendeFotosForm;
class ThumbnailCache;

// The photo list beside the map and the commands that take photos in: a
// row selected in the list marks its triangle on the map and brings it into
// view, a click on a triangle selects its row; Enter opens the photo, Delete
// removes it as "Foto verwijderen" does. Imports and files dropped on the
// main window land in the part of the map that is shown, and end selected.
// The main window owns one (and lets it go before the project) and hands
// it what it needs of its own.
class PhotoListCommands : public QObject
{
    Q_OBJECT
public:
    PhotoListCommands(ProjectHost &host, QMainWindow *window, MapScrollBox *scrollBox, MapView *view, MapCommands &map,
                      ThumbnailCache &thumbnails);
    ~PhotoListCommands() override;

    PhotoListDock *Dock() const { return m_dock; }

    // The direction of new photos (the add-photo dialog's choice), the
    // delete-photo dialog, and how a dropped project file is opened (with
    // the save question first).
    void SetDirectionSource(std::function<std::int32_t()> source) { m_direction = std::move(source); }
    void SetDeleteDialog(std::function<TFotoVerwijderenForm *()> dialog) { m_deleteDialog = std::move(dialog); }
    void SetProjectOpener(std::function<void(const QString &)> opener) { m_openProject = std::move(opener); }

    // "Foto's &importeren...", "&Map met foto's importeren...",
    // "Ontbrekende foto's &zoeken..." and Ctrl+F.
    void ImportFiles();
    void ImportFolder();
    void FindMissing();
    void FocusFilter();
    // "Foto &groot bekijken" (Ctrl+Enter): the list's current photo (or its
    // first) in the photo viewer.
    QAction *ViewAction() const { return m_viewAction; }
    void ViewPhoto();

    // Files dropped on the main window at a point of the window: project
    // files open, pictures become photos there.
    void DropFiles(const QStringList &files, const QPoint &windowPoint);

    // The middle of the part of the map the view shows, in map pixels.
    QPoint VisibleMapCentre() const;
    // The map point under a point of the main window; nothing when the
    // point is not over the map's scroll box.
    std::optional<QPoint> MapPointAt(const QPoint &windowPoint) const;

    // The local files a drag carries.
    static QStringList LocalFiles(const QMimeData *data);
    static bool IsProjectFile(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ListSelectionChanged(const QList<qsizetype> &positions, qsizetype current);
    void MapClicked(const QPoint &mapPoint, const QPoint &viewPixel);
    void OpenPhoto(qsizetype position);
    void DeletePhotos(const QList<qsizetype> &positions);
    void SelectAdded(const std::optional<PhotoImport::Added> &added);
    PhotoImport::Placement CentredPlacement() const;
    QSize MapSize() const;
    std::int32_t Direction() const;

    ProjectHost &m_host;
    QPointer<QMainWindow> m_window;
    QPointer<MapScrollBox> m_scrollBox;
    QPointer<MapView> m_view;
    MapCommands &m_map;
    std::unique_ptr<PhotoImport> m_import;
    QPointer<PhotoListDock> m_dock;
    QPointer<TOntbrekendeFotosForm> m_mendForm;
    std::function<std::int32_t()> m_direction;
    std::function<TFotoVerwijderenForm *()> m_deleteDialog;
    std::function<void(const QString &)> m_openProject;
    QAction *m_viewAction = nullptr;
    bool m_selectingFromMap = false;
};
