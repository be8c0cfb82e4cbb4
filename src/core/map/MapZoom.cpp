#include "core/map/MapZoom.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr std::array<double, 17> kLadder = {1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6,
                                            1.0 / 4,  1.0 / 3,  1.0 / 2,  2.0 / 3,  1,       1.5,
                                            2,        3,        4,        6,        8};

// Factors closer than this count as the same step (a fitted factor next to
// a step, or one reached by a pinch).
constexpr double kSameStep = 1e-6;

std::int64_t FloorToInt(double v)
{
    constexpr double limit = double(std::int64_t(1) << 62);
    return std::int64_t(std::floor(std::clamp(v, -limit, limit)));
}

// The map pixels shown in view pixels first..last on one axis: the smallest
// and the largest p with first <= ToView(p) <= last.
PhotoLookup::Area AxisRange(const MapZoom &zoom, std::int64_t first, std::int64_t last)
{
    const double z = zoom.Factor();
    std::int64_t low = FloorToInt(double(first) / z - 0.5);
    while (zoom.ToView(low) < first)
        ++low;
    while (zoom.ToView(low - 1) >= first)
        --low;
    std::int64_t high = FloorToInt(double(last + 1) / z - 0.5);
    while (zoom.ToView(high) > last)
        --high;
    while (zoom.ToView(high + 1) <= last)
        ++high;
    return {low, high, 0, -1};
}

} // namespace

double MapZoom::Clamp(double factor)
{
    if (!std::isfinite(factor))
        return 1;
    return std::clamp(factor, Smallest, Largest);
}

double MapZoom::StepIn(double factor)
{
    for (double step : kLadder)
        if (step > factor * (1 + kSameStep))
            return step;
    return Largest;
}

double MapZoom::StepOut(double factor)
{
    for (auto it = kLadder.rbegin(); it != kLadder.rend(); ++it)
        if (*it < factor * (1 - kSameStep))
            return *it;
    return Smallest;
}

double MapZoom::Fit(QSize mapSize, QSize viewSize)
{
    if (mapSize.isEmpty() || viewSize.isEmpty())
        return 1;
    return Clamp(std::min(double(viewSize.width()) / mapSize.width(), double(viewSize.height()) / mapSize.height()));
}

std::int64_t MapZoom::ToMap(std::int64_t viewPixel) const
{
    if (m_factor == 1)
        return viewPixel;
    return FloorToInt((double(viewPixel) + 0.5) / m_factor);
}

std::int64_t MapZoom::ToView(std::int64_t mapPixel) const
{
    if (m_factor == 1)
        return mapPixel;
    return FloorToInt((double(mapPixel) + 0.5) * m_factor);
}

namespace {
int ToInt(std::int64_t v)
{
    return int(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
} // namespace

QPoint MapZoom::ToMap(QPoint viewPixel) const
{
    return QPoint(ToInt(ToMap(std::int64_t(viewPixel.x()))), ToInt(ToMap(std::int64_t(viewPixel.y()))));
}

QPoint MapZoom::ToView(QPoint mapPixel) const
{
    return QPoint(ToInt(ToView(std::int64_t(mapPixel.x()))), ToInt(ToView(std::int64_t(mapPixel.y()))));
}

QSize MapZoom::ViewSize(QSize mapSize) const
{
    if (m_factor == 1)
        return mapSize;
    auto side = [this](int n) {
        return int(std::clamp<double>(std::ceil(double(n) * m_factor), 1, std::numeric_limits<int>::max()));
    };
    return QSize(side(mapSize.width()), side(mapSize.height()));
}

namespace {
// size scaled with the map below ShrinkBelow, not below floor (nor above size).
std::int64_t Shrunk(std::int64_t size, double factor, std::int64_t floor)
{
    if (factor >= MapZoom::ShrinkBelow || size <= floor)
        return size;
    const std::int64_t scaled = std::llround(double(size) * factor / MapZoom::ShrinkBelow);
    return std::clamp(scaled, floor, size);
}
} // namespace

std::int32_t MapZoom::ShownTriangleSize(std::int32_t triangleSize) const
{
    return std::int32_t(Shrunk(triangleSize, m_factor, 3));
}

int MapZoom::ShownFontPixels(int fontPixels) const
{
    return int(Shrunk(fontPixels, m_factor, 8));
}

double MapZoom::TriangleScale(std::int32_t triangleSize) const
{
    return triangleSize > 0 ? double(ShownTriangleSize(triangleSize)) / triangleSize : 1;
}

double MapZoom::TextScale(int fontPixels) const
{
    return fontPixels > 0 ? double(ShownFontPixels(fontPixels)) / fontPixels : 1;
}

PhotoLookup::Area MapZoom::HitArea(QPoint viewPixel, std::int32_t triangleSize) const
{
    const std::int64_t s = IsZoomedOut() ? ShownTriangleSize(triangleSize) : triangleSize;
    if (s <= 0)
        return PhotoLookup::Area{};
    if (!IsZoomedOut()) {
        const std::int64_t x = ToMap(std::int64_t(viewPixel.x()));
        const std::int64_t y = ToMap(std::int64_t(viewPixel.y()));
        return {x - s + 1, x + s - 1, y - s + 1, y + s - 1};
    }
    // The square in screen pixels: photos shown at c - s < v < c + s.
    const PhotoLookup::Area h = AxisRange(*this, viewPixel.x() - s + 1, viewPixel.x() + s - 1);
    const PhotoLookup::Area v = AxisRange(*this, viewPixel.y() - s + 1, viewPixel.y() + s - 1);
    return {h.left, h.right, v.left, v.right};
}

QString MapZoom::Percent() const
{
    const double percent = m_factor * 100;
    if (percent < 10 - 0.05)
        return QString::number(percent, 'f', 1).replace(QLatin1Char('.'), QLatin1Char(',')) + QLatin1Char('%');
    return QString::number(std::llround(percent)) + QLatin1Char('%');
}
