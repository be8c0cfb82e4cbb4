#include "core/photos/JpegDecoder.h"

#include "core/base/PixelLoop.h"
#include "core/base/TolvekError.h"
#include "core/photos/JpegErrorManager.h"

#include <QTransform>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

void silentMessage(j_common_ptr, int)
{
    // Warnings (such as a file that ends early) are not worth a message:
    // what could be decoded is shown.
}

// Receives the rows libjpeg produces and either keeps them (full size) or
// averages them down to the target size.
struct RowSink
{
    // Filled before decoding starts.
    QImage *out = nullptr;
    int targetWidth = 0;
    int targetHeight = 0;
    bool reduce = false;
    // Print-shop JPEGs hold CMYK; libjpeg hands those out as CMYK only.
    bool cmyk = false;
    bool cmykInverted = false; // Adobe's convention: 255 means no ink
    int sourceWidth = 0;
    int sourceHeight = 0;
    // Working state of the reduction.
    std::vector<quint32> sums; // 3 channels per target pixel
    std::vector<quint32> counts;
    std::vector<unsigned char> row;
    int currentTargetRow = -1;

    TOLVEK_PIXEL_LOOP void flush()
    {
        if (currentTargetRow < 0)
            return;
        auto *line = reinterpret_cast<quint32 *>(out->scanLine(currentTargetRow));
        for (int x = 0; x < targetWidth; ++x) {
            const quint32 n = counts[x] ? counts[x] : 1;
            const quint32 b = (sums[3 * x] + n / 2) / n;
            const quint32 g = (sums[3 * x + 1] + n / 2) / n;
            const quint32 r = (sums[3 * x + 2] + n / 2) / n;
            line[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
        }
        std::fill(sums.begin(), sums.end(), 0u);
        std::fill(counts.begin(), counts.end(), 0u);
    }

    void cmykToBgrx() { JpegDecoder::CmykToBgrx(row.data(), sourceWidth, cmykInverted); }

    TOLVEK_PIXEL_LOOP void addRow(int sourceRow)
    {
        const int ty = static_cast<int>(static_cast<qint64>(sourceRow) * targetHeight / sourceHeight);
        if (ty != currentTargetRow) {
            flush();
            currentTargetRow = ty;
        }
        const unsigned char *p = row.data();
        for (int x = 0; x < sourceWidth; ++x, p += 4) {
            const int tx = static_cast<int>(static_cast<qint64>(x) * targetWidth / sourceWidth);
            sums[3 * tx] += p[0];
            sums[3 * tx + 1] += p[1];
            sums[3 * tx + 2] += p[2];
            ++counts[tx];
        }
    }
};

enum class Stage { Header, Decode };

// Returns true on success; on failure message holds libjpeg's text.
// Only trivially destructible locals live in this frame (see JpegErrorManager).
bool runLibjpeg(const unsigned char *data, unsigned long size, Stage stage, int scaleNum, qint64 maxPixels, int *width,
                int *height, RowSink *sink, QImage *(*allocate)(RowSink *, int, int), bool *tooLarge,
                unsigned char **exif, unsigned int *exifSize, char *message)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = JpegErrorManager::ErrorExit;
    err.pub.emit_message = silentMessage;
    err.message[0] = '\0';
    if (setjmp(err.jump)) {
        std::strncpy(message, err.message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = JpegDecoder::MaxLibraryMemory;
    jpeg_mem_src(&cinfo, data, size);
    if (stage == Stage::Header)
        jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    if (stage == Stage::Header) {
        *width = static_cast<int>(cinfo.image_width);
        *height = static_cast<int>(cinfo.image_height);
        for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
            if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
                *exif = static_cast<unsigned char *>(std::malloc(m->data_length));
                if (*exif) {
                    std::memcpy(*exif, m->data, m->data_length);
                    *exifSize = m->data_length;
                }
                break;
            }
        }
        jpeg_destroy_decompress(&cinfo);
        return true;
    }

    sink->cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    sink->cmykInverted = cinfo.saw_Adobe_marker;
    cinfo.out_color_space = sink->cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    cinfo.scale_num = static_cast<unsigned int>(scaleNum);
    cinfo.scale_denom = 8;
    cinfo.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&cinfo);
    *width = static_cast<int>(cinfo.output_width);
    *height = static_cast<int>(cinfo.output_height);
    if (!sink->reduce && static_cast<qint64>(*width) * *height > maxPixels) {
        *tooLarge = true;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    QImage *out = allocate(sink, *width, *height);
    if (!out) {
        message[0] = '\0'; // no memory for the result
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        const bool viaRow = sink->reduce || sink->cmyk;
        JSAMPROW rowPointer = viaRow ? sink->row.data() : out->scanLine(y);
        if (jpeg_read_scanlines(&cinfo, &rowPointer, 1) != 1)
            break;
        if (sink->cmyk)
            sink->cmykToBgrx();
        if (sink->reduce)
            sink->addRow(y);
        else if (sink->cmyk)
            std::memcpy(out->scanLine(y), sink->row.data(), std::size_t(*width) * 4);
    }
    if (sink->reduce)
        sink->flush();
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

QImage *allocateOutput(RowSink *sink, int width, int height)
{
    sink->sourceWidth = width;
    sink->sourceHeight = height;
    if (sink->reduce) {
        *sink->out = QImage(sink->targetWidth, sink->targetHeight, QImage::Format_RGB32);
        if (sink->out->isNull())
            return nullptr;
        try {
            sink->sums.assign(static_cast<std::size_t>(sink->targetWidth) * 3, 0u);
            sink->counts.assign(static_cast<std::size_t>(sink->targetWidth), 0u);
            sink->row.assign(static_cast<std::size_t>(width) * 4, 0);
        } catch (const std::bad_alloc &) {
            return nullptr;
        }
    } else {
        *sink->out = QImage(width, height, QImage::Format_RGB32);
        if (sink->out->isNull())
            return nullptr;
        if (sink->cmyk) {
            try {
                sink->row.assign(static_cast<std::size_t>(width) * 4, 0);
            } catch (const std::bad_alloc &) {
                return nullptr;
            }
        }
    }
    return sink->out;
}

QString libraryProblem(const char *message)
{
    return QStringLiteral("geen geldige of een beschadigde JPEG-afbeelding (%1)").arg(QString::fromLocal8Bit(message));
}

quint16 read16(const unsigned char *p, bool little)
{
    return little ? static_cast<quint16>(p[0] | (p[1] << 8)) : static_cast<quint16>((p[0] << 8) | p[1]);
}

quint32 read32(const unsigned char *p, bool little)
{
    return little ? (quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24))
                  : ((quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]));
}

} // namespace

TOLVEK_PIXEL_LOOP void JpegDecoder::CmykToBgrx(unsigned char *row, int width, bool inverted)
{
    unsigned char *p = row;
    for (int x = 0; x < width; ++x, p += 4) {
        unsigned c = p[0], m = p[1], y = p[2], k = p[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        p[0] = static_cast<unsigned char>((y * k + 127) / 255);
        p[1] = static_cast<unsigned char>((m * k + 127) / 255);
        p[2] = static_cast<unsigned char>((c * k + 127) / 255);
        p[3] = 255;
    }
}

int JpegDecoder::OrientationFromExif(const unsigned char *payload, std::size_t size)
{
    if (!payload || size < 6 + 8 || std::memcmp(payload, "Exif\0\0", 6) != 0)
        return 1;
    const unsigned char *tiff = payload + 6;
    const std::size_t tiffSize = size - 6;
    bool little;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        little = true;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        little = false;
    else
        return 1;
    if (read16(tiff + 2, little) != 42)
        return 1;
    const quint32 ifd = read32(tiff + 4, little);
    if (ifd < 8 || ifd > tiffSize || tiffSize - ifd < 2)
        return 1;
    const quint16 count = read16(tiff + ifd, little);
    const std::size_t entries = ifd + 2;
    for (quint32 i = 0; i < count; ++i) {
        const std::size_t at = entries + std::size_t(i) * 12;
        if (at > tiffSize || tiffSize - at < 12)
            return 1;
        const unsigned char *e = tiff + at;
        if (read16(e, little) != 0x0112)
            continue;
        // SHORT, one value, held in the first two bytes of the value field.
        if (read16(e + 2, little) != 3 || read32(e + 4, little) != 1)
            return 1;
        const int value = read16(e + 8, little);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

JpegDecoder::Header JpegDecoder::ReadHeader(const QByteArray &data)
{
    if (data.size() < 4)
        throw TolvekError(QStringLiteral("het bestand is te kort voor een JPEG-afbeelding"));
    int width = 0;
    int height = 0;
    unsigned char *exif = nullptr;
    unsigned int exifSize = 0;
    bool tooLarge = false;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok =
        runLibjpeg(reinterpret_cast<const unsigned char *>(data.constData()), static_cast<unsigned long>(data.size()),
                   Stage::Header, 8, 0, &width, &height, nullptr, nullptr, &tooLarge, &exif, &exifSize, message);
    Header h;
    if (ok) {
        h.storedSize = QSize(width, height);
        h.orientation = OrientationFromExif(exif, exifSize);
    }
    std::free(exif);
    if (!ok)
        throw TolvekError(libraryProblem(message));
    return h;
}

int JpegDecoder::ScaleNumerator(QSize stored, QSize target)
{
    for (int num = 1; num < 8; ++num) {
        // libjpeg rounds the scaled size up.
        const qint64 w = (qint64(stored.width()) * num + 7) / 8;
        const qint64 h = (qint64(stored.height()) * num + 7) / 8;
        if (w >= target.width() && h >= target.height())
            return num;
    }
    return 8;
}

QImage JpegDecoder::ApplyOrientation(const QImage &image, int orientation)
{
    switch (orientation) {
    case 2:
        return image.mirrored(true, false);
    case 3:
        return image.mirrored(true, true);
    case 4:
        return image.mirrored(false, true);
    case 5: // transpose
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7: // transverse
        return image.transformed(QTransform().rotate(90)).mirrored(false, true);
    case 8:
        return image.transformed(QTransform().rotate(270));
    default:
        return image;
    }
}

QImage JpegDecoder::Decode(const QByteArray &data, QSize target, qint64 maxPixels, QSize *decodedSize)
{
    const Header header = ReadHeader(data);
    const bool swap = header.orientation >= 5;
    const QSize stored = header.storedSize;
    QSize storedTarget = swap ? target.transposed() : target;
    const bool reduce = target.isValid() && !target.isEmpty() && storedTarget.width() <= stored.width()
        && storedTarget.height() <= stored.height();
    if (target.isValid() && !target.isEmpty() && !reduce) {
        // Larger than the photo itself: decode it whole and let the caller
        // draw it stretched.
        storedTarget = QSize();
    }
    const int num = reduce ? ScaleNumerator(stored, storedTarget) : 8;

    QImage out;
    RowSink sink;
    sink.out = &out;
    // When the DCT scale gives the target exactly, the rows go straight
    // into the result; there is nothing to average.
    const bool exactScale = reduce && (qint64(stored.width()) * num + 7) / 8 == storedTarget.width()
        && (qint64(stored.height()) * num + 7) / 8 == storedTarget.height();
    sink.reduce = reduce && !exactScale;
    if (sink.reduce) {
        sink.targetWidth = storedTarget.width();
        sink.targetHeight = storedTarget.height();
    }
    int width = 0;
    int height = 0;
    bool tooLarge = false;
    char message[JMSG_LENGTH_MAX] = {};
    const bool ok =
        runLibjpeg(reinterpret_cast<const unsigned char *>(data.constData()), static_cast<unsigned long>(data.size()),
                   Stage::Decode, num,
                   exactScale ? std::max(maxPixels, qint64(storedTarget.width()) * storedTarget.height()) : maxPixels,
                   &width, &height, &sink, allocateOutput, &tooLarge, nullptr, nullptr, message);
    if (decodedSize)
        *decodedSize = QSize(width, height);
    if (tooLarge)
        throw TolvekError(QStringLiteral("de afbeelding is te groot om op ware grootte te tonen (%1 x %2 beeldpunten)")
                              .arg(width)
                              .arg(height));
    if (!ok && message[0] == '\0')
        throw TolvekError(QStringLiteral("onvoldoende geheugen om de afbeelding van %1 x %2 beeldpunten te lezen")
                              .arg(width)
                              .arg(height));
    if (!ok)
        throw TolvekError(libraryProblem(message));
    QImage shown = ApplyOrientation(out, header.orientation);
    if (target.isValid() && !target.isEmpty() && !reduce)
        shown = shown.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return shown;
}
