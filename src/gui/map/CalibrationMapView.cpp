#include "gui/map/CalibrationMapView.h"

#include "core/map/MapDecorations.h"

#include <QMouseEvent>
#include <QPainter>

CalibrationMapView::CalibrationMapView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("KaartBeeld"));
    setCursor(Qt::CrossCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CalibrationMapView::SetMap(const QImage &map)
{
    m_mapSize = map.size();
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
    const QSizeF fitted = QSizeF(m_mapSize).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
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
    painter.drawImage(shown, m_shown);
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
            const QRectF placed = box.translated(at + QPointF(6, -6) - box.bottomLeft());
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
    if (m_north)
        MapDecorations::PaintNorthArrow(painter, width() - MapDecorations::ArrowSide - 8, 8, *m_north);
    if (m_metresPerPixel && *m_metresPerPixel > 0) {
        const double widgetPerMapPixel = shown.width() / m_mapSize.width();
        MapDecorations::PaintScaleBar(painter, 8, height() - 8, widgetPerMapPixel / *m_metresPerPixel);
    }
}

void CalibrationMapView::mousePressEvent(QMouseEvent *event)
{
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
    if (!m_dragging)
        return QWidget::mouseMoveEvent(event);
    m_line->setP2(ToMap(event->position()));
    update();
    emit LineDrawn(*m_line, false);
}

void CalibrationMapView::mouseReleaseEvent(QMouseEvent *event)
{
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
    update();
}
