// Map drawing: triangle geometry, fonts, labels, help text and the raster.

#include "MapTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapPainter.h"
#include "core/project/ProjectDocument.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>

using Corner = MapDrawing::Corner;

class TestMapDrawing : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    MapImageCache m_cache;

    MapScene Build(const ProjectDocument &doc, bool labels)
    {
        return MapDrawing::Build(doc, labels, m_cache, MapDrawing::MapFilePath(doc));
    }

    static QImage Render(const MapScene &scene)
    {
        MapMetafile m;
        m.SetScene(scene);
        return m.RenderImage();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    }

    void offsetsAtSizeSix_data()
    {
        QTest::addColumn<int>("a");
        QTest::addColumn<QPoint>("p1");
        QTest::addColumn<QPoint>("p2");
        QTest::addColumn<QPoint>("p3");
        QTest::newRow("0") << 0 << QPoint(0, -7) << QPoint(0, 7) << QPoint(6, 0);
        QTest::newRow("30") << 30 << QPoint(-4, -6) << QPoint(4, 6) << QPoint(5, -3);
        QTest::newRow("60") << 60 << QPoint(-6, -4) << QPoint(6, 4) << QPoint(3, -5);
        QTest::newRow("90") << 90 << QPoint(-7, 0) << QPoint(7, 0) << QPoint(0, -6);
        QTest::newRow("120") << 120 << QPoint(-6, 4) << QPoint(6, -4) << QPoint(-3, -5);
        QTest::newRow("150") << 150 << QPoint(-4, 6) << QPoint(4, -6) << QPoint(-5, -3);
        QTest::newRow("180") << 180 << QPoint(0, 7) << QPoint(0, -7) << QPoint(-6, 0);
        QTest::newRow("210") << 210 << QPoint(4, 6) << QPoint(-4, -6) << QPoint(-5, 3);
        QTest::newRow("240") << 240 << QPoint(6, 4) << QPoint(-6, -4) << QPoint(-3, 5);
        QTest::newRow("270") << 270 << QPoint(7, 0) << QPoint(-7, 0) << QPoint(0, 6);
        QTest::newRow("300") << 300 << QPoint(6, -4) << QPoint(-6, 4) << QPoint(3, 5);
        QTest::newRow("330") << 330 << QPoint(4, -6) << QPoint(-4, 6) << QPoint(5, 3);
    }

    void offsetsAtSizeSix()
    {
        QFETCH(int, a);
        QFETCH(QPoint, p1);
        QFETCH(QPoint, p2);
        QFETCH(QPoint, p3);
        const int x = 300, y = 200;
        const auto c = MapDrawing::TriangleCorners(x, y, a, 6);
        QCOMPARE(c[0], (Corner{x + p1.x(), y + p1.y()}));
        QCOMPARE(c[1], (Corner{x + p2.x(), y + p2.y()}));
        QCOMPARE(c[2], (Corner{x + p3.x(), y + p3.y()}));

        // The scene carries exactly these corners, in this order.
        const ProjectDocument doc =
            MapTestFiles::Project(m_dir.path(), QByteArray(), {"00001=300,200," + QByteArray::number(a)});
        const MapScene scene = Build(doc, false);
        QCOMPARE(scene.photos.size(), 1);
        QCOMPARE(scene.photos[0].triangle.toPolygon(),
                 QPolygon({QPoint(x, y) + p1, QPoint(x, y) + p2, QPoint(x, y) + p3}));
    }

    void otherSizesAndFonts()
    {
        // Size 10: base half-length 12, apex distance 10, 13-point font.
        QCOMPARE(MapDrawing::TriangleCorners(0, 0, 0, 10)[0], (Corner{0, -12}));
        QCOMPARE(MapDrawing::TriangleCorners(0, 0, 0, 10)[1], (Corner{0, 12}));
        QCOMPARE(MapDrawing::TriangleCorners(0, 0, 0, 10)[2], (Corner{10, 0}));
        QCOMPARE(MapDrawing::TriangleCorners(0, 0, 90, 10)[2], (Corner{0, -10}));
        QCOMPARE(MapDrawing::FontPoints(10), 13);
        // Size 5: 6.5 points rounds to the even 6; size 6: 7.8 to 8.
        QCOMPARE(MapDrawing::FontPoints(5), 6);
        QCOMPARE(MapDrawing::FontPoints(6), 8);
        QCOMPARE(MapDrawing::TriangleCorners(0, 0, 0, 5)[0], (Corner{0, -6}));
        // Points on a 96 dpi screen, as Windows sizes its fonts.
        QCOMPARE(MapDrawing::FontPixels(8), 11);
        QCOMPARE(MapDrawing::FontPixels(6), 8);
        QCOMPARE(MapDrawing::FontPixels(13), 17);

        // A direction that is no multiple of 30 is drawn at that angle.
        const auto c = MapDrawing::TriangleCorners(100, 100, 45, 6);
        QCOMPARE(c[2], (Corner{104, 96})); // R(4.24), R(4.24)
        QCOMPARE(c[0], (Corner{95, 95}));  // u = R(-5.09), v = R(5.09)
        QCOMPARE(c[1], (Corner{105, 105}));

        // The colour is stored as 0x00BBGGRR.
        QCOMPARE(MapDrawing::WindowsColour(16711680), QColor(0, 0, 255));
        QCOMPARE(MapDrawing::WindowsColour(0x0000FF), QColor(255, 0, 0));
    }

    void labels()
    {
        const ProjectDocument doc =
            MapTestFiles::Project(m_dir.path(), QByteArray(), {"00001=50,60,0", "00002=80,90,90", "00003=120,40,180"},
                                  {"1=een.jpg", "00001=dubbel.jpg", "00002=tw\xe9\x65.jpg"});
        const MapScene off = Build(doc, false);
        for (const MapPhotoShape &p : off.photos)
            QVERIFY(!p.hasLabel);

        const MapScene on = Build(doc, true);
        QCOMPARE(on.photos.size(), 3);
        // "1" matches key 00001, and the first entry wins.
        QVERIFY(on.photos[0].hasLabel);
        QCOMPARE(on.Label(on.photos[0]), QStringLiteral("een.jpg"));
        // Windows-1252 bytes become the right characters.
        QCOMPARE(on.Label(on.photos[1]), QStringLiteral("tw\u00e9e.jpg"));
        // No name entry: a triangle but no label.
        QVERIFY(!on.photos[2].hasLabel);
        QCOMPARE(on.photos[2].triangle.size(), 3);

        // The label's bottom edge lies s above the position, its left edge s to the right.
        const int h = QFontMetrics(MapDrawing::MapFont(on.fontPixelSize)).height();
        QCOMPARE(on.fontPixelSize, 11);
        QCOMPARE(on.photos[0].labelTopLeft, QPoint(50 + 6, 60 - 6 - h));

        // Labels appear in the picture in the triangle colour, and only with the switch on.
        const QString mapPath = MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("wit.bmp")), [] {
            QImage i(200, 150, QImage::Format_RGB32);
            i.fill(Qt::white);
            return i;
        }());
        ProjectDocument withMap = doc;
        withMap.MapFileName = "wit.bmp";
        withMap.UserHelpText.clear();
        const QImage plain = Render(Build(withMap, false));
        const QImage labelled = Render(Build(withMap, true));
        const QRect labelBox(on.photos[0].labelTopLeft, QSize(40, h));
        int blueInLabel = 0;
        for (int y = labelBox.top(); y <= labelBox.bottom(); ++y)
            for (int x = labelBox.left(); x <= labelBox.right(); ++x) {
                QCOMPARE(plain.pixel(x, y), qRgb(255, 255, 255));
                const QColor c = labelled.pixelColor(x, y);
                if (c.blue() > 200 && c.red() < 100)
                    ++blueInLabel;
            }
        QVERIFY(blueInLabel > 10);
    }

    void badEntriesEndTheRedraw()
    {
        ProjectDocument doc = MapTestFiles::Project(m_dir.path(), QByteArray(), {"00001=10,10,0", "abc=1,1,0"});
        try {
            Build(doc, false);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QCOMPARE(e.message(), QStringLiteral("'abc' is not a valid integer value"));
        }
        doc.PositionList = {"00001=10,x7,0"};
        QVERIFY_THROWS_EXCEPTION(TolvekError, Build(doc, false));

        // A bad name key matters only with labels on, and only where the
        // search for a photo's name reaches it.
        doc.PositionList = {"00001=10,10,0", "00002=20,20,0"};
        doc.NameList = {"00001=a.jpg", "zz=b.jpg", "00002=c.jpg"};
        QCOMPARE(Build(doc, false).photos.size(), 2);
        try {
            Build(doc, true);
            QFAIL("no error");
        } catch (const TolvekError &e) {
            QCOMPARE(e.message(), QStringLiteral("'zz' is not a valid integer value"));
        }
        doc.PositionList = {"00001=10,10,0"};
        const MapScene scene = Build(doc, true);
        QCOMPARE(scene.Label(scene.photos[0]), QStringLiteral("a.jpg"));
    }

    void helpTextOnTop()
    {
        const QString mapPath = MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("grijs.bmp")), [] {
            QImage i(300, 100, QImage::Format_RGB32);
            i.fill(qRgb(90, 90, 90));
            return i;
        }());
        Q_UNUSED(mapPath);
        // A photo right under the help text, with a black-on-white text box over it.
        ProjectDocument doc = MapTestFiles::Project(m_dir.path(), "grijs.bmp", {"00001=20,16,0"});
        doc.TriangleColour = 0x0000FF; // red
        const MapScene scene = Build(doc, false);
        QCOMPARE(scene.helpText, QStringLiteral(" Klik op driehoek voor foto "));
        const QImage image = Render(scene);
        const QFontMetrics fm(MapDrawing::MapFont(scene.fontPixelSize));
        const QRect box(10, 10, fm.horizontalAdvance(scene.helpText), fm.height());
        int red = 0, white = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 100)
                    ++red;
                if (c == Qt::white)
                    ++white;
            }
        QCOMPARE(red, 0);                                // the triangle is covered
        QVERIFY(white > box.width() * box.height() / 2); // opaque white background
        // The triangle's part below the box is still drawn.
        bool redBelow = false;
        for (int x = 10; x < 40; ++x)
            redBelow = redBelow || image.pixelColor(x, 23).red() > 200;
        QVERIFY(redBelow);
        // Outside the box the map is untouched.
        QCOMPARE(image.pixel(200, 80), qRgb(90, 90, 90));

        // An empty help text draws nothing there.
        doc.UserHelpText.clear();
        doc.PositionList.clear();
        const QImage none = Render(Build(doc, false));
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                QCOMPARE(none.pixel(x, y), qRgb(90, 90, 90));
    }

    void mapSizeAndMissingMap()
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("Plan.bmp")), 64, 48);
        // Windows-style name: another case, found all the same.
        ProjectDocument doc = MapTestFiles::Project(m_dir.path(), "PLAN.BMP", {});
        MapScene scene = Build(doc, false);
        QCOMPARE(scene.size, QSize(64, 48));
        QCOMPARE(Render(scene).pixel(5, 40), MapTestFiles::Pattern(64, 48).pixel(5, 40));
        doc.MapFileName = "bestaat-niet.bmp";
        scene = Build(doc, false);
        QCOMPARE(scene.size, QSize(1, 1));
        QVERIFY(scene.map.isNull());
        doc.MapFileName.clear();
        QCOMPARE(Build(doc, false).size, QSize(1, 1));
        QCOMPARE(Render(Build(doc, false)).pixel(0, 0), qRgb(255, 255, 255));
    }

    void togglingLabelsTwiceGivesTheSamePicture()
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("toggle.bmp")), 160, 120);
        const ProjectDocument doc = MapTestFiles::Project(
            m_dir.path(), "toggle.bmp", {"00001=40,60,30", "00002=100,80,300"}, {"00001=a.jpg", "00002=b.jpg"});
        const QImage first = Render(Build(doc, false));
        const QImage on = Render(Build(doc, true));
        const QImage again = Render(Build(doc, false));
        QVERIFY(first != on);
        QCOMPARE(again, first);
    }

    void hugeValuesStaySafe()
    {
        MapTestFiles::WriteBmp(m_dir.filePath(QStringLiteral("klein.bmp")), 50, 40);
        ProjectDocument doc = MapTestFiles::Project(
            m_dir.path(), "klein.bmp",
            {"00001=25,20,0", "00002=2147483647,-2147483648,45", "00003=-2147483648,2147483647,200"},
            {"00001=a.jpg", "00002=b.jpg", "00003=c.jpg"});
        doc.TriangleSize = 2000000000;
        const MapScene scene = Build(doc, true);
        QVERIFY(scene.fontClamped);
        QCOMPARE(scene.fontPixelSize, MapDrawing::MaxFontPixels);
        // Corners computed in 64 bits: nothing wrapped around.
        const auto c = MapDrawing::TriangleCorners(2147483647, 0, 0, 2000000000);
        QCOMPARE(c[2].x, qint64(2147483647) + 2000000000);
        // Every polygon handed on stays within sane coordinates.
        for (const MapPhotoShape &p : scene.photos) {
            for (const QPoint &pt : p.triangle) {
                QVERIFY(qAbs(pt.x()) <= MapDrawing::CoordinateLimit);
                QVERIFY(qAbs(pt.y()) <= MapDrawing::CoordinateLimit);
            }
            QVERIFY(!p.hasLabel || qAbs(p.labelTopLeft.x()) <= MapDrawing::CoordinateLimit);
        }
        // The first triangle covers the little map right of its base: it is cut, not lost.
        QVERIFY(scene.photos[0].triangle.size() >= 3);
        QVERIFY(scene.photos[0].triangle.boundingRect().contains(QRect(25, 0, 25, 40)));
        // Drawing finishes, and the map is covered by the white inside of the triangle.
        const QImage image = Render(scene);
        QCOMPARE(image.size(), QSize(50, 40));
        QCOMPARE(image.pixel(45, 35), qRgb(255, 255, 255));
        // The metafile can be recorded as well.
        MapMetafile m;
        m.SetScene(scene);
        QVERIFY(m.EmfBytes().size() > 50 * 40 * 3);
    }
};

QTEST_MAIN(TestMapDrawing)
#include "tst_mapdrawing.moc"
