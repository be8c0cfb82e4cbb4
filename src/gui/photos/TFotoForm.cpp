#include "gui/photos/TFotoForm.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/photos/ExifReader.h"
#include "core/photos/PhotoFit.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/StoreNotesEdit.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/ThemeIcons.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Every photo window now open, oldest first.
QList<QPointer<TFotoForm>> &openWindows()
{
    static QList<QPointer<TFotoForm>> windows;
    return windows;
}

// The window manager's frame around a photo window, as last measured. A
// window just shown has no frame yet under X11 (the window manager adds it
// a moment later), so the remembered outer size is turned into a client
// size with the frame seen on earlier windows.
QSize &lastFrame()
{
    static QSize frame(0, 0);
    return frame;
}

QSize measuredFrame(const QWidget *w)
{
    const QSize outer = w->frameGeometry().size();
    QSize frame(std::max(0, outer.width() - w->width()), std::max(0, outer.height() - w->height()));
    if (!frame.isEmpty())
        lastFrame() = frame;
    return frame;
}

constexpr int kButtonSize = 25;
constexpr int kToolStripHeight = 30;
constexpr int kStatusBarHeight = 19;

QToolButton *toolButton(QWidget *parent, const char *name, const QString &hint, int x, const QIcon &icon)
{
    QToolButton *b = DialogParts::MakeToolButton(
        parent, name, hint, icon, QRect(x, (kToolStripHeight - kButtonSize) / 2, kButtonSize, kButtonSize));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

} // namespace

TFotoForm::TFotoForm(ProjectHost &host, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::CustomizeWindowHint),
      m_host(host)
{
    setObjectName(QStringLiteral("FotoForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Foto"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FotoBovenPanel = new QFrame(this);
    FotoBovenPanel->setObjectName(QStringLiteral("FotoBovenPanel"));
    FotoBovenPanel->setFixedHeight(kToolStripHeight);
    FotoBovenPanel->setFrameShape(QFrame::NoFrame);
    auto *topLayout = new QVBoxLayout(FotoBovenPanel);
    topLayout->setContentsMargins(0, 0, 0, 0);
    CoolBar1 = new QWidget(FotoBovenPanel);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    topLayout->addWidget(CoolBar1);

    FotoSpeedButton = toolButton(CoolBar1, "FotoSpeedButton", QStringLiteral("Foto"), 5,
                                 ThemeIcons::Get("image-x-generic", QStyle::SP_FileDialogContentsView));
    GegevensSpeedButton = toolButton(CoolBar1, "GegevensSpeedButton", QStringLiteral("Aantekeningen"), 30,
                                     ThemeIcons::Get("accessories-text-editor", QStyle::SP_FileDialogDetailedView));
    FotoSpeedButton->setCheckable(true);
    GegevensSpeedButton->setCheckable(true);
    m_viewGroup = new QButtonGroup(this);
    m_viewGroup->setExclusive(true); // one of the two views is always selected
    m_viewGroup->addButton(FotoSpeedButton);
    m_viewGroup->addButton(GegevensSpeedButton);
    FotoSpeedButton->setChecked(true);

    Bevel3 = new QFrame(CoolBar1);
    Bevel3->setObjectName(QStringLiteral("Bevel3"));
    Bevel3->setFrameShape(QFrame::VLine);
    Bevel3->setFrameShadow(QFrame::Sunken);
    Bevel3->setGeometry(57, (kToolStripHeight - kButtonSize) / 2, 2, kButtonSize);

    WareGrootteSpeedButton = toolButton(CoolBar1, "WareGrootteSpeedButton", QStringLiteral("Foto op ware grootte"), 65,
                                        ThemeIcons::Get("zoom-original", QStyle::SP_TitleBarMaxButton));
    WareGrootteSpeedButton->setCheckable(true);
    FotoKopierenSpeedButton =
        toolButton(CoolBar1, "FotoKopierenSpeedButton", QStringLiteral("Foto kopiëren naar Windows Klembord"), 90,
                   ThemeIcons::Get("edit-copy", QStyle::SP_DialogSaveButton));
    BekijkenSpeedButton = toolButton(CoolBar1, "BekijkenSpeedButton", QStringLiteral("Foto groot bekijken (Enter)"),
                                     115, ThemeIcons::Get("view-fullscreen", QStyle::SP_TitleBarMaxButton));
    SluitenSpeedButton = toolButton(CoolBar1, "SluitenSpeedButton", QStringLiteral("Sluiten (Esc)"), 0,
                                    ThemeIcons::Get("window-close", QStyle::SP_TitleBarCloseButton));
    layout->addWidget(FotoBovenPanel);

    FotoPanel = new QFrame(this);
    FotoPanel->setObjectName(QStringLiteral("FotoPanel"));
    FotoPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    FotoPanel->setLineWidth(1);
    auto *photoLayout = new QVBoxLayout(FotoPanel);
    photoLayout->setContentsMargins(0, 0, 0, 0);
    FotoScrollBox = new QScrollArea(FotoPanel);
    FotoScrollBox->setObjectName(QStringLiteral("FotoScrollBox"));
    FotoScrollBox->setFrameShape(QFrame::NoFrame);
    FotoScrollBox->setWidgetResizable(false);
    FotoScrollBox->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FotoImage = new QLabel;
    FotoImage->setObjectName(QStringLiteral("FotoImage"));
    FotoImage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FotoImage->resize(0, 0);
    FotoScrollBox->setWidget(FotoImage);
    photoLayout->addWidget(FotoScrollBox);
    layout->addWidget(FotoPanel, 1);

    GegevensPanel = new QFrame(this);
    GegevensPanel->setObjectName(QStringLiteral("GegevensPanel"));
    GegevensPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    GegevensPanel->setLineWidth(1);
    auto *notesLayout = new QVBoxLayout(GegevensPanel);
    notesLayout->setContentsMargins(1, 1, 1, 1);
    notesLayout->setSpacing(0);
    Panel1 = new QLabel(QStringLiteral("Aantekeningen"), GegevensPanel);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(20);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    notesLayout->addWidget(Panel1);
    AantekeningenMemo = new QPlainTextEdit(GegevensPanel);
    AantekeningenMemo->setObjectName(QStringLiteral("AantekeningenMemo"));
    AantekeningenMemo->setFrameShape(QFrame::NoFrame);
    AantekeningenMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    AantekeningenMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AantekeningenMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont(QStringLiteral("Arial"));
    memoFont.setPixelSize(12);
    AantekeningenMemo->setFont(memoFont);
    notesLayout->addWidget(AantekeningenMemo);
    layout->addWidget(GegevensPanel, 1);
    GegevensPanel->hide();

    // A row of its own: beside the file name and time it would not fit the
    // window's width. Selectable, to paste into a map site.
    PlaatsPanel = new QLabel(this);
    PlaatsPanel->setObjectName(QStringLiteral("PlaatsPanel"));
    PlaatsPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PlaatsPanel->setFixedHeight(kStatusBarHeight);
    PlaatsPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    PlaatsPanel->hide();
    layout->addWidget(PlaatsPanel);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(kStatusBarHeight);
    StatusPanel = new QLabel(StatusBar1);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusBar1->addWidget(StatusPanel, 1);
    TijdPanel = new QLabel(StatusBar1);
    TijdPanel->setObjectName(QStringLiteral("TijdPanel"));
    StatusBar1->addPermanentWidget(TijdPanel);
    layout->addWidget(StatusBar1);

    FotoTimer1 = new QTimer(this);
    FotoTimer1->setObjectName(QStringLiteral("FotoTimer1"));
    FotoTimer1->setSingleShot(true);
    FotoTimer1->setInterval(100);

    using GeneralError::ConnectCommand;
    ConnectCommand(FotoSpeedButton, &QToolButton::clicked, this, &TFotoForm::FotoSpeedButtonClick);
    ConnectCommand(GegevensSpeedButton, &QToolButton::clicked, this, &TFotoForm::GegevensSpeedButtonClick);
    ConnectCommand(WareGrootteSpeedButton, &QToolButton::clicked, this, &TFotoForm::WareGrootteSpeedButtonClick);
    ConnectCommand(FotoKopierenSpeedButton, &QToolButton::clicked, this, &TFotoForm::FotoKopierenSpeedButtonClick);
    connect(SluitenSpeedButton, &QToolButton::clicked, this, &TFotoForm::SluitenSpeedButtonClick);
    ConnectCommand(BekijkenSpeedButton, &QToolButton::clicked, this, &TFotoForm::OpenViewer);
    FotoScrollBox->viewport()->installEventFilter(this);
    ConnectCommand(FotoTimer1, &QTimer::timeout, this, &TFotoForm::FotoTimer1Timer);
    connect(AantekeningenMemo, &QPlainTextEdit::textChanged, this, &TFotoForm::AantekeningenMemoChange);

    // The designed client area.
    resize(384, 366);
    openWindows().append(this);
}

TFotoForm::~TFotoForm()
{
    openWindows().removeAll(QPointer<TFotoForm>(this));
    openWindows().removeAll(QPointer<TFotoForm>());
}

QList<TFotoForm *> TFotoForm::OpenWindows()
{
    QList<TFotoForm *> out;
    for (const QPointer<TFotoForm> &w : openWindows())
        if (w)
            out << w.data();
    return out;
}

bool TFotoForm::CloseAll()
{
    bool all = true;
    for (TFotoForm *w : OpenWindows()) {
        if (!w->close())
            all = false;
    }
    if (TFotoKijkerForm *viewer = TFotoKijkerForm::Current())
        if (!viewer->close())
            all = false;
    return all;
}

void TFotoForm::CloseActive()
{
    for (TFotoForm *w : OpenWindows())
        if (w->isActiveWindow()) {
            w->close();
            return;
        }
}

TFotoForm *TFotoForm::OpenPhotoWindow(ProjectHost &host, std::int32_t photoNumber, const QByteArray &fileName,
                                      const QByteArray &notes)
{
    QString problem;
    TFotoForm *form = nullptr;
    {
        BusyCursor busy;
        // Nothing opens for these; the status bar says why, so that the
        // click is not met with silence.
        if (PhotoEntry::IsNoName(fileName)) {
            host.ShowStatus(
                QStringLiteral("Bij deze foto hoort geen bestand (%1).").arg(QLatin1String(PhotoEntry::NoName)));
            return nullptr;
        }
        // A name without a folder is looked up in the current folder, which
        // the map click has just made the project's.
        const QString path = PathResolver::Resolve(fileName);
        const InputFile::Kind kind = InputFile::KindOf(path);
        if (kind == InputFile::Kind::Missing) {
            host.ShowStatus(QStringLiteral("Foto niet gevonden: %1 (%2)")
                                .arg(AnsiCodec::toUnicode(fileName), QDir::toNativeSeparators(path)));
            return nullptr;
        }
        if (kind != InputFile::Kind::File) {
            host.ShowStatus(
                QStringLiteral("Foto %1 kan niet worden geopend: %2 (%3)")
                    .arg(AnsiCodec::toUnicode(fileName), InputFile::Problem(kind), QDir::toNativeSeparators(path)));
            return nullptr;
        }
        host.ShowStatus(QString());

        form = new TFotoForm(host, host.MainWindow());
        const PhotoWindowPlacement &place = host.PhotoPlacement();
        form->move(place.left, place.top);
        form->show();
        form->raise();
        form->activateWindow();
        QSize frame = measuredFrame(form);
        if (frame.isEmpty())
            frame = lastFrame();
        QSize client = form->size();
        if (place.width != 0)
            client.setWidth(std::max(1, place.width - frame.width()));
        if (place.height != 0)
            client.setHeight(std::max(1, place.height - frame.height()));
        if (client != form->size())
            form->resize(client);
        if (place.actualSize)
            form->WareGrootteSpeedButton->setChecked(true);
        form->StatusPanel->setText(AnsiCodec::toUnicode(fileName));
        form->PhotoNumber = photoNumber;
        form->m_photoWasInProject = PhotoLookup::FindByKeySkippingBad(host.Document().PositionList, photoNumber) >= 0;
        form->FotoSpeedButtonClick();
        form->TijdPanel->clear();
        try {
            // The place row first, so that the photo is fitted to what is left.
            const CameraRecord camera = ExifReader::Read(path);
            form->TijdPanel->setText(camera.HasTime() ? QStringLiteral("Genomen: ") + camera.TimeText() : QString());
            form->PlaatsPanel->setText(camera.PlaceText());
            form->PlaatsPanel->setVisible(camera.HasPosition());
            form->layout()->activate();
            form->LoadPicture(path);
            form->SetNotes(notes);
        } catch (const TolvekError &e) {
            // The window stays open, empty, with empty notes that count as
            // unedited, so closing it changes nothing.
            problem = e.message();
        }
    }
    if (!problem.isEmpty())
        GeneralError::Show(problem);
    return form;
}

void TFotoForm::LoadPicture(const QString &fileName)
{
    m_picture = PhotoPicture::Load(fileName);
    m_shown = Shown::Nothing;
    ApplyDisplayMode();
}

void TFotoForm::SetNotes(const QByteArray &notes)
{
    QString text = AnsiCodec::toUnicode(notes);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    AantekeningenMemo->setPlainText(text);
    NotesChanged = false;
}

QByteArray TFotoForm::NotesText() const
{
    QString text = AantekeningenMemo->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return AnsiCodec::fromUnicode(text);
}

void TFotoForm::FotoSpeedButtonClick()
{
    GegevensPanel->hide();
    FotoPanel->show();
    FotoSpeedButton->setChecked(true);
    WareGrootteSpeedButton->setEnabled(true);
    FotoKopierenSpeedButton->setEnabled(true);
}

void TFotoForm::GegevensSpeedButtonClick()
{
    FotoPanel->hide();
    GegevensPanel->show();
    GegevensSpeedButton->setChecked(true);
    WareGrootteSpeedButton->setEnabled(false);
    FotoKopierenSpeedButton->setEnabled(false);
}

void TFotoForm::WareGrootteSpeedButtonClick()
{
    try {
        ApplyDisplayMode();
    } catch (const TolvekError &) {
        // True size refused (too large): stay with the fitted photo.
        if (WareGrootteSpeedButton->isChecked()) {
            WareGrootteSpeedButton->setChecked(false);
            ApplyDisplayMode();
        }
        throw;
    }
}

void TFotoForm::ShowImage(const QImage &image)
{
    FotoImage->setPixmap(QPixmap::fromImage(image));
    FotoImage->resize(image.size());
}

void TFotoForm::ApplyDisplayMode()
{
    if (m_picture.IsNull())
        return;
    if (layout())
        layout()->activate();
    const QSize frame = measuredFrame(this);
    const QSize outer = size() + frame;

    if (WareGrootteSpeedButton->isChecked()) {
        FotoScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        FotoScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        if (m_shown != Shown::TrueSize) {
            ShowImage(m_picture.FullSize());
            m_shown = Shown::TrueSize;
        }
        return;
    }

    // A fitted photo never needs scroll bars; they would only shrink the area.
    FotoScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FotoScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    PhotoFit::Input in;
    in.picture = m_picture.Size();
    in.area = FotoScrollBox->size();
    in.frame = frame;
    in.outer = outer;
    in.buttonSize = FotoSpeedButton->height();
    in.toolStripHeight = FotoBovenPanel->height();
    in.statusBarHeight = StatusBar1->height();
    const PhotoFit::Result fit = PhotoFit::Compute(in);
    if (m_shown != Shown::Fitted || FotoImage->size() != fit.control) {
        ShowImage(fit.scaled ? m_picture.Scaled(fit.control) : m_picture.FullSize());
        m_shown = Shown::Fitted;
    }
    FotoScrollBox->horizontalScrollBar()->setValue(0);
    FotoScrollBox->verticalScrollBar()->setValue(0);
    if (fit.outer != outer)
        resize(fit.outer - frame);
}

void TFotoForm::FotoKopierenSpeedButtonClick()
{
    BusyCursor busy;
    if (m_picture.IsNull())
        throw TolvekError(QStringLiteral("Er is geen foto om te kopiëren."));
    if (m_picture.kind() == PhotoPicture::Kind::Icon)
        throw TolvekError(QStringLiteral("Een pictogram (\"%1\") kan niet naar het klembord worden gekopieerd.")
                              .arg(QFileInfo(m_picture.FileName()).fileName()));
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        throw TolvekError(QStringLiteral("Het klembord is niet beschikbaar; de foto is niet gekopieerd."));
    auto *data = new QMimeData;
    data->setImageData(m_picture.FullSize());
    if (!m_picture.MetafileBytes().isEmpty())
        data->setData(m_picture.MetafileMimeType(), m_picture.MetafileBytes());
    clipboard->setMimeData(data);
}

void TFotoForm::SluitenSpeedButtonClick()
{
    close();
}

void TFotoForm::FotoTimer1Timer()
{
    FotoTimer1->stop();
    ApplyDisplayMode();
}

void TFotoForm::AantekeningenMemoChange()
{
    NotesChanged = true;
}

void TFotoForm::FormResize()
{
    if (!FotoTimer1->isActive())
        FotoTimer1->start();
    SluitenSpeedButton->move(FotoBovenPanel->width() - PhotoFit::RoundHalfEven(1.3 * SluitenSpeedButton->width()),
                             SluitenSpeedButton->y());
    CoolBar1->update();
}

void TFotoForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (layout())
        layout()->activate();
    FormResize();
}

void TFotoForm::OpenViewer()
{
    // The viewer takes over: this window closes first, so that its notes
    // reach the project before the viewer shows them.
    const std::int32_t number = PhotoNumber;
    ProjectHost &host = m_host;
    if (!close())
        return;
    const qsizetype position = PhotoLookup::FindByKeySkippingBad(host.Document().PositionList, number);
    if (position >= 0)
        TFotoKijkerForm::Open(host, position);
}

bool TFotoForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FotoScrollBox->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        GeneralError::Run([this] { OpenViewer(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFotoForm::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && FotoPanel->isVisible()
        && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        GeneralError::Run([this] { OpenViewer(); });
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        if (FotoKopierenSpeedButton->isEnabled())
            FotoKopierenSpeedButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool TFotoForm::event(QEvent *event)
{
    // Ctrl+C here means this photo (or the selected notes, which the memo
    // takes first), not the main window's map.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

bool TFotoForm::FormClose()
{
    // The photo may have left the project while its window was open (deleted,
    // or its adding undone): its notes would stand in the file as the notes
    // of no photo, or of the next photo given its number. Said, not written.
    if (NotesChanged && m_photoWasInProject
        && PhotoLookup::FindByKeySkippingBad(m_host.Document().PositionList, PhotoNumber) < 0) {
        MessageDialogs::ShowWarningMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("Foto %1 staat niet meer in het project. De gewijzigde aantekeningen in dit venster "
                           "worden niet bewaard.")
                .arg(PhotoNumber));
        NotesChanged = false;
    }
    if (NotesChanged) {
        // Characters the data file cannot hold would be lost: the window
        // stays open so that the user can change them.
        if (!DialogParts::CheckStorable(AantekeningenMemo, AantekeningenMemo->toPlainText())) {
            GegevensSpeedButtonClick();
            return false;
        }
        // The data file refuses longer lines when it is read again, so notes
        // that long must not be written at all.
        if (!PhotoEntry::FitsLine(PhotoEntry::StoredKeyText(PhotoNumber), PhotoEntry::EncodeNotes(NotesText()))) {
            MessageDialogs::ShowWarningMessage(
                ProgramTexts::AppTitle(), QString(),
                QStringLiteral("De aantekeningen zijn te lang om in het projectbestand te bewaren "
                               "(ten hoogste %1 tekens). Maak ze korter en sluit het venster opnieuw.")
                    .arg(PhotoEntry::MaxNotesBytes));
            return false;
        }
    }
    PhotoWindowPlacement &place = m_host.PhotoPlacement();
    measuredFrame(this);
    const QRect outer = frameGeometry();
    place.top = outer.top();
    place.left = outer.left();
    place.width = outer.width();
    place.height = outer.height();
    place.actualSize = WareGrootteSpeedButton->isChecked();

    if (NotesChanged) {
        m_host.Session().Perform(std::make_unique<StoreNotesEdit>(PhotoNumber, NotesText()));
        NotesChanged = false;
    }
    FotoTimer1->stop();
    m_picture.Release();
    FotoImage->clear();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
}

void TFotoForm::closeEvent(QCloseEvent *event)
{
    bool closed = false;
    GeneralError::Run([&] { closed = FormClose(); });
    if (closed) {
        // Closed for good; the object itself goes at the next event loop pass.
        openWindows().removeAll(QPointer<TFotoForm>(this));
        event->accept();
    } else {
        event->ignore();
    }
}
