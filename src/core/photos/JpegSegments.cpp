#include "core/photos/JpegSegments.h"

#include <cstring>
#include <functional>

namespace {

constexpr unsigned char SOI = 0xD8;
constexpr unsigned char SOS = 0xDA;
constexpr unsigned char DQT = 0xDB;
constexpr unsigned char DRI = 0xDD;
constexpr unsigned char APP0 = 0xE0;
constexpr unsigned char APP1 = 0xE1;
constexpr unsigned char APP2 = 0xE2;
constexpr unsigned char APP14 = 0xEE;
constexpr unsigned char COM = 0xFE;

unsigned Byte(const QByteArray &d, qsizetype i)
{
    return static_cast<unsigned char>(d[i]);
}

// Walks the segments between SOI and SOS: visit(marker, start, length)
// with start at the 0xFF and length the whole segment's. Returns the
// offset of the SOS marker, or -1 when the bytes are not such a JPEG.
qsizetype Walk(const QByteArray &d, const std::function<void(unsigned, qsizetype, qsizetype)> &visit)
{
    if (d.size() < 4 || Byte(d, 0) != 0xFF || Byte(d, 1) != SOI)
        return -1;
    qsizetype i = 2;
    while (i + 4 <= d.size()) {
        if (Byte(d, i) != 0xFF)
            return -1;
        const unsigned marker = Byte(d, i + 1);
        if (marker == 0xFF) { // fill byte
            ++i;
            continue;
        }
        if (marker == SOS)
            return i;
        const qsizetype length = qsizetype(Byte(d, i + 2)) << 8 | Byte(d, i + 3);
        if (length < 2 || i + 2 + length > d.size())
            return -1;
        visit(marker, i, 2 + length);
        i += 2 + length;
    }
    return -1;
}

bool StartsWith(const QByteArray &d, qsizetype segment, const char *tag, qsizetype tagSize)
{
    return d.size() >= segment + 4 + tagSize && std::memcmp(d.constData() + segment + 4, tag, size_t(tagSize)) == 0;
}

// What a decoder needs; everything else in front of the image is metadata.
bool IsMetadata(const QByteArray &d, unsigned marker, qsizetype start)
{
    if (marker == APP0 || marker == APP14)
        return false;
    if (marker == APP2)
        return !StartsWith(d, start, "ICC_PROFILE\0", 12);
    return (marker > APP0 && marker <= 0xEF) || marker == COM;
}

} // namespace

QByteArray JpegSegments::Strip(const QByteArray &data)
{
    QByteArray out;
    qsizetype copied = 0;
    const qsizetype sos = Walk(data, [&](unsigned marker, qsizetype start, qsizetype length) {
        if (!IsMetadata(data, marker, start))
            return;
        if (out.isNull())
            out.reserve(data.size());
        out.append(data.constData() + copied, start - copied);
        copied = start + length;
    });
    if (sos < 0 || out.isNull())
        return data;
    out.append(data.constData() + copied, data.size() - copied);
    return out;
}

QByteArray JpegSegments::Metadata(const QByteArray &data)
{
    QByteArray out;
    Walk(data, [&](unsigned marker, qsizetype start, qsizetype length) {
        if (!IsMetadata(data, marker, start))
            return;
        QByteArray segment = data.mid(start, length);
        if (marker == APP1 && StartsWith(data, start, "Exif\0\0", 6)) {
            QByteArray payload = segment.mid(4);
            ResetOrientation(payload);
            segment = segment.left(4) + payload;
        }
        out += segment;
    });
    return out;
}

QByteArray JpegSegments::Insert(const QByteArray &jpeg, const QByteArray &segments)
{
    if (segments.isEmpty())
        return jpeg;
    qsizetype at = 2;
    bool jfif = true;
    Walk(jpeg, [&](unsigned marker, qsizetype start, qsizetype length) {
        if (jfif && marker == APP0 && start == at)
            at = start + length;
        else
            jfif = false;
    });
    if (jpeg.size() < 2)
        return jpeg;
    return jpeg.left(at) + segments + jpeg.mid(at);
}

std::optional<QByteArrayView> JpegSegments::ExifPayload(const QByteArray &data)
{
    QByteArrayView payload;
    bool found = false;
    bool plain = true;
    const qsizetype sos = Walk(data, [&](unsigned marker, qsizetype start, qsizetype length) {
        // Only the segments a camera writes: where another marker stands,
        // readers differ on whether a length follows it.
        if (!(marker >= 0xC0 && marker <= 0xCF) && !(marker >= APP0 && marker <= 0xEF) && marker != DQT && marker != DRI
            && marker != COM)
            plain = false;
        if (found || marker != APP1 || !StartsWith(data, start, "Exif\0\0", 6))
            return;
        // Only the first counts, even when it is too short to hold anything.
        found = true;
        if (length > 10)
            payload = QByteArrayView(data.constData() + start + 10, length - 10);
    });
    if (sos < 0 || !plain)
        return std::nullopt;
    return payload;
}

void JpegSegments::ResetOrientation(QByteArray &p)
{
    // "Exif\0\0", then a TIFF header: byte order, 42, offset of IFD0.
    const qsizetype tiff = 6;
    if (p.size() < tiff + 8)
        return;
    const bool big = p[tiff] == 'M';
    auto u16 = [&](qsizetype at) -> unsigned {
        return big ? (Byte(p, at) << 8 | Byte(p, at + 1)) : (Byte(p, at + 1) << 8 | Byte(p, at));
    };
    auto u32 = [&](qsizetype at) -> quint64 {
        return big ? (quint64(u16(at)) << 16 | u16(at + 2)) : (quint64(u16(at + 2)) << 16 | u16(at));
    };
    const quint64 ifd = tiff + u32(tiff + 4);
    if (ifd + 2 > quint64(p.size()))
        return;
    const unsigned count = u16(qsizetype(ifd));
    for (unsigned k = 0; k < count; ++k) {
        const qsizetype entry = qsizetype(ifd + 2 + 12 * quint64(k));
        if (entry + 12 > p.size())
            return;
        if (u16(entry) == 0x0112 && u16(entry + 2) == 3) { // SHORT, value held in place
            p[entry + 8] = char(big ? 0 : 1);
            p[entry + 9] = char(big ? 1 : 0);
            return;
        }
    }
}
