#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Turns an overview-map file into its picture, one map pixel a picture
// pixel. The kind is told by the file's first bytes, not its name, so a
// floor plan saved under the wrong extension still opens:
// - bitmaps as they always were read (Qt's BMP reader);
// - JPEG through the program's libjpeg-turbo decoder, turned upright as its
//   EXIF orientation says;
// - PDF: the first page, rendered by PdfMapRenderer at 150 dpi;
// - PNG, GIF, WebP, TIFF (the first page) and whatever else Qt's image
//   readers know.
// Transparent pictures are laid on white, as they would be on paper.
class MapImageDecoder
{
public:
    enum class Kind { Bitmap, Jpeg, Pdf, Other };

    // The kind from the first bytes of a file (at least 1024 are looked at
    // for the PDF header, which may follow some junk).
    static Kind KindOf(const QByteArray &head);

    // The picture of the map file at path. Throws TolvekError naming the
    // file and the reason, in Dutch, when it cannot be read.
    static QImage Decode(const QString &path);

    // A small picture of the file within box, for the file dialog's preview;
    // a null image when there is nothing to show.
    static QImage Preview(const QString &path, QSize box);

    // Pictures with transparency laid on white; pixel formats wider than 32
    // bits brought down to 32, which is all a map needs and what every
    // output of the drawing takes. Works pixel by pixel, so a band of rows
    // comes out as the same rows of the whole picture would.
    static QImage Normalised(QImage image);

    // The most pixels a map may have: what the raised limit lets Qt allocate
    // at 32 bits a pixel. A scanned A0 plan at 300 dpi has 140 million.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Still above the band reader's smallest map, so that path is fuzzed too.
    static constexpr int AllocationLimitMB = 128;
#else
    static constexpr int AllocationLimitMB = 2048;
#endif
    static constexpr qint64 MaxPixels = qint64(AllocationLimitMB) * 1024 * 1024 / 4;

    // Qt's default limit refuses big scans; raised once for the whole process
    // (Decode does it itself).
    static void RaiseAllocationLimit();
};
