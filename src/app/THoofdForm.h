#pragma once

#include "core/project/ProjectDocument.h"
#include "core/project/ProjectEdit.h"
#include "core/project/ProjectSession.h"
#include "gui/map/MapScrollBox.h"
#include "gui/project/ProjectHost.h"

#include <QMainWindow>
#include <memory>
#include <optional>

class ElidedLabel;
class MapCommands;
class MapCalibrationCommands;
class MapInteraction;
class MapNavigator;
class MapView;
class OutsideChangeGuard;
class RecoveryCopy;
class RecoveryKeeper;
class PhotoListCommands;
class PhotoListDock;
class PhotoIndex;
class QAction;
class QLabel;
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
class ThumbnailCache;

// The main window: owns the project, shows the overview map in a scroll box,
// and carries the menu and tool bar from which every command starts.
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
    ProjectDocument &Document() { return m_document; }
    ProjectSession &Session() { return m_session; }
    ProjectHost &Host() { return m_host; }
    // The recovery copy of unsaved changes.
    RecoveryKeeper &Recovery() { return *m_recovery; }

    // Enables Save exactly when the project is modified, shows the organisation.
    void UpdateMainWindowState();
    // Redraws the map from the current project.
    void DrawMap();
    void EnterProjectFolder() { m_session.EnterProjectFolder(); }
    bool AddPickMode() const { return m_host.AddPickMode(); }
    bool DeletePickMode() const { return m_host.DeletePickMode(); }
    void ShowHelp(int context);
    const PhotoIndex *ClickIndex() const;

    void ResetProject();

    // The start-up and information screen: without blocking at start-up,
    // modally on request.
    void ShowInfoScreen(bool modal);

    // Reads a data file into the (reset) project; the caption follows the
    // file. Reports a file that cannot be opened.
    void ReadDataFile(const QString &fileName);
    // Writes the project; false (after the warning) when it could not be saved.
    bool WriteDataFile(const QString &fileName);

    // True when the project was closed (saved or dropped, or not modified).
    bool CloseProject();

    // "&Recente projecten": closes the project and opens fileName, as
    // "&Openen..." would with that file chosen.
    void OpenRecentProject(const QString &fileName);
    // The window's size, place and layout of the last run; false (designed
    // size, centred) when there was none.
    bool RestoreWindowLayout();
    // Offers the recovery copies of runs that did not end normally (at the
    // first activation) and opens the one the user restores.
    void OfferRecovery();
    void RestoreRecoveryCopy(RecoveryCopy &&copy);

    // Creates the dialogs and windows that live for the whole program run,
    // in the start-up order (called once; commands call it too in case).
    void CreateOtherWindows();

    // The size of the picture the map view shows (0 by 0 before any drawing).
    QSize MapPictureSize() const;

    TRvVersionInfo &VersionInfo() { return *m_versionInfo; }
    // Zoom and pan of the map view; drag, turn and hover on it; undo and redo.
    MapNavigator &Navigator() { return *m_navigator; }
    MapInteraction &Interaction() { return *m_interaction; }
    MapCalibrationCommands &Calibration() { return *m_calibration; }
    UndoActions &Undo() { return *m_undo; }
    QString UntitledCaption() const;

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

    // The photo list, imports, drops and mending moved photos.
    PhotoListCommands &PhotoList() { return *m_photoList; }
    // Thumbnails of photo files, shared by whatever shows many photos.
    ThumbnailCache &Thumbnails();

public slots:
    void Nieuw1Click();
    void Openen1Click();
    void Opslaan1Click();
    void Opslaanals1Click();
    void Afsluiten1Click();
    void Exporteren1Click();
    void ExporterenWebpagina1Click();
    void Fotorapport1Click();
    void Kopiren1Click();
    void ExporterenAfbeelding1Click();
    void Afdrukken1Click();
    void Afdrukvoorbeeld1Click();
    void Projectgegevens1Click();
    void OverzichtskaartEigenschappen1Click();
    void Eigenschappenkaart1Click();
    void Fotonummerstonen1Click();
    void Toevoegen1Click();
    void Verwijderen1Click();
    void Eigenschappenallefotoswijzigen1Click();
    void FotosImporteren1Click();
    void MapImporteren1Click();
    void OntbrekendeFotos1Click();
    void FotoFilter1Click();
    void Fotosluiten1Click();
    void Inhoud1Click();
    void FotoCDRom1Click();
    void Configuratiegegevens1Click();
    void LeesMijtxt1Click();
    void Brimolopinternet1Click();
    void Info1Click();
    void Label1Click();
    void OverzichtsImageMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &mapPoint,
                                const QPoint &viewPixel);

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildMenu();
    void BuildToolBar();
    void FormActivate();
    void FormResize();
    void SetFileCaption(const QString &fileName);
    // The project's file changed outside the program: act on the answer.
    void GuardAgainstOutsideChange(bool saving);
    // Reads the project's file again, dropping the changes made here.
    void ReloadProject();
    void ProjectChanged(ProjectChanges changes);
    void UpdateMapPointer();
    void BuildPhotoList();
    // A project file dropped on the window: as "Openen", with the file given.
    void OpenDroppedProject(const QString &fileName);

    ProjectDocument m_document;
    ProjectSession m_session{m_document};
    ProjectHost m_host;
    std::unique_ptr<TRvVersionInfo> m_versionInfo;
    std::unique_ptr<MapCommands> m_map;
    MapNavigator *m_navigator = nullptr;
    MapInteraction *m_interaction = nullptr;
    MapCalibrationCommands *m_calibration = nullptr;
    UndoActions *m_undo = nullptr;
    std::unique_ptr<RecoveryKeeper> m_recovery;
    std::unique_ptr<OutsideChangeGuard> m_outsideChanges;
    std::unique_ptr<PhotoListCommands> m_photoList;
    bool m_firstActivation = true;
    bool m_centred = false;
    bool m_restoreStartupCursor = false;
    QString m_startupFileName;
};
