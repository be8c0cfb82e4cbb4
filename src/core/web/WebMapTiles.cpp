#include "core/web/WebMapTiles.h"

#include "core/base/TolvekError.h"
#include "core/photos/JpegEncoder.h"
#include "core/web/PngTileEncoder.h"
#include "core/web/WebExportFolder.h"

#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <array>
#include <cstring>
#include <atomic>
#include <numeric>
#include <vector>

namespace {

// A small set of colours with a limit, for counting and for palettes.
class ColourSet
{
public:
    explicit ColourSet(int limit) : m_limit(limit) { m_slots.fill(Empty); }

    // The colour's index; -1 once more than the limit were seen.
    int Add(QRgb c)
    {
        std::size_t h = (c * 2654435761u) >> 22; // 10 bits
        while (true) {
            const quint64 s = m_slots[h];
            if (s == Empty) {
                if (int(m_colours.size()) >= m_limit)
                    return -1;
                m_slots[h] = (quint64(m_colours.size()) << 32) | c;
                m_colours.push_back(c);
                break;
            }
            if (quint32(s) == c)
                break;
            h = (h + 1) & (m_slots.size() - 1);
        }
        return int(m_slots[h] >> 32);
    }

    const std::vector<QRgb> &Colours() const { return m_colours; }

private:
    static constexpr quint64 Empty = ~quint64(0);
    std::array<quint64, 1024> m_slots;
    std::vector<QRgb> m_colours;
    int m_limit;
};

// A tile of a drawn plan: a palette image when it has few colours (the
// smallest file), else full colour.
QByteArray PngTile(const QImage &level, const QRect &area)
{
    const int size = WebMapTiles::TileSize;
    const bool padded = area.width() < size || area.height() < size;
    // The palette is made while the pixels are indexed; only a tile with
    // too many colours is looked at a second time.
    ColourSet colours(255); // one entry left for the transparent border
    thread_local std::vector<uchar> indexed;
    indexed.resize(std::size_t(size) * size);
    bool few = true;
    for (int y = 0; y < area.height() && few; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(level.constScanLine(area.top() + y)) + area.left();
        uchar *out = indexed.data() + std::size_t(y) * size;
        // Neighbouring pixels of a plan mostly repeat the colour before.
        QRgb last = 0; // never a colour here: those are opaque
        int lastIndex = 0;
        for (int x = 0; x < area.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (c != last) {
                lastIndex = colours.Add(c);
                if (lastIndex < 0) {
                    few = false;
                    break;
                }
                last = c;
            }
            out[x] = uchar(lastIndex);
        }
    }
    if (few) {
        QList<QRgb> table(colours.Colours().begin(), colours.Colours().end());
        if (padded) {
            const uchar transparent = uchar(table.size());
            table << qRgba(0, 0, 0, 0);
            for (int y = 0; y < size; ++y) {
                uchar *out = indexed.data() + std::size_t(y) * size;
                const int from = y < area.height() ? area.width() : 0;
                std::memset(out + from, transparent, std::size_t(size - from));
            }
        }
        return PngTileEncoder::Palette(indexed.data(), size, size, size, table);
    }
    thread_local std::vector<QRgb> tile;
    tile.assign(std::size_t(size) * size, padded ? 0u : 0xFF000000u);
    for (int y = 0; y < area.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(level.constScanLine(area.top() + y)) + area.left();
        QRgb *out = tile.data() + std::size_t(y) * size;
        for (int x = 0; x < area.width(); ++x)
            out[x] = line[x] | 0xFF000000u;
    }
    return PngTileEncoder::Rgb(reinterpret_cast<const uchar *>(tile.data()), size, size, size * 4, padded);
}

QByteArray JpegTile(const QImage &level, const QRect &area)
{
    const int size = WebMapTiles::TileSize;
    QImage tile(size, size, QImage::Format_RGB32);
    if (area.width() < size || area.height() < size)
        tile.fill(WebMapTiles::Background);
    for (int y = 0; y < area.height(); ++y)
        std::memcpy(tile.scanLine(y), level.constScanLine(area.top() + y) + std::size_t(area.left()) * 4,
                    std::size_t(area.width()) * 4);
    return JpegEncoder::Encode(tile, WebMapTiles::Quality);
}

} // namespace

int WebMapTiles::Plan::TileCount() const
{
    int n = 0;
    for (const QSize &s : levels)
        n += ((s.width() + TileSize - 1) / TileSize) * ((s.height() + TileSize - 1) / TileSize);
    return n;
}

bool WebMapTiles::FewColours(const QImage &image, int limit, int step)
{
    ColourSet colours(limit);
    for (int y = 0; y < image.height(); y += step) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QRgb last = 0;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (c != last && colours.Add(c) < 0)
                return false;
            last = c;
        }
    }
    return true;
}

WebMapTiles::Plan WebMapTiles::MakePlan(const QImage &map)
{
    Plan plan;
    plan.size = map.size();
    QSize s = map.size();
    plan.levels << s;
    while (s.width() > TileSize || s.height() > TileSize) {
        s = QSize((s.width() + 1) / 2, (s.height() + 1) / 2);
        plan.levels << s;
    }
    // A sample of the rows tells a drawing from a photograph; a tile that
    // has more colours after all is still written correctly, in full colour.
    const QImage pixels = map.format() == QImage::Format_RGB32 || map.format() == QImage::Format_ARGB32
        ? map
        : map.convertToFormat(QImage::Format_RGB32);
    plan.format = FewColours(pixels, 256, 8) ? Format::Png : Format::Jpeg;
    return plan;
}

QImage WebMapTiles::Halve(const QImage &level, QThreadPool &pool)
{
    const int w = level.width();
    const int h = level.height();
    QImage out((w + 1) / 2, (h + 1) / 2, QImage::Format_RGB32);
    if (out.isNull())
        throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
    std::vector<int> bands((out.height() + 63) / 64);
    std::iota(bands.begin(), bands.end(), 0);
    QtConcurrent::blockingMap(&pool, bands, [&](int band) {
        const int last = std::min(out.height(), (band + 1) * 64);
        for (int oy = band * 64; oy < last; ++oy) {
            const auto *a = reinterpret_cast<const QRgb *>(level.constScanLine(2 * oy));
            const auto *b = 2 * oy + 1 < h ? reinterpret_cast<const QRgb *>(level.constScanLine(2 * oy + 1)) : a;
            auto *o = reinterpret_cast<QRgb *>(out.scanLine(oy));
            for (int ox = 0; ox < out.width(); ++ox) {
                const int x0 = 2 * ox;
                const int x1 = x0 + 1 < w ? x0 + 1 : x0;
                // Red and blue, then green, summed side by side in one word
                // each: four 8-bit values and the rounding fit in 10 bits.
                const quint32 p0 = a[x0], p1 = a[x1], p2 = b[x0], p3 = b[x1];
                const quint32 rb = (p0 & 0xFF00FFu) + (p1 & 0xFF00FFu) + (p2 & 0xFF00FFu) + (p3 & 0xFF00FFu) + 0x020002u;
                const quint32 g = (p0 & 0xFF00u) + (p1 & 0xFF00u) + (p2 & 0xFF00u) + (p3 & 0xFF00u) + 0x0200u;
                o[ox] = 0xFF000000u | ((rb >> 2) & 0xFF00FFu) | ((g >> 2) & 0xFF00u);
            }
        }
    });
    return out;
}

void WebMapTiles::Write(const QImage &map, const Plan &plan, const WebExportFolder &folder, const QString &assetsName,
                        QThreadPool &pool, const std::function<bool()> &tick)
{
    const QString root = assetsName + QStringLiteral("/kaart");
    folder.MakeFolder(root);
    QImage level = map.format() == QImage::Format_RGB32 ? map : map.convertToFormat(QImage::Format_RGB32);
    if (level.isNull())
        throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
    std::atomic<bool> stop{false};
    for (int k = 0; k < plan.levels.size() && !stop; ++k) {
        if (k > 0)
            level = Halve(level, pool);
        const QString dir = root + QLatin1Char('/') + QString::number(k);
        folder.MakeFolder(dir);
        const int columns = (level.width() + TileSize - 1) / TileSize;
        const int rows = (level.height() + TileSize - 1) / TileSize;
        // A folder per column, as tile servers lay them out: the threads
        // then create their files in different folders.
        for (int tx = 0; tx < columns; ++tx)
            folder.MakeFolder(dir + QLatin1Char('/') + QString::number(tx));
        std::vector<int> tiles(std::size_t(columns) * rows);
        std::iota(tiles.begin(), tiles.end(), 0);
        // The first error is kept and thrown here; the other threads stop.
        QString error;
        std::atomic<bool> failed{false};
        QMutex errorLock;
        QtConcurrent::blockingMap(&pool, tiles, [&](int index) {
            if (stop || failed)
                return;
            const int tx = index % columns;
            const int ty = index / columns;
            const QRect area = QRect(tx * TileSize, ty * TileSize, TileSize, TileSize) & level.rect();
            try {
                const QByteArray bytes = plan.format == Format::Png ? PngTile(level, area) : JpegTile(level, area);
                folder.Write(dir + QLatin1Char('/') + QString::number(tx) + QLatin1Char('/') + QString::number(ty)
                                 + QLatin1Char('.') + plan.Extension(),
                             bytes);
            } catch (const TolvekError &e) {
                QMutexLocker lock(&errorLock);
                if (!failed.exchange(true))
                    error = e.message();
                return;
            }
            if (!tick())
                stop = true;
        });
        if (failed)
            throw TolvekError(error);
    }
}
