#include "gui/map/MapView.h"

#include "core/map/MapPainter.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

MapView::MapView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("OverzichtsImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(0, 0);
}

void MapView::SetScene(const MapScene &scene)
{
    m_scene = scene;
    m_hasPicture = true;
    resize(m_scene.size);
    updateGeometry();
    update();
}

void MapView::ClearPicture()
{
    m_scene = MapScene();
    m_hasPicture = false;
    resize(0, 0);
    updateGeometry();
    update();
}

QSize MapView::sizeHint() const
{
    return m_hasPicture ? m_scene.size : QSize(0, 0);
}

void MapView::paintEvent(QPaintEvent *event)
{
    if (!m_hasPicture)
        return;
    QPainter painter(this);
    for (const QRect &rect : event->region()) {
        // White where the map bitmap has no pixels (no map, or transparent ones).
        if (m_scene.map.isNull() || m_scene.map.hasAlphaChannel())
            painter.fillRect(rect, Qt::white);
        painter.setClipRect(rect);
        MapPainter::Paint(painter, m_scene, rect);
    }
    if (m_highlighted.isEmpty())
        return;
    // One photo: a ring around its triangle, orange on a white edge, to be
    // seen on dark and light maps alike. Several (an import's grid): their
    // triangles drawn over in orange, as rings would run into each other.
    painter.setClipRegion(event->region());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QColor orange(255, 120, 0);
    const QRect exposed = event->region().boundingRect();
    const bool one = m_highlighted.size() == 1;
    for (const qsizetype position : m_highlighted) {
        const QRect r = HighlightRect(position);
        if (r.isEmpty() || !r.intersects(exposed))
            continue;
        if (one) {
            painter.setPen(QPen(Qt::white, 5));
            painter.drawEllipse(r);
            painter.setPen(QPen(orange, 3));
            painter.drawEllipse(r);
        } else {
            QPolygon triangle = m_scene.photos[position].triangle.toPolygon();
            for (QPoint &p : triangle)
                p = MapToWidget(p);
            painter.setPen(QPen(orange, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolygon(triangle);
        }
    }
}

QRect MapView::HighlightRect(qsizetype position) const
{
    if (position < 0 || position >= m_scene.photos.size())
        return QRect();
    const QRect triangle = m_scene.photos[position].triangle.boundingRect();
    if (triangle.isNull())
        return QRect();
    const QPoint centre = MapToWidget(triangle.center());
    const int radius = std::max(triangle.width(), triangle.height()) / 2 + 4;
    return QRect(centre.x() - radius, centre.y() - radius, 2 * radius + 1, 2 * radius + 1);
}

void MapView::SetHighlightedPhotos(const QList<qsizetype> &positions)
{
    if (positions == m_highlighted)
        return;
    QRegion dirty;
    // Few marks: repaint just around them; many: the whole view.
    if (positions.size() + m_highlighted.size() <= 64) {
        for (const qsizetype p : m_highlighted)
            dirty += HighlightRect(p).adjusted(-3, -3, 3, 3);
        for (const qsizetype p : positions)
            dirty += HighlightRect(p).adjusted(-3, -3, 3, 3);
    } else {
        dirty = rect();
    }
    m_highlighted = positions;
    update(dirty);
}

void MapView::mouseReleaseEvent(QMouseEvent *event)
{
    emit MouseUp(event->button(), event->modifiers(), event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

void MapView::ShowPickPointer(bool picking)
{
    const Qt::CursorShape shape = picking ? Qt::CrossCursor : Qt::ArrowCursor;
    if (cursor().shape() != shape)
        setCursor(shape);
}
