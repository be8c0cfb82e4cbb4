// The zoomed map view's arithmetic and pictures: which map pixel a view
// pixel shows, which photos a click hits at every zoom, the pyramid of
// halved maps, and what a zoomed-out paint puts where.

#include "MapTestFiles.h"

#include "core/map/MapClick.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapPainter.h"
#include "core/map/MapPyramid.h"
#include "core/map/MapZoom.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"

#include <QFont>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

// The largest difference of any channel between two pictures of one size.
int MaxDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32), y = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

// A scanned plan's kind of content: soft shading with lines across it.
QImage Plan(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool line = x % 97 < 3 || y % 61 < 3;
            image.setPixel(
                x, y, line ? qRgba(40, 40, 60, 255) : qRgba(200 + x * 50 / width, 180 + y * 60 / height, 150, 255));
        }
    return image.convertToFormat(format);
}

} // namespace

class TestMapZoom : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans")); }

    // A view pixel shows the map pixel under its centre, and a map pixel is
    // shown in the view pixel that holds its centre.
    void mapPointFromViewPoint()
    {
        const MapZoom quarter(0.25);
        QCOMPARE(quarter.ToMap(10), 42); // (10 + 0.5) * 4
        QCOMPARE(quarter.ToView(42), 10);
        QCOMPARE(quarter.ToView(43), 10);
        QCOMPARE(quarter.ToView(44), 11);
        const MapZoom three(3);
        QCOMPARE(three.ToMap(29), 9);
        QCOMPARE(three.ToMap(30), 10);
        QCOMPARE(three.ToMap(32), 10);
        QCOMPARE(MapZoom(1).ToMap(QPoint(-3, 7)), QPoint(-3, 7));
        for (double z : {1.0 / 32, 1.0 / 3, 0.61, 2.0 / 3, 1.0, 1.5, 8.0}) {
            const MapZoom zoom(z);
            for (int v = -70; v < 700; ++v) {
                // Zoomed out every view pixel shows a map pixel that is shown there.
                if (z < 1)
                    QCOMPARE(zoom.ToView(zoom.ToMap(v)), std::int64_t(v));
                // Zoomed in every map pixel is shown in a block of view pixels that show it.
                else
                    QCOMPARE(zoom.ToMap(zoom.ToView(v)), std::int64_t(v));
            }
        }
        QCOMPARE(MapZoom(1.0 / 32).ViewSize(QSize(14000, 9900)), QSize(438, 310));
        QCOMPARE(MapZoom(1.0 / 32).ViewSize(QSize(1, 1)), QSize(1, 1));
        QCOMPARE(MapZoom(8).ViewSize(QSize(200, 150)), QSize(1600, 1200));
        QCOMPARE(MapZoom(100).Factor(), 8.0);
        QCOMPARE(MapZoom(0.001).Factor(), 1.0 / 32);
    }

    // The hit examples for size 6 (a photo at 100, 100: releases at 95,105
    // and 105,95 hit it, at 94,100 and 106,100 not) hold at every zoom: in
    // map pixels zoomed in, in screen pixels around the triangle zoomed out,
    // where below 1/4 the triangle and its square shrink with the map (to 3).
    void hitExamplesAtEveryZoom_data()
    {
        QTest::addColumn<double>("zoom");
        for (double z : {1.0 / 32, 1.0 / 16, 1.0 / 3, 0.5, 1.0, 1.5, 3.0, 8.0})
            QTest::newRow(qPrintable(QString::number(z))) << z;
    }
    void hitExamplesAtEveryZoom()
    {
        QFETCH(double, zoom);
        const MapZoom z(zoom);
        const QPoint photo(100, 100);
        const int s = zoom < 1 ? z.ShownTriangleSize(6) : 6;
        QCOMPARE(s, zoom == 1.0 / 32 || zoom == 1.0 / 16 ? 3 : 6);
        const struct
        {
            QPoint at;
            bool hit;
        } examples[] = {{photo + QPoint(1 - s, s - 1), true},
                        {photo + QPoint(s - 1, 1 - s), true},
                        {photo + QPoint(-s, 0), false},
                        {photo + QPoint(s, 0), false},
                        {{100, 100}, true}};
        for (const auto &e : examples) {
            QList<QPoint> pixels;
            if (zoom >= 1) {
                // Every view pixel of the map pixel's block.
                const QPoint first = z.ToView(e.at);
                pixels << first;
                while (z.ToMap(pixels.last() + QPoint(1, 1)) == e.at)
                    pixels << pixels.last() + QPoint(1, 1);
                for (const QPoint &v : pixels)
                    QCOMPARE(z.ToMap(v), e.at);
            } else {
                pixels << z.ToView(photo) + (e.at - photo);
            }
            for (const QPoint &v : pixels) {
                const PhotoLookup::Area area = z.HitArea(v, 6);
                QVERIFY2(area.Contains(photo.x(), photo.y()) == e.hit,
                         qPrintable(QStringLiteral("%1,%2").arg(v.x()).arg(v.y())));
            }
        }
        QVERIFY(z.HitArea(QPoint(3, 3), 0).IsEmpty());
    }

    // Zoomed out, a click hits the first photo in the list whose triangle is
    // shown within the square in screen pixels, also where the square holds
    // many photos; the index and the list search agree.
    void zoomedOutClickHitsWhatIsShown()
    {
        ProjectDocument doc;
        QRandomGenerator random(7);
        for (int i = 1; i <= 3000; ++i)
            doc.PositionList << PhotoEntry::KeyTextFor(i) + '=' + QByteArray::number(random.bounded(4000)) + ','
                    + QByteArray::number(random.bounded(3000)) + ",0";
        PhotoIndex index;
        index.Build(doc);
        for (double zoom : {1.0 / 32, 1.0 / 7, 0.5}) {
            const MapZoom z(zoom);
            for (int n = 0; n < 300; ++n) {
                const QPoint click(random.bounded(int(4000 * zoom)), random.bounded(int(3000 * zoom)));
                qsizetype expected = -1;
                for (qsizetype i = 0; i < doc.PositionList.size() && expected < 0; ++i) {
                    const PhotoEntry::Position p = PhotoEntry::ParsePosition(doc.PositionList[i]);
                    const QPoint shown = z.ToView(QPoint(p.x, p.y));
                    const int s = z.ShownTriangleSize(6);
                    if (std::abs(shown.x() - click.x()) < s && std::abs(shown.y() - click.y()) < s)
                        expected = i;
                }
                const PhotoLookup::Area area = z.HitArea(click, 6);
                QCOMPARE(PhotoLookup::HitIndex(doc.PositionList, area), expected);
                QCOMPARE(index.HitIndex(area).value_or(-2), expected);
            }
        }
    }

    void ladderFitAndText()
    {
        // Below 1/4 triangles and texts shrink with the map, not below 3 and 8 pixels.
        QCOMPARE(MapZoom(0.25).ShownTriangleSize(6), 6);
        QCOMPARE(MapZoom(1.0 / 6).ShownTriangleSize(6), 4);
        QCOMPARE(MapZoom(1.0 / 32).ShownTriangleSize(6), 3);
        QCOMPARE(MapZoom(1.0 / 32).ShownTriangleSize(2), 2);
        QCOMPARE(MapZoom(1.0 / 32).ShownTriangleSize(40), 5);
        QCOMPARE(MapZoom(1.0 / 6).ShownFontPixels(11), 8);
        QCOMPARE(MapZoom(1.0 / 6).ShownFontPixels(30), 20);
        QCOMPARE(MapZoom::StepIn(1), 1.5);
        QCOMPARE(MapZoom::StepOut(1), 2.0 / 3);
        QCOMPARE(MapZoom::StepOut(1.0 / 32), 1.0 / 32);
        QCOMPARE(MapZoom::StepIn(8), 8.0);
        QCOMPARE(MapZoom::StepIn(0.3), 1.0 / 3);
        QCOMPARE(MapZoom::StepOut(0.3), 0.25);
        QCOMPARE(MapZoom::Fit(QSize(14000, 9900), QSize(700, 990)), 0.05);
        QCOMPARE(MapZoom::Fit(QSize(10, 10), QSize(700, 990)), 8.0);
        QCOMPARE(MapZoom(1).Percent(), QStringLiteral("100%"));
        QCOMPARE(MapZoom(2.0 / 3).Percent(), QStringLiteral("67%"));
        QCOMPARE(MapZoom(1.0 / 32).Percent(), QStringLiteral("3,1%"));
    }

    // Each level is half the one before (a last odd row or column made of
    // what there is) and looks like the map scaled smoothly to that size,
    // whatever the map's pixel format; with transparency it stays
    // premultiplied. Together they take at most a third of the map.
    void pyramidLevels_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QSize>("size");
        QTest::newRow("rgb32 even") << int(QImage::Format_RGB32) << QSize(1024, 768);
        QTest::newRow("rgb888 odd") << int(QImage::Format_RGB888) << QSize(1001, 667);
        QTest::newRow("indexed8") << int(QImage::Format_Indexed8) << QSize(515, 300);
        QTest::newRow("argb32") << int(QImage::Format_ARGB32) << QSize(300, 301);
    }
    void pyramidLevels()
    {
        QFETCH(int, format);
        QFETCH(QSize, size);
        QImage map = Plan(size.width(), size.height(), QImage::Format(format));
        if (format == QImage::Format_ARGB32) {
            // Half the map see-through.
            for (int y = 0; y < map.height(); ++y)
                for (int x = 0; x < map.width() / 2; ++x)
                    map.setPixel(x, y, qRgba(255, 0, 0, 0));
        }
        const MapPyramid pyramid = MapPyramid::Build(map);
        QCOMPARE(pyramid.LevelCount(), MapPyramid::MaxLevels);
        QCOMPARE(pyramid.SourceKey(), map.cacheKey());
        QSize expected = size;
        for (int k = 1; k <= pyramid.LevelCount(); ++k) {
            expected = QSize((expected.width() + 1) / 2, (expected.height() + 1) / 2);
            const QImage &level = pyramid.Level(k);
            QCOMPARE(level.size(), expected);
            QCOMPARE(level.format(),
                     map.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
            // Where a level's pixels each cover whole blocks of 2^k by 2^k,
            // they are the map scaled smoothly by exactly that (within the
            // rounding of the halvings).
            const QSize whole(size.width() >> k, size.height() >> k);
            const QImage direct = map.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                      .copy(QRect(QPoint(0, 0), whole * (1 << k)))
                                      .scaled(whole, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const int difference = MaxDifference(level.copy(QRect(QPoint(0, 0), whole)), direct);
            QVERIFY2(difference <= 4, qPrintable(QStringLiteral("level %1: %2").arg(k).arg(difference)));
        }
        // A 2 by 2 block's mean, exactly; a last odd column's the mean of
        // the two pixels there are.
        const QImage src = map.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (size.width() % 2) {
            const int x = size.width() - 1;
            QCOMPARE(qBlue(pyramid.Level(1).pixel(x / 2, 5)),
                     (qBlue(src.pixel(x, 10)) + qBlue(src.pixel(x, 11)) + 1) / 2);
        }
        const QRgb a = src.pixel(96, 60), b = src.pixel(97, 60), c = src.pixel(96, 61), d = src.pixel(97, 61);
        const QRgb mean = pyramid.Level(1).pixel(48, 30);
        QCOMPARE(qGreen(mean), (qGreen(a) + qGreen(b) + qGreen(c) + qGreen(d) + 2) / 4);
        QVERIFY(pyramid.Bytes() <= map.convertToFormat(QImage::Format_RGB32).sizeInBytes() / 3 + 4 * 1024);

        QCOMPARE(pyramid.LevelFor(1), 0);
        QCOMPARE(pyramid.LevelFor(0.6), 0);
        QCOMPARE(pyramid.LevelFor(0.5), 1);
        QCOMPARE(pyramid.LevelFor(0.3), 1);
        QCOMPARE(pyramid.LevelFor(0.25), 2);
        QCOMPARE(pyramid.LevelFor(1.0 / 32), 5);
        std::atomic<bool> cancel(true);
        QVERIFY(MapPyramid::Build(map, &cancel).IsEmpty());
    }

    // Zoomed out, the map comes from the pyramid smoothly scaled, while the
    // triangles keep the shape they have at 1:1, each around the view pixel
    // that shows its position, and the help text stays top left. Zoomed in
    // the map's pixels become blocks.
    void zoomedPaint()
    {
        QTemporaryDir dir;
        MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("kaart.bmp")), Plan(800, 600, QImage::Format_RGB32));
        ProjectDocument doc = MapTestFiles::Project(dir.path(), "kaart.bmp", {"00001=401,302,30"});
        MapImageCache cache;
        const MapScene scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
        const MapPyramid pyramid = MapPyramid::Build(scene.map);

        auto paint = [&](const MapZoom &zoom, const MapScene &s) {
            const QSize size = zoom.ViewSize(s.size);
            QImage image(size, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            MapPainter::PaintView(painter, s, QRect(QPoint(0, 0), size), zoom, &pyramid);
            return image;
        };
        // The triangle alone at 1:1, on white.
        MapScene bare = scene;
        bare.map = QImage();
        bare.helpText.clear();
        const QImage oneToOne = paint(MapZoom(1), bare);
        const QImage quarter = paint(MapZoom(0.25), bare);
        const QPoint shown = MapZoom(0.25).ToView(QPoint(401, 302));
        QCOMPARE(shown, QPoint(100, 75));
        for (int dy = -8; dy <= 8; ++dy)
            for (int dx = -8; dx <= 8; ++dx)
                QCOMPARE(quarter.pixel(shown + QPoint(dx, dy)), oneToOne.pixel(QPoint(401, 302) + QPoint(dx, dy)));

        // The map itself: level 2 at 1/4, as a smooth scale of the map.
        MapScene mapOnly = scene;
        mapOnly.photos.clear();
        mapOnly.helpText.clear();
        const QImage smooth = scene.map.scaled(200, 150, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QVERIFY(MaxDifference(paint(MapZoom(0.25), mapOnly), smooth) <= 4);

        // The help text's box at the same place and size as at 1:1.
        const QImage withHelp = paint(MapZoom(0.25), scene);
        const QImage helpAtOne = paint(MapZoom(1), scene);
        for (int x = 10; x < 40; ++x)
            QCOMPARE(withHelp.pixel(x, 12), helpAtOne.pixel(x, 12));

        // Zoomed in by 3: map pixel (200, 100) fills view pixels 600..602, 300..302.
        const QImage three = paint(MapZoom(3), mapOnly);
        for (int y = 300; y < 303; ++y)
            for (int x = 600; x < 603; ++x)
                QCOMPARE(three.pixel(x, y), scene.map.pixel(200, 100));
    }
};

QTEST_MAIN(TestMapZoom)
#include "tst_mapzoom.moc"
