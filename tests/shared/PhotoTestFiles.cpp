#include "PhotoTestFiles.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTransform>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include <jpeglib.h>
#include <libheif/heif.h>
#include <uemf.h>

namespace PhotoTestFiles {

QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const int w2 = width / 2;
    const int h2 = height / 2;
    p.fillRect(0, 0, w2, h2, QColor(255, 0, 0));
    p.fillRect(w2, 0, width - w2, h2, QColor(0, 255, 0));
    p.fillRect(0, h2, w2, height - h2, QColor(0, 0, 255));
    p.fillRect(w2, h2, width - w2, height - h2, QColor(255, 255, 0));
    return image;
}

QByteArray ExifPayload(int orientation, bool bigEndian)
{
    QByteArray b("Exif\0\0", 6);
    auto put16 = [&](int v) {
        if (bigEndian) {
            b.append(char((v >> 8) & 0xFF));
            b.append(char(v & 0xFF));
        } else {
            b.append(char(v & 0xFF));
            b.append(char((v >> 8) & 0xFF));
        }
    };
    auto put32 = [&](quint32 v) {
        if (bigEndian) {
            put16(int(v >> 16));
            put16(int(v & 0xFFFF));
        } else {
            put16(int(v & 0xFFFF));
            put16(int(v >> 16));
        }
    };
    b.append(bigEndian ? "MM" : "II");
    put16(42);
    put32(8);
    put16(2);      // two entries: something else first, then the orientation
    put16(0x010F); // Make, ASCII, 4 bytes held in place
    put16(2);
    put32(4);
    b.append("Cam", 4);
    put16(0x0112);
    put16(3);
    put32(1);
    put16(orientation);
    put16(0);
    put32(0);
    return b;
}

QByteArray Jpeg(const QImage &source, int exifOrientation, bool progressive, int quality)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(image.width());
    cinfo.image_height = JDIMENSION(image.height());
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (exifOrientation > 0) {
        const QByteArray exif = ExifPayload(exifOrientation, exifOrientation % 2 == 0);
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET *>(exif.constData()),
                          unsigned(exif.size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(cinfo.next_scanline)));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

namespace {

QByteArray compress(int width, int height, int components, J_COLOR_SPACE space,
                    const std::function<void(int, std::vector<unsigned char> &)> &row)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> line(std::size_t(width) * std::size_t(components));
    while (cinfo.next_scanline < cinfo.image_height) {
        row(int(cinfo.next_scanline), line);
        JSAMPROW p = line.data();
        jpeg_write_scanlines(&cinfo, &p, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return out;
}

} // namespace

QByteArray CmykJpeg(const QImage &image)
{
    return compress(image.width(), image.height(), 4, JCS_CMYK, [&](int y, std::vector<unsigned char> &line) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            const int r = qRed(c), g = qGreen(c), b = qBlue(c);
            const int k = 255 - std::max({r, g, b});
            const int cyan = k == 255 ? 0 : (255 - r - k) * 255 / (255 - k);
            const int magenta = k == 255 ? 0 : (255 - g - k) * 255 / (255 - k);
            const int yellow = k == 255 ? 0 : (255 - b - k) * 255 / (255 - k);
            // Adobe writes 255 for no ink.
            line[std::size_t(4 * x)] = uchar(255 - cyan);
            line[std::size_t(4 * x + 1)] = uchar(255 - magenta);
            line[std::size_t(4 * x + 2)] = uchar(255 - yellow);
            line[std::size_t(4 * x + 3)] = uchar(255 - k);
        }
    });
}

QByteArray GrayJpeg(const QImage &image)
{
    return compress(image.width(), image.height(), 1, JCS_GRAYSCALE, [&](int y, std::vector<unsigned char> &line) {
        for (int x = 0; x < image.width(); ++x)
            line[std::size_t(x)] = uchar(qGray(image.pixel(x, y)));
    });
}

QByteArray WithFrameSize(QByteArray jpeg, int width, int height)
{
    for (qsizetype i = 2; i + 9 < jpeg.size(); ++i) {
        const uchar m0 = uchar(jpeg[i]);
        const uchar m1 = uchar(jpeg[i + 1]);
        if (m0 == 0xFF && (m1 == 0xC0 || m1 == 0xC1 || m1 == 0xC2)) {
            jpeg[i + 5] = char((height >> 8) & 0xFF);
            jpeg[i + 6] = char(height & 0xFF);
            jpeg[i + 7] = char((width >> 8) & 0xFF);
            jpeg[i + 8] = char(width & 0xFF);
            return jpeg;
        }
    }
    return QByteArray();
}

bool WriteEmf(const QString &fileName, int width, int height)
{
    EMFTRACK *et = nullptr;
    EMFHANDLES *eht = nullptr;
    const QByteArray name = QFile::encodeName(fileName);
    if (emf_start(name.constData(), 100000, 25000, &et) != 0)
        return false;
    if (htable_create(128, 128, &eht) != 0)
        return false;
    const U_RECTL bounds = rectl_set(pointl_set(0, 0), pointl_set(width - 1, height - 1));
    // The frame in hundredths of millimetres, at 96 pixels per inch.
    const U_RECTL frame = rectl_set(pointl_set(0, 0), pointl_set(width * 2540 / 96, height * 2540 / 96));
    const U_SIZEL device = sizel_set(1920, 1080);
    const U_SIZEL millimetres = sizel_set(508, 286);
    emf_append(reinterpret_cast<U_ENHMETARECORD *>(
                   U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, device, millimetres, 0)),
               et, U_REC_FREE);
    uint32_t brush = 0;
    emf_append(reinterpret_cast<U_ENHMETARECORD *>(
                   createbrushindirect_set(&brush, eht, logbrush_set(U_BS_SOLID, colorref_set(0, 0, 255), 0))),
               et, U_REC_FREE);
    emf_append(reinterpret_cast<U_ENHMETARECORD *>(selectobject_set(brush, eht)), et, U_REC_FREE);
    emf_append(reinterpret_cast<U_ENHMETARECORD *>(U_EMRRECTANGLE_set(bounds)), et, U_REC_FREE);
    emf_append(reinterpret_cast<U_ENHMETARECORD *>(U_EMREOF_set(0, nullptr, et)), et, U_REC_FREE);
    const int rc = emf_finish(et, eht);
    emf_free(&et);
    htable_free(&eht);
    return rc == 0;
}

QByteArray Wmf(int width, int height)
{
    QByteArray records;
    auto put16 = [](QByteArray &b, int v) {
        b.append(char(v & 0xFF));
        b.append(char((v >> 8) & 0xFF));
    };
    auto put32 = [&](QByteArray &b, quint32 v) {
        put16(b, int(v & 0xFFFF));
        put16(b, int(v >> 16));
    };
    auto record = [&](int function, std::initializer_list<int> params) {
        put32(records, quint32(3 + params.size()));
        put16(records, function);
        for (int p : params)
            put16(records, p);
    };
    record(0x0103, {8});                    // SETMAPMODE anisotropic
    record(0x020B, {0, 0});                 // SETWINDOWORG y, x
    record(0x020C, {height, width});        // SETWINDOWEXT y, x
    record(0x02FC, {0, 0x0000, 0x0000, 0}); // CREATEBRUSHINDIRECT solid, colour, hatch
    // The colour is a COLORREF spread over two words: red low byte first.
    records[records.size() - 6] = char(0x00); // red
    records[records.size() - 5] = char(0x00); // green
    records[records.size() - 4] = char(0xFF); // blue
    record(0x012D, {0});                      // SELECTOBJECT
    record(0x041B, {height, width, 0, 0});    // RECTANGLE bottom, right, top, left
    record(0x0000, {});                       // EOF

    QByteArray header;
    put16(header, 1);      // in memory
    put16(header, 9);      // header words
    put16(header, 0x0300); // version
    put32(header, quint32((18 + records.size()) / 2));
    put16(header, 1); // objects
    put32(header, 7); // largest record in words
    put16(header, 0);

    QByteArray placeable;
    put32(placeable, 0x9AC6CDD7u);
    put16(placeable, 0);
    put16(placeable, 0);
    put16(placeable, 0);
    put16(placeable, width);
    put16(placeable, height);
    put16(placeable, 96); // units per inch
    put32(placeable, 0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= quint16(uchar(placeable[2 * i]) | (uchar(placeable[2 * i + 1]) << 8));
    put16(placeable, sum);
    return placeable + header + records;
}

namespace {

quint32 Crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return ~crc;
}

void PutBig32(QByteArray &b, quint32 v)
{
    for (int i = 3; i >= 0; --i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

void PutLittle(QByteArray &b, quint32 v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray Written(const QImage &image, const char *format, std::function<void(QImageWriter &)> setUp = {})
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (setUp)
        setUp(writer);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", format, qPrintable(writer.errorString()));
    return bytes;
}

// The TIFF structure of an EXIF block (without "Exif\0\0").
QByteArray ExifTiff(int orientation)
{
    return ExifPayload(orientation, false).mid(6);
}

} // namespace

QImage StoredForOrientation6(int width, int height)
{
    return Quadrants(width, height).transformed(QTransform().rotate(-90));
}

QByteArray Png(const QImage &image, int orientation)
{
    QByteArray png = Written(image, "png");
    if (orientation == 0)
        return png;
    // eXIf right after IHDR (8 + 25 bytes).
    const QByteArray data = ExifTiff(orientation);
    QByteArray chunk;
    PutBig32(chunk, quint32(data.size()));
    const QByteArray typed = "eXIf" + data;
    chunk += typed;
    PutBig32(chunk, Crc32(typed));
    return png.insert(33, chunk);
}

QByteArray Tiff(const QImage &image, int orientation)
{
    return Written(image, "tiff", [orientation](QImageWriter &w) {
        if (orientation == 6)
            w.setTransformation(QImageIOHandler::TransformationRotate90);
    });
}

QByteArray WebP(const QImage &image, int orientation)
{
    QByteArray simple = Written(image, "webp", [](QImageWriter &w) { w.setQuality(90); });
    if (orientation == 0)
        return simple;
    // The extended form: VP8X (with the EXIF flag), the picture, then EXIF.
    QByteArray body = "WEBP";
    body += "VP8X";
    PutLittle(body, 10, 4);
    body += char(0x08);
    body += QByteArray(3, '\0');
    PutLittle(body, quint32(image.width() - 1), 3);
    PutLittle(body, quint32(image.height() - 1), 3);
    body += simple.mid(12);
    const QByteArray exif = ExifTiff(orientation);
    body += "EXIF";
    PutLittle(body, quint32(exif.size()), 4);
    body += exif;
    if (exif.size() & 1)
        body += '\0';
    QByteArray out = "RIFF";
    PutLittle(out, quint32(body.size()), 4);
    return out + body;
}

QByteArray Gif(const QImage &image, int frames)
{
    // At most 256 colours; LZW without compression: a clear code before
    // every 254 pixels keeps every code 9 bits long.
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QByteArray out = "GIF89a";
    PutLittle(out, quint32(image.width()), 2);
    PutLittle(out, quint32(image.height()), 2);
    out += char(0xF7); // global table of 256 colours
    out += '\0';
    out += '\0';
    const QList<QRgb> table = indexed.colorTable();
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < table.size() ? table[i] : 0;
        out += char(qRed(c));
        out += char(qGreen(c));
        out += char(qBlue(c));
    }
    for (int frame = 0; frame < frames; ++frame) {
        out += "\x21\xF9\x04";
        out += char(0);
        PutLittle(out, 10, 2);
        out += '\0';
        out += '\0';
        out += ',';
        PutLittle(out, 0, 4);
        PutLittle(out, quint32(image.width()), 2);
        PutLittle(out, quint32(image.height()), 2);
        out += '\0';
        out += char(8);
        QByteArray codes;
        quint32 bits = 0;
        int count = 0;
        auto put = [&](int code) {
            bits |= quint32(code) << count;
            count += 9;
            while (count >= 8) {
                codes += char(bits & 0xFF);
                bits >>= 8;
                count -= 8;
            }
        };
        int run = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                if (run == 0)
                    put(256);
                // Later frames are black: the first is what counts.
                put(frame == 0 ? indexed.pixelIndex(x, y) : 0);
                run = (run + 1) % 254;
            }
        put(257);
        if (count > 0)
            codes += char(bits & 0xFF);
        for (qsizetype at = 0; at < codes.size(); at += 255) {
            const QByteArray block = codes.mid(at, 255);
            out += char(block.size());
            out += block;
        }
        out += '\0';
    }
    out += ';';
    return out;
}

namespace {

heif_image *HeifPicture(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    heif_image *picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + y * stride, image.constScanLine(y), size_t(image.width()) * 3);
    return picture;
}

} // namespace

QByteArray Heic(const QImage &source, int orientation, const QImage &thumbnail)
{
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code != heif_error_Ok)
        qFatal("libheif has no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image *picture = HeifPicture(source);
    heif_encoding_options *options = heif_encoding_options_alloc();
    if (orientation != 0)
        options->image_orientation = heif_orientation(orientation);
    heif_image_handle *handle = nullptr;
    if (heif_context_encode_image(context, picture, encoder, options, &handle).code != heif_error_Ok)
        qFatal("cannot encode HEIC");
    if (!thumbnail.isNull()) {
        heif_image *small = HeifPicture(thumbnail);
        heif_image_handle *stored = nullptr;
        const heif_error error = heif_context_encode_thumbnail(context, small, handle, encoder, options, 320, &stored);
        if (error.code != heif_error_Ok)
            qFatal("cannot encode the HEIC thumbnail: %s", error.message);
        heif_image_handle_release(stored);
        heif_image_release(small);
    }
    QByteArray out;
    heif_writer writer{};
    writer.writer_api_version = 1;
    writer.write = [](heif_context *, const void *data, size_t size, void *userdata) {
        static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
        return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
    };
    heif_context_write(context, &writer, &out);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

bool WriteFile(const QString &fileName, const QByteArray &bytes)
{
    QFile f(fileName);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool Near(QRgb actual, QRgb expected, int tolerance)
{
    return qAbs(qRed(actual) - qRed(expected)) <= tolerance && qAbs(qGreen(actual) - qGreen(expected)) <= tolerance
        && qAbs(qBlue(actual) - qBlue(expected)) <= tolerance;
}

} // namespace PhotoTestFiles
