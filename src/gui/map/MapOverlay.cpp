#include "gui/map/MapOverlay.h"

#include "core/map/MapDecorations.h"
#include "gui/map/MapView.h"

#include <QEvent>
#include <QImage>
#include <QPainter>

namespace {

constexpr int Margin = 8;
constexpr double BarWidth = 120;

} // namespace

MapOverlay::MapOverlay(Kind kind, QWidget *viewport, MapView *view) : QWidget(viewport), m_kind(kind), m_view(view)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(kind == Kind::NorthArrow     ? QStringLiteral("Noordpijl")
                      : kind == Kind::ScaleBar ? QStringLiteral("Schaalbalk")
                                               : QStringLiteral("Meetlijn"));
    viewport->installEventFilter(this);
    hide();
}

void MapOverlay::SetNorth(std::optional<double> north)
{
    m_north = north;
    update();
}

void MapOverlay::SetMetresPerPixel(std::optional<double> metresPerPixel)
{
    m_metresPerPixel = metresPerPixel;
    Place();
    update();
}

void MapOverlay::SetLine(std::optional<QLineF> line)
{
    m_line = line;
    update();
}

QSize MapOverlay::ScaleBarSize() const
{
    // Measured by painting where nothing is kept.
    if (!m_metresPerPixel || !m_view)
        return QSize();
    QImage scratch(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&scratch);
    const QRectF box =
        MapDecorations::PaintScaleBar(painter, 0, 0, m_view->Zoom().Factor() / *m_metresPerPixel, BarWidth);
    return box.size().toSize() + QSize(2, 2);
}

void MapOverlay::Place()
{
    QWidget *viewport = parentWidget();
    if (!viewport)
        return;
    switch (m_kind) {
    case Kind::NorthArrow: {
        const int side = int(MapDecorations::ArrowSide);
        setGeometry(viewport->width() - side - Margin, Margin, side, side);
        break;
    }
    case Kind::ScaleBar: {
        const QSize size = ScaleBarSize();
        setGeometry(Margin, viewport->height() - size.height() - Margin, size.width(), size.height());
        break;
    }
    case Kind::Measure:
        setGeometry(viewport->rect());
        break;
    }
    raise();
}

bool MapOverlay::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        Place();
    return QWidget::eventFilter(watched, event);
}

void MapOverlay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    switch (m_kind) {
    case Kind::NorthArrow:
        if (m_north)
            MapDecorations::PaintNorthArrow(painter, 0, 0, *m_north);
        break;
    case Kind::ScaleBar:
        if (m_metresPerPixel && m_view)
            MapDecorations::PaintScaleBar(painter, 0, height() - 1, m_view->Zoom().Factor() / *m_metresPerPixel,
                                          BarWidth);
        break;
    case Kind::Measure:
        if (m_line && m_view) {
            // Map pixels to the view, then to this widget (the view scrolls
            // under it).
            const double f = m_view->Zoom().Factor();
            const QPointF offset = m_view->mapTo(parentWidget(), QPoint(0, 0));
            const QLineF line(m_line->p1() * f + offset, m_line->p2() * f + offset);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(line);
            painter.setPen(QPen(QColor(220, 0, 0), 2, Qt::DashLine, Qt::RoundCap));
            painter.drawLine(line);
        }
        break;
    }
}
