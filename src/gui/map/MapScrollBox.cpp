#include "gui/map/MapScrollBox.h"

#include "gui/map/MapScrollBarStyle.h"

#include <QEvent>
#include <QScrollBar>

#include <algorithm>

MapScrollBox::MapScrollBox(QWidget *parent) : QScrollArea(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWidgetResizable(false);
    auto *style = new MapScrollBarStyle(this);
    horizontalScrollBar()->setStyle(style);
    verticalScrollBar()->setStyle(style);
}

void MapScrollBox::ApplyAxis(Axis &axis, QScrollBar *bar, int mapSide, int viewportSide, int value)
{
    // The margins keep only what is in sight: the part of the one before
    // the map that lies left of (above) the viewport goes, and so does the
    // part of the one after that lies beyond it.
    const int cutBefore = std::min(axis.before, value);
    axis.before -= cutBefore;
    value -= cutBefore;
    const int content = axis.before + mapSide + axis.after;
    const int beyond = content - value - viewportSide;
    if (beyond > 0)
        axis.after -= std::min(axis.after, beyond);
    const int range = std::max(0, axis.before + mapSide + axis.after - viewportSide);
    bar->setRange(0, range);
    bar->setPageStep(viewportSide);
    bar->setValue(std::min(value, range));
}

void MapScrollBox::Apply()
{
    Apply(QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()));
}

void MapScrollBox::Apply(QPoint values)
{
    QWidget *map = widget();
    if (!map || m_applying)
        return;
    m_applying = true;
    // Twice: a scroll bar that comes or goes changes the other side.
    for (int i = 0; i < 2; ++i) {
        const QSize port = viewport()->size();
        ApplyAxis(m_x, horizontalScrollBar(), map->width(), port.width(), values.x());
        ApplyAxis(m_y, verticalScrollBar(), map->height(), port.height(), values.y());
        if (viewport()->size() == port)
            break;
        values = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    }
    map->move(m_x.before - horizontalScrollBar()->value(), m_y.before - verticalScrollBar()->value());
    m_applying = false;
}

void MapScrollBox::PlaceAxis(Axis &axis, QScrollBar *bar, int mapSide, int viewportSide, int position)
{
    if (position >= 0) {
        axis.before = position;
        axis.after = 0;
        bar->setRange(0, std::max(0, position + mapSide - viewportSide));
        bar->setValue(0);
    } else {
        axis.before = 0;
        axis.after = std::max(0, viewportSide - position - mapSide);
        bar->setRange(0, mapSide + axis.after - viewportSide);
        bar->setValue(-position);
    }
}

void MapScrollBox::PlaceMapAt(QPoint position)
{
    QWidget *map = widget();
    if (!map)
        return;
    m_applying = true;
    PlaceAxis(m_x, horizontalScrollBar(), map->width(), viewport()->width(), position.x());
    PlaceAxis(m_y, verticalScrollBar(), map->height(), viewport()->height(), position.y());
    m_applying = false;
    Apply();
    // A scroll bar that came or went moved the viewport's edge: once more
    // with the viewport's final size.
    if (map->pos() != position) {
        m_applying = true;
        PlaceAxis(m_x, horizontalScrollBar(), map->width(), viewport()->width(), position.x());
        PlaceAxis(m_y, verticalScrollBar(), map->height(), viewport()->height(), position.y());
        m_applying = false;
        Apply();
    }
}

void MapScrollBox::Reset()
{
    m_x = Axis();
    m_y = Axis();
    Apply();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void MapScrollBox::EnsureMapVisible(const QRect &rect)
{
    QWidget *map = widget();
    if (!map)
        return;
    const QRect shown = rect.translated(map->pos());
    auto move = [](QScrollBar *bar, int first, int last, int side) {
        // The smallest scroll that brings [first, last] into [0, side).
        if (first < 0)
            bar->setValue(bar->value() + first);
        else if (last >= side)
            bar->setValue(bar->value() + std::min(first, last - side + 1));
    };
    move(horizontalScrollBar(), shown.left(), shown.right(), viewport()->width());
    move(verticalScrollBar(), shown.top(), shown.bottom(), viewport()->height());
}

template <class BaseCall>
auto MapScrollBox::AroundBase(BaseCall base)
{
    // The plain scroll box sets its ranges without the margins and so may
    // cut the scroll bars' values: they are taken before and set again.
    const QPoint values(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const bool applying = m_applying;
    m_applying = true;
    const auto result = base();
    m_applying = applying;
    Apply(values);
    return result;
}

bool MapScrollBox::event(QEvent *event)
{
    if (event->type() != QEvent::LayoutRequest)
        return QScrollArea::event(event);
    return AroundBase([&] { return QScrollArea::event(event); });
}

bool MapScrollBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != widget() || event->type() != QEvent::Resize)
        return QScrollArea::eventFilter(watched, event);
    return AroundBase([&] { return QScrollArea::eventFilter(watched, event); });
}

void MapScrollBox::resizeEvent(QResizeEvent *event)
{
    AroundBase([&] {
        QScrollArea::resizeEvent(event);
        return true;
    });
}

void MapScrollBox::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    if (m_applying) {
        if (QWidget *map = widget())
            map->move(m_x.before - horizontalScrollBar()->value(), m_y.before - verticalScrollBar()->value());
        return;
    }
    Apply();
}
