#include "gui/map/MapCalibrationCommands.h"

#include "core/map/EarthCoordinates.h"
#include "core/platform/AppSettings.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapOverlay.h"
#include "gui/map/MapView.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/map/TPlaatsOvernemenForm.h"
#include "gui/map/TRichtingOvernemenForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/GeneralError.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

namespace {

const QString NorthSetting = QStringLiteral("Kaart/Noordpijl");
const QString ScaleSetting = QStringLiteral("Kaart/Schaalbalk");
const QString OutputSetting = QStringLiteral("Kaartuitvoer/NoordEnSchaal");

bool Setting(const QString &key, bool byDefault = true)
{
    return AppSettings::Open()->value(key, byDefault).toBool();
}

void SetSetting(const QString &key, bool on)
{
    AppSettings::Remember(key, on);
}

} // namespace

MapCalibrationCommands::MapCalibrationCommands(ProjectHost &host, MapCommands &map, QScrollArea *scrollBox,
                                               MapView *view, PhotoMetadataCache &metadata, QObject *parent)
    : QObject(parent),
      m_host(host),
      m_map(map),
      m_view(view),
      m_watched(view),
      m_metadata(metadata)
{
    QWidget *viewport = scrollBox->viewport();
    m_north = new MapOverlay(MapOverlay::Kind::NorthArrow, viewport, view);
    m_scale = new MapOverlay(MapOverlay::Kind::ScaleBar, viewport, view);
    m_line = new MapOverlay(MapOverlay::Kind::Measure, viewport, view);

    m_calibrate = new QAction(QStringLiteral("Kaart i&jken..."), this);
    m_calibrate->setObjectName(QStringLiteral("KaartIjken1"));
    GeneralError::ConnectCommand(m_calibrate, &QAction::triggered, this, &MapCalibrationCommands::Calibrate);
    m_takeDirections = new QAction(QStringLiteral("&Richting uit foto's overnemen..."), this);
    m_takeDirections->setObjectName(QStringLiteral("RichtingOvernemen1"));
    GeneralError::ConnectCommand(m_takeDirections, &QAction::triggered, this, &MapCalibrationCommands::TakeDirections);
    m_takePlaces = new QAction(QStringLiteral("&Plaats uit foto's overnemen..."), this);
    m_takePlaces->setObjectName(QStringLiteral("PlaatsOvernemen1"));
    GeneralError::ConnectCommand(m_takePlaces, &QAction::triggered, this, &MapCalibrationCommands::TakePlaces);

    m_showNorth = new QAction(QStringLiteral("&Noordpijl"), this);
    m_showNorth->setObjectName(QStringLiteral("Noordpijl1"));
    m_showNorth->setCheckable(true);
    m_showNorth->setChecked(Setting(NorthSetting));
    connect(m_showNorth, &QAction::toggled, this, [this](bool on) {
        SetSetting(NorthSetting, on);
        Refresh();
    });
    m_showScale = new QAction(QStringLiteral("&Schaalbalk"), this);
    m_showScale->setObjectName(QStringLiteral("Schaalbalk1"));
    m_showScale->setCheckable(true);
    m_showScale->setChecked(Setting(ScaleSetting));
    connect(m_showScale, &QAction::toggled, this, [this](bool on) {
        SetSetting(ScaleSetting, on);
        Refresh();
    });
    // Outputs keep their bytes unless the user asks for the marks.
    m_outputMarks = new QAction(QStringLiteral("&Met noordpijl en schaalbalk"), this);
    m_outputMarks->setObjectName(QStringLiteral("NoordEnSchaal1"));
    m_outputMarks->setCheckable(true);
    m_outputMarks->setChecked(Setting(OutputSetting, false));
    m_outputMarks->setToolTip(QStringLiteral("Afdrukken en exporteren als afbeelding met de noordpijl en de "
                                             "schaalbalk van de geijkte kaart"));
    connect(m_outputMarks, &QAction::toggled, this, [](bool on) { SetSetting(OutputSetting, on); });
    m_measure = new QAction(QStringLiteral("&Afstand meten"), this);
    m_measure->setObjectName(QStringLiteral("AfstandMeten1"));
    m_measure->setCheckable(true);
    m_measure->setToolTip(QStringLiteral("Afstand meten: sleep over de kaart (of sleep met Ctrl ingedrukt)"));
    connect(m_measure, &QAction::toggled, this, [this](bool on) {
        if (m_view)
            m_view->setCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
        if (!on)
            EndMeasure();
    });

    m_position = new QLabel;
    m_position->setObjectName(QStringLiteral("PositieOpAarde"));
    m_position->setToolTip(QStringLiteral("Breedte en lengte (WGS84) van het punt onder de muis"));
    m_position->hide();

    // Before the map's own mouse handling, which was installed first.
    view->installEventFilter(this);
    connect(scrollBox->horizontalScrollBar(), &QScrollBar::valueChanged, m_line, qOverload<>(&QWidget::update));
    connect(scrollBox->verticalScrollBar(), &QScrollBar::valueChanged, m_line, qOverload<>(&QWidget::update));
    m_map.SetCalibrationListener([this] { Refresh(); });
}

MapCalibrationCommands::~MapCalibrationCommands()
{
    m_map.SetCalibrationListener(nullptr);
    // Not yet in a status bar (a window that was never built) it is ours.
    if (m_position && !m_position->parent())
        delete m_position;
}

QString MapCalibrationCommands::PositionText(QPointF mapPoint) const
{
    const MapCalibration &c = m_map.Calibration();
    if (m_map.MapPath().isEmpty() || !c.IsGeoreferenced())
        return {};
    const auto earth = c.georeference.ToEarth(mapPoint);
    return earth ? EarthCoordinates::DegreesText(*earth) : QString();
}

void MapCalibrationCommands::Refresh()
{
    const MapCalibration &c = m_map.Calibration();
    const bool hasMap = !m_map.MapPath().isEmpty();
    m_north->SetNorth(c.north);
    m_north->setVisible(hasMap && c.HasNorth() && m_showNorth->isChecked());
    m_scale->SetMetresPerPixel(c.metresPerPixel);
    m_scale->setVisible(hasMap && c.HasScale() && m_showScale->isChecked());
    m_north->Place();
    m_scale->Place();
}

MapDecorations::Marks MapCalibrationCommands::OutputMarks() const
{
    MapDecorations::Marks marks;
    if (m_outputMarks->isChecked() && !m_map.MapPath().isEmpty()) {
        marks.north = m_map.Calibration().north;
        marks.metresPerPixel = m_map.Calibration().metresPerPixel;
    }
    return marks;
}

void MapCalibrationCommands::Calibrate()
{
    if (!m_dialog)
        m_dialog = new TKaartIjkenForm(m_host, m_map, m_metadata, m_host.MainWindow());
    m_dialog->Execute();
    Refresh();
}

void MapCalibrationCommands::TakeDirections()
{
    if (!m_directions)
        m_directions = new TRichtingOvernemenForm(m_host, m_map, m_metadata, m_host.MainWindow());
    m_directions->Execute(m_selection ? m_selection() : QList<qsizetype>());
}

void MapCalibrationCommands::TakePlaces()
{
    if (!m_places)
        m_places = new TPlaatsOvernemenForm(m_host, m_map, m_metadata, m_host.MainWindow());
    m_places->Execute(m_selection ? m_selection() : QList<qsizetype>());
}

QString MapCalibrationCommands::MeasureText(const QLineF &line) const
{
    const MapCalibration &c = m_map.Calibration();
    QString text;
    if (const auto metres = c.Distance(line.x1(), line.y1(), line.x2(), line.y2()))
        text = *metres >= 1000 ? QStringLiteral("Afstand: %1 km").arg(TKaartIjkenForm::NumberText(*metres / 1000, 3))
                               : QStringLiteral("Afstand: %1 m").arg(TKaartIjkenForm::NumberText(*metres, 2));
    else
        text = QStringLiteral("Afstand: %1 kaartpixels (de kaart heeft geen schaal)")
                   .arg(TKaartIjkenForm::NumberText(line.length(), 1));
    if (line.length() > 0) {
        if (const auto bearing = c.Bearing(line.x1(), line.y1(), line.x2(), line.y2()))
            text += QStringLiteral(", richting: %1\u00b0 vanaf noord").arg(TKaartIjkenForm::NumberText(*bearing, 1));
        else
            text += QStringLiteral(", richting onbekend (de kaart heeft geen noordpijl)");
    }
    return text;
}

bool MapCalibrationCommands::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_watched)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return MouseEvent(static_cast<QMouseEvent *>(event));
    case QEvent::Resize:
        Refresh();
        break;
    case QEvent::Leave:
        m_position->clear();
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && m_measure->isChecked()) {
            m_measure->setChecked(false);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool MapCalibrationCommands::MouseEvent(QMouseEvent *event)
{
    const double f = m_view->Zoom().Factor();
    const QPointF at = event->position() / f;
    if (event->type() == QEvent::MouseMove) {
        const QString where = PositionText(at);
        m_position->setText(where);
        m_position->setVisible(!where.isEmpty());
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (event->button() != Qt::LeftButton || m_host.AddPickMode() || m_host.DeletePickMode()
            || !(m_measure->isChecked() || (event->modifiers() & Qt::ControlModifier)))
            return false;
        m_measuring = true;
        m_from = at;
        m_line->Place();
        m_line->SetLine(QLineF(at, at));
        m_line->show();
        m_host.ShowStatus(MeasureText(QLineF(at, at)));
        return true;
    }
    if (!m_measuring)
        return false;
    const QLineF line(m_from, at);
    m_line->SetLine(line);
    m_host.ShowStatus(MeasureText(line));
    if (event->type() == QEvent::MouseButtonRelease && event->button() == Qt::LeftButton) {
        m_measuring = false;
        // The tool keeps its last line in view; a quick Ctrl-drag does not.
        if (!m_measure->isChecked())
            m_line->hide();
    }
    return true;
}

void MapCalibrationCommands::EndMeasure()
{
    m_measuring = false;
    m_line->hide();
}
