#pragma once

#include <QImage>
#include <QList>
#include <atomic>

// Smaller copies of a decoded map, each half the size of the one before, so
// that a zoomed-out view paints from a picture near its own scale instead
// of scaling the whole map (a scanned floor plan has over a hundred million
// pixels) on every paint. Level k holds ceil(size / 2^k) pixels; each of its
// pixels is the mean of the 2 by 2 pixels below it. The levels together
// take a third of the map's memory at most; the map itself is not copied.
class MapPyramid
{
public:
    // The halvings made for a map: enough for the smallest zoom (1/32).
    static constexpr int MaxLevels = 5;

    MapPyramid() = default;

    // Makes the levels of map. Meant to run off the GUI thread; cancel (when
    // given) is polled between rows and gives an empty pyramid when set.
    static MapPyramid Build(const QImage &map, const std::atomic<bool> *cancel = nullptr);

    // One halving: the mean of each 2 by 2 block (a last odd row or column
    // is the mean of what there is). The result is RGB32, or premultiplied
    // ARGB32 when the picture has transparency.
    static QImage Halve(const QImage &image, const std::atomic<bool> *cancel = nullptr);

    bool IsEmpty() const { return m_levels.isEmpty(); }
    // The map the levels were made from (QImage::cacheKey).
    qint64 SourceKey() const { return m_sourceKey; }
    int LevelCount() const { return int(m_levels.size()); }
    // Level k, 1 <= k <= LevelCount().
    const QImage &Level(int k) const { return m_levels[k - 1]; }

    // The level to paint from at zoom: the smallest one whose scale is not
    // below the zoom (nearest above the screen scale); 0 means the map.
    int LevelFor(double zoom) const;

    qint64 Bytes() const;

private:
    qint64 m_sourceKey = 0;
    QList<QImage> m_levels;
};
