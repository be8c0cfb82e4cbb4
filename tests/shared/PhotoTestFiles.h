#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Real picture files for the photo tests, written the way cameras and
// drawing programs write them.
namespace PhotoTestFiles {

// An image with four coloured quadrants (red top left, green top right,
// blue bottom left, yellow bottom right), to see orientation and scaling.
QImage Quadrants(int width, int height);

// A JPEG made with libjpeg; exifOrientation 0 writes no EXIF segment.
QByteArray Jpeg(const QImage &image, int exifOrientation = 0, bool progressive = false, int quality = 90);

// A CMYK JPEG as print programs write it (Adobe marker, inverted values).
QByteArray CmykJpeg(const QImage &image);

// A grey-scale JPEG.
QByteArray GrayJpeg(const QImage &image);

// The APP1 payload of an EXIF block holding only the orientation tag.
QByteArray ExifPayload(int orientation, bool bigEndian);

// The JPEG with the frame size in its SOF marker replaced.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height);

// A small enhanced metafile made with libuemf: a filled rectangle.
bool WriteEmf(const QString &fileName, int width, int height);

// A small placeable Windows metafile: a filled rectangle.
QByteArray Wmf(int width, int height);

// The kinds beyond JPEG, as cameras, phones and screenshot tools write them:
// image is stored as it is; orientation (EXIF numbering, 0 for none) says
// how a viewer must turn it (PNG eXIf chunk, TIFF tag, WebP EXIF chunk,
// HEIF rotation and mirroring).
QByteArray Png(const QImage &image, int orientation = 0);
QByteArray Tiff(const QImage &image, int orientation = 0);
QByteArray WebP(const QImage &image, int orientation = 0);
QByteArray Gif(const QImage &image, int frames = 1);
// thumbnail: stored beside the photo as its thumbnail (phones store one),
// scaled down to 320 pixels across; it must be larger than that.
QByteArray Heic(const QImage &image, int orientation = 0, const QImage &thumbnail = QImage());

// Quadrants(width, height) as it must be stored so that a viewer applying
// orientation 6 (turn a quarter clockwise) shows it upright.
QImage StoredForOrientation6(int width, int height);

bool WriteFile(const QString &fileName, const QByteArray &bytes);

// The colour at a point, as 0xRRGGBB, and whether it is near a colour.
bool Near(QRgb actual, QRgb expected, int tolerance = 40);

} // namespace PhotoTestFiles
