#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class ProjectDocument;
class ThumbnailCache;
class ProjectSession;

// Where the next photo window opens, and whether it shows true size. Lives
// for the program run only.
struct PhotoWindowPlacement
{
    int top = 100;
    int left = 350;
    int width = 0;  // 0: the designed size
    int height = 0; // 0: the designed size
    bool actualSize = false;
};

// What the windows and dialogs that work on the project share: the
// project's session (they read the project there and hand it their
// changes), the map's two pick modes, where the next photo window opens, and
// the main window as the parent of what they open. The main window owns one
// and listens to it; a test makes its own.
class ProjectHost : public QObject
{
    Q_OBJECT
public:
    ProjectHost(ProjectSession &session, QWidget *mainWindow) : m_session(session), m_mainWindow(mainWindow) {}

    ProjectSession &Session() { return m_session; }
    const ProjectDocument &Document() const;

    PhotoWindowPlacement &PhotoPlacement() { return m_placement; }
    QWidget *MainWindow() const { return m_mainWindow; }

    // The pick modes: the next click on the map supplies a position for the
    // add-photo dialog, or picks the photo for the delete-photo dialog.
    bool AddPickMode() const { return m_addPick; }
    void SetAddPickMode(bool on);
    bool DeletePickMode() const { return m_deletePick; }
    void SetDeletePickMode(bool on);

    // A line for the main window's status bar: what a command could not do
    // although it ends without a message (a photo or map file not found).
    // An empty text clears it.
    void ShowStatus(const QString &text) { emit StatusText(text); }

    // The photos (their places in PositionList) in the order the photo list
    // shows them, filtered and sorted; without a list, all in list order.
    // The photo viewer steps through them.
    void SetPhotoOrder(std::function<QList<qsizetype>()> order) { m_photoOrder = std::move(order); }
    QList<qsizetype> PhotoOrder() const;

    // The thumbnails the map and the list share (null in a test without them).
    ThumbnailCache *Thumbnails() const { return m_thumbnails; }
    void SetThumbnails(ThumbnailCache *thumbnails) { m_thumbnails = thumbnails; }

    // The user chose one of several photos on one spot of the map.
    void ChosePhoto(qsizetype position) { emit PhotoChosen(position); }

signals:
    void PickModesChanged();
    void PhotoChosen(qsizetype position);
    void StatusText(const QString &text);

private:
    ProjectSession &m_session;
    QPointer<QWidget> m_mainWindow;
    PhotoWindowPlacement m_placement;
    bool m_addPick = false;
    bool m_deletePick = false;
    std::function<QList<qsizetype>()> m_photoOrder;
    ThumbnailCache *m_thumbnails = nullptr;
};
