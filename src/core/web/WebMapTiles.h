#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <functional>

class MapBandReader;
class QThreadPool;
class WebExportFolder;

// The overview map of a web page export as a pyramid of 256-pixel tiles:
// level 0 is the map at its own size, each next level half the one before,
// down to a level that fits one tile. Maps with few colours (drawn plans)
// become PNG tiles, photographs and scans JPEG tiles.
class WebMapTiles
{
public:
    enum class Format { Jpeg, Png };

    struct Plan
    {
        QSize size;          // the map's
        QList<QSize> levels; // level 0 first
        Format format = Format::Png;
        int TileCount() const;
        QString Extension() const { return format == Format::Png ? QStringLiteral("png") : QStringLiteral("jpg"); }
    };

    // The levels and the tile format for map (not null).
    static Plan MakePlan(const QImage &map);

    // The levels for a map of size read in bands; its format is settled
    // while WriteBands reads it.
    static Plan MakePlan(QSize size);

    // Writes the tiles as "kaart/<level>/<x>/<y>.<ext>", using
    // pool's threads. tick is called (from any of them) after every tile
    // and returns false to stop early. Throws TolvekError when a tile
    // cannot be written.
    static void Write(const QImage &map, const Plan &plan, WebExportFolder &folder, QThreadPool &pool,
                      const std::function<bool()> &tick);

    // Writes the same tiles as Write from a map read in bands, holding two
    // bands of tile rows of the map and one of each smaller level rather
    // than the whole map. The format is judged from the same rows as
    // MakePlan judges them, as they come: PNG until they show too many
    // colours; should that happen after tiles were written, those are
    // removed (rewind is told how many ticks they took back) and the map
    // is read again for JPEG tiles. Throws TolvekError when the map cannot
    // be read or a tile cannot be written.
    static void WriteBands(MapBandReader &reader, Plan &plan, WebExportFolder &folder, QThreadPool &pool,
                           const std::function<bool()> &tick, const std::function<void(int tiles)> &rewind);

    // Whether image has at most limit colours, judged from every step-th row.
    static bool FewColours(const QImage &image, int limit, int step);

    static constexpr int TileSize = 256;
    static constexpr int Quality = 85;
    // Beyond the map's edge a JPEG tile shows the colour of the page behind
    // the map; PNG tiles are transparent there.
    static constexpr QRgb Background = 0xFFABABAB;
};
