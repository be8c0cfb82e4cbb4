#include "gui/map/MapScrollBarStyle.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cstring>

namespace {

// Rows at each end of a slider that its outline and inner line may touch.
constexpr int SliderEdge = 4;

} // namespace

MapScrollBarStyle::MapScrollBarStyle(QObject *parent) : QProxyStyle()
{
    setParent(parent);
}

const QPixmap &MapScrollBarStyle::GrooveOf(const QStyleOptionSlider &bar, const QWidget *widget) const
{
    const int state = int(bar.state);
    const qint64 palette = bar.palette.cacheKey();
    for (const Groove &g : m_grooves)
        if (!g.picture.isNull() && g.size == bar.rect.size() && g.orientation == int(bar.orientation)
            && g.state == state && g.palette == palette)
            return g.picture;
    Groove &made = m_grooves[size_t(m_next)];
    m_next = (m_next + 1) % int(m_grooves.size());
    made = Groove{bar.rect.size(), int(bar.orientation), state, palette, QPixmap(bar.rect.size())};
    made.picture.fill(Qt::transparent);
    QPainter on(&made.picture);
    QStyleOptionSlider groove = bar;
    groove.rect = QRect(QPoint(0, 0), bar.rect.size());
    groove.subControls = SC_ScrollBarGroove;
    QProxyStyle::drawComplexControl(CC_ScrollBar, &groove, &on, widget);
    return made.picture;
}

QImage MapScrollBarStyle::BarRows(const QStyleOptionSlider &bar, const QPixmap &groove, int first, int count,
                                  const QWidget *widget) const
{
    QImage rows(bar.rect.width(), count, QImage::Format_ARGB32_Premultiplied);
    rows.fill(Qt::transparent);
    QPainter on(&rows);
    on.translate(0, -first);
    on.drawPixmap(0, 0, groove);
    QStyleOptionSlider only = bar;
    only.rect.moveTopLeft(QPoint(0, 0));
    only.subControls = SC_ScrollBarSlider;
    QProxyStyle::drawComplexControl(CC_ScrollBar, &only, &on, widget);
    return rows;
}

bool MapScrollBarStyle::DrawVerticalSlider(const QStyleOptionSlider &bar, const QPixmap &groove, QPainter *painter,
                                           const QWidget *widget) const
{
    if (bar.orientation != Qt::Vertical || !(bar.subControls & SC_ScrollBarSlider))
        return false;
    // In the bar's own rows.
    const QRect slider = subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSlider, widget).translated(0, -bar.rect.top());
    // Short fills stay on this thread anyway.
    if (slider.height() < 64 || slider.width() <= 0)
        return false;
    const int height = bar.rect.height();
    const int topFirst = std::max(0, slider.top() - SliderEdge);
    const int bottomEnd = std::min(height, slider.bottom() + 1 + SliderEdge);
    const int middleFirst = slider.top() + SliderEdge, middleEnd = slider.bottom() + 1 - SliderEdge;
    const QImage top = BarRows(bar, groove, topFirst, middleFirst - topFirst, widget);
    const QImage row = BarRows(bar, groove, slider.center().y(), 1, widget);
    const QImage bottom = BarRows(bar, groove, middleEnd, bottomEnd - middleEnd, widget);
    // A partly covered pixel would show the bar's background, which these
    // pictures do not have: then the style draws it all.
    for (const QImage *image : {&top, &row, &bottom})
        for (int y = 0; y < image->height(); ++y) {
            const QRgb *pixels = reinterpret_cast<const QRgb *>(image->constScanLine(y));
            for (int x = 0; x < image->width(); ++x)
                if (qAlpha(pixels[x]) != 255)
                    return false;
        }
    QImage middle(row.width(), middleEnd - middleFirst, QImage::Format_RGB32);
    const size_t bytes = size_t(row.width()) * 4;
    for (int y = 0; y < middle.height(); ++y)
        std::memcpy(middle.scanLine(y), row.constScanLine(0), bytes);
    const QPoint at = bar.rect.topLeft();
    painter->drawImage(at + QPoint(0, topFirst), top);
    painter->drawImage(at + QPoint(0, middleFirst), middle);
    painter->drawImage(at + QPoint(0, middleEnd), bottom);
    return true;
}

void MapScrollBarStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                           const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionSlider *>(option);
    if (control != CC_ScrollBar || !bar || !(bar->subControls & SC_ScrollBarGroove) || bar->rect.isEmpty()
        || baseStyle()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0
        || styleHint(SH_ScrollBar_Transient, option, widget)
        || painter->deviceTransform().type() > QTransform::TxTranslate
        || (painter->device() && painter->device()->devicePixelRatio() != 1)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QPixmap &groove = GrooveOf(*bar, widget);
    painter->drawPixmap(bar->rect.topLeft(), groove);
    QStyleOptionSlider rest = *bar;
    rest.subControls &= ~SC_ScrollBarGroove;
    if (DrawVerticalSlider(*bar, groove, painter, widget))
        rest.subControls &= ~SC_ScrollBarSlider;
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);
}
