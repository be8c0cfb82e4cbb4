#include "core/map/MapPyramid.h"

#include <algorithm>

namespace {

// Rows converted at a time from a map that is not in 32-bit pixels: small
// enough to add nothing to the memory, big enough to convert quickly.
constexpr int kStripRows = 64;

bool Cancelled(const std::atomic<bool> *cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

// Halves rows y0, y0 + 1 of src (both 32-bit pixels of the output's kind)
// into row y of out.
void HalveRows(const QRgb *top, const QRgb *bottom, int width, QRgb *out)
{
    const int pairs = width / 2;
    for (int x = 0; x < pairs; ++x) {
        const QRgb a = top[2 * x], b = top[2 * x + 1], c = bottom[2 * x], d = bottom[2 * x + 1];
        // Two channels at a time, each in 10 bits of room.
        const quint32 rb = (a & 0xFF00FF) + (b & 0xFF00FF) + (c & 0xFF00FF) + (d & 0xFF00FF) + 0x020002;
        const quint32 ag =
            ((a >> 8) & 0xFF00FF) + ((b >> 8) & 0xFF00FF) + ((c >> 8) & 0xFF00FF) + ((d >> 8) & 0xFF00FF) + 0x020002;
        out[x] = ((rb >> 2) & 0xFF00FF) | (((ag >> 2) & 0xFF00FF) << 8);
    }
    if (width % 2) {
        const QRgb a = top[width - 1], c = bottom[width - 1];
        const quint32 rb = (a & 0xFF00FF) + (c & 0xFF00FF) + 0x010001;
        const quint32 ag = ((a >> 8) & 0xFF00FF) + ((c >> 8) & 0xFF00FF) + 0x010001;
        out[pairs] = ((rb >> 1) & 0xFF00FF) | (((ag >> 1) & 0xFF00FF) << 8);
    }
}

} // namespace

QImage MapPyramid::Halve(const QImage &image, const std::atomic<bool> *cancel)
{
    if (image.isNull())
        return QImage();
    const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const int width = image.width(), height = image.height();
    QImage out((width + 1) / 2, (height + 1) / 2, format);
    if (out.isNull())
        return out;
    // RGB32 is read as it is; any other kind a strip at a time, converted.
    const bool direct = image.format() == format;
    QImage strip;
    int stripTop = 0;
    for (int y = 0; y < height; y += 2) {
        if (Cancelled(cancel))
            return QImage();
        const QRgb *top, *bottom;
        if (direct) {
            top = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            bottom = reinterpret_cast<const QRgb *>(image.constScanLine(std::min(y + 1, height - 1)));
        } else {
            if (strip.isNull() || y >= stripTop + strip.height()) {
                stripTop = y;
                strip = image.copy(0, y, width, std::min(kStripRows, height - y)).convertToFormat(format);
                if (strip.isNull())
                    return QImage();
            }
            top = reinterpret_cast<const QRgb *>(strip.constScanLine(y - stripTop));
            bottom = reinterpret_cast<const QRgb *>(strip.constScanLine(std::min(y + 1, height - 1) - stripTop));
        }
        HalveRows(top, bottom, width, reinterpret_cast<QRgb *>(out.scanLine(y / 2)));
    }
    return out;
}

MapPyramid MapPyramid::Build(const QImage &map, const std::atomic<bool> *cancel)
{
    MapPyramid pyramid;
    QImage level = map;
    for (int k = 1; k <= MaxLevels && (level.width() > 1 || level.height() > 1); ++k) {
        level = Halve(level, cancel);
        if (level.isNull())
            return MapPyramid();
        pyramid.m_levels.append(level);
    }
    pyramid.m_sourceKey = map.cacheKey();
    return pyramid;
}

int MapPyramid::LevelFor(double zoom) const
{
    int k = 0;
    while (k < LevelCount() && zoom <= 1.0 / double(2 << k))
        ++k;
    return k;
}

qint64 MapPyramid::Bytes() const
{
    qint64 bytes = 0;
    for (const QImage &level : m_levels)
        bytes += level.sizeInBytes();
    return bytes;
}
