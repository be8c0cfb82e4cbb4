#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <cstddef>

// JPEG photos through libjpeg-turbo, decoded straight into 32-bit pixels.
// A photo shown smaller than its own size is decoded at the smallest DCT
// scale that still covers the shown size and then reduced to it while the
// rows come in, so a large photo never needs its full size in memory for a
// fitted view. The EXIF orientation is applied to every result.
class JpegDecoder
{
public:
    struct Header
    {
        QSize storedSize;    // as the frame is coded
        int orientation = 1; // EXIF orientation 1..8 (1 when absent or invalid)
        // The size as shown: width and height swapped for orientations 5..8.
        QSize shownSize() const { return orientation >= 5 ? storedSize.transposed() : storedSize; }
    };

    // Reads the header only. Throws TolvekError with the problem (in Dutch,
    // without the file name) when the data is no JPEG.
    static Header ReadHeader(const QByteArray &data);

    // Decodes the photo. With a valid target (in shown orientation) the
    // result is exactly that size; otherwise it is the full size, refused
    // beyond maxPixels. *decodedSize (when given) receives the size libjpeg
    // produced before the reduction. Throws TolvekError on failure.
    static QImage Decode(const QByteArray &data, QSize target = QSize(), qint64 maxPixels = DefaultMaxPixels,
                         QSize *decodedSize = nullptr);

    // The DCT scale numerator (over 8) to decode a stored size for a target
    // in stored orientation: the smallest one whose output covers the target.
    static int ScaleNumerator(QSize stored, QSize target);

    // The orientation tag (0x0112) from the payload of an APP1 marker, which
    // begins with "Exif\0\0"; 1 when absent, out of range or malformed.
    static int OrientationFromExif(const unsigned char *payload, std::size_t size);

    // Turns an image decoded as stored into the shown orientation.
    static QImage ApplyOrientation(const QImage &image, int orientation);

    // Turns a row of width CMYK pixels, as libjpeg hands print-shop JPEGs
    // out, in place into blue, green, red, unused. inverted: Adobe's
    // convention, 255 means no ink.
    static void CmykToBgrx(unsigned char *row, int width, bool inverted);

    static constexpr qint64 DefaultMaxPixels = 150'000'000;
    // Memory libjpeg may use for its own buffers (progressive photos keep
    // all coefficients of the frame).
    static constexpr long MaxLibraryMemory = 512L * 1024 * 1024;
};
