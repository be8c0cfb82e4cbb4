// Overview maps in every format the program reads: the picture's size and
// colours from real files, the PDF at 150 dpi, and the renderer drawing them.

#include "MapFormatFiles.h"
#include "MapTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapImageDecoder.h"
#include "core/map/PdfMapRenderer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTransform>
#include <QtEndian>
#include <QtTest>

Q_DECLARE_METATYPE(QImage)

namespace {

// The picture a map file should give: the written image, or the quadrants
// turned as an EXIF orientation says.
QImage Turned(const QImage &image, int degrees)
{
    return image.transformed(QTransform().rotate(degrees));
}

bool SameAtQuadrantCentres(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return false;
    const int w = expected.width();
    const int h = expected.height();
    for (const QPoint p :
         {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4), QPoint(3 * w / 4, 3 * h / 4)})
        if (!PhotoTestFiles::Near(actual.pixel(p), expected.pixel(p), 24))
            return false;
    return true;
}

} // namespace

class TestMapFormats : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void decodesEveryFormat_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QImage>("expected");
        const QImage q = MapFormatFiles::Quadrants(40, 30);

        QVERIFY(q.save(Path(QStringLiteral("kaart.bmp")), "BMP"));
        QTest::newRow("bmp") << Path(QStringLiteral("kaart.bmp")) << q;
        QVERIFY(q.save(Path(QStringLiteral("kaart.png")), "PNG"));
        QTest::newRow("png") << Path(QStringLiteral("kaart.png")) << q;
        // The extension does not decide: a PNG saved as ".bmp" is a PNG.
        QVERIFY(q.save(Path(QStringLiteral("eigenlijk-png.bmp")), "PNG"));
        QTest::newRow("png named bmp") << Path(QStringLiteral("eigenlijk-png.bmp")) << q;

        // Transparent parts lie on white, as on paper.
        QImage alpha = q.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x)
                alpha.setPixel(x, y, qRgba(0, 0, 0, 0));
        QVERIFY(alpha.save(Path(QStringLiteral("doorzichtig.png")), "PNG"));
        QImage onWhite = q.copy();
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 20; ++x)
                onWhite.setPixel(x, y, qRgb(255, 255, 255));
        QTest::newRow("png with transparency") << Path(QStringLiteral("doorzichtig.png")) << onWhite;

        QVERIFY(PhotoTestFiles::WriteFile(Path(QStringLiteral("kaart.jpg")), PhotoTestFiles::Jpeg(q, 6)));
        QTest::newRow("jpeg, EXIF orientation 6") << Path(QStringLiteral("kaart.jpg")) << Turned(q, 90);
        QVERIFY(PhotoTestFiles::WriteFile(Path(QStringLiteral("kaart3.jpeg")), PhotoTestFiles::Jpeg(q, 3, true)));
        QTest::newRow("progressive jpeg, EXIF orientation 3") << Path(QStringLiteral("kaart3.jpeg")) << Turned(q, 180);

        QVERIFY(q.save(Path(QStringLiteral("kaart.tif")), "TIFF"));
        QTest::newRow("tiff") << Path(QStringLiteral("kaart.tif")) << q;
        // Two pages: the first is the map.
        QVERIFY(Turned(q, 180).save(Path(QStringLiteral("tweede.png")), "PNG"));
        QVERIFY(MapFormatFiles::Magick({Path(QStringLiteral("kaart.png")), Path(QStringLiteral("tweede.png")),
                                        QStringLiteral("-compress"), QStringLiteral("LZW"),
                                        Path(QStringLiteral("twee-paginas.tiff"))}));
        QTest::newRow("tiff of two pages") << Path(QStringLiteral("twee-paginas.tiff")) << q;

        QVERIFY(q.save(Path(QStringLiteral("kaart.webp")), "WEBP", 100));
        QTest::newRow("webp") << Path(QStringLiteral("kaart.webp")) << q;
        QVERIFY(MapFormatFiles::Magick({Path(QStringLiteral("kaart.png")), Path(QStringLiteral("kaart.gif"))}));
        QTest::newRow("gif") << Path(QStringLiteral("kaart.gif")) << q;

        // 4 by 2 inches: 600 by 300 map pixels at 150 dpi. Two pages: the first is the map.
        QVERIFY(MapFormatFiles::WritePdf(Path(QStringLiteral("plattegrond.pdf")), 288, 144, 2));
        QTest::newRow("pdf") << Path(QStringLiteral("plattegrond.pdf")) << MapFormatFiles::Quadrants(600, 300);
        // A4 (210 by 297 mm): 1240 by 1754.
        QVERIFY(MapFormatFiles::WritePdf(Path(QStringLiteral("a4.pdf")), 595.276, 841.89));
        QTest::newRow("pdf a4") << Path(QStringLiteral("a4.pdf")) << MapFormatFiles::Quadrants(1240, 1754);
    }

    void decodesEveryFormat()
    {
        QFETCH(QString, path);
        QFETCH(QImage, expected);
        const QImage image = MapImageDecoder::Decode(path);
        QCOMPARE(image.size(), expected.size());
        QVERIFY(!image.hasAlphaChannel());
        QVERIFY(SameAtQuadrantCentres(image, expected));
        // The same size every time: photo positions are map pixels.
        QCOMPARE(MapImageDecoder::Decode(path).size(), expected.size());
    }

    void pdfResolutionAndLimits()
    {
        QCOMPARE(PdfMapRenderer::DotsPerInch, 150.0);
        QCOMPARE(PdfMapRenderer::PixelSize(595.276, 841.89), QSize(1240, 1754));
        // The largest page PDF allows, 200 by 200 inches, would be 30000 by
        // 30000 pixels: refused before anything is drawn, with the reason.
        const QString huge = Path(QStringLiteral("reus.pdf"));
        QVERIFY(MapFormatFiles::WritePdf(huge, 14400, 14400));
        try {
            MapImageDecoder::Decode(huge);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QCOMPARE(e.message(),
                     QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: de pagina is te "
                                    "groot (30000 x 30000 beeldpunten bij 150 dpi).")
                         .arg(huge));
        }
    }

    void previewFitsTheBox()
    {
        const QImage q = MapFormatFiles::Quadrants(400, 200);
        QVERIFY(q.save(Path(QStringLiteral("groot.png")), "PNG"));
        QVERIFY(PhotoTestFiles::WriteFile(Path(QStringLiteral("groot.jpg")), PhotoTestFiles::Jpeg(q, 6)));
        QVERIFY(MapFormatFiles::WritePdf(Path(QStringLiteral("voorbeeld.pdf")), 288, 144));
        const QSize box(100, 100);
        const struct
        {
            const char *name;
            QSize size;
            int turn;
        } cases[] = {
            {"groot.png", QSize(100, 50), 0}, {"groot.jpg", QSize(50, 100), 90}, {"voorbeeld.pdf", QSize(100, 50), 0}};
        for (const auto &c : cases) {
            const QImage preview = MapImageDecoder::Preview(Path(QString::fromLatin1(c.name)), box);
            QCOMPARE(preview.size(), c.size);
            QVERIFY2(SameAtQuadrantCentres(preview, Turned(MapFormatFiles::Quadrants(100, 50), c.turn)), c.name);
        }
        // Nothing to show is no error.
        QFile junk(Path(QStringLiteral("kapot.pdf")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("%PDF-1.4\nniets\n");
        junk.close();
        QVERIFY(MapImageDecoder::Preview(junk.fileName(), box).isNull());
        QVERIFY(MapImageDecoder::Preview(Path(QStringLiteral("bestaat-niet.png")), box).isNull());
    }

    void rendererDrawsEveryFormat()
    {
        const QImage q = MapFormatFiles::Quadrants(40, 30);
        QDir(m_dir.path()).mkpath(QStringLiteral("render"));
        QVERIFY(q.save(Path(QStringLiteral("render/kaart.png")), "PNG"));
        QVERIFY(q.save(Path(QStringLiteral("render/kaart.tif")), "TIFF"));
        QVERIFY(q.save(Path(QStringLiteral("render/kaart.webp")), "WEBP", 100));
        QVERIFY(MapFormatFiles::Magick(
            {Path(QStringLiteral("render/kaart.png")), Path(QStringLiteral("render/kaart.gif"))}));
        QVERIFY(PhotoTestFiles::WriteFile(Path(QStringLiteral("render/kaart.jpg")), PhotoTestFiles::Jpeg(q)));
        QVERIFY(MapFormatFiles::WritePdf(Path(QStringLiteral("render/kaart.pdf")), 288, 144));
        for (const QString ext : {"png", "tif", "webp", "gif", "jpg", "pdf"}) {
            // No photos and no help text: only the map is drawn.
            ProjectDocument doc = MapTestFiles::Project(Path(QStringLiteral("render")), "kaart." + ext.toLatin1(), {});
            doc.UserHelpText.clear();
            doc.CurrentFileName = Path(QStringLiteral("render/%1.tvk").arg(ext));
            MapTestFiles::Save(doc);
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(TOLVEK_RENDER_PATH),
                    {doc.CurrentFileName, Path(QStringLiteral("render/%1.png").arg(ext))});
            QVERIFY(p.waitForFinished(60000));
            QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
            const QImage drawn(Path(QStringLiteral("render/%1.png").arg(ext)));
            const QImage expected = ext == QLatin1String("pdf") ? MapFormatFiles::Quadrants(600, 300) : q;
            QVERIFY2(SameAtQuadrantCentres(drawn.convertToFormat(QImage::Format_RGB32), expected), qPrintable(ext));
        }
        // The metafile export holds the PDF page as its bitmap, at the map's size.
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(TOLVEK_RENDER_PATH),
                {Path(QStringLiteral("render/pdf.tvk")), Path(QStringLiteral("render/pdf.emf"))});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QFile emf(Path(QStringLiteral("render/pdf.emf")));
        QVERIFY(emf.open(QIODevice::ReadOnly));
        const QByteArray header = emf.read(88);
        QCOMPARE(header.size(), 88);
        // The header's bounds (inclusive) and the bitmap's bytes.
        QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 16), 599);
        QCOMPARE(qFromLittleEndian<qint32>(header.constData() + 20), 299);
        QVERIFY(emf.size() > 600 * 300 * 3);
    }
};

QTEST_MAIN(TestMapFormats)
#include "tst_mapformats.moc"
