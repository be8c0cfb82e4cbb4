#pragma once

// A stand-in for the main window, for tests of dialogs that work on the
// project: it counts what the dialogs ask of it.

#include "project/ProjectDocument.h"
#include "project/ProjectHost.h"

#include <QDir>
#include <QList>

class FakeHost : public ProjectHost
{
public:
    ProjectDocument doc;
    PhotoWindowPlacement placement;
    int drawCount = 0;
    int updateCount = 0;
    QList<int> helpContexts;
    bool addPick = false;
    bool deletePick = false;
    QWidget *mainWindow = nullptr;

    ProjectDocument &Document() override { return doc; }
    void UpdateMainWindowState() override { ++updateCount; }
    void DrawMap() override { ++drawCount; }
    void EnterProjectFolder() override
    {
        const QString folder = doc.ProjectFolder();
        if (!folder.isEmpty())
            QDir::setCurrent(folder);
    }
    PhotoWindowPlacement &PhotoPlacement() override { return placement; }
    bool AddPickMode() const override { return addPick; }
    void SetAddPickMode(bool on) override { addPick = on; }
    bool DeletePickMode() const override { return deletePick; }
    void SetDeletePickMode(bool on) override { deletePick = on; }
    void ShowHelp(int context) override { helpContexts << context; }
    QWidget *MainWindow() override { return mainWindow; }
};
