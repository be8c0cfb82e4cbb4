#include "core/photos/PhotoGrid.h"

#include <algorithm>
#include <cmath>

namespace {

// The add-photo dialog's largest coordinate.
constexpr std::int64_t MaxCoordinate = 999999999;

// One axis of the grid: from start, span long, kept within 1 .. extent - 1
// where it fits.
std::int64_t fit(std::int64_t start, std::int64_t span, int extent)
{
    if (extent > 1 && start + span > extent - 1)
        start = extent - 1 - span;
    start = std::max<std::int64_t>(start, 1);
    return std::min(start, MaxCoordinate - span);
}

} // namespace

int PhotoGrid::Pitch(std::int32_t triangleSize)
{
    // Very small triangles still get room for the pointer; absurd sizes
    // from a hand-made file do not run the grid off every map.
    const std::int64_t s = std::clamp<std::int64_t>(triangleSize, 4, 10000);
    return int(3 * s);
}

int PhotoGrid::Columns(int count)
{
    return std::max(1, int(std::ceil(std::sqrt(double(std::max(count, 1))))));
}

QList<QPoint> PhotoGrid::Centred(int count, QPoint centre, std::int32_t triangleSize, QSize mapSize)
{
    const int pitch = Pitch(triangleSize);
    const int columns = Columns(count);
    const int rows = (count + columns - 1) / columns;
    const std::int64_t width = std::int64_t(std::min(count, columns) - 1) * pitch;
    const std::int64_t height = std::int64_t(std::max(rows, 1) - 1) * pitch;
    return Lay(count, centre.x() - width / 2, centre.y() - height / 2, pitch, columns, mapSize);
}

QList<QPoint> PhotoGrid::From(int count, QPoint topLeft, std::int32_t triangleSize, QSize mapSize)
{
    return Lay(count, topLeft.x(), topLeft.y(), Pitch(triangleSize), Columns(count), mapSize);
}

QList<QPoint> PhotoGrid::Lay(int count, std::int64_t left, std::int64_t top, int pitch, int columns, QSize mapSize)
{
    QList<QPoint> points;
    if (count <= 0)
        return points;
    const int rows = (count + columns - 1) / columns;
    const std::int64_t width = std::int64_t(std::min(count, columns) - 1) * pitch;
    const std::int64_t height = std::int64_t(rows - 1) * pitch;
    left = fit(left, width, mapSize.width());
    top = fit(top, height, mapSize.height());
    points.reserve(count);
    for (int i = 0; i < count; ++i)
        points.append(
            QPoint(int(left + std::int64_t(i % columns) * pitch), int(top + std::int64_t(i / columns) * pitch)));
    return points;
}
