#pragma once

class PhotoIndex;
class ProjectDocument;
class QWidget;

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

// What the main window offers the dialogs and windows that read and change
// the project. The main window implements it; tests may use a small fake.
class ProjectHost
{
public:
    virtual ~ProjectHost() = default;

    virtual ProjectDocument &Document() = 0;

    // Enables Save exactly when the project is modified, shows the organisation.
    virtual void UpdateMainWindowState() = 0;

    // Redraws the map from the current project.
    virtual void DrawMap() = 0;

    // Makes the project's folder the current folder.
    virtual void EnterProjectFolder() = 0;

    virtual PhotoWindowPlacement &PhotoPlacement() = 0;

    // The pick modes: the next click on the map supplies a position for the
    // add-photo dialog, or picks the photo for the delete-photo dialog.
    virtual bool AddPickMode() const = 0;
    virtual void SetAddPickMode(bool on) = 0;
    virtual bool DeletePickMode() const = 0;
    virtual void SetDeletePickMode(bool on) = 0;

    // Shows help at a context (20: contents, 60: photo CD-ROM).
    virtual void ShowHelp(int context) = 0;

    virtual QWidget *MainWindow() = 0;

    // The look-up index made at the last redraw of the map, if any; a map
    // click checks that it still fits the project before it trusts it.
    virtual const PhotoIndex *ClickIndex() const { return nullptr; }
};
