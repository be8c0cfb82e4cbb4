#include "gui/map/TKaartIjkenForm.h"

#include "core/base/ProgramTexts.h"
#include "core/map/EarthCoordinates.h"
#include "gui/map/CalibrationMapView.h"
#include "gui/map/MapCommands.h"
#include "gui/map/TFotoPaspuntForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

TKaartIjkenForm::TKaartIjkenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata, QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_map(map),
      m_metadata(metadata)
{
    setObjectName(QStringLiteral("KaartIjkenForm"));
    setWindowTitle(Caption());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    KaartBeeld = new CalibrationMapView(this);
    layout->addWidget(KaartBeeld, 1);
    IjkTabs = new QTabWidget(this);
    IjkTabs->setObjectName(QStringLiteral("IjkTabs"));
    layout->addWidget(IjkTabs);
    auto *lines = new QWidget(IjkTabs);
    auto *linesLayout = new QVBoxLayout(lines);
    IjkTabs->addTab(lines, QStringLiteral("Noord&en en schaal"));
    IjkTabs->addTab(MakeCoordinatesTab(), QStringLiteral("&Co\u00f6rdinaten"));
    auto *hint = new QLabel(
        QStringLiteral("Trek met de muis een lijn over de kaart; kies hieronder wat die lijn aangeeft."), this);
    hint->setWordWrap(true);
    linesLayout->addWidget(hint);

    auto *north = new QGroupBox(QStringLiteral("Noorden"), this);
    NoordGroep = north;
    auto *northGrid = new QGridLayout(north);
    auto *arrowLabel = new QLabel(QStringLiteral("&Noordpijl:"), north);
    NoordpijlEdit = new QLineEdit(north);
    NoordpijlEdit->setObjectName(QStringLiteral("NoordpijlEdit"));
    NoordpijlEdit->setMaximumWidth(90);
    arrowLabel->setBuddy(NoordpijlEdit);
    northGrid->addWidget(arrowLabel, 0, 0);
    northGrid->addWidget(NoordpijlEdit, 0, 1);
    northGrid->addWidget(
        new QLabel(QStringLiteral("graden met de klok mee vanaf boven (0: noorden boven, 90: noorden rechts)"), north),
        0, 2);
    NoordLijnRadio = new QRadioButton(QStringLiteral("De lijn wijst naar het noor&den"), north);
    NoordLijnRadio->setObjectName(QStringLiteral("NoordLijnRadio"));
    northGrid->addWidget(NoordLijnRadio, 1, 0, 1, 3);
    RichtingLijnRadio = new QRadioButton(QStringLiteral("De lijn heeft de &richting:"), north);
    RichtingLijnRadio->setObjectName(QStringLiteral("RichtingLijnRadio"));
    RichtingEdit = new QLineEdit(north);
    RichtingEdit->setObjectName(QStringLiteral("RichtingEdit"));
    RichtingEdit->setMaximumWidth(90);
    northGrid->addWidget(RichtingLijnRadio, 2, 0);
    northGrid->addWidget(RichtingEdit, 2, 1);
    northGrid->addWidget(
        new QLabel(QStringLiteral("graden met de klok mee vanaf noord, van het eerste punt naar het tweede"), north), 2,
        2);
    northGrid->setColumnStretch(2, 1);
    linesLayout->addWidget(north);

    auto *scale = new QGroupBox(QStringLiteral("Schaal (niet verplicht)"), this);
    SchaalGroep = scale;
    auto *scaleGrid = new QGridLayout(scale);
    SchaalLijnRadio = new QRadioButton(QStringLiteral("De lijn is in werkelijkheid &lang:"), scale);
    SchaalLijnRadio->setObjectName(QStringLiteral("SchaalLijnRadio"));
    LengteEdit = new QLineEdit(scale);
    LengteEdit->setObjectName(QStringLiteral("LengteEdit"));
    LengteEdit->setMaximumWidth(90);
    scaleGrid->addWidget(SchaalLijnRadio, 0, 0);
    scaleGrid->addWidget(LengteEdit, 0, 1);
    scaleGrid->addWidget(new QLabel(QStringLiteral("meter"), scale), 0, 2);
    SchaalLabel = new QLabel(scale);
    SchaalLabel->setObjectName(QStringLiteral("SchaalLabel"));
    scaleGrid->addWidget(SchaalLabel, 1, 0, 1, 3);
    SchaalWissenButton = new QPushButton(QStringLiteral("Schaal &wissen"), scale);
    SchaalWissenButton->setObjectName(QStringLiteral("SchaalWissenButton"));
    SchaalWissenButton->setAutoDefault(false);
    scaleGrid->addWidget(SchaalWissenButton, 1, 3);
    scaleGrid->setColumnStretch(2, 1);
    linesLayout->addWidget(scale);
    linesLayout->addStretch(1);

    auto *modes = new QButtonGroup(this);
    modes->addButton(NoordLijnRadio);
    modes->addButton(RichtingLijnRadio);
    modes->addButton(SchaalLijnRadio);
    NoordLijnRadio->setChecked(true);

    auto *buttons = new QHBoxLayout;
    QToolButton *help = DialogParts::MakeHelpButton(this, 0, 0, HelpContexts::CalibrateMap);
    buttons->addWidget(help);
    buttons->addStretch(1);
    DialogParts::AddOkCancel(this, buttons, Button1, Button2);
    layout->addLayout(buttons);

    connect(KaartBeeld, &CalibrationMapView::LineDrawn, this, &TKaartIjkenForm::LineDrawn);
    connect(NoordpijlEdit, &QLineEdit::textEdited, this, &TKaartIjkenForm::NorthTyped);
    connect(RichtingEdit, &QLineEdit::textEdited, this, [this] {
        RichtingLijnRadio->setChecked(true);
        ApplyLine();
    });
    connect(LengteEdit, &QLineEdit::textEdited, this, [this] {
        SchaalLijnRadio->setChecked(true);
        ApplyLine();
    });
    connect(SchaalWissenButton, &QPushButton::clicked, this, [this] {
        m_calibration.metresPerPixel.reset();
        LengteEdit->clear();
        ShowResult();
    });
    connect(IjkTabs, &QTabWidget::currentChanged, this, [this](int tab) {
        KaartBeeld->SetPointMode(tab == 1);
        // The new page's first field, not the map the hidden one's focus
        // would pass to.
        if (!focusWidget() || !focusWidget()->isVisible() || focusWidget() == KaartBeeld)
            (tab == 1 ? KaartpuntEdit : NoordpijlEdit)->setFocus();
    });
    connect(KaartBeeld, &CalibrationMapView::PointPicked, this, &TKaartIjkenForm::PointPicked);
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TKaartIjkenForm::OkClick);
}

QString TKaartIjkenForm::NoMapText()
{
    return QStringLiteral("Er is geen overzichtskaart om te ijken. Kies eerst een kaart met Gegevens > "
                          "Overzichtskaart.");
}

std::optional<double> TKaartIjkenForm::ParseNumber(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    t.remove(QChar(0x00B0)); // a degree sign typed along
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString TKaartIjkenForm::NumberText(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), QLatin1Char(','));
}

QString TKaartIjkenForm::AngleText(double degrees)
{
    // 359.999 rounds to 360, which is 0.
    const QString text = NumberText(degrees);
    return text == QLatin1String("360") ? QStringLiteral("0") : text;
}

int TKaartIjkenForm::Execute()
{
    const QImage map = m_map.Metafile().Scene().map;
    if (map.isNull() || m_map.MapPath().isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(), NoMapText(), QStringLiteral("&OK"));
        return QDialog::Rejected;
    }
    m_calibration = m_map.Calibration();
    m_georef = m_calibration.georeference;
    m_picked.reset();
    KaartpuntEdit->clear();
    PositieEdit->clear();
    (m_georef.kind == MapGeoreference::Kind::Affine ? AffienRadio : GelijkvormigRadio)->setChecked(true);
    IjkTabs->setCurrentIndex(0);
    KaartBeeld->SetMap(map);
    KaartBeeld->SetPointMode(false);
    Refit();
    NoordpijlEdit->setText(m_calibration.north ? AngleText(*m_calibration.north) : QString());
    RichtingEdit->clear();
    LengteEdit->clear();
    NoordLijnRadio->setChecked(true);
    ShowResult();
    NoordpijlEdit->setFocus();
    NoordpijlEdit->selectAll();
    return UserInteraction::ExecModal(this);
}

void TKaartIjkenForm::LineDrawn(QLineF line, bool)
{
    if (NoordLijnRadio->isChecked()) {
        if (line.length() > 0 && m_calibration.SetNorthFromLine(line.x1(), line.y1(), line.x2(), line.y2(), 0)) {
            NoordpijlEdit->setText(AngleText(*m_calibration.north));
            ShowResult();
        }
        return;
    }
    ApplyLine();
}

void TKaartIjkenForm::ApplyLine()
{
    const std::optional<QLineF> line = KaartBeeld->Line();
    if (!line || line->length() <= 0) {
        ShowResult();
        return;
    }
    if (RichtingLijnRadio->isChecked()) {
        const std::optional<double> bearing = ParseNumber(RichtingEdit->text());
        if (bearing && m_calibration.SetNorthFromLine(line->x1(), line->y1(), line->x2(), line->y2(), *bearing))
            NoordpijlEdit->setText(AngleText(*m_calibration.north));
    } else if (SchaalLijnRadio->isChecked()) {
        const std::optional<double> metres = ParseNumber(LengteEdit->text());
        if (metres)
            m_calibration.SetScaleFromLine(line->x1(), line->y1(), line->x2(), line->y2(), *metres);
    }
    ShowResult();
}

void TKaartIjkenForm::NorthTyped()
{
    const QString text = NoordpijlEdit->text().trimmed();
    const std::optional<double> value = ParseNumber(text);
    if (text.isEmpty())
        m_calibration.north.reset();
    else if (value && std::abs(*value) <= 360)
        m_calibration.north = std::fmod(*value + 360, 360.0);
    ShowResult();
}

void TKaartIjkenForm::ShowResult()
{
    // North and scale follow from control points that fit.
    const bool fitted = m_calibration.IsGeoreferenced();
    NoordGroep->setEnabled(!fitted);
    SchaalGroep->setEnabled(!fitted);
    NoordGroep->setTitle(fitted ? QStringLiteral("Noorden (volgt uit de paspunten)") : QStringLiteral("Noorden"));
    SchaalGroep->setTitle(fitted ? QStringLiteral("Schaal (volgt uit de paspunten)")
                                 : QStringLiteral("Schaal (niet verplicht)"));
    KaartBeeld->SetCalibration(m_calibration.north, m_calibration.metresPerPixel);
    if (m_calibration.metresPerPixel) {
        const double m = *m_calibration.metresPerPixel;
        SchaalLabel->setText(QStringLiteral("Schaal: 1 kaartpixel is %1 m; 100 m is %2 kaartpixels.")
                                 .arg(NumberText(m, m < 0.01 ? 5 : 3), NumberText(100 / m, 1)));
    } else {
        SchaalLabel->setText(QStringLiteral("Schaal: niet ingesteld."));
    }
    SchaalWissenButton->setEnabled(m_calibration.metresPerPixel.has_value());
}

void TKaartIjkenForm::OkClick()
{
    if (!m_georef.IsEmpty() && !m_georef.IsFitted()) {
        QString problem;
        m_georef.Fit(&problem);
        IjkTabs->setCurrentIndex(1);
        Refuse(QStringLiteral("De paspunten geven nog geen ijking: %1. Voeg punten toe, zet punten aan of "
                              "verwijder ze.")
                   .arg(problem),
               PuntenTabel);
        return;
    }
    if (m_calibration.IsGeoreferenced()) {
        // What a GIS left beside the map, taken as it is: no sidecar, so the
        // map follows when the GIS changes it.
        if (!m_calibration.georeferenceSource.isEmpty() && m_calibration == m_map.Calibration()) {
            accept();
            return;
        }
        accept();
        QString reason;
        if (!m_map.SetCalibration(m_calibration, &reason))
            MessageDialogs::ShowWarningMessage(
                ProgramTexts::AppTitle(), Caption(),
                QStringLiteral("De ijking kan niet worden bewaard in '%1': %2\r\n\r\nZe geldt tot het programma "
                               "sluit.")
                    .arg(QDir::toNativeSeparators(MapCalibration::SidecarPath(m_map.MapPath())), reason),
                QStringLiteral("&OK"));
        return;
    }
    const QString text = NoordpijlEdit->text().trimmed();
    const std::optional<double> value = ParseNumber(text);
    if (!text.isEmpty() && (!value || std::abs(*value) > 360)) {
        MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), Caption(),
                                         QStringLiteral("'%1' is geen hoek. Typ de hoek van de noordpijl in graden, "
                                                        "van 0 tot 360, bijvoorbeeld 12,5.")
                                             .arg(text),
                                         QStringLiteral("&OK"));
        NoordpijlEdit->setFocus();
        NoordpijlEdit->selectAll();
        return;
    }
    if (text.isEmpty())
        m_calibration.north.reset();
    else
        m_calibration.north = std::fmod(*value + 360, 360.0);
    accept();
    QString reason;
    if (!m_map.SetCalibration(m_calibration, &reason))
        MessageDialogs::ShowWarningMessage(
            ProgramTexts::AppTitle(), Caption(),
            QStringLiteral("De ijking kan niet worden bewaard in '%1': %2\r\n\r\nZe geldt tot het programma sluit.")
                .arg(QDir::toNativeSeparators(MapCalibration::SidecarPath(m_map.MapPath())), reason),
            QStringLiteral("&OK"));
}

QWidget *TKaartIjkenForm::MakeCoordinatesTab()
{
    auto *tab = new QWidget(this);
    auto *grid = new QGridLayout(tab);
    auto *hint = new QLabel(QStringLiteral("Klik op de kaart op een punt waarvan u de plek op aarde kent, typ of plak "
                                           "die plek en kies Punt toevoegen. Twee punten geven noorden en schaal; "
                                           "vanaf drie punten ziet u ook hoe goed ze passen."),
                            tab);
    hint->setWordWrap(true);
    grid->addWidget(hint, 0, 0, 1, 6);

    auto *pointLabel = new QLabel(QStringLiteral("&Kaartpunt:"), tab);
    KaartpuntEdit = new QLineEdit(tab);
    KaartpuntEdit->setObjectName(QStringLiteral("KaartpuntEdit"));
    KaartpuntEdit->setPlaceholderText(QStringLiteral("klik op de kaart"));
    KaartpuntEdit->setToolTip(QStringLiteral("x en y in kaartpixels vanaf linksboven; klik op de kaart of typ ze"));
    pointLabel->setBuddy(KaartpuntEdit);
    grid->addWidget(pointLabel, 1, 0);
    grid->addWidget(KaartpuntEdit, 1, 1);
    auto *systemLabel = new QLabel(QStringLiteral("&Stelsel:"), tab);
    StelselCombo = new QComboBox(tab);
    StelselCombo->setObjectName(QStringLiteral("StelselCombo"));
    StelselCombo->addItems(
        {QStringLiteral("Graden (WGS84)"), QStringLiteral("RD New (EPSG:28992)"), QStringLiteral("UTM (WGS84)")});
    systemLabel->setBuddy(StelselCombo);
    grid->addWidget(systemLabel, 1, 2);
    grid->addWidget(StelselCombo, 1, 3);
    FotoPuntButton = new QPushButton(QStringLiteral("Punt &uit een foto..."), tab);
    FotoPuntButton->setObjectName(QStringLiteral("FotoPuntButton"));
    FotoPuntButton->setToolTip(
        QStringLiteral("De plek van een foto op de kaart en de GPS-positie die de camera vastlegde"));
    FotoPuntButton->setAutoDefault(false);
    grid->addWidget(FotoPuntButton, 1, 4);

    auto *placeLabel = new QLabel(QStringLiteral("Pos&itie:"), tab);
    PositieEdit = new QLineEdit(tab);
    PositieEdit->setObjectName(QStringLiteral("PositieEdit"));
    placeLabel->setBuddy(PositieEdit);
    grid->addWidget(placeLabel, 2, 0);
    grid->addWidget(PositieEdit, 2, 1, 1, 3);
    ToevoegenButton = new QPushButton(QStringLiteral("Punt &toevoegen"), tab);
    ToevoegenButton->setObjectName(QStringLiteral("ToevoegenButton"));
    ToevoegenButton->setAutoDefault(false);
    grid->addWidget(ToevoegenButton, 2, 4);
    const auto placeholder = [this] {
        static const QString examples[] = {QStringLiteral("bijvoorbeeld 52.09074, 5.12142 of 52\u00b05'26.7\"N "
                                                          "5\u00b07'17.1\"E"),
                                           QStringLiteral("x y in meter, bijvoorbeeld 155000 463000"),
                                           QStringLiteral("zone, halfrond, oost, noord: 31N 645334 5773254")};
        PositieEdit->setPlaceholderText(examples[std::clamp(StelselCombo->currentIndex(), 0, 2)]);
    };
    placeholder();
    connect(StelselCombo, &QComboBox::currentIndexChanged, this, placeholder);

    PuntenTabel = new QTableWidget(0, 7, tab);
    PuntenTabel->setObjectName(QStringLiteral("PuntenTabel"));
    PuntenTabel->setHorizontalHeaderLabels({QStringLiteral("Aan"), QStringLiteral("Nr."), QStringLiteral("Kaart x"),
                                            QStringLiteral("Kaart y"), QStringLiteral("Breedte"),
                                            QStringLiteral("Lengte"), QStringLiteral("Afwijking (m)")});
    PuntenTabel->verticalHeader()->hide();
    PuntenTabel->setSelectionBehavior(QAbstractItemView::SelectRows);
    PuntenTabel->setSelectionMode(QAbstractItemView::SingleSelection);
    PuntenTabel->setEditTriggers(QAbstractItemView::NoEditTriggers);
    PuntenTabel->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    PuntenTabel->horizontalHeader()->setStretchLastSection(true);
    PuntenTabel->setMinimumHeight(110);
    grid->addWidget(PuntenTabel, 3, 0, 1, 6);

    PuntVerwijderenButton = new QPushButton(QStringLiteral("Punt &verwijderen"), tab);
    PuntVerwijderenButton->setObjectName(QStringLiteral("PuntVerwijderenButton"));
    PuntVerwijderenButton->setAutoDefault(false);
    grid->addWidget(PuntVerwijderenButton, 4, 0, 1, 2, Qt::AlignLeft);
    GelijkvormigRadio = new QRadioButton(QStringLiteral("&Gelijkvormig"), tab);
    GelijkvormigRadio->setObjectName(QStringLiteral("GelijkvormigRadio"));
    GelijkvormigRadio->setToolTip(QStringLiteral("Schaal, draaiing en verschuiving: voor een kaart op schaal"));
    AffienRadio = new QRadioButton(QStringLiteral("A&ffien"), tab);
    AffienRadio->setObjectName(QStringLiteral("AffienRadio"));
    AffienRadio->setToolTip(
        QStringLiteral("Ook ongelijke schalen en scheefheid (vanaf drie punten): voor een scheef gescande kaart"));
    auto *kinds = new QButtonGroup(tab);
    kinds->addButton(GelijkvormigRadio);
    kinds->addButton(AffienRadio);
    GelijkvormigRadio->setChecked(true);
    auto *kindRow = new QHBoxLayout;
    kindRow->addWidget(new QLabel(QStringLiteral("Passing:"), tab));
    kindRow->addWidget(GelijkvormigRadio);
    kindRow->addWidget(AffienRadio);
    kindRow->addStretch(1);
    grid->addLayout(kindRow, 4, 2, 1, 4);
    ResultaatLabel = new QLabel(tab);
    ResultaatLabel->setObjectName(QStringLiteral("ResultaatLabel"));
    ResultaatLabel->setWordWrap(true);
    grid->addWidget(ResultaatLabel, 5, 0, 1, 6);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(5, 1);

    // Enter in the position field adds the point (not OK).
    PositieEdit->installEventFilter(this);
    connect(ToevoegenButton, &QPushButton::clicked, this, [this] { GeneralError::Run([this] { AddPoint(); }); });
    connect(FotoPuntButton, &QPushButton::clicked, this, [this] { GeneralError::Run([this] { AddPhotoPoint(); }); });
    connect(PuntVerwijderenButton, &QPushButton::clicked, this, &TKaartIjkenForm::RemovePoint);
    connect(GelijkvormigRadio, &QRadioButton::toggled, this, [this](bool) {
        m_georef.kind = AffienRadio->isChecked() ? MapGeoreference::Kind::Affine : MapGeoreference::Kind::Similarity;
        Refit();
    });
    connect(PuntenTabel, &QTableWidget::itemChanged, this, [this](QTableWidgetItem *item) {
        if (m_filling || item->column() != 0 || item->row() >= m_georef.points.size())
            return;
        m_georef.points[item->row()].enabled = item->checkState() == Qt::Checked;
        Refit();
    });
    connect(PuntenTabel, &QTableWidget::itemSelectionChanged, this,
            [this] { PuntVerwijderenButton->setEnabled(!PuntenTabel->selectedItems().isEmpty()); });
    return tab;
}

bool TKaartIjkenForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == PositieEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            GeneralError::Run([this] { AddPoint(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TKaartIjkenForm::Refuse(const QString &text, QWidget *field)
{
    MessageDialogs::ShowErrorMessage(ProgramTexts::AppTitle(), Caption(), text, QStringLiteral("&OK"));
    field->setFocus();
    if (auto *edit = qobject_cast<QLineEdit *>(field))
        edit->selectAll();
}

void TKaartIjkenForm::PointPicked(QPointF mapPoint)
{
    m_picked = mapPoint;
    KaartpuntEdit->setText(NumberText(mapPoint.x(), 1) + QStringLiteral("; ") + NumberText(mapPoint.y(), 1));
    ShowPoints();
    PositieEdit->setFocus();
    PositieEdit->selectAll();
}

void TKaartIjkenForm::AddPoint()
{
    // The map point: clicked, or typed as "x; y" or "x y".
    const QStringList parts =
        KaartpuntEdit->text().split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    const std::optional<double> x = parts.size() == 2 ? ParseNumber(parts[0]) : std::nullopt;
    const std::optional<double> y = parts.size() == 2 ? ParseNumber(parts[1]) : std::nullopt;
    const QSize size = KaartBeeld->MapSize();
    if (!x || !y || *x < 0 || *y < 0 || *x > size.width() || *y > size.height())
        return Refuse(KaartpuntEdit->text().trimmed().isEmpty()
                          ? QStringLiteral("Klik eerst op de kaart op het punt waarvan u de plek op aarde kent.")
                          : QStringLiteral("'%1' is geen punt op de kaart: typ x en y in kaartpixels, van 0 tot %2 "
                                           "en van 0 tot %3, bijvoorbeeld 120; 85.")
                                .arg(KaartpuntEdit->text().trimmed())
                                .arg(size.width())
                                .arg(size.height()),
                      KaartpuntEdit);
    QString problem;
    const auto system = static_cast<EarthCoordinates::System>(StelselCombo->currentIndex());
    const std::optional<EarthProjection::LonLat> earth = EarthCoordinates::Parse(PositieEdit->text(), system, &problem);
    if (!earth)
        return Refuse(QStringLiteral("De positie is niet te lezen: %1.").arg(problem), PositieEdit);
    AddControlPoint({QPointF(*x, *y), *earth, true}, KaartpuntEdit, PositieEdit);
}

void TKaartIjkenForm::AddControlPoint(const MapGeoreference::ControlPoint &point, QWidget *mapField,
                                      QWidget *earthField)
{
    if (m_georef.points.size() >= MapGeoreference::MaxPoints)
        return Refuse(QStringLiteral("Er kunnen niet meer dan %1 paspunten zijn.").arg(MapGeoreference::MaxPoints),
                      earthField);
    // The same point twice says nothing new and would spoil the fit.
    const auto local = EarthProjection::LocalTransverseMercator(point.earth.latitude, point.earth.longitude);
    for (qsizetype i = 0; i < m_georef.points.size(); ++i) {
        const MapGeoreference::ControlPoint &other = m_georef.points[i];
        const QPointF d = other.map - point.map;
        const std::optional<QPointF> e = local ? local->ToProjected(other.earth) : std::nullopt;
        if (std::hypot(d.x(), d.y()) < MapGeoreference::SameMapPixels)
            return Refuse(QStringLiteral("Punt %1 ligt al op deze plek van de kaart.").arg(i + 1), mapField);
        if (e && std::hypot(e->x(), e->y()) < MapGeoreference::SameEarthMetres)
            return Refuse(QStringLiteral("Punt %1 heeft al deze positie op aarde.").arg(i + 1), earthField);
    }
    m_georef.points.append(point);
    m_picked.reset();
    KaartpuntEdit->clear();
    PositieEdit->clear();
    Refit();
}

void TKaartIjkenForm::AddPhotoPoint()
{
    if (!m_photoPoint)
        m_photoPoint = new TFotoPaspuntForm(m_host, m_metadata, this);
    const std::optional<TFotoPaspuntForm::Choice> chosen = m_photoPoint->Choose();
    if (!chosen)
        return;
    const QSize size = KaartBeeld->MapSize();
    if (chosen->map.x() < 0 || chosen->map.y() < 0 || chosen->map.x() > size.width() || chosen->map.y() > size.height())
        return Refuse(QStringLiteral("Die foto staat niet op de kaart."), FotoPuntButton);
    AddControlPoint({chosen->map, chosen->earth, true}, FotoPuntButton, FotoPuntButton);
    FotoPuntButton->setFocus();
}

void TKaartIjkenForm::RemovePoint()
{
    const QList<QTableWidgetItem *> selected = PuntenTabel->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = selected.first()->row();
    if (row < m_georef.points.size())
        m_georef.points.removeAt(row);
    Refit();
}

void TKaartIjkenForm::Refit()
{
    QString problem;
    m_georef.Fit(&problem);
    // Points changed by the user are theirs, no longer the GIS file's.
    const MapCalibration &loaded = m_map.Calibration();
    m_calibration.georeferenceSource = m_georef == loaded.georeference ? loaded.georeferenceSource : QString();
    if (m_georef.IsFitted()) {
        m_calibration.SetGeoreference(m_georef);
        NoordpijlEdit->setText(AngleText(*m_calibration.north));
    } else {
        // North and scale stay as the last fit or the user left them.
        m_calibration.georeference = m_georef;
    }
    if (m_georef.IsEmpty())
        ResultaatLabel->setText(QStringLiteral("Nog geen paspunten: de kaart ligt niet vast op aarde."));
    else if (!m_georef.IsFitted())
        ResultaatLabel->setText(QStringLiteral("Nog geen ijking: %1.").arg(problem));
    else if (!m_georef.ShowsError())
        ResultaatLabel->setText(
            m_georef.kind == MapGeoreference::Kind::Affine
                ? QStringLiteral("Met drie punten gaat een affiene passing precies door alle drie: of ze kloppen, "
                                 "ziet u pas met een vierde punt.")
                : QStringLiteral("Met twee punten gaat de passing precies door beide: of ze kloppen, ziet u pas met "
                                 "een derde punt."));
    else
        ResultaatLabel->setText(QStringLiteral("Gemiddelde afwijking (RMS): %1 m. Noordpijl %2\u00b0, 1 kaartpixel "
                                               "is %3 m.")
                                    .arg(NumberText(m_georef.Rms(), 2), NumberText(m_georef.North(), 1),
                                         NumberText(m_georef.MetresPerPixel(), 4)));
    if (!m_calibration.georeferenceSource.isEmpty())
        ResultaatLabel->setText(
            QStringLiteral("Overgenomen uit '%1' (de hoeken van de kaart zijn de paspunten). Verandert "
                           "u iets, dan bewaart OK een eigen ijking; '%1' blijft zoals het is.")
                .arg(QFileInfo(m_calibration.georeferenceSource).fileName()));
    ShowPoints();
    ShowResult();
}

void TKaartIjkenForm::ShowPoints()
{
    m_filling = true;
    const int selected = PuntenTabel->currentRow();
    PuntenTabel->setRowCount(int(m_georef.points.size()));
    QList<CalibrationMapView::Mark> marks;
    for (int i = 0; i < m_georef.points.size(); ++i) {
        const MapGeoreference::ControlPoint &p = m_georef.points[i];
        auto *on = new QTableWidgetItem;
        on->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        on->setCheckState(p.enabled ? Qt::Checked : Qt::Unchecked);
        PuntenTabel->setItem(i, 0, on);
        const QString residual = m_georef.IsFitted() ? NumberText(m_georef.Residuals()[i], 2) : QString();
        const QStringList texts{QString::number(i + 1),
                                NumberText(p.map.x(), 1),
                                NumberText(p.map.y(), 1),
                                QString::number(p.earth.latitude, 'f', 6),
                                QString::number(p.earth.longitude, 'f', 6),
                                p.enabled || residual.isEmpty() ? residual : QStringLiteral("(%1)").arg(residual)};
        for (int c = 0; c < texts.size(); ++c) {
            auto *item = new QTableWidgetItem(texts[c]);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            PuntenTabel->setItem(i, c + 1, item);
        }
        marks.append({p.map, QString::number(i + 1), p.enabled});
    }
    if (selected >= 0 && selected < PuntenTabel->rowCount())
        PuntenTabel->selectRow(selected);
    PuntVerwijderenButton->setEnabled(!PuntenTabel->selectedItems().isEmpty());
    KaartBeeld->SetMarks(marks, m_picked);
    m_filling = false;
}
