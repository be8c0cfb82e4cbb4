#include "app/THoofdForm.h"

#include "app/AppIcons.h"
#include "app/TolvekApplication.h"
#include "core/base/ProgramTexts.h"
#include "core/info/TRvVersionInfo.h"
#include "core/photos/ThumbnailCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectLock.h"
#include "core/project/ProjectSession.h"
#include "core/project/RecentProjects.h"
#include "core/project/RecoveryCopy.h"
#include "core/project/RecoveryKeeper.h"
#include "gui/info/ProgramArt.h"
#include "gui/info/SupportCommands.h"
#include "gui/info/TConfigGegevensForm.h"
#include "gui/info/THelpForm.h"
#include "gui/info/TOpInternetForm.h"
#include "gui/info/TOpstartInfoForm.h"
#include "gui/map/MapCalibrationCommands.h"
#include "gui/map/MapClickHandler.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapInteraction.h"
#include "gui/map/MapNavigator.h"
#include "gui/map/MapOutputCommands.h"
#include "gui/map/MapView.h"
#include "gui/map/PhotoListCommands.h"
#include "gui/map/TAlleFotoEigenschappenForm.h"
#include "gui/map/TKaartForm.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/PhotoListModel.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/project/OutsideChangeGuard.h"
#include "gui/project/ProjectInUse.h"
#include "gui/project/RecentProjectsMenu.h"
#include "gui/project/RecoveryOffer.h"
#include "gui/project/TProjectGegForm.h"
#include "gui/project/UndoActions.h"
#include "gui/report/PhotoReportCommand.h"
#include "gui/web/WebExportCommand.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/ElidedLabel.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"
#include "gui/widgets/WindowLayout.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kDataFilter = QStringLiteral("Tolvek-bestanden (*.tvk)|*.tvk|Alle bestanden (*.*)|*.*");

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

    OverzichtsScrollBox = new QScrollArea(this);
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
    m_calibration = new MapCalibrationCommands(m_host, *m_map, OverzichtsScrollBox, OverzichtsImage,
                                               m_interaction->Metadata(), this);
    m_undo = new UndoActions(m_session, this);
    connect(OverzichtsImage, &MapView::MouseUp, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &point, const QPoint &pixel) {
                GeneralError::Run([&] { OverzichtsImageMouseUp(button, modifiers, point, pixel); });
            });

    BuildMenu();
    BuildToolBar();
    m_map->SetLabelItem(Fotonummerstonen1);
    BuildPhotoList();

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(19);
    status->setSizeGripEnabled(true);
    setStatusBar(status);
    StatusText = new ElidedLabel(status);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    status->addWidget(StatusText, 1);
    connect(&m_host, &ProjectHost::StatusText, StatusText, &ElidedLabel::SetText);
    status->addPermanentWidget(m_navigator->ZoomLabel());

    // The Help buttons of message boxes and dialogs open the help file.
    MessageDialogs::SetHelpHandler([this](int context) { ShowHelp(context); });
    // Every change of the project ends here.
    connect(&m_session, &ProjectSession::Changed, this, &THoofdForm::ProjectChanged);
    connect(&m_host, &ProjectHost::PickModesChanged, this, &THoofdForm::UpdateMapPointer);
    m_recovery = std::make_unique<RecoveryKeeper>(m_session);
    m_outsideChanges = std::make_unique<OutsideChangeGuard>(m_session);

    ResetProject();
    resize(614, 384 + menuBar()->sizeHint().height());
    // The map keeps its designed size beside the photo list (until a saved
    // layout is restored).
    resizeDocks({FotosDock}, {kPhotoListWidth}, Qt::Horizontal);
    resize(width() + kPhotoListWidth, height());
}

ThumbnailCache &THoofdForm::Thumbnails()
{
    return m_interaction->Thumbnails();
}

THoofdForm::~THoofdForm()
{
    // The list reads the project and its thumbnails: it goes before them.
    m_photoList.reset();
}

void THoofdForm::BuildPhotoList()
{
    // One cache of thumbnails for the list and the map's hover.
    m_photoList = std::make_unique<PhotoListCommands>(m_host, this, OverzichtsScrollBox, OverzichtsImage, *m_map,
                                                      m_interaction->Thumbnails());
    FotosDock = m_photoList->Dock();
    FotosDock->Model().SetMetadata(&m_interaction->Metadata());
    addDockWidget(Qt::RightDockWidgetArea, FotosDock);
    m_photoList->SetDirectionSource([this] {
        CreateOtherWindows();
        return FotoToevoegenForm->SelectedDirection();
    });
    m_photoList->SetDeleteDialog([this] {
        CreateOtherWindows();
        return FotoVerwijderenForm;
    });
    m_photoList->SetProjectOpener([this](const QString &fileName) { OpenDroppedProject(fileName); });
    m_calibration->SetSelectionSource([this] { return m_photoList->Dock()->SelectedPositions(); });
    if (QMenu *beeld = menuBar()->findChild<QMenu *>(QStringLiteral("Beeld1"))) {
        beeld->addSeparator();
        QAction *toggle = FotosDock->toggleViewAction();
        toggle->setObjectName(QStringLiteral("FotoLijst1"));
        beeld->addAction(toggle);
    }
}

QString THoofdForm::UntitledCaption() const
{
    const auto v = m_versionInfo->GetVersionNumber();
    return ProgramTexts::AppTitle() + QLatin1Char(' ') + QString::number(v.Major) + QLatin1Char('.')
        + QString::number(v.Minor) + QStringLiteral(" - ") + m_document.CurrentFileName;
}

void THoofdForm::BuildMenu()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto add = [this](QMenu *menu, const char *name, const QString &caption, void (THoofdForm::*slot)(),
                      const QKeySequence &shortcut = QKeySequence(), const QIcon &icon = QIcon()) {
        QAction *a = menu->addAction(icon, caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty())
            a->setShortcut(shortcut);
        GeneralError::ConnectCommand(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu *bestand = bar->addMenu(QStringLiteral("&Bestand"));
    bestand->setObjectName(QStringLiteral("Bestand1"));
    add(bestand, "Nieuw1", QStringLiteral("&Nieuw..."), &THoofdForm::Nieuw1Click,
        QKeySequence(QStringLiteral("Ctrl+N")), AppIcons::Get(AppIcons::New));
    add(bestand, "Openen1", QStringLiteral("&Openen..."), &THoofdForm::Openen1Click,
        QKeySequence(QStringLiteral("Ctrl+O")), AppIcons::Get(AppIcons::Open));
    RecenteProjecten1 = new RecentProjectsMenu(bestand);
    bestand->addMenu(RecenteProjecten1);
    connect(RecenteProjecten1, &RecentProjectsMenu::OpenRequested, this,
            [this](const QString &fileName) { GeneralError::Run([&] { OpenRecentProject(fileName); }); });
    Opslaan1 = add(bestand, "Opslaan1", QStringLiteral("Op&slaan"), &THoofdForm::Opslaan1Click,
                   QKeySequence(QStringLiteral("Ctrl+S")), AppIcons::Get(AppIcons::Save));
    Opslaan1->setEnabled(false);
    add(bestand, "Opslaanals1", QStringLiteral("O&pslaan als..."), &THoofdForm::Opslaanals1Click,
        QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    bestand->addSeparator()->setObjectName(QStringLiteral("N1"));
    add(bestand, "Exporteren1", QStringLiteral("&Exporteren..."), &THoofdForm::Exporteren1Click,
        QKeySequence(QStringLiteral("Ctrl+E")));
    add(bestand, "ExporterenAfbeelding1", QStringLiteral("Exporteren als af&beelding..."),
        &THoofdForm::ExporterenAfbeelding1Click);
    bestand->addSeparator()->setObjectName(QStringLiteral("N7"));
    add(bestand, "Afdrukken1", QStringLiteral("Af&drukken..."), &THoofdForm::Afdrukken1Click,
        QKeySequence(QStringLiteral("Ctrl+P")));
    add(bestand, "Afdrukvoorbeeld1", QStringLiteral("Afdruk&voorbeeld..."), &THoofdForm::Afdrukvoorbeeld1Click);
    bestand->addMenu(MapOutputCommands::MakeMarkerMenu(bestand));
    bestand->addAction(m_calibration->OutputMarksAction());
    add(bestand, "ExporterenWebpagina1", QStringLiteral("Exporteren als &webpagina..."),
        &THoofdForm::ExporterenWebpagina1Click);
    add(bestand, "Fotorapport1", QStringLiteral("&Fotorapport..."), &THoofdForm::Fotorapport1Click);
    bestand->addSeparator()->setObjectName(QStringLiteral("N5"));
    // Ctrl+Q as in every desktop program comes first, so the menu shows it.
    add(bestand, "Afsluiten1", QStringLiteral("&Afsluiten..."), &THoofdForm::Afsluiten1Click)
        ->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Q")), QKeySequence(QStringLiteral("Alt+F4"))});

    QMenu *bewerken = bar->addMenu(QStringLiteral("Be&werken"));
    bewerken->setObjectName(QStringLiteral("Bewerken1"));
    bewerken->addAction(m_undo->Undo());
    bewerken->addAction(m_undo->Redo());
    bewerken->addSeparator()->setObjectName(QStringLiteral("N8"));
    // A text field with the focus keeps Ctrl+C for itself.
    add(bewerken, "Kopiren1", QStringLiteral("Kaart &kopi\u00ebren"), &THoofdForm::Kopiren1Click,
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

    QMenu *gegevens = bar->addMenu(QStringLiteral("&Gegevens"));
    gegevens->setObjectName(QStringLiteral("KaartFoto1"));
    add(gegevens, "Projectgegevens1", QStringLiteral("Pr&oject"), &THoofdForm::Projectgegevens1Click, {},
        AppIcons::Get(AppIcons::ProjectData));
    gegevens->addSeparator()->setObjectName(QStringLiteral("N6"));
    add(gegevens, "OverzichtskaartEigenschappen1", QStringLiteral("Overzichts&kaart"),
        &THoofdForm::OverzichtskaartEigenschappen1Click, {}, AppIcons::Get(AppIcons::Map));
    add(gegevens, "Eigenschappenkaart1", QStringLiteral("&Eigenschappen kaart"), &THoofdForm::Eigenschappenkaart1Click);
    gegevens->addAction(m_calibration->CalibrateAction());
    Fotonummerstonen1 = add(gegevens, "Fotonummerstonen1", QStringLiteral("&Bestandsnamen foto's tonen"),
                            &THoofdForm::Fotonummerstonen1Click);
    Fotonummerstonen1->setCheckable(true);
    Fotonummerstonen1->setChecked(false);
    gegevens->addSeparator()->setObjectName(QStringLiteral("N4"));
    add(gegevens, "Toevoegen1", QStringLiteral("Foto &toevoegen..."), &THoofdForm::Toevoegen1Click,
        QKeySequence(Qt::Key_F3), AppIcons::Get(AppIcons::AddPhoto));
    add(gegevens, "Verwijderen1", QStringLiteral("Foto &verwijderen..."), &THoofdForm::Verwijderen1Click, {},
        AppIcons::Get(AppIcons::DeletePhoto));
    add(gegevens, "Eigenschappenallefotoswijzigen1", QStringLiteral("Eigenschappen &alle foto's wijzigen..."),
        &THoofdForm::Eigenschappenallefotoswijzigen1Click);
    gegevens->addSeparator();
    add(gegevens, "FotosImporteren1", QStringLiteral("Foto's &importeren..."), &THoofdForm::FotosImporteren1Click);
    add(gegevens, "MapImporteren1", QStringLiteral("&Map met foto's importeren..."), &THoofdForm::MapImporteren1Click);
    add(gegevens, "OntbrekendeFotos1", QStringLiteral("Ontbrekende foto's &zoeken..."),
        &THoofdForm::OntbrekendeFotos1Click);
    gegevens->addAction(m_calibration->TakeDirectionsAction());
    // Ctrl+F: into the photo list's filter field, from anywhere in the window.
    QAction *filter = add(gegevens, "FotoFilter1", QStringLiteral("Foto zoeken"), &THoofdForm::FotoFilter1Click,
                          QKeySequence(QStringLiteral("Ctrl+F")));
    gegevens->removeAction(filter);
    addAction(filter);
    filter->setShortcutContext(Qt::WindowShortcut);
    QAction *sluiten = add(gegevens, "Fotosluiten1", QStringLiteral("Foto sluiten"), &THoofdForm::Fotosluiten1Click,
                           QKeySequence(Qt::Key_Escape));
    // Invisible: only its shortcut acts, so it lives on the window itself.
    sluiten->setVisible(false);
    gegevens->removeAction(sluiten);
    addAction(sluiten);
    sluiten->setShortcutContext(Qt::WindowShortcut);

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    add(help, "Inhoud1", QStringLiteral("In&houd"), &THoofdForm::Inhoud1Click, QKeySequence(Qt::Key_F1),
        AppIcons::Get(AppIcons::Help));
    add(help, "FotoCDRom1", QStringLiteral("&Foto CD-Rom"), &THoofdForm::FotoCDRom1Click, {},
        AppIcons::Get(AppIcons::PhotoCd));
    help->addSeparator()->setObjectName(QStringLiteral("N2"));
    add(help, "Configuratiegegevens1", QStringLiteral("&Configuratiegegevens"),
        &THoofdForm::Configuratiegegevens1Click);
    add(help, "LeesMijtxt1", QStringLiteral("&LeesMij.txt"), &THoofdForm::LeesMijtxt1Click);
    add(help, "Brimolopinternet1", QStringLiteral("Brimol @ internet..."), &THoofdForm::Brimolopinternet1Click, {},
        AppIcons::Get(AppIcons::Internet));
    help->addSeparator()->setObjectName(QStringLiteral("N3"));
    add(help, "Info1", QStringLiteral("&Info"), &THoofdForm::Info1Click);
}

void THoofdForm::BuildToolBar()
{
    BovenPanel = new QWidget(this);
    BovenPanel->setObjectName(QStringLiteral("BovenPanel"));
    BovenPanel->setFixedHeight(28);
    BovenPanel->setFont(font());
    BovenPanel->installEventFilter(this);

    struct Button
    {
        const char *name;
        QString hint;
        AppIcons::Id icon;
        void (THoofdForm::*slot)();
        bool bevelAfter;
    };
    const Button buttons[] = {
        {"SpeedButton4", QStringLiteral("Nieuw... (Ctrl+N)"), AppIcons::New, &THoofdForm::Nieuw1Click, false},
        {"SpeedButton5", QStringLiteral("Openen... (Ctrl+O)"), AppIcons::Open, &THoofdForm::Openen1Click, false},
        {"SpeedButton6", QStringLiteral("Opslaan (Ctrl+S)"), AppIcons::Save, &THoofdForm::Opslaan1Click, true},
        {"SpeedButton7", QStringLiteral("Projectgegevens"), AppIcons::ProjectData, &THoofdForm::Projectgegevens1Click,
         false},
        {"SpeedButton8", QStringLiteral("Overzichtskaart"), AppIcons::Map,
         &THoofdForm::OverzichtskaartEigenschappen1Click, false},
        {"SpeedButton9", QStringLiteral("Foto toevoegen... (F3)"), AppIcons::AddPhoto, &THoofdForm::Toevoegen1Click,
         false},
        {"SpeedButton10", QStringLiteral("Foto verwijderen..."), AppIcons::DeletePhoto, &THoofdForm::Verwijderen1Click,
         true},
        {"SpeedButton11", QStringLiteral("Help (F1)"), AppIcons::Help, &THoofdForm::Inhoud1Click, false},
        {"SpeedButton12", QStringLiteral("Foto CD-Rom"), AppIcons::PhotoCd, &THoofdForm::FotoCDRom1Click, false},
        {"SpeedButton13", QStringLiteral("Brimol op internet..."), AppIcons::Internet,
         &THoofdForm::Brimolopinternet1Click, false},
    };
    int x = 5;
    int bevel = 2;
    for (const Button &b : buttons) {
        QToolButton *tb =
            DialogParts::MakeToolButton(BovenPanel, b.name, b.hint, AppIcons::Get(b.icon), QRect(x, 1, 25, 25));
        tb->setFocusPolicy(Qt::NoFocus);
        GeneralError::ConnectCommand(tb, &QToolButton::clicked, this, b.slot);
        x += 25;
        if (b.icon == AppIcons::Save) {
            SpeedButton6 = tb;
            tb->setEnabled(false);
        }
        if (b.bevelAfter) {
            auto *line = new QFrame(BovenPanel);
            line->setObjectName(QStringLiteral("Bevel%1").arg(bevel));
            bevel += 3;
            line->setFrameShape(QFrame::VLine);
            line->setFrameShadow(QFrame::Sunken);
            line->setGeometry(x + 2, 3, 3, 21);
            x += 7;
        }
    }
    // The zoom of the map view, after a separator of its own.
    auto *line = new QFrame(BovenPanel);
    line->setObjectName(QStringLiteral("BevelZoom"));
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x + 2, 3, 3, 21);
    x += 7;
    struct ZoomButton
    {
        const char *name;
        QAction *action;
        QString hint;
    };
    const ZoomButton zoomButtons[] = {
        {"ZoomInSpeedButton", m_navigator->ZoomInAction(), QStringLiteral("Inzoomen (Ctrl++)")},
        {"ZoomOutSpeedButton", m_navigator->ZoomOutAction(), QStringLiteral("Uitzoomen (Ctrl+-)")},
        {"ActualSizeSpeedButton", m_navigator->ActualSizeAction(), QStringLiteral("Ware grootte (Ctrl+0)")},
        {"FitSpeedButton", m_navigator->FitAction(), QStringLiteral("Passend in venster (Ctrl+9)")},
    };
    for (const ZoomButton &b : zoomButtons) {
        auto *tb = new QToolButton(BovenPanel);
        tb->setObjectName(QString::fromLatin1(b.name));
        tb->setAutoRaise(true);
        tb->setDefaultAction(b.action);
        tb->setToolTip(b.hint);
        tb->setIconSize(QSize(16, 16));
        tb->setGeometry(x, 1, 25, 25);
        tb->setFocusPolicy(Qt::NoFocus);
        x += 25;
    }

    Label1 = new QLabel(BovenPanel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);

    // The tool bar sits between the menu and the map.
    auto *toolBarHolder = addToolBar(QStringLiteral("CoolBar1"));
    toolBarHolder->setObjectName(QStringLiteral("CoolBar1"));
    toolBarHolder->setMovable(false);
    toolBarHolder->setFloatable(false);
    toolBarHolder->toggleViewAction()->setEnabled(false);
    toolBarHolder->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBarHolder->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    toolBarHolder->addWidget(BovenPanel);
    BovenPanel->setMinimumWidth(x + 10);
    BovenPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

bool THoofdForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == BovenPanel && event->type() == QEvent::Resize)
        FormResize();
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && Label1->rect().contains(me->position().toPoint()))
            GeneralError::Run([this] { Label1Click(); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void THoofdForm::FormResize()
{
    if (!Label1 || !BovenPanel)
        return;
    Label1->adjustSize();
    Label1->move(BovenPanel->width() - Label1->width() - 5, 7);
    BovenPanel->update();
}

void THoofdForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
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
    FormResize();
    if (m_firstActivation) {
        m_firstActivation = false;
        const QString fileName = m_startupFileName;
        if (!fileName.isEmpty()) {
            GeneralError::Run([this, &fileName] {
                ReadDataFile(fileName);
                DrawMap();
            });
        }
        UpdateMainWindowState();
        // Not busy while the recovery copies are offered.
        if (std::exchange(m_restoreStartupCursor, false))
            QApplication::restoreOverrideCursor();
        GeneralError::Run([this] { OfferRecovery(); });
    } else if (!QApplication::activeModalWidget()) {
        GeneralError::Run([this] { GuardAgainstOutsideChange(false); });
    }
}

void THoofdForm::ResetProject()
{
    m_session.Reset();
    const QString caption = UntitledCaption();
    setWindowTitle(caption);
    GeneralError::SetApplicationTitle(caption);
    m_host.SetAddPickMode(false);
    m_host.SetDeletePickMode(false);
}

void THoofdForm::ProjectChanged(ProjectChanges changes)
{
    // Each project keeps its zoom for the program run.
    if (changes & ProjectChange::Whole)
        m_navigator->ProjectOpened(m_document.CurrentFileName);
    else if (changes & ProjectChange::State)
        m_navigator->ProjectRenamed(m_document.CurrentFileName);
    if (changes & ProjectChange::State)
        UpdateMainWindowState();
    if (changes & ProjectChange::Map)
        DrawMap();
}

void THoofdForm::UpdateMainWindowState()
{
    Opslaan1->setEnabled(m_document.Modified);
    SpeedButton6->setEnabled(m_document.Modified);
    Label1->setText(AnsiCodec::toUnicode(m_document.Organisation));
    FormResize();
}

void THoofdForm::SetFileCaption(const QString &fileName)
{
    setWindowTitle(ProgramTexts::AppTitle() + QStringLiteral(" - ") + QFileInfo(fileName).fileName()
                   + (m_session.ReadOnly() ? QStringLiteral(" (alleen-lezen)") : QString()));
}

void THoofdForm::ReadDataFile(const QString &fileName)
{
    bool readOnly = false;
    if (const auto holder = ProjectLock::OtherHolder(fileName)) {
        const ProjectInUse::Answer answer = ProjectInUse::AskOpen(fileName, *holder);
        if (answer == ProjectInUse::Answer::Cancel)
            return;
        readOnly = answer == ProjectInUse::Answer::ReadOnly;
    }
    DataFile::ReadResult result;
    {
        BusyCursor busy;
        result = m_session.Load(fileName, readOnly);
    }
    if (result == DataFile::ReadResult::Ok) {
        SetFileCaption(fileName);
        RecentProjects::Add(fileName);
        return;
    }
    QString text = QStringLiteral("Kan bestand \"") + fileName + QStringLiteral("\" niet openen.");
    // The project stays untitled, so a later save asks for a name instead
    // of writing over that file.
    if (result == DataFile::ReadResult::NotAProject)
        text += QStringLiteral("\r\n\r\nHet is geen Tolvek-projectbestand: er staat geen [Algemene gegevens], "
                               "[Fotopositie], [Fotonaam] of [Foto-aantekeningen] in.");
    else if (const QString why = InputFile::Problem(InputFile::KindOf(fileName)); !why.isEmpty())
        text += QStringLiteral("\r\n\r\n") + why.left(1).toUpper() + why.mid(1) + QLatin1Char('.');
    MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(), text);
}

bool THoofdForm::WriteDataFile(const QString &fileName)
{
    bool ok;
    QString reason;
    {
        BusyCursor busy;
        ok = m_session.Save(fileName, &reason) == DataFile::WriteResult::Ok;
    }
    if (!ok) {
        MessageDialogs::ShowWarningMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Databestand is niet opgeslagen omdat niet naar de schijf kon worden geschreven !")
                + QStringLiteral("\r\n\r\n") + QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + reason);
        return false;
    }
    RecentProjects::Add(fileName);
    return true;
}

void THoofdForm::DrawMap()
{
    m_map->DrawMap();
}

const PhotoIndex *THoofdForm::ClickIndex() const
{
    return &m_map->ClickIndex();
}

void THoofdForm::UpdateMapPointer()
{
    if (OverzichtsImage)
        OverzichtsImage->ShowPickPointer(m_host.AddPickMode() || m_host.DeletePickMode());
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

// ---- File commands ---------------------------------------------------------

bool THoofdForm::CloseProject()
{
    // Notes edited in open photo windows belong to this project: bring them in
    // (through each window's own close) before asking whether to save it.
    if (!TFotoForm::CloseAll())
        return false;
    bool closable = true;
    if (m_document.Modified) {
        const int answer = MessageDialogs::AskYesNoCancel(ProgramTexts::AppTitle(), QStringLiteral("Bestand opslaan?"),
                                                          QStringLiteral("Bestand \"") + m_document.CurrentFileName
                                                              + QStringLiteral("\" is gewijzigd."),
                                                          QStringLiteral("&Opslaan"), QStringLiteral("&Niet opslaan"),
                                                          QStringLiteral("&Annuleren"), MessageDialogs::Yes);
        if (answer == MessageDialogs::ResultYes) {
            Opslaan1Click();
            closable = !m_document.Modified;
        } else {
            closable = answer == MessageDialogs::ResultNo;
        }
    }
    if (!closable)
        return false;
    ResetProject();
    UpdateMainWindowState();
    DrawMap();
    return true;
}

void THoofdForm::Nieuw1Click()
{
    CloseProject();
}

void THoofdForm::Openen1Click()
{
    if (CloseProject()) {
        UserInteraction::FileRequest request;
        request.kind = UserInteraction::FileDialogKind::Open;
        request.parent = this;
        request.title = QStringLiteral("Openen");
        request.filter = kDataFilter;
        request.folderKind = QStringLiteral("Projecten");
        if (const auto name = UserInteraction::AskFile(request))
            ReadDataFile(*name);
    }
    DrawMap();
}

void THoofdForm::Opslaan1Click()
{
    // A project opened read-only is saved under a new name.
    if (m_document.CurrentFileName != ProjectDocument::UntitledFileName() && !m_session.ReadOnly())
        GuardAgainstOutsideChange(true);
    else
        Opslaanals1Click();
}

void THoofdForm::GuardAgainstOutsideChange(bool saving)
{
    const OutsideChangeGuard::Action action =
        saving ? m_outsideChanges->BeforeSave() : m_outsideChanges->OnActivation();
    if (action == OutsideChangeGuard::Action::Save && m_session.ReadOnly())
        Opslaanals1Click();
    else if (action == OutsideChangeGuard::Action::Save)
        WriteDataFile(m_document.CurrentFileName);
    else if (action == OutsideChangeGuard::Action::Reload)
        ReloadProject();
}

void THoofdForm::ReloadProject()
{
    const QString fileName = m_document.CurrentFileName;
    ResetProject();
    ReadDataFile(fileName);
    UpdateMainWindowState();
    DrawMap();
}

void THoofdForm::OfferRecovery()
{
    if (auto copy = RecoveryOffer::Run())
        RestoreRecoveryCopy(std::move(*copy));
}

void THoofdForm::RestoreRecoveryCopy(RecoveryCopy &&copy)
{
    // Left for a later start when the project open now is kept.
    if (!CloseProject())
        return;
    // Still open in another program: read-only, as opening it would be.
    const bool readOnly = !copy.IsUntitled() && ProjectLock::OtherHolder(copy.ProjectFileName());
    {
        BusyCursor busy;
        if (m_session.Recover(copy.CopyFileName(), copy.ProjectFileName(), copy.DiskStamp(), readOnly)
            == DataFile::ReadResult::CannotOpen) {
            MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                             QStringLiteral("Kan bestand \"") + copy.CopyFileName()
                                                 + QStringLiteral("\" niet openen."));
            return;
        }
        m_recovery->Adopt(std::move(copy));
    }
    if (m_document.IsUntitled())
        setWindowTitle(UntitledCaption());
    else
        SetFileCaption(m_document.CurrentFileName);
    DrawMap();
}

void THoofdForm::Opslaanals1Click()
{
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = this;
    request.title = QStringLiteral("Opslaan als");
    request.filter = kDataFilter;
    request.folderKind = QStringLiteral("Projecten");
    const auto chosen = UserInteraction::AskFile(request);
    if (!chosen)
        return;
    QString name = *chosen;
    const QString base = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : base.mid(dot);
    if (extension != QLatin1String(".tvk"))
        name += QStringLiteral(".tvk");
    if (const auto holder = ProjectLock::OtherHolder(name)) {
        ProjectInUse::WarnSaveAs(name, *holder);
        return;
    }
    if (QFileInfo::exists(name) && !MessageDialogs::ConfirmOverwrite(name))
        return;
    if (!WriteDataFile(name))
        return;
    SetFileCaption(name);
}

void THoofdForm::OpenRecentProject(const QString &fileName)
{
    // A project that has gone since the menu was shown: said before the open
    // project is closed for it.
    if (!QFileInfo(fileName).isFile()) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), QString(),
                                         QStringLiteral("Kan bestand \"") + fileName
                                             + QStringLiteral("\" niet openen."));
        return;
    }
    if (CloseProject())
        ReadDataFile(fileName);
    DrawMap();
}

bool THoofdForm::RestoreWindowLayout()
{
    // Restored, the window keeps its place; else it is centred at its first showing.
    if (WindowLayout::Restore(*this, objectName()))
        m_centred = true;
    return m_centred;
}

void THoofdForm::Afsluiten1Click()
{
    close();
}

void THoofdForm::closeEvent(QCloseEvent *event)
{
    bool closed = false;
    GeneralError::Run([this, &closed] { closed = CloseProject(); });
    if (closed) {
        WindowLayout::Save(*this, objectName());
        event->accept();
    } else {
        event->ignore();
    }
}

void THoofdForm::OpenDroppedProject(const QString &fileName)
{
    if (CloseProject())
        ReadDataFile(fileName);
    DrawMap();
}

// ---- Commands whose windows are added with their features ------------------

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

void THoofdForm::Projectgegevens1Click()
{
    CreateOtherWindows();
    ProjectGegForm->Execute();
}

void THoofdForm::OverzichtskaartEigenschappen1Click()
{
    CreateOtherWindows();
    // The dialog's OK has the map drawn again.
    KaartForm->Execute();
    UpdateMainWindowState();
}

void THoofdForm::Eigenschappenkaart1Click()
{
    const QSize size = MapPictureSize();
    MessageDialogs::ShowInfoMessage(
        ProgramTexts::AppTitle(), QString(),
        QStringLiteral("Breedte: %1 pixels\rHoogte: %2 pixels").arg(size.width()).arg(size.height()),
        QStringLiteral("&OK"));
}

void THoofdForm::Eigenschappenallefotoswijzigen1Click()
{
    CreateOtherWindows();
    AlleFotoEigenschappenForm->Execute();
}

void THoofdForm::FotosImporteren1Click()
{
    m_photoList->ImportFiles();
}

void THoofdForm::MapImporteren1Click()
{
    m_photoList->ImportFolder();
}

void THoofdForm::OntbrekendeFotos1Click()
{
    m_photoList->FindMissing();
}

void THoofdForm::FotoFilter1Click()
{
    m_photoList->FocusFilter();
}

void THoofdForm::Exporteren1Click()
{
    m_map->Export();
}

void THoofdForm::ExporterenWebpagina1Click()
{
    WebExportCommand::Run(m_host, m_map->Cache(), m_map->LabelsShown());
}

void THoofdForm::Fotorapport1Click()
{
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

void THoofdForm::Kopiren1Click()
{
    m_map->Copy();
}

void THoofdForm::ExporterenAfbeelding1Click()
{
    MapOutputCommands::ExportImage(m_host, m_map->Metafile(), m_calibration->OutputMarks());
}

void THoofdForm::Afdrukken1Click()
{
    MapOutputCommands::Print(m_host, m_map->Metafile(), m_calibration->OutputMarks());
}

void THoofdForm::Afdrukvoorbeeld1Click()
{
    MapOutputCommands::Preview(m_host, m_map->Metafile(), m_calibration->OutputMarks());
}

void THoofdForm::OverzichtsImageMouseUp(Qt::MouseButton, Qt::KeyboardModifiers, const QPoint &, const QPoint &viewPixel)
{
    CreateOtherWindows();
    MapClickHandler::Handle(m_host, *FotoToevoegenForm, *FotoVerwijderenForm, OverzichtsImage->Zoom(), viewPixel,
                            ClickIndex());
    UpdateMapPointer();
}

void THoofdForm::Fotonummerstonen1Click()
{
    m_map->ToggleLabels();
}

void THoofdForm::Toevoegen1Click()
{
    CreateOtherWindows();
    FotoToevoegenForm->Toevoegen1Click();
}

void THoofdForm::Verwijderen1Click()
{
    CreateOtherWindows();
    FotoVerwijderenForm->Verwijderen1Click();
}
void THoofdForm::Fotosluiten1Click()
{
    // Closes the active photo window; nothing when the main window is active.
    for (TFotoForm *w : TFotoForm::OpenWindows())
        if (w->isActiveWindow()) {
            w->close();
            return;
        }
}

void THoofdForm::Inhoud1Click()
{
    ShowHelp(HelpContexts::Contents);
}

void THoofdForm::FotoCDRom1Click()
{
    ShowHelp(HelpContexts::PhotoCd);
}

void THoofdForm::Configuratiegegevens1Click()
{
    CreateOtherWindows();
    const auto v = m_versionInfo->GetVersionNumber();
    ConfigGegevensForm->ShowConfigurationReport(ProgramTexts::AppTitle(), v.Major, v.Minor, v.Release, v.Build,
                                                m_versionInfo->StringValueByIndex(10),
                                                ProcessFolders::LogMarkerPresent(), ProcessFolders::TempFolder());
}

void THoofdForm::LeesMijtxt1Click()
{
    SupportCommands::OpenReadMe(this, m_session, ProcessFolders::DataFolder());
}

void THoofdForm::Brimolopinternet1Click()
{
    CreateOtherWindows();
    UserInteraction::ExecModal(OpInternetForm);
}

void THoofdForm::Info1Click()
{
    ShowInfoScreen(true);
    EnterProjectFolder();
}

void THoofdForm::Label1Click()
{
    Info1Click();
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
