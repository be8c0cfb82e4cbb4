#include "app/THoofdForm.h"

#include "app/AppIcons.h"
#include "app/MainToolBar.h"
#include "app/ProjectFileCommands.h"
#include "app/TolvekApplication.h"
#include "core/base/ProgramTexts.h"
#include "core/info/TRvVersionInfo.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/ProcessFolders.h"
#include "gui/info/ProgramArt.h"
#include "gui/info/SupportCommands.h"
#include "gui/info/TConfigGegevensForm.h"
#include "gui/info/THelpForm.h"
#include "gui/info/TOpInternetForm.h"
#include "gui/info/TOpstartInfoForm.h"
#include "gui/map/GisExportCommand.h"
#include "gui/map/MapCalibrationCommands.h"
#include "gui/map/MapClickHandler.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapInteraction.h"
#include "gui/map/MapNavigator.h"
#include "gui/map/MapOutputCommands.h"
#include "gui/map/MapScrollBox.h"
#include "gui/map/MapView.h"
#include "gui/map/PhotoListCommands.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/map/TKaartForm.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/PhotoListModel.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/project/RecentProjectsMenu.h"
#include "gui/project/TProjectGegForm.h"
#include "gui/project/UndoActions.h"
#include "gui/report/PhotoReportCommand.h"
#include "gui/web/WebExportCommand.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"
#include "gui/widgets/WindowLayout.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

// The system's application-workspace colour of the designed look.
const QColor kWorkspaceColour(171, 171, 171);

// The photo list's width at the first start.
constexpr int kPhotoListWidth = 280;

} // namespace

THoofdForm::THoofdForm(QWidget *parent) : QMainWindow(parent), m_host(m_session, this)
{
    BusyCursor busy;
    setObjectName(QStringLiteral("HoofdForm"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setWindowIcon(ProgramArt::ProgramIcon());

    m_versionInfo = std::make_unique<TRvVersionInfo>();
    m_versionInfo->SetFileName(ProcessFolders::ProgramPath());

    OverzichtsScrollBox = new MapScrollBox(this);
    OverzichtsScrollBox->setObjectName(QStringLiteral("OverzichtsScrollBox"));
    OverzichtsScrollBox->setFrameShape(QFrame::NoFrame);
    OverzichtsScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    OverzichtsScrollBox->setWidgetResizable(false);
    QPalette pal = OverzichtsScrollBox->palette();
    pal.setColor(QPalette::Window, kWorkspaceColour);
    OverzichtsScrollBox->setPalette(pal);
    OverzichtsScrollBox->setBackgroundRole(QPalette::Window);
    OverzichtsScrollBox->setAutoFillBackground(true);
    setCentralWidget(OverzichtsScrollBox);

    OverzichtsImage = new MapView;
    OverzichtsScrollBox->setWidget(OverzichtsImage);
    m_map = std::make_unique<MapCommands>(m_host, OverzichtsImage);
    m_navigator = new MapNavigator(OverzichtsScrollBox, OverzichtsImage, this);
    m_interaction = new MapInteraction(m_host, *m_map, OverzichtsImage, *m_navigator, this);
    m_host.SetThumbnails(&m_interaction->Thumbnails());
    m_calibration = new MapCalibrationCommands(m_host, *m_map, OverzichtsScrollBox, OverzichtsImage,
                                               m_interaction->Metadata(), this);
    m_undo = new UndoActions(m_session, this);
    connect(OverzichtsImage, &MapView::MouseUp, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &, const QPoint &pixel) {
                GeneralError::Run([&] { OverzichtsImageMouseUp(pixel); });
            });
    // One cache of thumbnails for the list and the map's hover. The list
    // follows the session before the window does, so a redraw that fails
    // cannot leave it behind.
    m_photoList = std::make_unique<PhotoListCommands>(m_host, this, OverzichtsScrollBox, OverzichtsImage, *m_map,
                                                      m_interaction->Thumbnails());
    FotosDock = m_photoList->Dock();
    FotosDock->Model().SetMetadata(&m_interaction->Metadata());
    TFotoKijkerForm::SetMetadata(&m_interaction->Metadata());
    addDockWidget(Qt::RightDockWidgetArea, FotosDock);
    // Every change of the project ends here; the recovery copy follows after.
    connect(&m_session, &ProjectSession::Changed, this, &THoofdForm::ProjectChanged);
    connect(&m_host, &ProjectHost::PickModesChanged, this, &THoofdForm::UpdateMapPointer);
    const auto version = m_versionInfo->GetVersionNumber();
    m_files = std::make_unique<ProjectFileCommands>(
        m_host, this, QString::number(version.Major) + QLatin1Char('.') + QString::number(version.Minor));

    BuildMenu();
    m_toolBar = new MainToolBar(this, *m_navigator, [this] { Info1Click(); });
    BovenPanel = m_toolBar->BovenPanel;
    SpeedButton6 = m_toolBar->SpeedButton6;
    Label1 = m_toolBar->Label1;
    BuildStatusBar();
    WirePhotoList();
    m_map->SetLabelItem(Fotonummerstonen1);
    // The Help buttons of message boxes and dialogs open the help file.
    MessageDialogs::SetHelpHandler([this](int context) { ShowHelp(context); });

    m_files->ShowUntitledCaption();
    resize(614, 384 + menuBar()->sizeHint().height());
    // The map keeps its designed size beside the photo list (until a saved
    // layout is restored).
    resizeDocks({FotosDock}, {kPhotoListWidth}, Qt::Horizontal);
    resize(width() + kPhotoListWidth, height());
}

THoofdForm::~THoofdForm()
{
    // The list reads the project and its thumbnails: it goes before them.
    m_photoList.reset();
    // A child would outlive the map commands it listens to (members go
    // before the children), so it goes first.
    delete std::exchange(m_calibration, nullptr);
}

void THoofdForm::WirePhotoList()
{
    m_photoList->SetDirectionSource([this] {
        CreateOtherWindows();
        return FotoToevoegenForm->SelectedDirection();
    });
    m_photoList->SetDeleteDialog([this] {
        CreateOtherWindows();
        return FotoVerwijderenForm;
    });
    m_photoList->SetProjectOpener([this](const QString &fileName) { m_files->OpenDroppedProject(fileName); });
    m_calibration->SetSelectionSource([this] { return m_photoList->Dock()->SelectedPositions(); });
}

void THoofdForm::BuildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto add = [this](QMenu *menu, const char *name, const QString &caption, const std::function<void()> &command,
                      const QKeySequence &shortcut = QKeySequence(), const QIcon &icon = QIcon()) {
        QAction *a = menu->addAction(icon, caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty())
            a->setShortcut(shortcut);
        GeneralError::ConnectCommand(a, &QAction::triggered, this, command);
        return a;
    };
    // The dialogs that live for the whole run are made at the first use.
    auto dialog = [this](auto THoofdForm::*form, auto run) {
        return [this, form, run] {
            CreateOtherWindows();
            ((this->*form)->*run)();
        };
    };
    ProjectFileCommands *files = m_files.get();
    MapCommands *map = m_map.get();
    PhotoListCommands *list = m_photoList.get();

    QMenu *bestand = bar->addMenu(QStringLiteral("&Bestand"));
    bestand->setObjectName(QStringLiteral("Bestand1"));
    add(
        bestand, "Nieuw1", QStringLiteral("&Nieuw..."), [files] { files->Nieuw1Click(); },
        QKeySequence(QStringLiteral("Ctrl+N")), AppIcons::Get(AppIcons::New));
    add(
        bestand, "Openen1", QStringLiteral("&Openen..."), [files] { files->Openen1Click(); },
        QKeySequence(QStringLiteral("Ctrl+O")), AppIcons::Get(AppIcons::Open));
    RecenteProjecten1 = new RecentProjectsMenu(bestand);
    bestand->addMenu(RecenteProjecten1);
    connect(RecenteProjecten1, &RecentProjectsMenu::OpenRequested, files,
            [files](const QString &fileName) { GeneralError::Run([&] { files->OpenRecentProject(fileName); }); });
    Opslaan1 = add(
        bestand, "Opslaan1", QStringLiteral("Op&slaan"), [files] { files->Opslaan1Click(); },
        QKeySequence(QStringLiteral("Ctrl+S")), AppIcons::Get(AppIcons::Save));
    Opslaan1->setEnabled(false);
    add(
        bestand, "Opslaanals1", QStringLiteral("O&pslaan als..."), [files] { files->Opslaanals1Click(); },
        QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    bestand->addSeparator()->setObjectName(QStringLiteral("N1"));
    add(
        bestand, "Exporteren1", QStringLiteral("&Exporteren..."), [map] { map->Export(); },
        QKeySequence(QStringLiteral("Ctrl+E")));
    add(bestand, "ExporterenAfbeelding1", QStringLiteral("Exporteren als af&beelding..."),
        [this] { MapOutputCommands::ExportImage(m_host, m_map->Metafile(), m_calibration->OutputMarks()); });
    bestand->addSeparator()->setObjectName(QStringLiteral("N7"));
    add(
        bestand, "Afdrukken1", QStringLiteral("Af&drukken..."),
        [this] { MapOutputCommands::Print(m_host, m_map->Metafile(), m_calibration->OutputMarks()); },
        QKeySequence(QStringLiteral("Ctrl+P")));
    add(bestand, "Afdrukvoorbeeld1", QStringLiteral("Afdruk&voorbeeld..."),
        [this] { MapOutputCommands::Preview(m_host, m_map->Metafile(), m_calibration->OutputMarks()); });
    bestand->addMenu(MapOutputCommands::MakeMarkerMenu(bestand));
    bestand->addAction(m_calibration->OutputMarksAction());
    add(bestand, "ExporterenWebpagina1", QStringLiteral("Exporteren als &webpagina..."), [this] {
        std::optional<MapGeoreference> georeference;
        if (!m_map->MapPath().isEmpty() && m_map->Calibration().IsGeoreferenced())
            georeference = m_map->Calibration().georeference;
        WebExportCommand::Run(m_host, m_map->Cache(), m_map->LabelsShown(), georeference);
    });
    add(bestand, "ExporterenGeoJson1", QStringLiteral("Exporteren als &GeoJSON..."), [this] {
        GisExportCommand::Run(m_host, m_interaction->Metadata(), m_map->Calibration(), GeoPhotoExport::Format::GeoJson);
    });
    // "K" belongs to the markers' submenu.
    add(bestand, "ExporterenKml1", QStringLiteral("Exporteren als KM&L..."), [this] {
        std::optional<GeoPhotoExport::Plan> plan;
        if (!m_map->MapPath().isEmpty())
            plan = GeoPhotoExport::Plan{m_map->MapPath(), m_map->MapSize()};
        GisExportCommand::Run(m_host, m_interaction->Metadata(), m_map->Calibration(), GeoPhotoExport::Format::Kml,
                              plan);
    });
    add(bestand, "Fotorapport1", QStringLiteral("&Fotorapport..."), [this] { Fotorapport1Click(); });
    bestand->addSeparator()->setObjectName(QStringLiteral("N5"));
    // Ctrl+Q as in every desktop program comes first, so the menu shows it.
    add(bestand, "Afsluiten1", QStringLiteral("&Afsluiten..."), [this] {
        close();
    })->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Q")), QKeySequence(QStringLiteral("Alt+F4"))});

    QMenu *bewerken = bar->addMenu(QStringLiteral("Be&werken"));
    bewerken->setObjectName(QStringLiteral("Bewerken1"));
    bewerken->addAction(m_undo->Undo());
    bewerken->addAction(m_undo->Redo());
    bewerken->addSeparator()->setObjectName(QStringLiteral("N8"));
    // A text field with the focus keeps Ctrl+C for itself.
    add(
        bewerken, "Kopiren1", QStringLiteral("Kaart &kopi\u00ebren"), [map] { map->Copy(); },
        QKeySequence(QStringLiteral("Ctrl+C")));

    QMenu *beeld = bar->addMenu(QStringLiteral("Beel&d"));
    beeld->setObjectName(QStringLiteral("Beeld1"));
    m_navigator->ZoomInAction()->setIcon(AppIcons::Get(AppIcons::ZoomIn));
    m_navigator->ZoomOutAction()->setIcon(AppIcons::Get(AppIcons::ZoomOut));
    m_navigator->ActualSizeAction()->setIcon(AppIcons::Get(AppIcons::ActualSize));
    m_navigator->FitAction()->setIcon(AppIcons::Get(AppIcons::FitMap));
    beeld->addActions({m_navigator->ZoomInAction(), m_navigator->ZoomOutAction(), m_navigator->ActualSizeAction(),
                       m_navigator->FitAction()});
    beeld->addSeparator();
    beeld->addActions(
        {m_calibration->NorthArrowAction(), m_calibration->ScaleBarAction(), m_calibration->MeasureAction()});
    beeld->addSeparator();
    QAction *toggle = FotosDock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("FotoLijst1"));
    beeld->addAction(toggle);
    beeld->addAction(m_photoList->ViewAction());

    QMenu *gegevens = bar->addMenu(QStringLiteral("&Gegevens"));
    gegevens->setObjectName(QStringLiteral("KaartFoto1"));
    add(gegevens, "Projectgegevens1", QStringLiteral("Pr&oject"),
        dialog(&THoofdForm::ProjectGegForm, &TProjectGegForm::Execute), {}, AppIcons::Get(AppIcons::ProjectData));
    gegevens->addSeparator()->setObjectName(QStringLiteral("N6"));
    // The dialog's OK has the map drawn again.
    add(gegevens, "OverzichtskaartEigenschappen1", QStringLiteral("Overzichts&kaart"),
        dialog(&THoofdForm::KaartForm, &TKaartForm::Execute), {}, AppIcons::Get(AppIcons::Map));
    add(gegevens, "Eigenschappenkaart1", QStringLiteral("&Eigenschappen kaart"),
        [this] { Eigenschappenkaart1Click(); });
    gegevens->addAction(m_calibration->CalibrateAction());
    Fotonummerstonen1 = add(gegevens, "Fotonummerstonen1", QStringLiteral("&Bestandsnamen foto's tonen"),
                            [map] { map->ToggleLabels(); });
    Fotonummerstonen1->setCheckable(true);
    Fotonummerstonen1->setChecked(false);
    gegevens->addSeparator()->setObjectName(QStringLiteral("N4"));
    add(gegevens, "Toevoegen1", QStringLiteral("Foto &toevoegen..."),
        dialog(&THoofdForm::FotoToevoegenForm, &TFotoToevoegenForm::Toevoegen1Click), QKeySequence(Qt::Key_F3),
        AppIcons::Get(AppIcons::AddPhoto));
    add(gegevens, "Verwijderen1", QStringLiteral("Foto &verwijderen..."),
        dialog(&THoofdForm::FotoVerwijderenForm, &TFotoVerwijderenForm::Verwijderen1Click), {},
        AppIcons::Get(AppIcons::DeletePhoto));
    add(gegevens, "Eigenschappenallefotoswijzigen1", QStringLiteral("Eigenschappen &alle foto's wijzigen..."),
        dialog(&THoofdForm::AlleFotoEigenschappenForm, &TAlleFotoEigenschappenForm::Execute));
    gegevens->addSeparator();
    add(gegevens, "FotosImporteren1", QStringLiteral("Foto's &importeren..."), [list] { list->ImportFiles(); });
    add(gegevens, "MapImporteren1", QStringLiteral("&Map met foto's importeren..."), [list] { list->ImportFolder(); });
    add(gegevens, "OntbrekendeFotos1", QStringLiteral("Ontbrekende foto's &zoeken..."),
        [list] { list->FindMissing(); });
    gegevens->addAction(m_calibration->TakeDirectionsAction());
    gegevens->addAction(m_calibration->TakePlacesAction());
    // Ctrl+F: into the photo list's filter field, from anywhere in the window.
    QAction *filter = add(
        gegevens, "FotoFilter1", QStringLiteral("Foto zoeken"), [list] { list->FocusFilter(); },
        QKeySequence(QStringLiteral("Ctrl+F")));
    gegevens->removeAction(filter);
    addAction(filter);
    filter->setShortcutContext(Qt::WindowShortcut);
    // Closes the active photo window; nothing when the main window is active.
    QAction *sluiten = add(gegevens, "Fotosluiten1", QStringLiteral("Foto sluiten"), &TFotoForm::CloseActive,
                           QKeySequence(Qt::Key_Escape));
    // Invisible: only its shortcut acts, so it lives on the window itself.
    sluiten->setVisible(false);
    gegevens->removeAction(sluiten);
    addAction(sluiten);
    sluiten->setShortcutContext(Qt::WindowShortcut);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(
        help, "Inhoud1", QStringLiteral("In&houd"), [this] { ShowHelp(HelpContexts::Contents); },
        QKeySequence(Qt::Key_F1), AppIcons::Get(AppIcons::Help));
    add(
        help, "FotoCDRom1", QStringLiteral("&Foto CD-Rom"), [this] { ShowHelp(HelpContexts::PhotoCd); }, {},
        AppIcons::Get(AppIcons::PhotoCd));
    help->addSeparator()->setObjectName(QStringLiteral("N2"));
    add(help, "Configuratiegegevens1", QStringLiteral("&Configuratiegegevens"),
        [this] { Configuratiegegevens1Click(); });
    add(help, "LeesMijtxt1", QStringLiteral("&LeesMij.txt"),
        [this] { SupportCommands::OpenReadMe(this, m_session, ProcessFolders::DataFolder()); });
    add(
        help, "Brimolopinternet1", QStringLiteral("Brimol @ internet..."),
        [this] {
            CreateOtherWindows();
            UserInteraction::ExecModal(OpInternetForm);
        },
        {}, AppIcons::Get(AppIcons::Internet));
    help->addSeparator()->setObjectName(QStringLiteral("N3"));
    add(help, "Info1", QStringLiteral("&Info"), [this] { Info1Click(); });
}

void THoofdForm::BuildStatusBar()
{
    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(19);
    status->setSizeGripEnabled(true);
    setStatusBar(status);
    StatusText = new ElidedLabel(status);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    status->addWidget(StatusText, 1);
    connect(&m_host, &ProjectHost::StatusText, StatusText, &ElidedLabel::SetText);
    status->addPermanentWidget(m_calibration->PositionLabel());
    status->addPermanentWidget(m_navigator->ZoomLabel());
}

void THoofdForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (m_toolBar)
        m_toolBar->AlignOrganisation();
}

void THoofdForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (QScreen *screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    // Without a window manager a window may never be activated; the first
    // showing then stands in for the first activation.
    if (m_firstActivation)
        QTimer::singleShot(0, this, [this] {
            if (m_firstActivation)
                FormActivate();
        });
}

void THoofdForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void THoofdForm::FormActivate()
{
    m_toolBar->AlignOrganisation();
    if (m_firstActivation) {
        m_firstActivation = false;
        const QString fileName = m_startupFileName;
        if (!fileName.isEmpty())
            GeneralError::Run([this, &fileName] { m_files->ReadDataFile(fileName); });
        UpdateMainWindowState();
        // Not busy while the recovery copies are offered.
        if (std::exchange(m_restoreStartupCursor, false))
            QApplication::restoreOverrideCursor();
        GeneralError::Run([this] { m_files->OfferRecovery(); });
    } else if (!QApplication::activeModalWidget()) {
        GeneralError::Run([this] { m_files->CheckOutsideChange(); });
    }
}

void THoofdForm::ProjectChanged(ProjectChanges changes)
{
    const bool whole = changes.testFlag(ProjectChange::Whole);
    // Each project keeps its zoom for the program run.
    if (whole)
        m_navigator->ProjectOpened(m_document.CurrentFileName);
    else if (changes & ProjectChange::State)
        m_navigator->ProjectRenamed(m_document.CurrentFileName);
    if (changes & ProjectChange::State)
        UpdateMainWindowState();
    // A project that opened but cannot be drawn (a bad number in a list) is
    // still open: the error is shown and the opening goes on to its caption
    // and the recent projects.
    if (whole)
        GeneralError::Run([this] { m_map->DrawMap(); });
    else if (changes & ProjectChange::Map)
        m_map->DrawMap();
}

void THoofdForm::UpdateMainWindowState()
{
    Opslaan1->setEnabled(m_document.Modified);
    m_toolBar->SetSaveEnabled(m_document.Modified);
    m_toolBar->SetOrganisation(AnsiCodec::toUnicode(m_document.Organisation));
}

void THoofdForm::UpdateMapPointer()
{
    if (OverzichtsImage)
        OverzichtsImage->ShowPickPointer(m_host.AddPickMode() || m_host.DeletePickMode());
}

void THoofdForm::OverzichtsImageMouseUp(const QPoint &viewPixel)
{
    CreateOtherWindows();
    MapClickHandler::Handle(m_host, *FotoToevoegenForm, *FotoVerwijderenForm, OverzichtsImage->Zoom(), viewPixel,
                            &m_map->ClickIndex());
    UpdateMapPointer();
}

void THoofdForm::ShowHelp(int context)
{
    if (!HelpForm) {
        HelpForm = new THelpForm(this);
        HelpForm->SetHelpFile(THelpForm::ApplicationHelpFile());
    }
    HelpForm->ShowContext(context);
}

void THoofdForm::ShowInfoScreen(bool modal)
{
    if (!OpstartInfoForm)
        OpstartInfoForm = new TOpstartInfoForm(this);
    OpstartInfoForm->ShowInfo(modal, InfoScreenVersion::From(*m_versionInfo), ProgramTexts::AppTitle(),
                              QStringLiteral("Versie %s"), ProgramTexts::InfoScreenLine(),
                              ProgramTexts::ProductWebAddress(), QStringLiteral("Fotobestand:"), QString(),
                              AnsiCodec::toUnicode(m_document.Organisation),
                              AnsiCodec::toUnicode(m_document.WebAddress), QStringLiteral("Build: %s"));
}

void THoofdForm::Info1Click()
{
    ShowInfoScreen(true);
    m_session.EnterProjectFolder();
}

void THoofdForm::Fotorapport1Click()
{
    // The photos chosen in the list, and those its filter shows.
    QList<qsizetype> selected, filtered;
    if (PhotoListDock *dock = m_photoList->Dock()) {
        selected = dock->SelectedPositions();
        const PhotoListModel &model = dock->Model();
        if (!model.Filter().trimmed().isEmpty())
            for (int row = 0; row < model.rowCount(); ++row)
                filtered << model.PositionAt(row);
    }
    PhotoReportCommand::Run(m_host, m_map->Cache(), selected, filtered);
}

void THoofdForm::Eigenschappenkaart1Click()
{
    const QSize size = MapPictureSize();
    MessageDialogs::ShowInfoMessage(
        ProgramTexts::AppTitle(), QString(),
        QStringLiteral("Breedte: %1 pixels\rHoogte: %2 pixels").arg(size.width()).arg(size.height()),
        QStringLiteral("&OK"));
}

void THoofdForm::Configuratiegegevens1Click()
{
    CreateOtherWindows();
    const auto v = m_versionInfo->GetVersionNumber();
    ConfigGegevensForm->ShowConfigurationReport(ProgramTexts::AppTitle(), v.Major, v.Minor, v.Release, v.Build,
                                                m_versionInfo->StringValueByIndex(10),
                                                ProcessFolders::LogMarkerPresent(), ProcessFolders::TempFolder());
}

bool THoofdForm::RestoreWindowLayout()
{
    // Restored, the window keeps its place; else it is centred at its first showing.
    if (WindowLayout::Restore(*this, objectName()))
        m_centred = true;
    return m_centred;
}

void THoofdForm::closeEvent(QCloseEvent *event)
{
    bool closed = false;
    GeneralError::Run([this, &closed] { closed = m_files->CloseProject(); });
    if (closed) {
        WindowLayout::Save(*this, objectName());
        event->accept();
    } else {
        event->ignore();
    }
}

void THoofdForm::CreateOtherWindows()
{
    if (ProjectGegForm)
        return;
    ProjectGegForm = new TProjectGegForm(m_host, this);
    KaartForm = new TKaartForm(m_host, this);
    FotoToevoegenForm = new TFotoToevoegenForm(m_host, this);
    FotoVerwijderenForm = new TFotoVerwijderenForm(m_host, this);
    AlleFotoEigenschappenForm = new TAlleFotoEigenschappenForm(m_host, this);
    OpInternetForm = new TOpInternetForm(this);
    ConfigGegevensForm = new TConfigGegevensForm(this);
}

QSize THoofdForm::MapPictureSize() const
{
    const QSize size = m_map->Metafile().Size();
    return size.isValid() ? size : QSize(0, 0);
}

// ---- Program start ---------------------------------------------------------

int THoofdForm::RunProgram(TolvekApplication &app)
{
    QApplication::setWindowIcon(ProgramArt::ProgramIcon());
    // Busy until the main window's first activation.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto *form = new THoofdForm;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->m_restoreStartupCursor = true;
    form->OpstartInfoForm = new TOpstartInfoForm(form);
    form->OpstartInfoForm->SetTimerInterval(1800);
    form->ShowInfoScreen(false);
    // The project's folder becomes the current folder once it is open, so a
    // name relative to where the program was started must be made whole now.
    QString startupFile = ProcessFolders::CommandLineFileName(QCoreApplication::arguments());
    if (!startupFile.isEmpty())
        startupFile = QFileInfo(startupFile).absoluteFilePath();
    form->SetStartupFileName(startupFile);
    form->RestoreWindowLayout();
    QCoreApplication::processEvents();
    form->CreateOtherWindows();
    QCoreApplication::processEvents();
    QThread::msleep(1300);
    form->show();
    return app.exec();
}
