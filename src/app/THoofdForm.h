#pragma once

#include "core/project/ProjectDocument.h"
#include "core/project/ProjectEdit.h"
#include "core/project/ProjectSession.h"
#include "gui/map/MapScrollBox.h"
#include "gui/project/ProjectHost.h"

#include <QMainWindow>
#include <memory>

class ElidedLabel;
class MainToolBar;
class MapCalibrationCommands;
class MapCommands;
class MapInteraction;
class MapNavigator;
class MapView;
class PhotoListCommands;
class PhotoListDock;
class ProjectFileCommands;
class QAction;
class QLabel;
class QMenu;
class QToolButton;
class QWidget;
class RecentProjectsMenu;
class TAlleFotoEigenschappenForm;
class TConfigGegevensForm;
class TFotoToevoegenForm;
class TFotoVerwijderenForm;
class THelpForm;
class TOpInternetForm;
class TOpstartInfoForm;
class TKaartForm;
class TProjectGegForm;
class TolvekApplication;
class TRvVersionInfo;
class UndoActions;

// The main window: owns the project, shows the overview map in a scroll box,
// and carries the menu and tool bar. It builds the window and wires each
// menu item and tool button to the object that owns the command: the file
// workflow (ProjectFileCommands), the map (MapCommands, MapNavigator), the
// photo list (PhotoListCommands), undo and redo (UndoActions), the dialogs.
class THoofdForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit THoofdForm(QWidget *parent = nullptr);
    ~THoofdForm() override;

    // Start-up order of the program; returns the exit code.
    static int RunProgram(TolvekApplication &app);

    // The document path to read at the first activation (normally the
    // command line's); tests set it directly.
    void SetStartupFileName(const QString &fileName) { m_startupFileName = fileName; }

    // The project: the main window owns it; every change goes through the
    // session, whose Changed signal the window follows.
    const ProjectDocument &Document() const { return m_document; }
    ProjectSession &Session() { return m_session; }
    ProjectHost &Host() { return m_host; }

    // The objects the commands belong to.
    ProjectFileCommands &Files() { return *m_files; }
    MapCommands &Map() { return *m_map; }
    MapNavigator &Navigator() { return *m_navigator; }
    MapInteraction &Interaction() { return *m_interaction; }
    MapCalibrationCommands &Calibration() { return *m_calibration; }
    UndoActions &Undo() { return *m_undo; }

    // Enables Save exactly when the project is modified, shows the organisation.
    void UpdateMainWindowState();
    void ShowHelp(int context);

    // The start-up and information screen: without blocking at start-up,
    // modally on request ("&Info" and a click on the organisation).
    void ShowInfoScreen(bool modal);
    void Info1Click();

    // The window's size, place and layout of the last run; false (designed
    // size, centred) when there was none.
    bool RestoreWindowLayout();

    // Creates the dialogs and windows that live for the whole program run,
    // in the start-up order (called once; commands call it too in case).
    void CreateOtherWindows();

    // The size of the picture the map view shows (0 by 0 before any drawing).
    QSize MapPictureSize() const;

    // Controls, by their designed names (for the commands and for tests).
    QAction *Opslaan1 = nullptr;
    QAction *Fotonummerstonen1 = nullptr;
    RecentProjectsMenu *RecenteProjecten1 = nullptr;
    QToolButton *SpeedButton6 = nullptr;
    QLabel *Label1 = nullptr;
    MapScrollBox *OverzichtsScrollBox = nullptr;
    QWidget *BovenPanel = nullptr;
    TProjectGegForm *ProjectGegForm = nullptr;
    TKaartForm *KaartForm = nullptr;
    TAlleFotoEigenschappenForm *AlleFotoEigenschappenForm = nullptr;
    TFotoToevoegenForm *FotoToevoegenForm = nullptr;
    TFotoVerwijderenForm *FotoVerwijderenForm = nullptr;
    MapView *OverzichtsImage = nullptr;
    // The status bar's one line: what a command could not do (a photo or
    // map file not found).
    ElidedLabel *StatusText = nullptr;
    TOpstartInfoForm *OpstartInfoForm = nullptr;
    TOpInternetForm *OpInternetForm = nullptr;
    TConfigGegevensForm *ConfigGegevensForm = nullptr;
    THelpForm *HelpForm = nullptr;
    PhotoListDock *FotosDock = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void BuildMenu();
    void BuildStatusBar();
    void WirePhotoList();
    void FormActivate();
    void ProjectChanged(ProjectChanges changes);
    void UpdateMapPointer();
    void OverzichtsImageMouseUp(const QPoint &viewPixel);
    void Fotorapport1Click();
    void Eigenschappenkaart1Click();
    void Configuratiegegevens1Click();

    ProjectDocument m_document;
    ProjectSession m_session{m_document};
    ProjectHost m_host;
    std::unique_ptr<TRvVersionInfo> m_versionInfo;
    std::unique_ptr<MapCommands> m_map;
    MapNavigator *m_navigator = nullptr;
    MapInteraction *m_interaction = nullptr;
    MapCalibrationCommands *m_calibration = nullptr;
    UndoActions *m_undo = nullptr;
    std::unique_ptr<PhotoListCommands> m_photoList;
    // Before the session goes: its recovery keeper follows the session.
    std::unique_ptr<ProjectFileCommands> m_files;
    MainToolBar *m_toolBar = nullptr;
    bool m_firstActivation = true;
    bool m_centred = false;
    bool m_restoreStartupCursor = false;
    QString m_startupFileName;
};
