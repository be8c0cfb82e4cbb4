// Labels on pixels: made from their glyphs, each character at the sum of the
// advances before it (as the metafile places them), in photo order with the
// triangles, and kept between paints without going stale.

#include "MapTestFiles.h"

#include "core/map/LabelGlyphs.h"
#include "core/map/LabelImageCache.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapPainter.h"
#include "core/map/MapScene.h"
#include "core/project/ProjectDocument.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class TestMapLabels : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    MapImageCache m_cache;

    MapScene Build(const ProjectDocument &doc)
    {
        return MapDrawing::Build(doc, true, m_cache, MapDrawing::MapFilePath(doc));
    }

    // What the picture must be: the map, then for each photo in turn its
    // triangle and its label, the label drawn a character at a time (or, with
    // wholeText, laid out as one text).
    static void DrawReference(QPainter &p, const MapScene &scene, bool wholeText = false)
    {
        p.drawImage(QPoint(0, 0), scene.map);
        const QFont font = MapDrawing::MapFont(scene.fontPixelSize);
        const QFontMetrics metrics(font);
        p.setFont(font);
        QPen outline(scene.triangleColour);
        outline.setWidth(1);
        outline.setJoinStyle(Qt::MiterJoin);
        p.setBrush(Qt::white);
        for (const MapPhotoShape &photo : scene.photos) {
            p.setPen(outline);
            p.drawPolygon(photo.triangle.begin(), photo.triangle.size());
            if (!photo.hasLabel)
                continue;
            p.setPen(scene.triangleColour);
            const QPoint baseline = photo.labelTopLeft + QPoint(0, metrics.ascent());
            if (wholeText) {
                p.drawText(baseline, scene.Label(photo));
                continue;
            }
            int x = baseline.x();
            for (const QChar c : scene.Label(photo)) {
                p.drawText(QPoint(x, baseline.y()), QString(c));
                x += metrics.horizontalAdvance(c);
            }
        }
    }

    static QImage Reference(const MapScene &scene)
    {
        QImage image(scene.size, QImage::Format_RGB32);
        QPainter p(&image);
        DrawReference(p, scene);
        return image;
    }

    // The largest difference of one colour channel within area, and how
    // many pixels there differ from the bare map.
    struct Comparison
    {
        int maxDifference = 0;
        int inked = 0;
    };
    static Comparison Compare(const QImage &got, const QImage &want, const QImage &map, const QRect &area)
    {
        Comparison c;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
                c.maxDifference = std::max(
                    {c.maxDifference, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
                if (b != map.pixel(x, y))
                    ++c.inked;
            }
        }
        return c;
    }

    static QImage Paint(const MapScene &scene, const QRect &exposed)
    {
        QImage image = scene.map.convertToFormat(QImage::Format_RGB32);
        QPainter p(&image);
        MapPainter::Paint(p, scene, exposed, MapPainter::MapBitmap::AlreadyThere);
        return image;
    }

    // Labels with every printable Windows-1252 character, overlapping one
    // another and the triangles.
    ProjectDocument Crowded(std::int32_t size, std::int32_t colour)
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("labels.bmp")), 240, 160);
        QList<QByteArray> printable;
        QByteArray run;
        for (int b = 0x20; b <= 0xFF; ++b) {
            if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D || b == 0xAD)
                continue;
            run += char(b);
            if (run.size() == 24) {
                printable << run;
                run.clear();
            }
        }
        printable << run;
        QList<QByteArray> positions, names;
        int key = 1;
        auto add = [&](int x, int y, int a, const QByteArray &name) {
            const QByteArray k = QByteArray::number(key++).rightJustified(5, '0');
            positions << k + '=' + QByteArray::number(x) + ',' + QByteArray::number(y) + ',' + QByteArray::number(a);
            names << k + '=' + name;
        };
        int y = 30;
        for (const QByteArray &text : printable) {
            add(-8, y, 0, text); // starts left of the map
            y += 18;
        }
        add(20, 40, 45, "MMMMMMMMMMMM");
        add(60, 32, 90, "foto_00002.jpg");        // its triangle lies on the label above
        add(150, 150, 200, "Gevel noord, kopie"); // runs off the bottom right
        ProjectDocument doc = MapTestFiles::Project(m_dir.path(), "labels.bmp", positions, names);
        doc.TriangleSize = size;
        doc.TriangleColour = colour;
        doc.UserHelpText.clear();
        return doc;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    }

    void labelsArePlacedCharacterByCharacter_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("colour");
        QTest::newRow("size 6, blue") << 6 << 0xFF0000;
        QTest::newRow("size 4, dark red") << 4 << 0x000080;
        QTest::newRow("size 12, green") << 12 << 0x00A000;
    }

    void labelsArePlacedCharacterByCharacter()
    {
        QFETCH(int, size);
        QFETCH(int, colour);
        const MapScene scene = Build(Crowded(size, colour));
        const QImage want = Reference(scene);
        const QRect all(QPoint(0, 0), scene.size);

        // The whole picture, as copying the map rasters it ...
        MapMetafile metafile;
        metafile.SetScene(scene);
        const Comparison whole = Compare(metafile.RenderImage(), want, scene.map, all);
        QVERIFY2(whole.inked > 2000, qPrintable(QString::number(whole.inked)));
        QVERIFY2(whole.maxDifference <= 2, qPrintable(QString::number(whole.maxDifference)));

        // ... and parts of it, as the view paints what was uncovered: labels
        // that begin left of the part and reach into it are there too.
        const int row = scene.photos[3].labelTopLeft.y() + 2;
        for (const QRect &part : {QRect(30, 20, 50, 40), QRect(0, row, 240, 4), QRect(101, 0, 3, 160)}) {
            const Comparison c = Compare(Paint(scene, part), want, scene.map, part);
            QVERIFY(c.inked > 0);
            QVERIFY2(c.maxDifference <= 2, qPrintable(QString::number(c.maxDifference)));
        }
    }

    void laterTrianglesCoverEarlierLabels()
    {
        ProjectDocument doc = Crowded(6, 0xFF0000);
        const MapScene forward = Build(doc);
        std::reverse(doc.PositionList.begin(), doc.PositionList.end());
        const MapScene backward = Build(doc);
        const QImage a = Paint(forward, QRect(0, 0, 240, 160));
        const QImage b = Paint(backward, QRect(0, 0, 240, 160));
        // The order decides which lies on top ...
        QVERIFY(a != b);
        // ... and both agree with drawing them one after the other.
        QVERIFY(Compare(a, Reference(forward), forward.map, QRect(0, 0, 240, 160)).maxDifference <= 2);
        QVERIFY(Compare(b, Reference(backward), backward.map, QRect(0, 0, 240, 160)).maxDifference <= 2);
        // Inside the triangle of the second photo, over the first one's label, all is white.
        QCOMPARE(a.pixel(60, 29), qRgb(255, 255, 255));
    }

    void keptPicturesFollowColourAndSize()
    {
        // The same texts again and again: a kept picture in the old colour
        // or size would show.
        for (const auto &[size, colour] :
             {std::pair{6, 0xFF0000}, std::pair{6, 0x0000FF}, std::pair{9, 0x0000FF}, std::pair{6, 0xFF0000}}) {
            const MapScene scene = Build(Crowded(size, colour));
            const QRect all(0, 0, 240, 160);
            const QImage first = Paint(scene, all);
            const QImage second = Paint(scene, all);
            QCOMPARE(second, first);
            QVERIFY(Compare(first, Reference(scene), scene.map, all).maxDifference <= 2);
        }
    }

    void textsWithoutGlyphsAndBigLettersAreLaidOut()
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("groot.bmp")), 400, 200);
        // A control character has no glyph of its own; at size 60 the letters
        // are over a hundred pixels high.
        for (const auto &[size, name] : {std::pair{6,
                                                   QByteArray("a\x01"
                                                              "b\x81"
                                                              "c")},
                                         std::pair{60, QByteArray("Ab")}}) {
            ProjectDocument doc =
                MapTestFiles::Project(m_dir.path(), "groot.bmp", {"00001=20,180,0"}, {"00001=" + name});
            doc.TriangleSize = size;
            const MapScene scene = Build(doc);
            QVERIFY(scene.photos[0].hasLabel);
            const QImage image = Paint(scene, QRect(0, 0, 400, 200));
            const QRect box(scene.photos[0].labelTopLeft,
                            QSize(60 * size / 6, QFontMetrics(MapDrawing::MapFont(scene.fontPixelSize)).height()));
            int blue = 0;
            for (int y = std::max(0, box.top()); y <= std::min(199, box.bottom()); ++y)
                for (int x = box.left(); x <= std::min(399, box.right()); ++x)
                    blue += image.pixelColor(x, y).blue() > 200 && image.pixelColor(x, y).red() < 100;
            QVERIFY2(blue > 5 * size / 6, qPrintable(QString::number(blue)));
        }
        QFont big = MapDrawing::MapFont(LabelGlyphs::MaxPixelSize + 1);
        QVERIFY(!LabelGlyphs(big).IsValid());
        QVERIFY(LabelGlyphs(MapDrawing::MapFont(11)).IsValid());
    }

    void highDensityScreensGetLaidOutText()
    {
        ProjectDocument doc = Crowded(6, 0xFF0000);
        const MapScene scene = Build(doc);
        // Painted at twice the density, the labels must be the text itself,
        // not pictures made for single density and blown up.
        QImage got(scene.size * 2, QImage::Format_RGB32);
        got.setDevicePixelRatio(2);
        got.fill(Qt::white);
        QImage want = got;
        {
            QPainter p(&got);
            MapPainter::Paint(p, scene, QRect(QPoint(0, 0), scene.size), MapPainter::MapBitmap::Draw);
        }
        {
            QPainter p(&want);
            DrawReference(p, scene, true);
        }
        QCOMPARE(got, want);
    }

    void keptPicturesStayWithinTheirBound()
    {
        LabelImageCache cache;
        const QFont font = MapDrawing::MapFont(11);
        auto label = [](char set, int i) {
            return QByteArray(1, set) + QByteArray::number(i).rightJustified(6, '0') + QByteArray(60, 'W');
        };
        // What a picture holds, copied: a found picture lasts until the next call.
        auto bytesOf = [](const LabelImage *p) {
            return p && p->coverage
                ? QByteArray(reinterpret_cast<const char *>(p->coverage), p->size.width() * p->size.height())
                : QByteArray();
        };
        cache.BeginPaint(font);
        const LabelImage *one = cache.Find(label('a', 0));
        QVERIFY(one && one->coverage && one->width > 0);
        const int width = one->width;
        const QByteArray first = bytesOf(one);
        const qint64 before = cache.Bytes();
        QVERIFY(cache.Find(label('a', 1)));
        const qint64 perLabel = cache.Bytes() - before;
        QVERIFY(perLabel > 0);
        const int many = int(LabelImageCache::ByteBudget / perLabel) + 500;
        for (int i = 2; i < many; ++i) {
            const LabelImage *p = cache.Find(label('a', i));
            QVERIFY(p && p->width == width);
        }
        QVERIFY(cache.Bytes() <= LabelImageCache::ByteBudget);
        QVERIFY(cache.Count() < many);
        // Kept or made for the moment, the same text gives the same picture.
        QCOMPARE(bytesOf(cache.Find(label('a', 0))), first);
        LabelImageCache fresh;
        fresh.BeginPaint(font);
        QCOMPARE(bytesOf(fresh.Find(label('a', many - 1))), bytesOf(cache.Find(label('a', many - 1))));
        QCOMPARE(bytesOf(fresh.Find(label('a', 0))), first);

        // A paint of other labels gets them, kept or not; the next one drops
        // what that paint did not use and keeps what it now finds.
        cache.BeginPaint(font);
        for (int i = 0; i < 10; ++i)
            QVERIFY(cache.Find(label('b', i)));
        cache.BeginPaint(font);
        QCOMPARE(cache.Count(), 0);
        for (int i = 0; i < 10; ++i)
            QVERIFY(cache.Find(label('b', i)));
        QCOMPARE(cache.Count(), 10);

        // A text with a byte that has no glyph gets no picture, nor does one
        // too wide for a picture of sensible size.
        QVERIFY(!cache.Find(QByteArray("a\x01")));
        QVERIFY(!cache.Find(QByteArray(LabelGlyphs::MaxPictureWidth / 4, 'W')));
        QVERIFY(cache.Find(QByteArray(LabelGlyphs::MaxPictureWidth / 32, 'W')));
        QVERIFY(cache.Find(QByteArray()));
    }
};

QTEST_MAIN(TestMapLabels)
#include "tst_maplabels.moc"
