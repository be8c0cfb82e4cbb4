#include "PhotoTestFiles.h"

#include <QFile>
#include <QPainter>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>
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
