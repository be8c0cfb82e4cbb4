#include "gui/map/TKaartIjkenForm.h"

#include "core/base/ProgramTexts.h"
#include "gui/map/CalibrationMapView.h"
#include "gui/map/MapCommands.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/DialogParts.h"
#include "gui/widgets/GeneralError.h"
#include "gui/widgets/HelpContexts.h"
#include "gui/widgets/MessageDialogs.h"
#include "gui/widgets/UserInteraction.h"

#include <QButtonGroup>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

TKaartIjkenForm::TKaartIjkenForm(ProjectHost &host, MapCommands &map, QWidget *parent)
    : QDialog(parent),
      m_host(host),
      m_map(map)
{
    setObjectName(QStringLiteral("KaartIjkenForm"));
    setWindowTitle(Caption());
    setModal(true);

    auto *layout = new QVBoxLayout(this);
    KaartBeeld = new CalibrationMapView(this);
    layout->addWidget(KaartBeeld, 1);
    auto *hint = new QLabel(
        QStringLiteral("Trek met de muis een lijn over de kaart; kies hieronder wat die lijn aangeeft."), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    auto *north = new QGroupBox(QStringLiteral("Noorden"), this);
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
    layout->addWidget(north);

    auto *scale = new QGroupBox(QStringLiteral("Schaal (niet verplicht)"), this);
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
    layout->addWidget(scale);

    auto *modes = new QButtonGroup(this);
    modes->addButton(NoordLijnRadio);
    modes->addButton(RichtingLijnRadio);
    modes->addButton(SchaalLijnRadio);
    NoordLijnRadio->setChecked(true);

    auto *buttons = new QHBoxLayout;
    QToolButton *help = DialogParts::MakeHelpButton(this, 0, 0, HelpContexts::CalibrateMap);
    buttons->addWidget(help);
    buttons->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Annuleren"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
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
    GeneralError::ConnectCommand(Button1, &QPushButton::clicked, this, &TKaartIjkenForm::OkClick);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
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

int TKaartIjkenForm::Execute()
{
    const QImage map = m_map.Metafile().Scene().map;
    if (map.isNull() || m_map.MapPath().isEmpty()) {
        MessageDialogs::ShowInfoMessage(ProgramTexts::AppTitle(), Caption(), NoMapText(), QStringLiteral("&OK"));
        return QDialog::Rejected;
    }
    m_calibration = m_map.Calibration();
    KaartBeeld->SetMap(map);
    NoordpijlEdit->setText(m_calibration.north ? NumberText(*m_calibration.north) : QString());
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
            NoordpijlEdit->setText(NumberText(*m_calibration.north));
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
            NoordpijlEdit->setText(NumberText(*m_calibration.north));
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
