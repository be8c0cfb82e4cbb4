#include "gui/report/TFotorapportForm.h"

#include "core/base/TolvekError.h"
#include "core/map/MapScene.h"
#include "core/platform/AppSettings.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "core/report/ReportLayout.h"
#include "core/report/ReportPainter.h"
#include "core/report/ReportWriter.h"
#include "gui/project/ProjectHost.h"
#include "gui/report/PhotoReportCommand.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int PreviewWidth = 430;
constexpr int PreviewHeight = 560;
const int PerPageChoices[] = {1, 2, 4, 6};

} // namespace

TFotorapportForm::TFotorapportForm(ProjectHost &host, const MapScene &scene, const QList<qsizetype> &selected,
                                   const QList<qsizetype> &filtered, QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_scene(scene),
      m_selected(selected),
      m_filtered(filtered),
      m_north(ReportContent::MapNorth(host.Document())),
      m_times(ReportContent::CameraTimes())
{
    setObjectName(QStringLiteral("FotorapportForm"));
    setWindowTitle(Caption());

    auto *photos = new QGroupBox(QStringLiteral("Foto's"), this);
    AlleRadio = new QRadioButton(QStringLiteral("&Alle foto's"), photos);
    SelectieRadio =
        new QRadioButton(QStringLiteral("&Geselecteerd in de fotolijst (%1)").arg(m_selected.size()), photos);
    FilterRadio = new QRadioButton(
        QStringLiteral("Zoals het &filter van de fotolijst ze toont (%1)").arg(m_filtered.size()), photos);
    SelectieRadio->setEnabled(!m_selected.isEmpty());
    FilterRadio->setEnabled(!m_filtered.isEmpty());
    AlleRadio->setChecked(true);
    auto *photosLayout = new QVBoxLayout(photos);
    photosLayout->addWidget(AlleRadio);
    photosLayout->addWidget(SelectieRadio);
    photosLayout->addWidget(FilterRadio);

    VolgordeCombo = new QComboBox(this);
    VolgordeCombo->addItems(
        {QStringLiteral("Op nummer"), QStringLiteral("Zoals in de fotolijst"), QStringLiteral("Op tijd van opname")});
    IndelingCombo = new QComboBox(this);
    IndelingCombo->addItems({QStringLiteral("1 foto per pagina"), QStringLiteral("2 foto's per pagina"),
                             QStringLiteral("4 foto's per pagina"), QStringLiteral("6 foto's per pagina")});
    NaastCheck = new QCheckBox(QStringLiteral("Aantekeningen &naast de foto"), this);
    PapierCombo = new QComboBox(this);
    PapierCombo->addItems({QStringLiteral("A4"), QStringLiteral("Letter")});
    LiggendCheck = new QCheckBox(QStringLiteral("&Liggend"), this);
    KaartjesCheck = new QCheckBox(QStringLiteral("&Kaartje bij elke foto"), this);
    KwaliteitCombo = new QComboBox(this);
    KwaliteitCombo->addItems(
        {QStringLiteral("Klein bestand"), QStringLiteral("Normaal"), QStringLiteral("Scherp (groot bestand)")});
    TitelEdit = new QLineEdit(this);
    AuteurEdit = new QLineEdit(this);
    // Room for a title of some length.
    TitelEdit->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

    auto *form = new QFormLayout;
    auto labelled = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    labelled(QStringLiteral("&Volgorde:"), VolgordeCombo);
    labelled(QStringLiteral("&Indeling:"), IndelingCombo);
    form->addRow(QString(), NaastCheck);
    auto *paper = new QHBoxLayout;
    paper->addWidget(PapierCombo);
    paper->addWidget(LiggendCheck);
    paper->addStretch();
    auto *paperLabel = new QLabel(QStringLiteral("&Papier:"), this);
    paperLabel->setBuddy(PapierCombo);
    form->addRow(paperLabel, paper);
    form->addRow(QString(), KaartjesCheck);
    labelled(QStringLiteral("K&waliteit foto's:"), KwaliteitCombo);
    labelled(QStringLiteral("&Titel:"), TitelEdit);
    labelled(QStringLiteral("A&uteur:"), AuteurEdit);

    Voorbeeld = new QLabel(this);
    Voorbeeld->setObjectName(QStringLiteral("Voorbeeld"));
    Voorbeeld->setFixedSize(PreviewWidth, PreviewHeight);
    Voorbeeld->setAlignment(Qt::AlignCenter);
    Voorbeeld->setStyleSheet(QStringLiteral("background: #808080"));
    PaginaLabel = new QLabel(this);
    PaginaLabel->setAlignment(Qt::AlignCenter);
    VorigeButton = new QPushButton(QStringLiteral("Vo&rige pagina"), this);
    VolgendeButton = new QPushButton(QStringLiteral("Volg&ende pagina"), this);
    auto *pager = new QHBoxLayout;
    pager->addWidget(VorigeButton);
    pager->addWidget(PaginaLabel, 1);
    pager->addWidget(VolgendeButton);

    OpslaanButton = new QPushButton(QStringLiteral("&Opslaan als PDF..."), this);
    OpslaanButton->setDefault(true);
    SluitenButton = new QPushButton(QStringLiteral("&Sluiten"), this);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(OpslaanButton, QDialogButtonBox::AcceptRole);
    buttons->addButton(SluitenButton, QDialogButtonBox::RejectRole);
    auto *help = new QPushButton(QStringLiteral("&Help"), this);
    help->setObjectName(QStringLiteral("HelpButton"));
    buttons->addButton(help, QDialogButtonBox::HelpRole);
    connect(help, &QPushButton::clicked, this, [] { MessageDialogs::ShowHelp(HelpContexts::PhotoReport); });
    auto *f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, help, &QPushButton::click);
    connect(OpslaanButton, &QPushButton::clicked, this, &TFotorapportForm::OpslaanClick);
    connect(SluitenButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *left = new QVBoxLayout;
    left->addWidget(photos);
    left->addLayout(form);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(Voorbeeld);
    right->addLayout(pager);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto *outer = new QVBoxLayout(this);
    outer->addLayout(columns);
    outer->addWidget(buttons);

    LoadSettings();

    m_relayout.setSingleShot(true);
    m_relayout.setInterval(150);
    connect(&m_relayout, &QTimer::timeout, this, &TFotorapportForm::Relayout);
    for (QRadioButton *r : {AlleRadio, SelectieRadio, FilterRadio})
        connect(r, &QRadioButton::toggled, this, &TFotorapportForm::ChoicesChanged);
    for (QComboBox *c : {VolgordeCombo, IndelingCombo, PapierCombo, KwaliteitCombo})
        connect(c, &QComboBox::currentIndexChanged, this, &TFotorapportForm::ChoicesChanged);
    for (QCheckBox *c : {NaastCheck, LiggendCheck, KaartjesCheck})
        connect(c, &QCheckBox::toggled, this, &TFotorapportForm::ChoicesChanged);
    for (QLineEdit *e : {TitelEdit, AuteurEdit})
        connect(e, &QLineEdit::textChanged, this, &TFotorapportForm::ChoicesChanged);
    connect(VorigeButton, &QPushButton::clicked, this, [this] { ShowPage(m_page - 1); });
    connect(VolgendeButton, &QPushButton::clicked, this, [this] { ShowPage(m_page + 1); });
    Relayout();
}

TFotorapportForm::~TFotorapportForm() = default;

ReportOptions TFotorapportForm::Options() const
{
    ReportOptions o;
    o.order = ReportOptions::Order(std::clamp(VolgordeCombo->currentIndex(), 0, 2));
    o.perPage = PerPageChoices[std::clamp(IndelingCombo->currentIndex(), 0, 3)];
    o.notesBeside = NaastCheck->isChecked();
    o.paper = PapierCombo->currentIndex() == 1 ? ReportOptions::Paper::Letter : ReportOptions::Paper::A4;
    o.landscape = LiggendCheck->isChecked();
    o.keyMaps = KaartjesCheck->isChecked();
    o.quality = ReportOptions::Quality(std::clamp(KwaliteitCombo->currentIndex(), 0, 2));
    o.title = TitelEdit->text();
    o.author = AuteurEdit->text();
    return o;
}

QList<qsizetype> TFotorapportForm::ChosenPositions() const
{
    if (SelectieRadio->isChecked())
        return m_selected;
    if (FilterRadio->isChecked())
        return m_filtered;
    return {};
}

int TFotorapportForm::PageCount() const
{
    return m_layout ? int(m_layout->Pages().size()) : 0;
}

QString TFotorapportForm::ProjectKey() const
{
    // Title and author belong to a project: kept under a digest of its path.
    return QString::fromLatin1(
        QCryptographicHash::hash(QFileInfo(m_host.Document().CurrentFileName).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16));
}

void TFotorapportForm::LoadSettings()
{
    const auto settings = AppSettings::Open();
    settings->beginGroup(QStringLiteral("Fotorapport"));
    const ReportOptions defaults;
    VolgordeCombo->setCurrentIndex(std::clamp(settings->value(QStringLiteral("Volgorde"), 0).toInt(), 0, 2));
    int perPage = settings->value(QStringLiteral("PerPagina"), defaults.perPage).toInt();
    if (!ReportOptions::ValidPerPage(perPage))
        perPage = defaults.perPage;
    IndelingCombo->setCurrentIndex(perPage == 1 ? 0 : perPage == 2 ? 1 : perPage == 4 ? 2 : 3);
    NaastCheck->setChecked(settings->value(QStringLiteral("Naast"), defaults.notesBeside).toBool());
    const QString paper = settings->value(QStringLiteral("Papier")).toString();
    const bool letter = paper.isEmpty() ? ReportOptions::DefaultPaper() == ReportOptions::Paper::Letter
                                        : paper == QLatin1String("letter");
    PapierCombo->setCurrentIndex(letter ? 1 : 0);
    LiggendCheck->setChecked(settings->value(QStringLiteral("Liggend"), false).toBool());
    KaartjesCheck->setChecked(settings->value(QStringLiteral("Kaartjes"), false).toBool());
    KwaliteitCombo->setCurrentIndex(std::clamp(settings->value(QStringLiteral("Kwaliteit"), 1).toInt(), 0, 2));
    const QString key = ProjectKey();
    const ProjectDocument &doc = m_host.Document();
    TitelEdit->setText(settings->value(QStringLiteral("Titel/") + key, ReportOptions::DefaultTitle(doc)).toString());
    AuteurEdit->setText(settings->value(QStringLiteral("Auteur/") + key, ReportOptions::DefaultAuthor(doc)).toString());
    settings->endGroup();
    TitelEdit->setCursorPosition(0);
    AuteurEdit->setCursorPosition(0);
    NaastCheck->setEnabled(perPage <= 2);
}

void TFotorapportForm::SaveSettings() const
{
    const auto settings = AppSettings::Open();
    settings->beginGroup(QStringLiteral("Fotorapport"));
    const ReportOptions o = Options();
    settings->setValue(QStringLiteral("Volgorde"), VolgordeCombo->currentIndex());
    settings->setValue(QStringLiteral("PerPagina"), o.perPage);
    settings->setValue(QStringLiteral("Naast"), o.notesBeside);
    settings->setValue(QStringLiteral("Papier"),
                       o.paper == ReportOptions::Paper::Letter ? QStringLiteral("letter") : QStringLiteral("a4"));
    settings->setValue(QStringLiteral("Liggend"), o.landscape);
    settings->setValue(QStringLiteral("Kaartjes"), o.keyMaps);
    settings->setValue(QStringLiteral("Kwaliteit"), KwaliteitCombo->currentIndex());
    const QString key = ProjectKey();
    settings->setValue(QStringLiteral("Titel/") + key, o.title);
    settings->setValue(QStringLiteral("Auteur/") + key, o.author);
    settings->endGroup();
}

void TFotorapportForm::ChoicesChanged()
{
    NaastCheck->setEnabled(Options().perPage <= 2);
    m_relayout.start();
}

void TFotorapportForm::Relayout()
{
    const ReportOptions options = Options();
    ReportContent content;
    try {
        content = ReportContent::Build(m_host.Document(), ChosenPositions(), options.order, m_north, m_times);
    } catch (const TolvekError &e) {
        // Runs from a timer: the problem is shown where the pages would be.
        m_layout.reset();
        Voorbeeld->setText(e.message());
        Voorbeeld->setWordWrap(true);
        OpslaanButton->setEnabled(false);
        return;
    }
    OpslaanButton->setEnabled(true);
    // Order by time only once the photos know when they were taken.
    VolgordeCombo->setItemData(2, content.AnyTimeKnown() ? QVariant() : QVariant(0), Qt::UserRole - 1);
    m_layout = std::make_unique<ReportLayout>(options, content, m_scene.size);
    ShowPage(std::min(m_page, PageCount() - 1));
}

void TFotorapportForm::ShowPage(int page)
{
    if (!m_layout)
        return;
    m_page = std::clamp(page, 0, std::max(0, PageCount() - 1));
    const QSizeF dots = m_layout->PageSize();
    const double k = std::min((PreviewWidth - 10) / dots.width(), (PreviewHeight - 10) / dots.height());
    QImage picture(QSize(int(dots.width() * k), int(dots.height() * k)), QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        BusyCursor busy;
        QPainter painter(&picture);
        painter.scale(k, k);
        const int ppi = std::max(20, int(std::ceil(k * ReportLayout::Dpi)));
        const ReportLayout &layout = *m_layout;
        auto photos = [&](int photo, QString *problem) {
            const ReportContent::Photo &p = layout.Content().photos.at(photo);
            QRectF box;
            for (const ReportLayout::Cell &cell : layout.Pages().at(m_page).cells)
                if (cell.photo == photo)
                    box = cell.photoBox;
            const QString key = p.path + QLatin1Char('|') + QString::number(box.width()) + QLatin1Char('x')
                + QString::number(box.height());
            auto it = m_previewPhotos.find(key);
            if (it == m_previewPhotos.end()) {
                QString why;
                QImage image = ReportWriter::LoadPhoto(p.path, box, ppi, &why);
                it = m_previewPhotos.insert(key, image);
                if (image.isNull() && problem)
                    *problem = why;
            }
            return *it;
        };
        ReportPainter(layout, m_scene).PaintPage(painter, m_page, photos);
    }
    Voorbeeld->setPixmap(QPixmap::fromImage(picture));
    PaginaLabel->setText(QStringLiteral("Pagina %1 van %2").arg(m_page + 1).arg(PageCount()));
    VorigeButton->setEnabled(m_page > 0);
    VolgendeButton->setEnabled(m_page + 1 < PageCount());
}

void TFotorapportForm::OpslaanClick()
{
    m_relayout.stop();
    Relayout();
    if (!m_layout)
        return;
    SaveSettings();
    const ProjectSession::EnterFolderAfterwards enterFolder(m_host.Session());
    UserInteraction::FileRequest request;
    request.kind = UserInteraction::FileDialogKind::Save;
    request.parent = this;
    request.title = QStringLiteral("Fotorapport opslaan");
    request.filter = QStringLiteral("PDF-documenten (*.pdf)|*.pdf");
    const QString base = QFileInfo(m_host.Document().CurrentFileName).completeBaseName();
    request.initialName = base + QStringLiteral(" - fotorapport.pdf");
    request.folderKind = QStringLiteral("Fotorapporten");
    request.suffixFromFilter = true;
    std::optional<QString> chosen = UserInteraction::AskFile(request);
    if (!chosen || chosen->isEmpty())
        return;
    QString fileName = *chosen;
    if (QFileInfo(fileName).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        fileName += QStringLiteral(".pdf");
    if (QFileInfo::exists(fileName) && !MessageDialogs::ConfirmOverwrite(fileName))
        return;
    if (PhotoReportCommand::Write(this, *m_layout, m_scene, fileName))
        accept();
}
