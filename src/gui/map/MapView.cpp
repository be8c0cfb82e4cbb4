#include "gui/map/MapView.h"

#include "core/map/MapPainter.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

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
