#include "PhotoTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/photos/HevcPictureDecoder.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/PhotoPicture.h"

#include <QImageWriter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <libheif/heif.h>

using namespace PhotoTestFiles;

class TestPhotoPicture : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

    // The error text of loading (and, with a size, drawing) a file.
    QString loadError(const QString &fileName, QSize size = QSize())
    {
        try {
            const PhotoPicture p = PhotoPicture::Load(fileName);
            if (size.isValid())
                p.Scaled(size);
            else
                p.FullSize();
        } catch (const TolvekError &e) {
            return e.message();
        }
        return QString();
    }

    // A HEIF file of the given kind, encoded by libheif: a pattern with some
    // noise, so that the picture has several rows of coding blocks.
    static QByteArray heifOfKind(heif_colorspace space, heif_chroma chroma, int bits, bool alpha)
    {
        const int w = 200, h = 150;
        heif_image *image = nullptr;
        heif_image_create(w, h, space, chroma, &image);
        const QList<heif_channel> channels = space == heif_colorspace_monochrome
            ? QList<heif_channel>{heif_channel_Y}
            : QList<heif_channel>{heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
        QRandomGenerator random(7);
        for (heif_channel channel :
             channels + (alpha ? QList<heif_channel>{heif_channel_Alpha} : QList<heif_channel>{})) {
            const bool half = chroma == heif_chroma_420 && (channel == heif_channel_Cb || channel == heif_channel_Cr);
            const int cw = half ? w / 2 : w, ch = half ? h / 2 : h;
            heif_image_add_plane(image, channel, cw, ch, bits);
            int stride = 0;
            uint8_t *plane = heif_image_get_plane(image, channel, &stride);
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < cw; ++x) {
                    const int v = ((x * 5 + y * 3 + int(channel) * 40) % 256 + int(random.bounded(24))) % 256;
                    if (bits > 8)
                        reinterpret_cast<uint16_t *>(plane + y * stride)[x] = uint16_t(v << (bits - 8));
                    else
                        plane[y * stride + x] = uint8_t(v);
                }
        }
        heif_context *context = heif_context_alloc();
        heif_encoder *encoder = nullptr;
        heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
        if (chroma == heif_chroma_444)
            heif_encoder_set_parameter(encoder, "chroma", "444");
        heif_encoder_set_lossy_quality(encoder, 70);
        QByteArray out;
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code == heif_error_Ok) {
            heif_writer writer{};
            writer.writer_api_version = 1;
            writer.write = [](heif_context *, const void *data, size_t size, void *userdata) {
                static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
                return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
            };
            heif_context_write(context, &writer, &out);
        }
        heif_encoder_release(encoder);
        heif_image_release(image);
        heif_context_free(context);
        return out;
    }

    // The RGB(A) rows of a HEIF file as libheif decodes it with the decoder it
    // picks.
    static QByteArray libheifPixels(const QByteArray &heif)
    {
        heif_context *context = heif_context_alloc();
        heif_context_read_from_memory_without_copy(context, heif.constData(), size_t(heif.size()), nullptr);
        heif_image_handle *handle = nullptr;
        heif_context_get_primary_image_handle(context, &handle);
        const bool alpha = heif_image_handle_has_alpha_channel(handle);
        heif_image *image = nullptr;
        QByteArray rows;
        if (heif_decode_image(handle, &image, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
                .code
            == heif_error_Ok) {
            int stride = 0;
            const uint8_t *plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
            const int w = heif_image_get_width(image, heif_channel_interleaved);
            for (int y = 0; y < heif_image_get_height(image, heif_channel_interleaved); ++y)
                rows.append(reinterpret_cast<const char *>(plane + y * stride), w * (alpha ? 4 : 3));
            heif_image_release(image);
        }
        heif_image_handle_release(handle);
        heif_context_free(context);
        return rows;
    }

    static bool hevcDecoderRegistered()
    {
        const heif_decoder_descriptor *found[16] = {};
        const int count = heif_get_decoder_descriptors(heif_compression_HEVC, found, 16);
        for (int i = 0; i < count; ++i)
            if (std::strcmp(heif_decoder_descriptor_get_name(found[i]), HevcPictureDecoder::Name()) == 0)
                return true;
        return false;
    }

private slots:
    void jpegLoadsAtFullAndFittedSize()
    {
        QVERIFY(WriteFile(path("kerk.jpg"), Jpeg(Quadrants(640, 480))));
        const PhotoPicture p = PhotoPicture::Load(path("kerk.jpg"));
        QCOMPARE(p.kind(), PhotoPicture::Kind::Jpeg);
        QCOMPARE(p.Size(), QSize(640, 480));
        const QImage full = p.FullSize();
        QCOMPARE(full.size(), QSize(640, 480));
        QCOMPARE(full.format(), QImage::Format_RGB32);
        QVERIFY(Near(full.pixel(10, 10), qRgb(255, 0, 0)));
        QVERIFY(Near(full.pixel(630, 10), qRgb(0, 255, 0)));
        QVERIFY(Near(full.pixel(10, 470), qRgb(0, 0, 255)));
        QVERIFY(Near(full.pixel(630, 470), qRgb(255, 255, 0)));
        const QImage fitted = p.Scaled(QSize(382, 286));
        QCOMPARE(fitted.size(), QSize(382, 286));
        QVERIFY(Near(fitted.pixel(5, 5), qRgb(255, 0, 0)));
        QVERIFY(Near(fitted.pixel(376, 280), qRgb(255, 255, 0)));
        QVERIFY(Near(fitted.pixel(376, 5), qRgb(0, 255, 0)));
    }

    void extensionDecidesKindWithoutRegardToCase_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::newRow("JPG") << "FOTO.JPG" << int(PhotoPicture::Kind::Jpeg);
        QTest::newRow("Jpeg") << "a.b.Jpeg" << int(PhotoPicture::Kind::Jpeg);
        QTest::newRow("BMP") << "kaart.BMP" << int(PhotoPicture::Kind::Bitmap);
        QTest::newRow("ico") << "x.ico" << int(PhotoPicture::Kind::Icon);
        QTest::newRow("EMF") << "x.EMF" << int(PhotoPicture::Kind::Emf);
        QTest::newRow("wmf") << "dir.jpg/x.wmf" << int(PhotoPicture::Kind::Wmf);
        QTest::newRow("png") << "x.png" << int(PhotoPicture::Kind::Png);
        QTest::newRow("TIF") << "scan.TIF" << int(PhotoPicture::Kind::Tiff);
        QTest::newRow("HEIC") << "IMG_0001.HEIC" << int(PhotoPicture::Kind::Heif);
        QTest::newRow("psd") << "x.psd" << -1;
        QTest::newRow("none") << "jpg" << -1;
        QTest::newRow("folder dot") << "map.jpg/foto" << -1;
    }
    void extensionDecidesKindWithoutRegardToCase()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        const auto k = PhotoPicture::KindForFileName(name);
        QCOMPARE(k ? int(*k) : -1, kind);
    }

    void capitalExtensionOpensAsJpeg()
    {
        QVERIFY(WriteFile(path("FOTO.JPG"), Jpeg(Quadrants(64, 48))));
        QCOMPARE(PhotoPicture::Load(path("FOTO.JPG")).Size(), QSize(64, 48));
    }

    void exifOrientationIsHonoured_data()
    {
        QTest::addColumn<int>("orientation");
        // Which colour ends up in the shown top-left and top-right corners.
        QTest::addColumn<QRgb>("topLeft");
        QTest::addColumn<QRgb>("topRight");
        QTest::addColumn<QRgb>("bottomLeft");
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), yellow = qRgb(255, 255, 0);
        QTest::newRow("1 as stored") << 1 << red << green << blue;
        QTest::newRow("2 mirrored") << 2 << green << red << yellow;
        QTest::newRow("3 half turn") << 3 << yellow << blue << green;
        QTest::newRow("4 flipped") << 4 << blue << yellow << red;
        QTest::newRow("5 transposed") << 5 << red << blue << green;
        QTest::newRow("6 quarter right") << 6 << blue << red << yellow;
        QTest::newRow("7 transverse") << 7 << yellow << green << blue;
        QTest::newRow("8 quarter left") << 8 << green << yellow << red;
    }
    void exifOrientationIsHonoured()
    {
        QFETCH(int, orientation);
        QFETCH(QRgb, topLeft);
        QFETCH(QRgb, topRight);
        QFETCH(QRgb, bottomLeft);
        const QString name = path(QStringLiteral("exif%1.jpg").arg(orientation));
        QVERIFY(WriteFile(name, Jpeg(Quadrants(320, 160), orientation)));
        const PhotoPicture p = PhotoPicture::Load(name);
        const QSize shown = orientation >= 5 ? QSize(160, 320) : QSize(320, 160);
        QCOMPARE(p.Size(), shown);
        for (const QImage &image : {p.FullSize(), p.Scaled(shown / 2)}) {
            QCOMPARE(image.size().transposed().width() > 0, true);
            const int w = image.width(), h = image.height();
            QVERIFY2(Near(image.pixel(3, 3), topLeft), qPrintable(QString::number(image.pixel(3, 3), 16)));
            QVERIFY(Near(image.pixel(w - 4, 3), topRight));
            QVERIFY(Near(image.pixel(3, h - 4), bottomLeft));
        }
    }

    void exifParserRejectsMalformedBlocks()
    {
        const QByteArray good = ExifPayload(6, true);
        auto orientation = [](const QByteArray &b) {
            return JpegDecoder::OrientationFromExif(reinterpret_cast<const unsigned char *>(b.constData()),
                                                    std::size_t(b.size()));
        };
        QCOMPARE(orientation(good), 6);
        QCOMPARE(orientation(ExifPayload(3, false)), 3);
        // Every truncation is either read up to the tag or refused, never
        // read beyond its end (checked under the address sanitizer).
        for (qsizetype n = 0; n < good.size(); ++n) {
            const QByteArray cut = good.left(n);
            QByteArray heap(cut.constData(), cut.size()); // own allocation for exact bounds
            const int o = orientation(heap);
            QVERIFY(o == 1 || o == 6);
        }
        QCOMPARE(orientation(ExifPayload(9, true)), 1);
        QCOMPARE(orientation(ExifPayload(0, true)), 1);
        QByteArray badOffset = good;
        badOffset[6 + 4] = char(0x7F); // IFD offset far outside
        QCOMPARE(orientation(badOffset), 1);
        QByteArray manyEntries = good;
        manyEntries[6 + 8] = char(0xFF); // entry count beyond the block
        manyEntries[6 + 9] = char(0xFF);
        const int o = orientation(manyEntries);
        QVERIFY(o == 1 || o == 6);
        QByteArray notExif = good;
        notExif[0] = 'X';
        QCOMPARE(orientation(notExif), 1);
        QCOMPARE(orientation(QByteArray()), 1);
    }

    void largeJpegIsDecodedAtReducedDctScale()
    {
        const QByteArray jpeg = Jpeg(Quadrants(2000, 1500));
        QSize decoded;
        const QImage fitted = JpegDecoder::Decode(jpeg, QSize(382, 286), JpegDecoder::DefaultMaxPixels, &decoded);
        QCOMPARE(fitted.size(), QSize(382, 286));
        // 2/8 is the smallest scale that still covers the shown size.
        QCOMPARE(decoded, QSize(500, 375));
        QVERIFY(Near(fitted.pixel(2, 2), qRgb(255, 0, 0)));
        QVERIFY(Near(fitted.pixel(379, 283), qRgb(255, 255, 0)));
        QCOMPARE(JpegDecoder::ScaleNumerator(QSize(2000, 1500), QSize(382, 286)), 2);
        QCOMPARE(JpegDecoder::ScaleNumerator(QSize(2000, 1500), QSize(1999, 10)), 8);
        QCOMPARE(JpegDecoder::ScaleNumerator(QSize(800, 600), QSize(100, 75)), 1);
        // An orientation that turns the photo turns the scaled size too.
        const QByteArray turned = Jpeg(Quadrants(2000, 1000), 6);
        const QImage t = JpegDecoder::Decode(turned, QSize(150, 300), JpegDecoder::DefaultMaxPixels, &decoded);
        QCOMPARE(t.size(), QSize(150, 300));
        QCOMPARE(decoded, QSize(500, 250));
    }

    void hugeDeclaredJpegDoesNotAllocateForFittedView()
    {
        // A small baseline JPEG whose frame claims 65500 by 65500 pixels.
        const QByteArray huge = WithFrameSize(Jpeg(Quadrants(16, 16)), 65500, 65500);
        QVERIFY(!huge.isEmpty());
        QVERIFY(WriteFile(path("huge.jpg"), huge));
        const PhotoPicture p = PhotoPicture::Load(path("huge.jpg"));
        QCOMPARE(p.Size(), QSize(65500, 65500));
        QSize decoded;
        const QImage fitted = JpegDecoder::Decode(huge, QSize(315, 315), JpegDecoder::DefaultMaxPixels, &decoded);
        QCOMPARE(fitted.size(), QSize(315, 315));
        QCOMPARE(decoded, QSize(8188, 8188));
        // True size is refused with a clear message, before any allocation.
        const QString error = loadError(path("huge.jpg"));
        QVERIFY2(error.contains(QStringLiteral("te groot")) && error.contains(QStringLiteral("huge.jpg"))
                     && error.contains(QStringLiteral("65500 x 65500")),
                 qPrintable(error));
    }

    void hugeProgressiveJpegFailsCleanly()
    {
        // Progressive photos need all coefficients in memory; libjpeg's
        // memory limit turns this into an error instead of gigabytes.
        const QByteArray huge = WithFrameSize(Jpeg(Quadrants(16, 16), 0, true), 65500, 65500);
        QVERIFY(!huge.isEmpty());
        QVERIFY(WriteFile(path("hugeprog.jpg"), huge));
        const QString error = loadError(path("hugeprog.jpg"), QSize(300, 300));
        QVERIFY2(error.startsWith(QStringLiteral("De afbeelding \"")) && error.contains(QStringLiteral("hugeprog.jpg")),
                 qPrintable(error));
    }

    void progressiveJpegDecodes()
    {
        QVERIFY(WriteFile(path("prog.jpg"), Jpeg(Quadrants(400, 300), 0, true)));
        const QImage fitted = PhotoPicture::Load(path("prog.jpg")).Scaled(QSize(100, 75));
        QCOMPARE(fitted.size(), QSize(100, 75));
        QVERIFY(Near(fitted.pixel(97, 72), qRgb(255, 255, 0)));
    }

    void cmykAndGreyJpegsDecode()
    {
        const QByteArray cmyk = CmykJpeg(Quadrants(320, 240));
        for (const QImage &image : {JpegDecoder::Decode(cmyk), JpegDecoder::Decode(cmyk, QSize(80, 60))}) {
            const int w = image.width(), h = image.height();
            QVERIFY2(Near(image.pixel(3, 3), qRgb(255, 0, 0)), qPrintable(QString::number(image.pixel(3, 3), 16)));
            QVERIFY(Near(image.pixel(w - 4, 3), qRgb(0, 255, 0)));
            QVERIFY(Near(image.pixel(3, h - 4), qRgb(0, 0, 255)));
            QVERIFY(Near(image.pixel(w - 4, h - 4), qRgb(255, 255, 0)));
        }
        const QImage grey = JpegDecoder::Decode(GrayJpeg(Quadrants(320, 240)), QSize(160, 120));
        QCOMPARE(grey.size(), QSize(160, 120));
        QVERIFY(Near(grey.pixel(3, 3), qRgb(qGray(255, 0, 0), qGray(255, 0, 0), qGray(255, 0, 0)), 8));
    }

    void bitmapAndIconLoad()
    {
        QVERIFY(Quadrants(120, 90).save(path("kaart.bmp"), "BMP"));
        const PhotoPicture bmp = PhotoPicture::Load(path("kaart.bmp"));
        QCOMPARE(bmp.kind(), PhotoPicture::Kind::Bitmap);
        QCOMPARE(bmp.Size(), QSize(120, 90));
        QVERIFY(Near(bmp.FullSize().pixel(119, 0), qRgb(0, 255, 0), 0));
        QCOMPARE(bmp.Scaled(QSize(60, 45)).size(), QSize(60, 45));

        QVERIFY(Quadrants(32, 32).save(path("logo.ico"), "ICO"));
        const PhotoPicture ico = PhotoPicture::Load(path("logo.ico"));
        QCOMPARE(ico.kind(), PhotoPicture::Kind::Icon);
        QCOMPARE(ico.Size(), QSize(32, 32));
        QVERIFY(Near(ico.FullSize().pixel(31, 31), qRgb(255, 255, 0), 0));
        QVERIFY(ico.MetafileBytes().isEmpty());
    }

    void enhancedMetafileLoads()
    {
        QVERIFY(WriteEmf(path("plan.emf"), 200, 100));
        const PhotoPicture emf = PhotoPicture::Load(path("plan.emf"));
        QCOMPARE(emf.kind(), PhotoPicture::Kind::Emf);
        QVERIFY(!emf.Size().isEmpty());
        const QImage image = emf.Scaled(QSize(100, 50));
        QCOMPARE(image.size(), QSize(100, 50));
        QVERIFY2(Near(image.pixel(50, 25), qRgb(0, 0, 255)), qPrintable(QString::number(image.pixel(50, 25), 16)));
        QFile f(path("plan.emf"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(emf.MetafileBytes(), f.readAll());
        QCOMPARE(emf.MetafileMimeType(), QStringLiteral("image/x-emf"));
    }

    // This program also links libuemf (for WriteEmf), whose own wmf_free
    // would crash libwmf if the loader bound libwmf's calls to it.
    void windowsMetafileLoads()
    {
        QVERIFY(WriteFile(path("plan.wmf"), Wmf(200, 100)));
        const PhotoPicture wmf = PhotoPicture::Load(path("plan.wmf"));
        QCOMPARE(wmf.kind(), PhotoPicture::Kind::Wmf);
        QVERIFY(!wmf.Size().isEmpty());
        const QImage image = wmf.FullSize();
        QVERIFY2(Near(image.pixel(image.width() / 2, image.height() / 2), qRgb(0, 0, 255)),
                 qPrintable(QString::number(image.pixel(image.width() / 2, image.height() / 2), 16)));
        QCOMPARE(wmf.MetafileMimeType(), QStringLiteral("image/x-wmf"));
        QCOMPARE(wmf.MetafileBytes().size(), Wmf(200, 100).size());
    }

    // PNG, TIFF, WebP and HEIC photos stored turned, with the orientation
    // that puts them upright, and a GIF of two frames: each is shown
    // upright, the GIF's first frame, at full and at a fitted size.
    void newKindsShowUpright_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        const QImage turned = StoredForOrientation6(64, 48);
        QTest::newRow("png") << "scherm.png" << Png(turned, 6);
        QTest::newRow("tiff") << "scan.tiff" << Tiff(turned, 6);
        QTest::newRow("webp") << "foto.webp" << WebP(turned, 6);
        QTest::newRow("gif") << "bewegend.gif" << Gif(Quadrants(64, 48), 2);
        QTest::newRow("heic") << "IMG_0001.HEIC" << Heic(turned, 6);
    }
    void newKindsShowUpright()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QVERIFY(WriteFile(path(name), contents));
        const PhotoPicture p = PhotoPicture::Load(path(name));
        QCOMPARE(p.Size(), QSize(64, 48));
        for (const QImage &image : {p.FullSize(), p.Scaled(QSize(32, 24))}) {
            const int w = image.width(), h = image.height();
            QVERIFY2(Near(image.pixel(3, 3), qRgb(255, 0, 0)), qPrintable(QString::number(image.pixel(3, 3), 16)));
            QVERIFY(Near(image.pixel(w - 4, 3), qRgb(0, 255, 0)));
            QVERIFY(Near(image.pixel(3, h - 4), qRgb(0, 0, 255)));
            QVERIFY(Near(image.pixel(w - 4, h - 4), qRgb(255, 255, 0)));
        }
    }

    // A thumbnail is made from the small picture a phone stores in a HEIC
    // photo when that is large enough, else from the photo itself.
    void heicThumbnailComesFromTheStoredOne()
    {
        QImage photo(1200, 900, QImage::Format_RGB32), stored(photo.size(), QImage::Format_RGB32);
        photo.fill(Qt::blue);
        stored.fill(Qt::red);
        const QString name = m_dir.filePath(QStringLiteral("telefoon.heic"));
        QVERIFY(PhotoTestFiles::WriteFile(name, Heic(photo, 0, stored)));
        const auto red = [](const QImage &image) {
            return QColor(image.pixel(image.width() / 2, image.height() / 2)).red();
        };
        const PhotoPicture small = PhotoPicture::Load(name, 256);
        QCOMPARE(small.Size(), QSize(256, 192));
        QVERIFY(red(small.FullSize()) > 200);
        const PhotoPicture large = PhotoPicture::Load(name, 400);
        QCOMPARE(large.Size(), QSize(400, 300));
        QVERIFY(red(large.FullSize()) < 50);
        QCOMPARE(PhotoPicture::Load(name).Size(), QSize(1200, 900));
    }

    // The helper decodes a HEIC's pictures with libde265's threads in place of
    // libheif's own decoder: every kind of picture must come out as libheif's
    // own decoder gives it, to the byte.
    void threadedHevcDecoderGivesLibheifsPixels()
    {
        const QList<QPair<const char *, QByteArray>> kinds = {
            {"8 bits 4:2:0", heifOfKind(heif_colorspace_YCbCr, heif_chroma_420, 8, false)},
            {"10 bits 4:4:4", heifOfKind(heif_colorspace_YCbCr, heif_chroma_444, 10, false)},
            {"grey", heifOfKind(heif_colorspace_monochrome, heif_chroma_monochrome, 8, false)},
            {"with alpha", heifOfKind(heif_colorspace_YCbCr, heif_chroma_420, 8, true)},
        };
        QVERIFY2(!hevcDecoderRegistered(), "the reference must come from libheif's own decoder");
        QList<QByteArray> expected;
        for (const auto &kind : kinds) {
            QVERIFY2(!kind.second.isEmpty(), kind.first);
            expected.append(libheifPixels(kind.second));
            QVERIFY2(!expected.last().isEmpty(), kind.first);
        }
        for (qsizetype i = 0; i < kinds.size(); ++i) {
            QByteArray out;
            QVERIFY(PhotoPicture::HeifToPixels(kinds[i].second, out));
            QVERIFY2(out.startsWith('1'), qPrintable(QString::fromUtf8(out)));
            QCOMPARE(out.at(1) != 0, i == 3);
            QVERIFY2(out.mid(10) == expected[i], kinds[i].first);
        }
        QVERIFY(hevcDecoderRegistered());
    }

    void undecodableFilesGiveDutchMessagesNamingTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unknown extension") << "foto.psd" << QByteArray("x") << "extensie \"psd\" is onbekend";
        QTest::newRow("bad png") << "kapot.png" << QByteArray("\x89PNG\r\n\x1a\nxxxxxxxxxxxxxxxxxxxxxx", 30)
                                 << "geen geldig of een beschadigd PNG-bestand";
        QTest::newRow("jpeg named png") << "foto.png" << Jpeg(Quadrants(20, 10)) << "PNG-bestand";
        QTest::newRow("bad tiff") << "kapot.tif" << QByteArray("II*\0\xff\xff\xff\x7f", 8) << "TIFF-bestand";
        QTest::newRow("bad webp") << "kapot.webp" << QByteArray("RIFF\x10\0\0\0WEBPVP8 \x04\0\0\0abcd", 24)
                                  << "WebP-bestand";
        QTest::newRow("bad gif") << "kapot.gif" << QByteArray("GIF89a\x10\0\x10\0") << "GIF-bestand";
        QTest::newRow("bad heic") << "kapot.heic" << QByteArray("\0\0\0\x18ftypheic\0\0\0\0mif1heic", 24)
                                  << "HEIC/HEIF-bestand";
        QTest::newRow("text as jpeg") << "tekst.jpg" << QByteArray("Dit is geen foto")
                                      << "geen geldige of een beschadigde JPEG";
        QTest::newRow("empty jpeg") << "leeg.jpeg" << QByteArray() << "te kort";
        QTest::newRow("bitmap named jpg") << "kaart.jpg" << QByteArray("BM\x36\0\0\0", 6) << "JPEG";
        QTest::newRow("bad bitmap") << "kapot.bmp" << QByteArray("BMxxxx") << "geen geldige of een beschadigde bitmap";
        QTest::newRow("bad icon") << "kapot.ico" << QByteArray(40, '\x01') << "pictogram";
        QTest::newRow("bad emf") << "kapot.emf" << QByteArray(200, '\x07') << "Enhanced-metabestand";
        QTest::newRow("bad wmf") << "kapot.wmf" << QByteArray(200, '\x07') << "Windows-metabestand";
    }
    void undecodableFilesGiveDutchMessagesNamingTheFile()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, expected);
        QVERIFY(WriteFile(path(name), contents));
        const QString error = loadError(path(name));
        QVERIFY2(error.contains(name) && error.contains(expected), qPrintable(error));
    }

    void damagedJpegsGiveAPictureOrAnError()
    {
        // Damage in headers, tables, EXIF block and data: every file either
        // decodes to the size it declares or fails with a message; it never
        // crashes (run under the sanitizers too).
        const QByteArray good = Jpeg(Quadrants(96, 64), 6);
        QRandomGenerator random(20261207);
        int decoded = 0, refused = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray bad = good;
            const int flips = 1 + int(random.bounded(4));
            for (int i = 0; i < flips; ++i) {
                // Most damage goes into the first 400 bytes, where the markers are.
                const qsizetype at = random.bounded(4) == 0 ? random.bounded(bad.size())
                                                            : random.bounded(qMin<qsizetype>(400, bad.size()));
                bad[at] = char(random.bounded(256));
            }
            try {
                const JpegDecoder::Header h = JpegDecoder::ReadHeader(bad);
                if (qint64(h.storedSize.width()) * h.storedSize.height() > 4'000'000)
                    continue; // a damaged size field; the limits have their own tests
                const QImage full = JpegDecoder::Decode(bad);
                QCOMPARE(full.size(), h.shownSize());
                const QSize small = h.shownSize().scaled(QSize(40, 40), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
                QCOMPARE(JpegDecoder::Decode(bad, small).size(), small);
                ++decoded;
            } catch (const TolvekError &e) {
                QVERIFY(!e.message().isEmpty());
                ++refused;
            }
        }
        QVERIFY(decoded > 0);
        QVERIFY(refused > 0);
    }

    void truncatedJpegStillShowsWhatItHas()
    {
        const QByteArray jpeg = Jpeg(Quadrants(320, 240));
        QVERIFY(WriteFile(path("half.jpg"), jpeg.left(jpeg.size() / 2)));
        const QImage image = PhotoPicture::Load(path("half.jpg")).FullSize();
        QCOMPARE(image.size(), QSize(320, 240));
        QVERIFY(Near(image.pixel(5, 5), qRgb(255, 0, 0)));
    }

    void missingFileIsReported()
    {
        const QString error = loadError(path("weg.jpg"));
        QVERIFY2(error.contains(QStringLiteral("weg.jpg"))
                     && error.contains(QStringLiteral("het bestand bestaat niet")),
                 qPrintable(error));
    }

    void releaseFreesThePicture()
    {
        QVERIFY(WriteFile(path("r.jpg"), Jpeg(Quadrants(64, 64))));
        PhotoPicture p = PhotoPicture::Load(path("r.jpg"));
        QVERIFY(!p.IsNull());
        p.Release();
        QVERIFY(p.IsNull());
        QVERIFY(p.FullSize().isNull());
    }
};

QTEST_GUILESS_MAIN(TestPhotoPicture)
#include "tst_photopicture.moc"
