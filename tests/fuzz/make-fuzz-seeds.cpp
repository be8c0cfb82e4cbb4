// Writes the seed corpus of the fuzz targets: small files of our own making
// that reach the interesting parts of each reader. Usage:
//   make-fuzz-seeds <corpus-folder> [<built Tolvek.chm>]
// The files in tests/fuzz/corpus were made by this program.

#include "ExifTestFiles.h"
#include "PhotoTestFiles.h"
#include "VersionImages.h"

#include "core/platform/ChmContextTable.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectDocument.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QMap>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <cstdio>

namespace {

QString g_root;
int g_failures = 0;

void put(const QString &target, const QString &name, const QByteArray &bytes)
{
    const QString folder = g_root + QLatin1Char('/') + target;
    QDir().mkpath(folder);
    QFile f(folder + QLatin1Char('/') + name);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
        ++g_failures;
    }
}

void dataFileSeeds()
{
    put(QStringLiteral("datafile"), QStringLiteral("empty.tvk"), DataFile::Serialize(ProjectDocument()));

    ProjectDocument doc;
    doc.MapFileName = "kaart\\plattegrond.bmp";
    doc.TriangleSize = 12;
    doc.TriangleColour = 255;
    doc.Organisation = "Stichting \xc9\xe9n & Twee";
    doc.WebAddress = "www.voorbeeld.nl";
    doc.Description1 = "= eerste";
    doc.PositionList = {"00001=412,87,330", "00002=-5,0,45", "00010=0,0,0"};
    doc.NameList = {"00001=kerk.jpg", "00002=fotos\\a=b.jpg", "00010=/tmp/x.emf"};
    doc.NotesList = {"00002=a\r\nb", "00001=Type hier uw aantekeningen.", "00010=\x9d"};
    put(QStringLiteral("datafile"), QStringLiteral("photos.tvk"), DataFile::Serialize(doc));

    put(QStringLiteral("datafile"), QStringLiteral("other-order.tvk"),
        "[Fotonaam]\n00001=a.jpg\n[Foto-aantekeningen]\n00001=x\x9dy\n[Algemene gegevens]\n00002=-3\n00003=0\n"
        "00010=help\n[Fotopositie]\n00001=1,2,3\n 00002=,,\n00003=1\n=\n00004=99999999999,1,1");
    put(QStringLiteral("datafile"), QStringLiteral("bad-number.tvk"),
        "[Algemene gegevens]\r\n00001=kaart.bmp\r\n00002=abc\r\n[Fotopositie]\r\n00001=1,2,3\r\n");
    put(QStringLiteral("datafile"), QStringLiteral("keys.tvk"),
        "[Fotopositie]\r\n99999=1,1,1\r\n00001=2147483647,-2147483648,360\r\n0000a=1,1,1\r\n"
        "[Fotonaam]\r\n\r\n \r\n[Foto-aantekeningen]\r\n00001\r\n");
}

void versionSeeds()
{
    using namespace VersionImages;
    const QByteArray dutch = MakeResource(QStringLiteral("1.0.0.1"), {{0x0413, 0x04E4}});
    const QByteArray two = MakeResource(QStringLiteral("2.3.4.5"), {{0x0409, 0x04B0}, {0x0413, 0x04E4}});
    const QString t = QStringLiteral("versioninfo");
    put(t, QStringLiteral("resource-dutch.bin"), dutch);
    put(t, QStringLiteral("resource-two.bin"), two);
    put(t, QStringLiteral("resource-no-table.bin"), MakeResource(QStringLiteral("3"), {{0x0413, 0x04E4}}, false));
    put(t, QStringLiteral("elf64-le.elf"), MakeElf(true, false, ".tolvek_version", dutch).bytes);
    put(t, QStringLiteral("elf32-be.elf"), MakeElf(false, true, ".tolvek_version", two).bytes);
    put(t, QStringLiteral("pe32.exe"), MakePe(false, dutch).bytes);
    put(t, QStringLiteral("pe32plus.exe"), MakePe(true, two).bytes);
    put(t, QStringLiteral("pe-no-version.exe"), MakePe(false, dutch, false).bytes);
}

// Little-endian fields for hand-made bitmap files.
void le(QByteArray &out, quint32 v, int size)
{
    for (int i = 0; i < size; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// A bitmap file with a BITMAPINFOHEADER (or, with headerSize 12, the old
// BITMAPCOREHEADER), the given colour table (or bit masks) and pixel data.
QByteArray bmp(int headerSize, qint32 width, qint32 height, int bits, int compression, const QByteArray &table,
               const QByteArray &pixels)
{
    QByteArray info;
    le(info, quint32(headerSize), 4);
    if (headerSize == 12) {
        le(info, quint32(width), 2);
        le(info, quint32(height), 2);
        le(info, 1, 2);
        le(info, quint32(bits), 2);
    } else {
        le(info, quint32(width), 4);
        le(info, quint32(height), 4);
        le(info, 1, 2);
        le(info, quint32(bits), 2);
        le(info, quint32(compression), 4);
        le(info, quint32(pixels.size()), 4);
        le(info, 2835, 4);
        le(info, 2835, 4);
        le(info, bits <= 8 ? quint32(table.size() / 4) : 0, 4);
        le(info, 0, 4);
    }
    QByteArray file("BM");
    const quint32 offset = 14 + quint32(info.size() + table.size());
    le(file, offset + quint32(pixels.size()), 4);
    le(file, 0, 4);
    le(file, offset, 4);
    return file + info + table + pixels;
}

void mapBitmapSeeds()
{
    const QString t = QStringLiteral("mapbitmap");
    QImage colour(12, 7, QImage::Format_RGB32);
    for (int y = 0; y < colour.height(); ++y)
        for (int x = 0; x < colour.width(); ++x)
            colour.setPixel(x, y, qRgb(x * 20, y * 30, (x + y) * 10));
    auto saved = [](const QImage &image) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return bytes;
    };
    put(t, QStringLiteral("rgb24.bmp"), saved(colour));
    put(t, QStringLiteral("argb32.bmp"), saved(colour.convertToFormat(QImage::Format_ARGB32)));
    put(t, QStringLiteral("indexed8.bmp"), saved(colour.convertToFormat(QImage::Format_Indexed8)));
    put(t, QStringLiteral("mono.bmp"), saved(colour.convertToFormat(QImage::Format_Mono)));

    QByteArray grey;
    for (int i = 0; i < 4; ++i)
        le(grey, quint32(i * 0x555555), 4);
    // RLE8: a run, a literal run, end of line, a delta, end of bitmap.
    const QByteArray rle8("\x04\x01\x00\x03\x02\x03\x01\x00\x00\x00\x00\x02\x01\x01\x02\x02\x00\x01", 18);
    put(t, QStringLiteral("rle8.bmp"), bmp(40, 8, 3, 8, 1, grey, rle8));
    const QByteArray rle4("\x06\x12\x00\x04\x21\x30\x00\x00\x03\x33\x00\x01", 12);
    put(t, QStringLiteral("rle4.bmp"), bmp(40, 6, 2, 4, 2, grey, rle4));
    // 16 bits with 5-6-5 masks.
    QByteArray masks;
    le(masks, 0xF800, 4);
    le(masks, 0x07E0, 4);
    le(masks, 0x001F, 4);
    put(t, QStringLiteral("bitfields565.bmp"),
        bmp(40, 2, 2, 16, 3, masks, QByteArray("\x00\xf8\xe0\x07\x1f\x00\xff\xff", 8)));
    // The old OS/2 header with a three-byte colour table, top-down rows.
    put(t, QStringLiteral("core-header.bmp"),
        bmp(12, 4, 2, 1, 0, QByteArray("\0\0\0\xff\xff\xff", 6), QByteArray("\xa0\0\0\0\x50\0\0\0", 8)));
    put(t, QStringLiteral("top-down.bmp"),
        bmp(40, 2, -2, 24, 0, QByteArray(),
            QByteArray("\x10\x20\x30\x40\x50\x60\0\0\x70\x80\x90\xa0\xb0\xc0\0\0", 16)));
}

// Maps of the other formats: Qt's writers, a GIF as the smallest ones are
// made, a JPEG turned by EXIF; PDF floor plans of one and two pages.
void mapImageSeeds()
{
    const QString t = QStringLiteral("mapimage");
    const QImage q = PhotoTestFiles::Quadrants(12, 8);
    auto saved = [](const QImage &image, const char *format, int quality = -1) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, format, quality);
        return bytes;
    };
    put(t, QStringLiteral("rgb.png"), saved(q, "PNG"));
    put(t, QStringLiteral("alpha.png"), saved(q.convertToFormat(QImage::Format_ARGB32), "PNG"));
    put(t, QStringLiteral("grey16.png"), saved(q.convertToFormat(QImage::Format_Grayscale16), "PNG"));
    put(t, QStringLiteral("lossless.webp"), saved(q, "WEBP", 100));
    put(t, QStringLiteral("lossy.webp"), saved(q, "WEBP", 50));
    put(t, QStringLiteral("rgb.tiff"), saved(q, "TIFF"));
    put(t, QStringLiteral("mono.tiff"), saved(q.convertToFormat(QImage::Format_Mono), "TIFF"));
    put(t, QStringLiteral("one-pixel.gif"),
        QByteArray("GIF89a\x01\0\x01\0\x80\0\0\xff\xff\xff\0\0\0!\xf9\x04\x01\0\0\0\0,\0\0\0\0\x01\0\x01\0\0"
                   "\x02\x02\x44\x01\0;",
                   43));
    put(t, QStringLiteral("exif-8.jpg"), PhotoTestFiles::Jpeg(q, 8));

    const QString p = QStringLiteral("mappdf");
    for (const int pages : {1, 2}) {
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setPageSize(QPageSize(QSizeF(72, 36), QPageSize::Point, QString(), QPageSize::ExactMatch));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            writer.setResolution(72);
            QPainter painter(&writer);
            painter.fillRect(QRectF(0, 0, 36, 36), Qt::red);
            painter.drawLine(QPointF(0, 0), QPointF(72, 36));
            for (int i = 1; i < pages; ++i) {
                writer.newPage();
                painter.fillRect(QRectF(0, 0, 72, 36), Qt::blue);
            }
        }
        put(p, QStringLiteral("pages-%1.pdf").arg(pages), pdf);
    }
}

void helpSeeds(const QString &helpFile)
{
    const QString t = QStringLiteral("helpcontext");
    auto streams = [](const QMap<std::uint32_t, QString> &table) {
        QByteArray ivb;
        QByteArray strings;
        ChmContextTable::Build(table, ivb, strings);
        QByteArray out;
        le(out, quint32(ivb.size()), 2);
        return out + ivb + strings;
    };
    put(t, QStringLiteral("table-two.bin"),
        streams({{20, QStringLiteral("/tmp/build/help/foto_cdrom.html")}, {60, QStringLiteral("inhoud.html")}}));
    put(t, QStringLiteral("table-one.bin"), streams({{1, QStringLiteral("a.html")}}));
    // The program's own help file, as the build compiles it.
    if (!helpFile.isEmpty()) {
        QFile f(helpFile);
        if (f.open(QIODevice::ReadOnly))
            put(t, QStringLiteral("Tolvek.chm"), f.readAll());
        else
            ++g_failures;
    }
}

void photoSeeds()
{
    using namespace PhotoTestFiles;
    const QString j = QStringLiteral("jpeg");
    const QImage q = Quadrants(40, 24);
    put(j, QStringLiteral("plain.jpg"), Jpeg(q));
    put(j, QStringLiteral("exif-6.jpg"), Jpeg(q, 6));
    put(j, QStringLiteral("exif-3-progressive.jpg"), Jpeg(Quadrants(33, 17), 3, true, 50));
    put(j, QStringLiteral("cmyk.jpg"), CmykJpeg(Quadrants(16, 16)));
    put(j, QStringLiteral("grey.jpg"), GrayJpeg(Quadrants(24, 8)));
    // A frame size far beyond the data: scaling and the pixel limit.
    put(j, QStringLiteral("claims-65500.jpg"), WithFrameSize(Jpeg(Quadrants(16, 16)), 65500, 65500));

    const QString tmp = g_root + QStringLiteral("/emf/rectangle.emf");
    QDir().mkpath(g_root + QStringLiteral("/emf"));
    if (!WriteEmf(tmp, 30, 20))
        ++g_failures;
    put(QStringLiteral("wmf"), QStringLiteral("rectangle.wmf"), Wmf(30, 20));
    put(QStringLiteral("wmf"), QStringLiteral("wide.wmf"), Wmf(300, 7));

    // The kinds read by Qt's readers and by libheif, plain and turned.
    const QImage turned = StoredForOrientation6(24, 16);
    put(QStringLiteral("png"), QStringLiteral("plain.png"), Png(q));
    put(QStringLiteral("png"), QStringLiteral("exif-6.png"), Png(turned, 6));
    put(QStringLiteral("tiff"), QStringLiteral("plain.tif"), Tiff(q));
    put(QStringLiteral("tiff"), QStringLiteral("turned.tif"), Tiff(turned, 6));
    put(QStringLiteral("webp"), QStringLiteral("plain.webp"), WebP(q));
    put(QStringLiteral("webp"), QStringLiteral("exif-6.webp"), WebP(turned, 6));
    put(QStringLiteral("gif"), QStringLiteral("two-frames.gif"), Gif(Quadrants(20, 12), 2));
    put(QStringLiteral("heif"), QStringLiteral("plain.heic"), Heic(Quadrants(64, 64)));
    put(QStringLiteral("heif"), QStringLiteral("turned.heic"), Heic(turned, 6));
    // Hostile ones: cut off halfway.
    put(QStringLiteral("png"), QStringLiteral("cut.png"), Png(turned, 6).chopped(60));
    put(QStringLiteral("tiff"), QStringLiteral("cut.tif"), Tiff(q).left(600));
    put(QStringLiteral("webp"), QStringLiteral("cut.webp"), WebP(turned, 6).chopped(40));
    put(QStringLiteral("gif"), QStringLiteral("cut.gif"), Gif(Quadrants(20, 12), 2).left(700));
    put(QStringLiteral("heif"), QStringLiteral("cut.heic"), Heic(turned, 6).left(400));
}

void exifSeeds()
{
    const QString t = QStringLiteral("exif");
    put(t, QStringLiteral("phone-true.jpg"),
        ExifTestFiles::Jpeg({{"Exif.Image.Make", "Fairphone"},
                             {"Exif.Image.Model", "FP5"},
                             {"Exif.Photo.DateTimeOriginal", "2026:12:07 14:03:27"},
                             {"Exif.Photo.SubSecTimeOriginal", "123"},
                             {"Exif.Photo.OffsetTimeOriginal", "+01:00"},
                             {"Exif.GPSInfo.GPSImgDirection", "27150/100"},
                             {"Exif.GPSInfo.GPSImgDirectionRef", "T"},
                             {"Exif.GPSInfo.GPSLatitude", "52/1 5/1 2634/100"},
                             {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                             {"Exif.GPSInfo.GPSLongitude", "5/1 7/1 1234/100"},
                             {"Exif.GPSInfo.GPSLongitudeRef", "E"},
                             {"Exif.GPSInfo.GPSHPositioningError", "5/1"}}));
    put(t, QStringLiteral("camera-magnetic.jpg"),
        ExifTestFiles::Jpeg({{"Exif.Photo.DateTimeOriginal", "2019:02:28 23:59:60"},
                             {"Exif.Photo.OffsetTimeOriginal", "-0330"},
                             {"Exif.GPSInfo.GPSImgDirection", "0/0"},
                             {"Exif.GPSInfo.GPSImgDirectionRef", "M"},
                             {"Exif.GPSInfo.GPSLatitude", "91/1 0/0 0/1"},
                             {"Exif.GPSInfo.GPSLatitudeRef", "S"}}));
    put(t, QStringLiteral("blank-time.jpg"),
        ExifTestFiles::Jpeg(
            {{"Exif.Photo.DateTimeOriginal", "    :  :     :  :  "}, {"Exif.GPSInfo.GPSImgDirection", "359999/1000"}}));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-fuzz-seeds <corpus-folder> [<built Tolvek.chm>]\n");
        return 2;
    }
    int guiArgc = 1;
    QGuiApplication app(guiArgc, argv);
    g_root = QString::fromLocal8Bit(argv[1]);
    dataFileSeeds();
    versionSeeds();
    mapBitmapSeeds();
    mapImageSeeds();
    photoSeeds();
    exifSeeds();
    helpSeeds(argc == 3 ? QString::fromLocal8Bit(argv[2]) : QString());
    return g_failures == 0 ? 0 : 1;
}
