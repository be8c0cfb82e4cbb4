#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class ProjectDocument;
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

signals:
    void PickModesChanged();
    void StatusText(const QString &text);

private:
    ProjectSession &m_session;
    QPointer<QWidget> m_mainWindow;
    PhotoWindowPlacement m_placement;
    bool m_addPick = false;
    bool m_deletePick = false;
};
