#include "gui/photos/TFotoKijkerForm.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/AppSettings.h"
#include "core/platform/PathResolver.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/project/StoreNotesEdit.h"
#include "gui/photos/PhotoViewArea.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/MessageDialogs.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QPointer<TFotoKijkerForm> &viewer()
{
    static QPointer<TFotoKijkerForm> current;
    return current;
}

constexpr const char *kGeometryKey = "Fotokijker/venster";

QPointer<PhotoMetadataCache> &sharedMetadata()
{
    static QPointer<PhotoMetadataCache> cache;
    return cache;
}

} // namespace

TFotoKijkerForm *TFotoKijkerForm::Current()
{
    return viewer().data();
}

void TFotoKijkerForm::SetMetadata(PhotoMetadataCache *metadata)
{
    sharedMetadata() = metadata;
}

TFotoKijkerForm *TFotoKijkerForm::Open(ProjectHost &host, qsizetype position)
{
    TFotoKijkerForm *form = viewer().data();
    if (!form) {
        form = new TFotoKijkerForm(host, host.MainWindow());
        viewer() = form;
        const auto settings = AppSettings::Open();
        if (!form->restoreGeometry(settings->value(QLatin1String(kGeometryKey)).toByteArray())) {
            const QRect screen = form->screen()->availableGeometry();
            form->resize(screen.size() * 4 / 5);
            form->move(screen.center() - form->rect().center());
        }
        form->show();
        form->LayOut();
    } else if (!form->CommitNotes()) {
        return form;
    }
    form->Show(position);
    form->raise();
    form->activateWindow();
    return form;
}

TFotoKijkerForm::TFotoKijkerForm(ProjectHost &host, QWidget *parent) : QWidget(parent, Qt::Window), m_host(host)
{
    setObjectName(QStringLiteral("FotoKijkerForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Fotokijker"));
    setMinimumSize(360, 280);

    KopLabel = new QLabel(this);
    KopLabel->setObjectName(QStringLiteral("KopLabel"));
    QFont bold = KopLabel->font();
    bold.setBold(true);
    KopLabel->setFont(bold);
    KopLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Time and direction of the photo, where its camera recorded them.
    TijdRichtingLabel = new QLabel(this);
    TijdRichtingLabel->setObjectName(QStringLiteral("TijdRichtingLabel"));
    TijdRichtingLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TijdRichtingLabel->hide();
    m_metadata = sharedMetadata() ? sharedMetadata().data() : new PhotoMetadataCache(this);
    connect(m_metadata.data(), &PhotoMetadataCache::Ready, this, [this](const QString &name, const QString &folder) {
        if (name == m_recordName && folder == m_recordFolder)
            ShowCameraRecord(false);
    });
    PlaatsLabel = new QLabel(this);
    PlaatsLabel->setObjectName(QStringLiteral("PlaatsLabel"));
    auto *head = new QHBoxLayout;
    head->addWidget(KopLabel, 1);
    head->addWidget(TijdRichtingLabel);
    head->addSpacing(12);
    head->addWidget(PlaatsLabel);

    FotoVlak = new PhotoViewArea(this);
    auto *notes = new QWidget(this);
    auto *notesLayout = new QVBoxLayout(notes);
    notesLayout->setContentsMargins(0, 0, 0, 0);
    auto *notesHead = new QLabel(QStringLiteral("&Aantekeningen"), notes);
    AantekeningenMemo = new QPlainTextEdit(notes);
    AantekeningenMemo->setObjectName(QStringLiteral("AantekeningenMemo"));
    AantekeningenMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    AantekeningenMemo->installEventFilter(this);
    notesHead->setBuddy(AantekeningenMemo);
    notesLayout->addWidget(notesHead);
    notesLayout->addWidget(AantekeningenMemo);
    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("Splitter"));
    Splitter->addWidget(FotoVlak);
    Splitter->addWidget(notes);
    Splitter->setStretchFactor(0, 3);
    Splitter->setStretchFactor(1, 1);
    Splitter->setChildrenCollapsible(false);

    auto button = [this](const char *name, const QString &text, const QString &tip, auto slot) {
        auto *b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setToolTip(tip);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, slot);
        return b;
    };
    VorigeButton = button("VorigeButton", QStringLiteral("&Vorige"), QStringLiteral("Vorige foto (Page Up)"),
                          [this] { GeneralError::Run([this] { Step(-1); }); });
    VolgendeButton = button("VolgendeButton", QStringLiteral("V&olgende"), QStringLiteral("Volgende foto (Page Down)"),
                            [this] { GeneralError::Run([this] { Step(1); }); });
    PassendButton = button("PassendButton", QStringLiteral("&Passend"), QStringLiteral("Passend in venster (Ctrl+9)"),
                           [this] { FotoVlak->Fit(); });
    WareGrootteButton = button("WareGrootteButton", QStringLiteral("&Ware grootte"),
                               QStringLiteral("Ware grootte (Ctrl+0)"), [this] { FotoVlak->ActualSize(); });
    auto *in = button("InzoomenButton", QStringLiteral("&Inzoomen"), QStringLiteral("Inzoomen (+)"),
                      [this] { FotoVlak->ZoomIn(); });
    auto *out = button("UitzoomenButton", QStringLiteral("&Uitzoomen"), QStringLiteral("Uitzoomen (-)"),
                       [this] { FotoVlak->ZoomOut(); });
    VolledigSchermButton = button("VolledigSchermButton", QStringLiteral("Vo&lledig scherm"),
                                  QStringLiteral("Volledig scherm (F11)"), [this] { ToggleFullScreen(); });
    auto *close =
        button("SluitenButton", QStringLiteral("&Sluiten"), QStringLiteral("Sluiten (Esc)"), [this] { this->close(); });
    auto *buttons = new QHBoxLayout;
    for (QToolButton *b : {VorigeButton, VolgendeButton})
        buttons->addWidget(b);
    buttons->addSpacing(16);
    for (QToolButton *b : {PassendButton, WareGrootteButton, in, out})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(VolledigSchermButton);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(head);
    layout->addWidget(Splitter, 1);
    layout->addLayout(buttons);

    connect(AantekeningenMemo, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_filling)
            m_notesChanged = true;
    });
    connect(FotoVlak, &PhotoViewArea::DoubleClicked, this, [this] {
        if (FotoVlak->IsFitted())
            FotoVlak->ActualSize();
        else
            FotoVlak->Fit();
    });
    connect(&m_host.Session(), &ProjectSession::Changed, this,
            [this](ProjectChanges changes) { ProjectChanged(changes.testFlag(ProjectChange::Whole)); });
}

TFotoKijkerForm::~TFotoKijkerForm()
{
    for (Ahead &a : m_ahead)
        a.future.waitForFinished();
}

QString TFotoKijkerForm::PathOf(qsizetype position, QByteArray *storedName) const
{
    const ProjectDocument &doc = m_host.Document();
    std::int32_t key = 0;
    if (position < 0 || position >= doc.PositionList.size()
        || !PhotoEntry::TryInt(PhotoEntry::KeyView(doc.PositionList[position]), key))
        return QString();
    const qsizetype nameIndex = PhotoLookup::FindByKeySkippingBad(doc.NameList, key);
    if (nameIndex < 0)
        return QString();
    const QByteArray name = PhotoEntry::ValueView(doc.NameList[nameIndex]).toByteArray();
    if (storedName)
        *storedName = name;
    if (PhotoEntry::IsNoName(name))
        return QString();
    return PathResolver::Resolve(name, doc.ProjectFolder());
}

TFotoKijkerForm::Decoded TFotoKijkerForm::Decode(const QString &path, QSize area)
{
    Decoded d;
    try {
        auto picture = std::make_shared<PhotoPicture>(PhotoPicture::Load(path));
        d.fitted = picture->Scaled(PhotoViewArea::FittedSize(picture->Size(), area));
        d.picture = std::move(picture);
    } catch (const TolvekError &e) {
        d.problem = e.message();
    }
    return d;
}

void TFotoKijkerForm::Show(qsizetype position)
{
    BusyCursor busy;
    const ProjectDocument &doc = m_host.Document();
    m_position = position;
    m_key = 0;
    if (position >= 0 && position < doc.PositionList.size())
        PhotoEntry::TryInt(PhotoEntry::KeyView(doc.PositionList[position]), m_key);
    QByteArray stored;
    const QString path = PathOf(position, &stored);
    const QString shownName = AnsiCodec::toUnicode(stored);
    KopLabel->setText(QStringLiteral("Foto %1 \u2013 %2").arg(m_key).arg(shownName));
    setWindowTitle(QStringLiteral("Fotokijker - %1").arg(QFileInfo(shownName).fileName()));
    const QList<qsizetype> order = m_host.PhotoOrder();
    const qsizetype at = order.indexOf(position);
    PlaatsLabel->setText(at >= 0 ? QStringLiteral("%1 van %2").arg(at + 1).arg(order.size()) : QString());
    VorigeButton->setEnabled(at != 0 && !order.isEmpty());
    VolgendeButton->setEnabled(at < order.size() - 1);

    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        FotoVlak->ShowText(stored.isEmpty() || PhotoEntry::IsNoName(stored)
                               ? QStringLiteral("Bij deze foto hoort geen bestand.")
                               : QStringLiteral("Fotobestand niet gevonden: %1").arg(QDir::toNativeSeparators(path)));
    } else {
        const QSize area = FotoVlak->size();
        Decoded d;
        bool found = false;
        for (Ahead &a : m_ahead)
            if (a.path == path && a.area == area) {
                d = a.future.result();
                found = true;
                break;
            }
        if (!found)
            d = Decode(path, area);
        if (d.picture)
            FotoVlak->SetPicture(d.picture, d.fitted);
        else
            FotoVlak->ShowText(d.problem);
    }

    const QString folder = doc.ProjectFolder();
    m_recordName = PhotoEntry::IsNoName(stored) ? QString() : AnsiCodec::toUnicode(stored);
    m_recordFolder = folder.isEmpty() ? QDir::currentPath() : folder;
    ShowCameraRecord(true);

    m_filling = true;
    QString text = AnsiCodec::toUnicode(PhotoLookup::NotesFor(doc.NotesList, m_key));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    AantekeningenMemo->setPlainText(text);
    m_filling = false;
    m_notesChanged = false;
    DecodeAhead();
}

void TFotoKijkerForm::ShowCameraRecord(bool request)
{
    QStringList parts;
    if (!m_recordName.isEmpty() && m_metadata) {
        const PhotoMetadataCache::Metadata md = request ? m_metadata->Request(m_recordName, m_recordFolder)
                                                        : m_metadata->Known(m_recordName, m_recordFolder);
        const CameraRecord &record = md.record;
        if (record.HasTime())
            parts << QStringLiteral("Genomen: ") + record.TimeText();
        if (record.HasDirection())
            parts << QStringLiteral("Richting camera: %1\u00b0%2")
                         .arg(qRound(*record.direction) % 360)
                         .arg(record.directionRef == 'M' ? QStringLiteral(" magnetisch") : QString());
    }
    TijdRichtingLabel->setText(parts.join(QStringLiteral("   ")));
    TijdRichtingLabel->setVisible(!parts.isEmpty());
}

void TFotoKijkerForm::DecodeAhead()
{
    const QList<qsizetype> order = m_host.PhotoOrder();
    const qsizetype at = order.indexOf(m_position);
    const QSize area = FotoVlak->size();
    QList<Ahead> kept;
    for (const qsizetype neighbour : {at + 1, at - 1}) {
        if (at < 0 || neighbour < 0 || neighbour >= order.size())
            continue;
        const QString path = PathOf(order[neighbour]);
        if (path.isEmpty())
            continue;
        bool have = false;
        for (Ahead &a : m_ahead)
            if (a.path == path && a.area == area) {
                kept.append(a);
                have = true;
                break;
            }
        if (!have)
            kept.append(Ahead{path, area, QtConcurrent::run(&TFotoKijkerForm::Decode, path, area)});
    }
    // Those no longer next door finish on their own; nobody waits for them.
    m_ahead = kept;
}

bool TFotoKijkerForm::CommitNotes()
{
    if (!m_notesChanged)
        return true;
    if (!DialogParts::CheckStorable(AantekeningenMemo, AantekeningenMemo->toPlainText()))
        return false;
    QString text = AantekeningenMemo->toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const QByteArray notes = AnsiCodec::fromUnicode(text);
    if (notes.size() + 16 > DataFile::MaxLineBytes) {
        MessageDialogs::ShowWarningMessage(
            ProgramTexts::AppTitle(), QString(),
            QStringLiteral("De aantekeningen zijn te lang om in het projectbestand te bewaren (ten hoogste %1 tekens). "
                           "Maak ze korter.")
                .arg(DataFile::MaxLineBytes - 16));
        return false;
    }
    m_notesChanged = false;
    m_host.Session().Perform(std::make_unique<StoreNotesEdit>(m_key, notes));
    return true;
}

bool TFotoKijkerForm::Step(int delta)
{
    const QList<qsizetype> order = m_host.PhotoOrder();
    if (order.isEmpty())
        return false;
    const qsizetype at = order.indexOf(m_position);
    qsizetype to = at < 0 ? (delta > 0 ? 0 : order.size() - 1) : at + delta;
    if (to < 0 || to >= order.size())
        return false;
    if (!CommitNotes())
        return false;
    Show(order[to]);
    return true;
}

void TFotoKijkerForm::ProjectChanged(bool another)
{
    // The photo may have moved in the lists, or be gone (deleted, another
    // project): then the viewer closes, its notes with it.
    const ProjectDocument &doc = m_host.Document();
    const qsizetype found = PhotoLookup::FindByKeySkippingBad(doc.PositionList, m_key);
    if (another || m_key == 0 || found < 0) {
        m_notesChanged = false;
        close();
        return;
    }
    m_position = found;
    if (!m_notesChanged) {
        // An undo of notes shows at once.
        QString text = AnsiCodec::toUnicode(PhotoLookup::NotesFor(doc.NotesList, m_key));
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        if (text != AantekeningenMemo->toPlainText()) {
            m_filling = true;
            AantekeningenMemo->setPlainText(text);
            m_filling = false;
        }
    }
}

void TFotoKijkerForm::ToggleFullScreen()
{
    if (isFullScreen())
        showNormal();
    else
        showFullScreen();
}

void TFotoKijkerForm::LayOut()
{
    // Notes beside a wide photo area, under a tall one.
    const Qt::Orientation wanted = width() >= height() * 6 / 5 ? Qt::Horizontal : Qt::Vertical;
    if (Splitter->orientation() == wanted && m_laidOut)
        return;
    m_laidOut = true;
    Splitter->setOrientation(wanted);
    const int side = wanted == Qt::Horizontal ? Splitter->width() : Splitter->height();
    Splitter->setSizes({side * 3 / 4, side - side * 3 / 4});
}

void TFotoKijkerForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOut();
}

bool TFotoKijkerForm::eventFilter(QObject *watched, QEvent *event)
{
    // Page Up and Page Down step also while the notes have the keyboard.
    if (watched == AantekeningenMemo && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() == Qt::NoModifier && (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp)) {
            GeneralError::Run([this, key] { Step(key->key() == Qt::Key_PageDown ? 1 : -1); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TFotoKijkerForm::event(QEvent *event)
{
    // These keys are the viewer's, not the main window's shortcuts (which
    // zoom the map and close the active window).
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool notes = AantekeningenMemo->hasFocus();
        const int k = key->key();
        const Qt::KeyboardModifiers m = key->modifiers() & ~Qt::KeypadModifier;
        if ((k == Qt::Key_Escape && m == Qt::NoModifier && isFullScreen()) || k == Qt::Key_F11
            || (m == Qt::ControlModifier && (k == Qt::Key_0 || k == Qt::Key_9))
            || (!notes && m == Qt::NoModifier && (k == Qt::Key_Plus || k == Qt::Key_Minus || k == Qt::Key_Equal))) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TFotoKijkerForm::keyPressEvent(QKeyEvent *event)
{
    const bool notes = AantekeningenMemo->hasFocus();
    const Qt::KeyboardModifiers m = event->modifiers() & ~Qt::KeypadModifier;
    const int k = event->key();
    if (m == Qt::NoModifier) {
        switch (k) {
        case Qt::Key_PageDown:
            GeneralError::Run([this] { Step(1); });
            return;
        case Qt::Key_PageUp:
            GeneralError::Run([this] { Step(-1); });
            return;
        case Qt::Key_Right:
        case Qt::Key_Down:
            if (!notes) {
                GeneralError::Run([this] { Step(1); });
                return;
            }
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
            if (!notes) {
                GeneralError::Run([this] { Step(-1); });
                return;
            }
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            FotoVlak->ZoomIn();
            return;
        case Qt::Key_Minus:
            FotoVlak->ZoomOut();
            return;
        case Qt::Key_F11:
            ToggleFullScreen();
            return;
        case Qt::Key_Escape:
            if (isFullScreen())
                showNormal();
            else
                close();
            return;
        default:
            break;
        }
    }
    if (m == Qt::ControlModifier && k == Qt::Key_0) {
        FotoVlak->ActualSize();
        return;
    }
    if (m == Qt::ControlModifier && k == Qt::Key_9) {
        FotoVlak->Fit();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TFotoKijkerForm::closeEvent(QCloseEvent *event)
{
    bool stored = false;
    GeneralError::Run([&] { stored = CommitNotes(); });
    if (!stored) {
        event->ignore();
        return;
    }
    if (!isFullScreen()) {
        const auto settings = AppSettings::Open();
        settings->setValue(QLatin1String(kGeometryKey), saveGeometry());
    }
    event->accept();
}
