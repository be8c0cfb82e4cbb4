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

QImage MapScrollBarStyle::BarPart(const QStyleOptionSlider &bar, const QPixmap &groove, const QRect &part,
                                  const QWidget *widget) const
{
    QImage image(part.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter on(&image);
    on.translate(-part.topLeft());
    on.drawPixmap(0, 0, groove);
    QStyleOptionSlider only = bar;
    only.rect.moveTopLeft(QPoint(0, 0));
    only.subControls = SC_ScrollBarSlider;
    QProxyStyle::drawComplexControl(CC_ScrollBar, &only, &on, widget);
    return image;
}

namespace {

bool Opaque(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(pixels[x]) != 255)
                return false;
    }
    return true;
}

} // namespace

bool MapScrollBarStyle::DrawHorizontalSlider(const QStyleOptionSlider &bar, const QPixmap &groove, QPainter *painter,
                                             const QWidget *widget) const
{
    if (bar.orientation != Qt::Horizontal || !(bar.subControls & SC_ScrollBarSlider))
        return false;
    const QRect slider = subControlRect(CC_ScrollBar, &bar, SC_ScrollBarSlider, widget).translated(-bar.rect.left(), 0);
    if (slider.width() < 64 || slider.height() <= 0)
        return false;
    const int height = bar.rect.height();
    const QImage column = BarPart(bar, groove, QRect(slider.center().x(), 0, 1, height), widget);
    if (!Opaque(column))
        return false;
    const int middleFirst = slider.left() + SliderEdge, middleEnd = slider.right() + 1 - SliderEdge;
    QImage middle(middleEnd - middleFirst, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRgb *to = reinterpret_cast<QRgb *>(middle.scanLine(y));
        std::fill(to, to + middle.width(), reinterpret_cast<const QRgb *>(column.constScanLine(y))[0]);
    }
    painter->drawImage(bar.rect.topLeft() + QPoint(middleFirst, 0), middle);
    QStyleOptionSlider only = bar;
    only.subControls = SC_ScrollBarSlider;
    for (const QRect &end :
         {QRect(slider.left() - SliderEdge, 0, 2 * SliderEdge, height), QRect(middleEnd, 0, 2 * SliderEdge, height)}) {
        painter->save();
        painter->setClipRect(end.translated(bar.rect.topLeft()), Qt::IntersectClip);
        QProxyStyle::drawComplexControl(CC_ScrollBar, &only, painter, widget);
        painter->restore();
    }
    return true;
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
    const QImage top = BarPart(bar, groove, QRect(0, topFirst, bar.rect.width(), middleFirst - topFirst), widget);
    const QImage row = BarPart(bar, groove, QRect(0, slider.center().y(), bar.rect.width(), 1), widget);
    const QImage bottom = BarPart(bar, groove, QRect(0, middleEnd, bar.rect.width(), bottomEnd - middleEnd), widget);
    // A partly covered pixel would show the bar's background, which these
    // pictures do not have: then the style draws it all.
    for (const QImage *image : {&top, &row, &bottom})
        if (!Opaque(*image))
            return false;
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
    if (DrawVerticalSlider(*bar, groove, painter, widget) || DrawHorizontalSlider(*bar, groove, painter, widget))
        rest.subControls &= ~SC_ScrollBarSlider;
    QProxyStyle::drawComplexControl(control, &rest, painter, widget);
}
