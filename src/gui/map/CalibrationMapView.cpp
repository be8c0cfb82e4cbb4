#include "gui/map/CalibrationMapView.h"

#include "core/map/MapDecorations.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

CalibrationMapView::CalibrationMapView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KaartBeeld"));
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Reached by Tab for the keys; a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    setToolTip(QStringLiteral("Zoomen: muiswiel of + en - (0: passend); schuiven: slepen met de rechtermuisknop of de "
                              "pijltjestoetsen"));
}

void CalibrationMapView::SetMap(const QImage &map)
{
    m_mapSize = map.size();
    m_map = map;
    m_zoom = 1;
    m_centre = QPointF(m_mapSize.width() / 2.0, m_mapSize.height() / 2.0);
    // One copy near the screen's size: a scanned plan of many megapixels
    // would be scaled at every paint otherwise.
    m_shown = map.isNull()
        ? QImage()
        : map.scaled(map.size().boundedTo(QSize(1600, 1600)), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    m_line.reset();
    update();
}

void CalibrationMapView::SetCalibration(std::optional<double> north, std::optional<double> metresPerPixel)
{
    m_north = north;
    m_metresPerPixel = metresPerPixel;
    update();
}

void CalibrationMapView::SetLine(std::optional<QLineF> line)
{
    m_line = line;
    update();
}

void CalibrationMapView::SetPointMode(bool on)
{
    m_pointMode = on;
    m_dragging = false;
    update();
}

void CalibrationMapView::SetMarks(const QList<Mark> &marks, std::optional<QPointF> picked)
{
    m_marks = marks;
    m_picked = picked;
    update();
}

QRectF CalibrationMapView::Shown() const
{
    if (m_mapSize.isEmpty())
        return QRectF();
    const QSizeF shown = QSizeF(m_mapSize).scaled(QSizeF(size()), Qt::KeepAspectRatio) * m_zoom;
    const double scale = shown.width() / m_mapSize.width();
    return QRectF(QPointF(width() / 2.0, height() / 2.0) - m_centre * scale, shown);
}

void CalibrationMapView::KeepInView()
{
    const QRectF shown = Shown();
    if (shown.isEmpty())
        return;
    const double scale = shown.width() / m_mapSize.width();
    // Along each axis: centred when the map is narrower than the view, else
    // no grey beside it.
    const auto clampAxis = [scale](double centre, double mapLength, double viewLength) {
        const double half = viewLength / 2 / scale;
        return mapLength <= 2 * half ? mapLength / 2 : std::clamp(centre, half, mapLength - half);
    };
    m_centre = QPointF(clampAxis(m_centre.x(), m_mapSize.width(), width()),
                       clampAxis(m_centre.y(), m_mapSize.height(), height()));
}

void CalibrationMapView::ZoomAbout(double factor, QPointF widgetPoint)
{
    if (m_mapSize.isEmpty())
        return;
    const QPointF before = ToMap(widgetPoint);
    const double zoom = std::clamp(m_zoom * factor, 1.0, MaxZoom);
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    // The map point under widgetPoint stays there.
    const double scale = Shown().width() / m_mapSize.width();
    m_centre = before - (widgetPoint - QPointF(width() / 2.0, height() / 2.0)) / scale;
    KeepInView();
    update();
}

void CalibrationMapView::wheelEvent(QWheelEvent *event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0)
        return QWidget::wheelEvent(event);
    ZoomAbout(std::pow(1.25, steps), event->position());
    event->accept();
}

void CalibrationMapView::keyPressEvent(QKeyEvent *event)
{
    const QPointF middle(width() / 2.0, height() / 2.0);
    const double scale = Shown().isEmpty() ? 1 : Shown().width() / m_mapSize.width();
    const double step = std::min(width(), height()) / 8.0 / scale;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAbout(2, middle);
        break;
    case Qt::Key_Minus:
        ZoomAbout(0.5, middle);
        break;
    case Qt::Key_0:
        ZoomAbout(1 / m_zoom, middle);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        m_centre += QPointF(event->key() == Qt::Key_Left        ? -step
                                : event->key() == Qt::Key_Right ? step
                                                                : 0,
                            event->key() == Qt::Key_Up         ? -step
                                : event->key() == Qt::Key_Down ? step
                                                               : 0);
        KeepInView();
        update();
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
}

QPointF CalibrationMapView::ToWidget(QPointF mapPoint) const
{
    const QRectF shown = Shown();
    if (shown.isEmpty())
        return QPointF();
    const double scale = shown.width() / m_mapSize.width();
    return shown.topLeft() + mapPoint * scale;
}

QPointF CalibrationMapView::ToMap(QPointF widgetPoint) const
{
    const QRectF shown = Shown();
    if (shown.isEmpty())
        return QPointF();
    const double scale = shown.width() / m_mapSize.width();
    const QPointF p = (widgetPoint - shown.topLeft()) / scale;
    return QPointF(std::clamp(p.x(), 0.0, double(m_mapSize.width())),
                   std::clamp(p.y(), 0.0, double(m_mapSize.height())));
}

void CalibrationMapView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF shown = Shown();
    if (shown.isEmpty())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double scale = shown.width() / m_mapSize.width();
    if (scale * m_mapSize.width() <= m_shown.width() * 1.01) {
        painter.drawImage(shown, m_shown);
    } else {
        // Zoomed in beyond the small copy: the part in sight, from the map
        // itself; enlarged, its pixels as squares so that a point is picked
        // on one.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale < 1);
        const QRectF inSight = QRectF(ToMap(QPointF(0, 0)), ToMap(QPointF(width(), height())));
        const QRect source = inSight.toAlignedRect().adjusted(-1, -1, 1, 1).intersected(m_map.rect());
        painter.drawImage(QRectF(ToWidget(source.topLeft()), ToWidget(source.bottomRight() + QPoint(1, 1))), m_map,
                          source);
    }
    if (m_pointMode) {
        painter.setRenderHint(QPainter::Antialiasing);
        const auto cross = [&](QPointF mapPoint, const QColor &colour, const QString &label) {
            const QPointF at = ToWidget(mapPoint);
            for (const auto &[width, pen] : {std::pair{4.0, QColor(255, 255, 255)}, std::pair{2.0, colour}}) {
                painter.setPen(QPen(pen, width));
                painter.drawLine(at - QPointF(7, 0), at + QPointF(7, 0));
                painter.drawLine(at - QPointF(0, 7), at + QPointF(0, 7));
            }
            if (label.isEmpty())
                return;
            const QRectF box = painter.fontMetrics().boundingRect(label).adjusted(-2, -1, 2, 1);
            QRectF placed = box.translated(at + QPointF(6, -6) - box.bottomLeft());
            // A point on the map's edge (a corner read from a GIS file) keeps
            // its number in sight, on the other side of the cross.
            if (placed.top() < 0)
                placed.moveTop(at.y() + 6);
            if (placed.right() > width())
                placed.moveRight(at.x() - 6);
            painter.fillRect(placed, QColor(255, 255, 255, 220));
            painter.setPen(colour);
            painter.drawText(placed, Qt::AlignCenter, label);
        };
        for (const Mark &mark : std::as_const(m_marks))
            cross(mark.map, mark.enabled ? QColor(200, 0, 0) : QColor(110, 110, 110), mark.label);
        if (m_picked)
            cross(*m_picked, QColor(0, 90, 220), QString());
    } else if (m_line) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QLineF line(ToWidget(m_line->p1()), ToWidget(m_line->p2()));
        painter.setPen(QPen(QColor(255, 255, 255), 5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(line);
        painter.setPen(QPen(QColor(220, 0, 0), 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(line);
        painter.setBrush(QColor(220, 0, 0));
        painter.drawEllipse(line.p1(), 3.5, 3.5);
        painter.drawEllipse(line.p2(), 3.5, 3.5);
    }
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (m_north)
        MapDecorations::PaintNorthArrow(painter, width() - MapDecorations::ArrowSide - 8, 8, *m_north);
    if (m_metresPerPixel && *m_metresPerPixel > 0) {
        const double widgetPerMapPixel = shown.width() / m_mapSize.width();
        MapDecorations::PaintScaleBar(painter, 8, height() - 8, widgetPerMapPixel / *m_metresPerPixel);
    }
}

void CalibrationMapView::mousePressEvent(QMouseEvent *event)
{
    if ((event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) && !Shown().isEmpty()) {
        m_panFrom = event->position();
        return;
    }
    if (event->button() != Qt::LeftButton || Shown().isEmpty())
        return QWidget::mousePressEvent(event);
    const QPointF at = ToMap(event->position());
    if (m_pointMode) {
        m_picked = at;
        update();
        emit PointPicked(at);
        return;
    }
    m_line = QLineF(at, at);
    m_dragging = true;
    update();
}

void CalibrationMapView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_panFrom) {
        const double scale = Shown().width() / m_mapSize.width();
        m_centre -= (event->position() - *m_panFrom) / scale;
        m_panFrom = event->position();
        KeepInView();
        update();
        return;
    }
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    m_line->setP2(ToMap(event->position()));
    update();
    emit LineDrawn(*m_line, false);
}

void CalibrationMapView::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_panFrom && (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)) {
        m_panFrom.reset();
        return;
    }
    if (!m_dragging || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    m_dragging = false;
    m_line->setP2(ToMap(event->position()));
    update();
    emit LineDrawn(*m_line, true);
}

void CalibrationMapView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    KeepInView();
    update();
}
