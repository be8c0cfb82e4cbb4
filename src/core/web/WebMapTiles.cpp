#include "core/web/WebMapTiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapBandReader.h"
#include "core/photos/JpegEncoder.h"
#include "core/web/PngTileEncoder.h"
#include "core/web/WebExportFolder.h"

#include <QFuture>
#include <QMutex>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
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

// A tile of a drawn plan with more colours than a palette holds: full
// colour, transparent beyond the map.
QByteArray RgbPngTile(const QImage &level, const QRect &area)
{
    const int size = WebMapTiles::TileSize;
    const bool padded = area.width() < size || area.height() < size;
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

// One palette tile being filled row by row.
struct PaletteTile
{
    ColourSet colours{255}; // one entry left for the transparent border
    std::vector<uchar> indices = std::vector<uchar>(std::size_t(WebMapTiles::TileSize) * WebMapTiles::TileSize);
    bool few = true;
    // Neighbouring pixels of a plan mostly repeat the colour before.
    QRgb last = 0; // never a colour here: those are opaque
    int lastIndex = 0;

    void AddRow(const QRgb *line, int width, int y)
    {
        uchar *out = indices.data() + std::size_t(y) * WebMapTiles::TileSize;
        for (int x = 0; x < width; ++x) {
            const QRgb c = line[x] | 0xFF000000u;
            if (c != last) {
                lastIndex = colours.Add(c);
                if (lastIndex < 0) {
                    few = false;
                    return;
                }
                last = c;
            }
            out[x] = uchar(lastIndex);
        }
    }

    QByteArray Png(const QRect &area)
    {
        const int size = WebMapTiles::TileSize;
        QList<QRgb> table(colours.Colours().begin(), colours.Colours().end());
        if (area.width() < size || area.height() < size) {
            const uchar transparent = uchar(table.size());
            table << qRgba(0, 0, 0, 0);
            for (int y = 0; y < size; ++y) {
                const int from = y < area.height() ? area.width() : 0;
                std::memset(indices.data() + std::size_t(y) * size + from, transparent, std::size_t(size - from));
            }
        }
        return PngTileEncoder::Palette(indices.data(), size, size, size, table);
    }
};

// Row oy of the next level: each pixel the mean of the two by two it
// covers (one row or column less at an odd edge).
void HalveRow(const QRgb *a, const QRgb *b, int width, QRgb *out, int outWidth)
{
    for (int ox = 0; ox < outWidth; ++ox) {
        const int x0 = 2 * ox;
        const int x1 = x0 + 1 < width ? x0 + 1 : x0;
        // Red and blue, then green, summed side by side in one word each:
        // four 8-bit values and the rounding fit in 10 bits.
        const quint32 p0 = a[x0], p1 = a[x1], p2 = b[x0], p3 = b[x1];
        const quint32 rb = (p0 & 0xFF00FFu) + (p1 & 0xFF00FFu) + (p2 & 0xFF00FFu) + (p3 & 0xFF00FFu) + 0x020002u;
        const quint32 g = (p0 & 0xFF00u) + (p1 & 0xFF00u) + (p2 & 0xFF00u) + (p3 & 0xFF00u) + 0x0200u;
        out[ox] = 0xFF000000u | ((rb >> 2) & 0xFF00FFu) | ((g >> 2) & 0xFF00u);
    }
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

// A tile of a map read in bands: the palette is gathered here, tile by
// tile, as Write gathers it band by band.
QByteArray BandTile(const QImage &band, const QRect &area, WebMapTiles::Format format)
{
    if (format == WebMapTiles::Format::Jpeg)
        return JpegTile(band, area);
    PaletteTile palette;
    for (int y = 0; y < area.height() && palette.few; ++y)
        palette.AddRow(reinterpret_cast<const QRgb *>(band.constScanLine(area.top() + y)) + area.left(), area.width(),
                       y);
    return palette.few ? palette.Png(area) : RgbPngTile(band, area);
}

// The rows of one level of the pyramid not yet cut into tiles: at most one
// band of tile rows.
struct LevelBand
{
    QSize size;      // the level's
    QImage rows;     // TileSize rows wide as the level, fewer in its last band
    int filled = 0;  // rows of it written
    int tileRow = 0; // its tiles' y

    int Top() const { return tileRow * WebMapTiles::TileSize; }
    void StartBand()
    {
        rows = QImage(size.width(), std::min(WebMapTiles::TileSize, size.height() - Top()), QImage::Format_RGB32);
        if (rows.isNull())
            throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
        filled = 0;
    }
};

struct BandJob
{
    QImage band;
    int level = 0;
    int tx = 0;
    int ty = 0;
};

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

WebMapTiles::Plan WebMapTiles::MakePlan(QSize size)
{
    Plan plan;
    plan.size = size;
    QSize s = size;
    plan.levels << s;
    while (s.width() > TileSize || s.height() > TileSize) {
        s = QSize((s.width() + 1) / 2, (s.height() + 1) / 2);
        plan.levels << s;
    }
    return plan;
}

WebMapTiles::Plan WebMapTiles::MakePlan(const QImage &map)
{
    Plan plan = MakePlan(map.size());
    // A sample of the rows tells a drawing from a photograph; a tile that
    // has more colours after all is still written correctly, in full colour.
    const QImage pixels = map.format() == QImage::Format_RGB32 || map.format() == QImage::Format_ARGB32
        ? map
        : map.convertToFormat(QImage::Format_RGB32);
    plan.format = FewColours(pixels, 256, 8) ? Format::Png : Format::Jpeg;
    return plan;
}

void WebMapTiles::Write(const QImage &map, const Plan &plan, WebExportFolder &folder, QThreadPool &pool,
                        const std::function<bool()> &tick)
{
    const QString root = QStringLiteral("kaart");
    folder.MakeFolder(root);
    QImage level = map.format() == QImage::Format_RGB32 ? map : map.convertToFormat(QImage::Format_RGB32);
    if (level.isNull())
        throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
    std::atomic<bool> stop{false};
    for (int k = 0; k < plan.levels.size() && !stop; ++k) {
        const QString dir = root + QLatin1Char('/') + QString::number(k);
        folder.MakeFolder(dir);
        const int width = level.width();
        const int height = level.height();
        const int columns = (width + TileSize - 1) / TileSize;
        const int rows = (height + TileSize - 1) / TileSize;
        // A folder per column, as tile servers lay them out: the threads
        // then create their files in different folders.
        for (int tx = 0; tx < columns; ++tx)
            folder.MakeFolder(dir + QLatin1Char('/') + QString::number(tx));
        QImage next;
        if (k + 1 < plan.levels.size()) {
            next = QImage(plan.levels[k + 1], QImage::Format_RGB32);
            if (next.isNull())
                throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
        }

        // A task per row of tiles: it reads its rows of the level once, from
        // left to right, fills every tile of the row and the next level's
        // rows beneath them, then writes the tiles.
        std::vector<int> bands(static_cast<std::size_t>(rows));
        std::iota(bands.begin(), bands.end(), 0);
        QString error;
        std::atomic<bool> failed{false};
        QMutex errorLock;
        QtConcurrent::blockingMap(&pool, bands, [&](int ty) {
            if (stop || failed)
                return;
            const int top = ty * TileSize;
            const int bandHeight = std::min(TileSize, height - top);
            std::vector<PaletteTile> palette(plan.format == Format::Png ? std::size_t(columns) : 0);
            for (int y = 0; y < bandHeight; ++y) {
                const auto *line = reinterpret_cast<const QRgb *>(level.constScanLine(top + y));
                for (std::size_t tx = 0; tx < palette.size(); ++tx)
                    if (palette[tx].few)
                        palette[tx].AddRow(line + tx * TileSize, std::min(TileSize, width - int(tx) * TileSize), y);
                if (!next.isNull() && (y % 2 == 1 || y == bandHeight - 1)) {
                    const auto *above =
                        y % 2 == 1 ? reinterpret_cast<const QRgb *>(level.constScanLine(top + y - 1)) : line;
                    HalveRow(above, line, width, reinterpret_cast<QRgb *>(next.scanLine((top + y) / 2)), next.width());
                }
            }
            for (int tx = 0; tx < columns && !stop; ++tx) {
                const QRect area = QRect(tx * TileSize, top, TileSize, TileSize) & level.rect();
                try {
                    const QByteArray bytes = plan.format == Format::Jpeg ? JpegTile(level, area)
                        : palette[std::size_t(tx)].few                   ? palette[std::size_t(tx)].Png(area)
                                                                         : RgbPngTile(level, area);
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
            }
        });
        if (failed)
            throw TolvekError(error);
        level = next;
    }
}

void WebMapTiles::WriteBands(MapBandReader &reader, Plan &plan, WebExportFolder &folder, QThreadPool &pool,
                             const std::function<bool()> &tick, const std::function<void(int tiles)> &rewind)
{
    const QString root = QStringLiteral("kaart");
    auto makeFolders = [&] {
        folder.MakeFolder(root);
        for (int k = 0; k < plan.levels.size(); ++k) {
            const QString dir = root + QLatin1Char('/') + QString::number(k);
            folder.MakeFolder(dir);
            for (int tx = 0; tx < (plan.levels[k].width() + TileSize - 1) / TileSize; ++tx)
                folder.MakeFolder(dir + QLatin1Char('/') + QString::number(tx));
        }
    };
    plan.format = Format::Png;
    makeFolders();

    std::atomic<bool> stop{false};
    std::atomic<bool> failed{false};
    std::atomic<int> written{0};
    QString error;
    QMutex errorLock;
    auto writeTile = [&](const BandJob &job) {
        if (stop || failed)
            return;
        const QRect area = QRect(job.tx * TileSize, 0, TileSize, TileSize) & job.band.rect();
        try {
            folder.Write(root + QLatin1Char('/') + QString::number(job.level) + QLatin1Char('/')
                             + QString::number(job.tx) + QLatin1Char('/') + QString::number(job.ty) + QLatin1Char('.')
                             + plan.Extension(),
                         BandTile(job.band, area, plan.format));
        } catch (const TolvekError &e) {
            QMutexLocker lock(&errorLock);
            if (!failed.exchange(true))
                error = e.message();
            return;
        }
        ++written;
        if (!tick())
            stop = true;
    };

    // The tiles of one band are written on the pool while the calling
    // thread reads the next band.
    std::vector<BandJob> running;
    QFuture<void> future;
    auto finish = [&] {
        future.waitForFinished();
        running.clear();
    };

    bool again = true;
    while (again) {
        again = false;
        std::vector<LevelBand> levels(std::size_t(plan.levels.size()));
        for (std::size_t k = 0; k < levels.size(); ++k) {
            levels[k].size = plan.levels[int(k)];
            if (k > 0)
                levels[k].StartBand();
        }
        // The same rows MakePlan looks at, the same limit.
        ColourSet sample(256);
        bool few = plan.format == Format::Png;
        int top = 0;
        try {
            while (top < plan.size.height() && !stop && !failed) {
                const QImage band = reader.Next(TileSize);
                if (band.isNull())
                    throw TolvekError(
                        QStringLiteral("De overzichtskaart \"%1\" houdt te vroeg op.").arg(reader.Path()));
                for (int y = (8 - top % 8) % 8; few && y < band.height(); y += 8) {
                    const auto *line = reinterpret_cast<const QRgb *>(band.constScanLine(y));
                    QRgb last = 0;
                    for (int x = 0; x < band.width() && few; ++x) {
                        const QRgb c = line[x] | 0xFF000000u;
                        if (c != last && sample.Add(c) < 0)
                            few = false;
                        last = c;
                    }
                }
                finish();
                if (stop || failed)
                    break;
                if (!few && plan.format == Format::Png) {
                    plan.format = Format::Jpeg;
                    if (written > 0) {
                        // A drawing after all a photograph: its PNG tiles go.
                        folder.RemoveFolder(root);
                        rewind(written.exchange(0));
                        makeFolders();
                        reader.Restart();
                        again = true;
                        break;
                    }
                }

                // This band's tiles, and the rows it gives each smaller
                // level; a level whose band is full is cut too.
                std::vector<BandJob> jobs;
                QImage current = band;
                int currentTop = top;
                for (int k = 0; k < int(levels.size()); ++k) {
                    const QSize size = plan.levels[k];
                    const int ty = currentTop / TileSize;
                    for (int tx = 0; tx < (size.width() + TileSize - 1) / TileSize; ++tx)
                        jobs.push_back(BandJob{current, k, tx, ty});
                    if (k + 1 == int(levels.size()))
                        break;
                    LevelBand &next = levels[std::size_t(k) + 1];
                    const int n = current.height();
                    for (int y = 0; y < n; ++y) {
                        if (y % 2 == 1 || y == n - 1) {
                            const auto *line = reinterpret_cast<const QRgb *>(current.constScanLine(y));
                            const auto *above =
                                y % 2 == 1 ? reinterpret_cast<const QRgb *>(current.constScanLine(y - 1)) : line;
                            HalveRow(above, line, size.width(),
                                     reinterpret_cast<QRgb *>(next.rows.scanLine(next.filled)), next.size.width());
                            ++next.filled;
                        }
                    }
                    if (next.filled < next.rows.height())
                        break;
                    current = next.rows;
                    currentTop = next.Top();
                    ++next.tileRow;
                    if (next.Top() < next.size.height())
                        next.StartBand();
                }
                top += band.height();
                running = std::move(jobs);
                future = QtConcurrent::map(&pool, running, writeTile);
            }
        } catch (...) {
            finish();
            throw;
        }
        finish();
    }
    if (failed)
        throw TolvekError(error);
}
