#include "core/web/PngTileEncoder.h"

#include "core/base/TolvekError.h"

#include <cstring>
#include <vector>

#include <zlib.h>

namespace {

// One compressor per thread, reset for every tile.
class Deflater
{
public:
    Deflater()
    {
        std::memset(&m_stream, 0, sizeof m_stream);
        m_ok = deflateInit(&m_stream, Level) == Z_OK;
    }
    ~Deflater()
    {
        if (m_ok)
            deflateEnd(&m_stream);
    }

    void Compress(const std::vector<std::uint8_t> &in, QByteArray &out)
    {
        if (!m_ok || deflateReset(&m_stream) != Z_OK)
            throw TolvekError(QStringLiteral("onvoldoende geheugen voor de kaarttegels"));
        const qsizetype start = out.size();
        out.resize(start + qsizetype(deflateBound(&m_stream, uLong(in.size()))));
        m_stream.next_in = const_cast<Bytef *>(in.data());
        m_stream.avail_in = uInt(in.size());
        m_stream.next_out = reinterpret_cast<Bytef *>(out.data() + start);
        m_stream.avail_out = uInt(out.size() - start);
        if (deflate(&m_stream, Z_FINISH) != Z_STREAM_END)
            throw TolvekError(QStringLiteral("een kaarttegel kan niet als PNG worden opgeslagen"));
        out.resize(start + qsizetype(m_stream.total_out));
    }

    // Fast and still small for drawn plans and scans alike.
    static constexpr int Level = 3;

private:
    z_stream m_stream;
    bool m_ok = false;
};

thread_local Deflater t_deflater;
thread_local std::vector<std::uint8_t> t_raw;

void Put32(QByteArray &out, std::uint32_t v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

// A chunk: length, type, data (written by fill), CRC of type and data.
template <typename Fill>
void Chunk(QByteArray &out, const char *type, Fill fill)
{
    const qsizetype lengthAt = out.size();
    Put32(out, 0);
    out.append(type, 4);
    fill(out);
    const qsizetype length = out.size() - lengthAt - 8;
    const std::uint32_t crc =
        std::uint32_t(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + lengthAt + 4), uInt(length + 4)));
    for (int i = 0; i < 4; ++i)
        out[lengthAt + i] = char(std::uint32_t(length) >> (24 - 8 * i));
    Put32(out, crc);
}

QByteArray Start(int width, int height, int colourType)
{
    QByteArray out;
    out.reserve(4096);
    out.append("\x89PNG\r\n\x1a\n", 8);
    Chunk(out, "IHDR", [&](QByteArray &o) {
        Put32(o, std::uint32_t(width));
        Put32(o, std::uint32_t(height));
        const char rest[5] = {8, char(colourType), 0, 0, 0};
        o.append(rest, 5);
    });
    return out;
}

void Finish(QByteArray &out)
{
    Chunk(out, "IDAT", [](QByteArray &o) { t_deflater.Compress(t_raw, o); });
    Chunk(out, "IEND", [](QByteArray &) {});
}

} // namespace

QByteArray PngTileEncoder::Palette(const std::uint8_t *indices, int width, int height, int stride,
                                   const QList<QRgb> &colours)
{
    QByteArray out = Start(width, height, 3);
    Chunk(out, "PLTE", [&](QByteArray &o) {
        for (QRgb c : colours) {
            const char rgb[3] = {char(qRed(c)), char(qGreen(c)), char(qBlue(c))};
            o.append(rgb, 3);
        }
    });
    qsizetype lastTranslucent = -1;
    for (qsizetype i = 0; i < colours.size(); ++i)
        if (qAlpha(colours[i]) != 255)
            lastTranslucent = i;
    if (lastTranslucent >= 0)
        Chunk(out, "tRNS", [&](QByteArray &o) {
            for (qsizetype i = 0; i <= lastTranslucent; ++i)
                o.append(char(qAlpha(colours[i])));
        });
    // Palette rows go unfiltered: filters only help with smooth colours.
    t_raw.resize(std::size_t(width + 1) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = t_raw.data() + std::size_t(y) * std::size_t(width + 1);
        row[0] = 0;
        std::memcpy(row + 1, indices + std::size_t(y) * std::size_t(stride), std::size_t(width));
    }
    Finish(out);
    return out;
}

QByteArray PngTileEncoder::Rgb(const std::uint8_t *pixels, int width, int height, int stride, bool alpha)
{
    QByteArray out = Start(width, height, alpha ? 6 : 2);
    const int channels = alpha ? 4 : 3;
    const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
    t_raw.resize(rowBytes * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(pixels + std::size_t(y) * std::size_t(stride));
        std::uint8_t *row = t_raw.data() + std::size_t(y) * rowBytes;
        // The "Sub" filter: each byte as the difference to the pixel before.
        row[0] = 1;
        std::uint8_t previous[4] = {0, 0, 0, 0};
        for (int x = 0; x < width; ++x) {
            const std::uint8_t c[4] = {std::uint8_t(qRed(in[x])), std::uint8_t(qGreen(in[x])),
                                       std::uint8_t(qBlue(in[x])), std::uint8_t(qAlpha(in[x]))};
            for (int k = 0; k < channels; ++k) {
                row[1 + std::size_t(x) * std::size_t(channels) + std::size_t(k)] = std::uint8_t(c[k] - previous[k]);
                previous[k] = c[k];
            }
        }
    }
    Finish(out);
    return out;
}
