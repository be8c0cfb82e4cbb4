#pragma once

#include <QByteArray>
#include <QList>
#include <QRgb>
#include <cstdint>

// PNG files for map tiles, written straight with zlib. A map of thousands
// of tiles makes thousands of small files: each thread keeps one
// compressor and reuses it, where an image writer would set up a new one
// (and its window of memory) for every tile.
class PngTileEncoder
{
public:
    // width by height palette indices (one byte each, rows stride apart)
    // and their colours; a colour's alpha is kept.
    static QByteArray Palette(const std::uint8_t *indices, int width, int height, int stride,
                              const QList<QRgb> &colours);
    // 32-bit pixels (QImage's RGB32 or ARGB32 layout), with or without alpha.
    static QByteArray Rgb(const std::uint8_t *pixels, int width, int height, int stride, bool alpha);
};
