// Where a map lies on Earth: the fit of control points, typed coordinates,
// the files GIS programs read beside the map (checked with GDAL's own
// tools), and the photos exported for them.

#include "ExifTestFiles.h"
#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "core/map/EarthCoordinates.h"
#include "core/map/EarthProjection.h"
#include "core/map/GeoPhotoExport.h"
#include "core/map/GpsPlacement.h"
#include "core/map/MapCalibration.h"
#include "core/map/MapGeoreference.h"
#include "core/map/WorldFile.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

using LonLat = EarthProjection::LonLat;

// Where the programs run by the test find their runtime folder.
QString g_runtime;

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run Start(const QString &program, const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), g_runtime);
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        qFatal("%s did not finish", qPrintable(program));
    Run r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    return r;
}

// A site near Utrecht and a map of it: the north arrow at 30 degrees,
// 5 cm a pixel, the map point (500, 400) at the centre. Made from the
// definition of the north arrow (a screen direction clockwise from up,
// less the arrow, is the bearing), not from the fit's own formulas.
const LonLat Site{5.12142, 52.09074};

struct KnownMap
{
    double north = 30;
    double metresPerPixel = 0.05;
    // Extra stretch of map y and a shear, for an affine map.
    double stretchY = 1, shear = 0;

    LonLat Earth(QPointF map, QPointF errorMetres = {}) const
    {
        const double dx = map.x() - 500, dy = (map.y() - 400) * stretchY + shear * (map.x() - 500);
        const double length = std::hypot(dx, dy) * metresPerPixel;
        const double bearing = (std::atan2(dx, -dy) * 180 / std::numbers::pi - north) * std::numbers::pi / 180;
        const auto projection = EarthProjection::LocalTransverseMercator(Site.latitude, Site.longitude);
        return *projection->ToEarth(QPointF(length * std::sin(bearing), length * std::cos(bearing)) + errorMetres);
    }

    MapGeoreference::ControlPoint Point(QPointF map, QPointF errorMetres = {}) const
    {
        return {map, Earth(map, errorMetres), true};
    }
};

double MetresBetween(LonLat a, LonLat b)
{
    const auto projection = EarthProjection::LocalTransverseMercator(a.latitude, a.longitude);
    const QPointF d = *projection->ToProjected(b);
    return std::hypot(d.x(), d.y());
}

} // namespace

class TestGeoreference : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // What GDAL's gdalinfo says of a file, as JSON.
    QJsonObject GdalInfo(const QString &path)
    {
        const Run r = Start(QStringLiteral("gdalinfo"), {QStringLiteral("-json"), path});
        if (r.exitCode != 0)
            qWarning("gdalinfo: %s", qPrintable(r.err));
        return QJsonDocument::fromJson(r.out).object();
    }

    // A file GDAL reads as vector data, given back by GDAL as GeoJSON.
    QJsonArray OgrFeatures(const QString &path)
    {
        const Run r = Start(QStringLiteral("ogr2ogr"),
                            {QStringLiteral("-f"), QStringLiteral("GeoJSON"), QStringLiteral("/vsistdout/"), path});
        if (r.exitCode != 0)
            qWarning("ogr2ogr: %s", qPrintable(r.err));
        return QJsonDocument::fromJson(r.out).object().value(QStringLiteral("features")).toArray();
    }

    // The map (400 by 300 pixels) of a project, with three photos: one
    // with a camera time and notes, one without a file, one off the map.
    QString GeoProject(const QString &folder, bool georeferenced)
    {
        QDir().mkpath(folder);
        const QString map = QDir(folder).filePath(QStringLiteral("kaart.png"));
        MapTestFiles::Pattern(400, 300).save(map, "PNG");
        MapCalibration calibration;
        if (georeferenced) {
            const KnownMap known;
            MapGeoreference georef;
            georef.points = {known.Point({10, 10}), known.Point({390, 20}), known.Point({200, 290})};
            if (!georef.Fit(nullptr))
                qFatal("no fit");
            calibration.SetGeoreference(georef);
        } else {
            calibration.north = 30;
        }
        QString reason;
        if (!calibration.Save(map, &reason))
            qFatal("%s", qPrintable(reason));
        PhotoTestFiles::WriteFile(
            QDir(folder).filePath(QStringLiteral("a.jpg")),
            ExifTestFiles::Jpeg({{QStringLiteral("Exif.Photo.DateTimeOriginal"), QStringLiteral("2026:12:07 14:03:05")},
                                 {QStringLiteral("Exif.Photo.OffsetTimeOriginal"), QStringLiteral("+01:00")}}));
        ProjectDocument doc =
            MapTestFiles::Project(folder, "kaart.png", {"00001=100,50,90", "00002=300,250,0", "00003=900,-40,45"},
                                  {"00001=a.jpg", "00002=++GeenNaam++", "00003=weg.jpg"});
        doc.NotesList[0] = "00001=\"Hek\" bij de ingang\x9d"
                           "caf\xe9";
        return MapTestFiles::Save(doc);
    }

private slots:
    void initTestCase() { g_runtime = m_dir.path(); }
    void fitAgainstKnownTransforms();
    void fitRefusesBadPoints();
    void coordinatesTypedOrPasted_data();
    void coordinatesTypedOrPasted();
    void projectedSystemsAgreeWithProj();
    void sidecarKeepsPointsAndGdalReadsTheMap();
    void photosExportedForGis();
    void manyPhotosAsOneByOne();
    void kmlLaysThePlanOnTheGround();
    void gisWorldFileReadAsCalibration();
    void geoTiffReadAsCalibration_data();
    void geoTiffReadAsCalibration();
    void hostileGisFilesIgnored_data();
    void hostileGisFilesIgnored();
};

void TestGeoreference::fitAgainstKnownTransforms()
{
    const KnownMap known;
    // Two points: a similarity through both, exact, with no error to show.
    MapGeoreference two;
    two.points = {known.Point({100, 100}), known.Point({900, 700})};
    QString problem;
    QVERIFY2(two.Fit(&problem), qPrintable(problem));
    QVERIFY(!two.ShowsError());
    QVERIFY(two.Residuals()[0] < 1e-6 && two.Residuals()[1] < 1e-6);
    QVERIFY(std::abs(two.North() - 30) < 1e-3);
    QVERIFY(std::abs(two.MetresPerPixel() - 0.05) < 1e-7);
    const LonLat far = known.Earth({20, 780});
    QVERIFY(MetresBetween(*two.ToEarth({20, 780}), far) < 1e-3);
    const QPointF back = *two.ToMap(far);
    QVERIFY2(std::hypot(back.x() - 20, back.y() - 780) < 0.01, qPrintable(QString::number(back.x())));

    // Six points with GPS-like errors of up to 40 cm: the least-squares fit
    // stays close and its residuals show the errors.
    const QList<QPointF> errors{{0.3, -0.2}, {-0.4, 0.1}, {0.2, 0.35}, {-0.1, -0.3}, {0.25, 0.2}, {-0.3, 0.05}};
    const QList<QPointF> places{{100, 100}, {900, 120}, {880, 700}, {120, 680}, {500, 400}, {300, 550}};
    MapGeoreference noisy;
    for (int i = 0; i < places.size(); ++i)
        noisy.points << known.Point(places[i], errors[i]);
    QVERIFY2(noisy.Fit(&problem), qPrintable(problem));
    QVERIFY(noisy.ShowsError());
    // 40 cm across 40 m turn the map by up to half a degree.
    QVERIFY2(std::abs(noisy.North() - 30) < 0.75, qPrintable(QString::number(noisy.North())));
    QVERIFY(std::abs(noisy.MetresPerPixel() / 0.05 - 1) < 0.005);
    QVERIFY2(noisy.Rms() > 0.1 && noisy.Rms() < 0.4, qPrintable(QString::number(noisy.Rms())));
    for (double r : noisy.Residuals())
        QVERIFY(r < 0.6);
    const QPointF check = *noisy.ToMap(known.Earth({700, 300}));
    QVERIFY(std::hypot(check.x() - 700, check.y() - 300) < 8); // 40 cm are 8 pixels

    // Photos by their GPS: the pixel under the position, or the grid.
    CameraRecord onMap, offMap, without;
    const LonLat at = known.Earth({700.5, 300.5}), beyond = known.Earth({-30, 300});
    onMap.latitude = at.latitude, onMap.longitude = at.longitude;
    offMap.latitude = beyond.latitude, offMap.longitude = beyond.longitude;
    const GpsPlacement::Result placed = GpsPlacement::Place(two, QSize(1000, 800), {offMap, onMap, without});
    QCOMPARE(placed.places, (QList<std::optional<QPoint>>{std::nullopt, QPoint(700, 300), std::nullopt}));
    QVERIFY(placed.placed == 1 && placed.outside == 1 && placed.without == 1);

    // A point switched off is not fitted but shows how far off it is.
    MapGeoreference withOff = noisy;
    withOff.points << known.Point({650, 200}, {20, 0});
    withOff.points.last().enabled = false;
    QVERIFY(withOff.Fit(&problem));
    QVERIFY(std::abs(withOff.Residuals().last() - 20) < 1);
    QVERIFY(std::abs(withOff.Rms() - noisy.Rms()) < 1e-4);
    QVERIFY(std::abs(withOff.North() - noisy.North()) < 1e-4);

    // A plan drawn with y stretched and sheared: only the affine fit takes
    // it up exactly; the similarity cannot.
    KnownMap stretched;
    stretched.stretchY = 1.4;
    stretched.shear = 0.1;
    MapGeoreference affine;
    for (const QPointF p : {QPointF(100, 100), QPointF(900, 150), QPointF(850, 700), QPointF(150, 650)})
        affine.points << stretched.Point(p);
    affine.kind = MapGeoreference::Kind::Affine;
    QVERIFY2(affine.Fit(&problem), qPrintable(problem));
    for (double r : affine.Residuals())
        QVERIFY2(r < 1e-3, qPrintable(QString::number(r)));
    const QPointF inside = *affine.ToMap(stretched.Earth({400, 300}));
    QVERIFY(std::hypot(inside.x() - 400, inside.y() - 300) < 0.05);
    affine.kind = MapGeoreference::Kind::Similarity;
    QVERIFY(affine.Fit(&problem));
    QVERIFY(affine.Rms() > 1);
}

void TestGeoreference::fitRefusesBadPoints()
{
    const KnownMap known;
    QString problem;
    MapGeoreference one;
    one.points = {known.Point({100, 100})};
    QVERIFY(!one.Fit(&problem) && !one.IsFitted());
    QVERIFY(problem.contains(QStringLiteral("twee")));

    // On one line: fine for a similarity, refused for an affine fit.
    MapGeoreference line;
    line.points = {known.Point({100, 100}), known.Point({300, 200}), known.Point({700, 400.3})};
    QVERIFY(line.Fit(&problem));
    line.kind = MapGeoreference::Kind::Affine;
    QVERIFY(!line.Fit(&problem));
    QVERIFY2(problem.contains(QStringLiteral("één lijn")), qPrintable(problem));

    // The same map point twice, or the same place on Earth twice.
    MapGeoreference repeated;
    repeated.points = {known.Point({100, 100}), known.Point({500, 400}), known.Point({100.4, 100})};
    repeated.points[2].earth = known.Earth({900, 900});
    QVERIFY(!repeated.Fit(&problem));
    QVERIFY2(problem.contains(QStringLiteral("paspunt 1 en 3")) && problem.contains(QStringLiteral("kaart")),
             qPrintable(problem));
    repeated.points[2] = {QPointF(900, 900), known.Earth({500, 400}), true};
    QVERIFY(!repeated.Fit(&problem));
    QVERIFY2(problem.contains(QStringLiteral("paspunt 2 en 3")) && problem.contains(QStringLiteral("aarde")),
             qPrintable(problem));
    // Switched off, the repeat no longer counts.
    repeated.points[2].enabled = false;
    QVERIFY(repeated.Fit(&problem));
}

void TestGeoreference::coordinatesTypedOrPasted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("latitude"); // NAN: refused
    QTest::addColumn<double>("longitude");
    const double dms = 52 + 5 / 60.0 + 26.66 / 3600;
    QTest::newRow("map site") << "52.09074, 5.12142" << 52.09074 << 5.12142;
    QTest::newRow("no blank") << "52.09074,5.12142" << 52.09074 << 5.12142;
    QTest::newRow("decimal commas") << "52,09074 5,12142" << 52.09074 << 5.12142;
    QTest::newRow("decimal commas, comma between") << "52,09074, 5,12142" << 52.09074 << 5.12142;
    QTest::newRow("dms") << "52°5'26.66\"N 5°7'17.11\"E" << dms << 5 + 7 / 60.0 + 17.11 / 3600;
    QTest::newRow("dms, longitude first, Dutch")
        << "5° 7′ 17,11″ O; 52° 5′ 26,66″ N" << dms << 5 + 7 / 60.0 + 17.11 / 3600;
    QTest::newRow("south and west") << "33°51'24.5\"Z, 70°30'W" << -(33 + 51 / 60.0 + 24.5 / 3600) << -70.5;
    QTest::newRow("signs") << "-33.8568 -151.2153" << -33.8568 << -151.2153;
    QTest::newRow("one number") << "52.09074" << qQNaN() << qQNaN();
    QTest::newRow("latitude too large") << "95, 5" << qQNaN() << qQNaN();
    QTest::newRow("minutes too large") << "52°61' N, 5° E" << qQNaN() << qQNaN();
    QTest::newRow("two latitudes") << "52 N, 5 S" << qQNaN() << qQNaN();
    QTest::newRow("words") << "Domplein 1, Utrecht" << qQNaN() << qQNaN();
}

void TestGeoreference::coordinatesTypedOrPasted()
{
    QFETCH(QString, text);
    QFETCH(double, latitude);
    QFETCH(double, longitude);
    QString problem;
    const auto position = EarthCoordinates::Parse(text, EarthCoordinates::System::Degrees, &problem);
    if (std::isnan(latitude)) {
        QVERIFY(!position);
        QVERIFY(!problem.isEmpty());
        return;
    }
    QVERIFY2(position, qPrintable(problem));
    QVERIFY(std::abs(position->latitude - latitude) < 1e-9);
    QVERIFY(std::abs(position->longitude - longitude) < 1e-9);
}

void TestGeoreference::projectedSystemsAgreeWithProj()
{
    // PROJ's own command-line tool, on the Amersfoort tower (the RD origin,
    // published at 52.15517440 N, 5.38720621 E) and a UTM point on each
    // side of the equator.
    struct Case
    {
        EarthCoordinates::System system;
        QString typed, epsg, cs2csInput;
        double publishedLat, publishedLon;
    };
    const QList<Case> cases{
        {EarthCoordinates::System::RdNew, QStringLiteral("155000 463000"), QStringLiteral("EPSG:28992"),
         QStringLiteral("155000 463000"), 52.15517440, 5.38720621},
        {EarthCoordinates::System::RdNew, QStringLiteral("136700,5; 455900,25"), QStringLiteral("EPSG:28992"),
         QStringLiteral("136700.5 455900.25"), NAN, NAN},
        {EarthCoordinates::System::Utm, QStringLiteral("31N 645333.882 5773253.881"), QStringLiteral("EPSG:32631"),
         QStringLiteral("645333.882 5773253.881"), 52.09074, 5.12142},
        {EarthCoordinates::System::Utm, QStringLiteral("56 S 334369, 6252309"), QStringLiteral("EPSG:32756"),
         QStringLiteral("334369 6252309"), NAN, NAN},
        {EarthCoordinates::System::Utm, QStringLiteral("31U 645333.882 5773253.881"), QStringLiteral("EPSG:32631"),
         QStringLiteral("645333.882 5773253.881"), NAN, NAN},
    };
    for (const Case &c : cases) {
        QString problem;
        const auto ours = EarthCoordinates::Parse(c.typed, c.system, &problem);
        QVERIFY2(ours, qPrintable(c.typed + QLatin1String(": ") + problem));
        const Run proj = Start(QStringLiteral("cs2cs"),
                               {QStringLiteral("-f"), QStringLiteral("%.10f"), c.epsg, QStringLiteral("EPSG:4326")},
                               c.cs2csInput.toLatin1() + '\n');
        QCOMPARE(proj.exitCode, 0);
        const QList<QByteArray> words = proj.out.simplified().split(' ');
        QVERIFY(words.size() >= 2);
        QVERIFY2(std::abs(ours->latitude - words[0].toDouble()) < 1e-8
                     && std::abs(ours->longitude - words[1].toDouble()) < 1e-8,
                 qPrintable(c.typed + QLatin1String(" -> ") + EarthCoordinates::DegreesText(*ours, 9)
                            + QLatin1String(", cs2cs: ") + QString::fromLatin1(proj.out)));
        if (!std::isnan(c.publishedLat))
            QVERIFY(MetresBetween(*ours, {c.publishedLon, c.publishedLat}) < 1);
    }
    QString problem;
    QVERIFY(!EarthCoordinates::Parse(QStringLiteral("52.1, 5.1"), EarthCoordinates::System::RdNew, &problem));
    QVERIFY(!EarthCoordinates::Parse(QStringLiteral("61N 645333 5773253"), EarthCoordinates::System::Utm, &problem));
    QVERIFY(!EarthCoordinates::Parse(QStringLiteral("645333 5773253"), EarthCoordinates::System::Utm, &problem));

    // The site's own system gives, to the bit, what PROJ's search from WGS84
    // to the same definition gives, both ways.
    for (const LonLat centre : {LonLat{5.12142, 52.09074}, LonLat{-179.5, -88.9}, LonLat{180, 0}, LonLat{-0.1, 45}}) {
        const auto local = EarthProjection::LocalTransverseMercator(centre.latitude, centre.longitude);
        const auto searched = EarthProjection::FromName(
            QStringLiteral(
                "+proj=tmerc +lat_0=%1 +lon_0=%2 +k=1 +x_0=0 +y_0=0 +datum=WGS84 +units=m +no_defs +type=crs")
                .arg(centre.latitude, 0, 'f', 9)
                .arg(centre.longitude, 0, 'f', 9));
        QVERIFY(local && searched);
        QCOMPARE(local->Name(), QStringLiteral("Tolvek lokaal (TM)"));
        for (const QPointF d : {QPointF(0, 0), QPointF(0.0123, -0.0456), QPointF(0.9, 0.7), QPointF(-2.5, 0.3)}) {
            const LonLat p{centre.longitude + d.x(), std::clamp(centre.latitude + d.y(), -90.0, 90.0)};
            const std::optional<QPointF> a = local->ToProjected(p), b = searched->ToProjected(p);
            QCOMPARE(a.has_value(), b.has_value());
            if (!a)
                continue;
            QVERIFY(a->x() == b->x() && a->y() == b->y());
            const auto back = local->ToEarth(*a), backSearched = searched->ToEarth(*b);
            QVERIFY(back && backSearched && back->longitude == backSearched->longitude
                    && back->latitude == backSearched->latitude);
        }
    }

    // Systems are kept once found: one asked for again, after others, is
    // still that system, and an unknown one still says why.
    const auto rd = EarthProjection::FromName(QStringLiteral("EPSG:28992"));
    const auto utm = EarthProjection::FromName(QStringLiteral("EPSG:32631"));
    const auto rdAgain = EarthProjection::FromName(QStringLiteral("EPSG:28992"));
    QVERIFY(rd && utm && rdAgain);
    const LonLat utrecht{5.12142, 52.09074};
    QCOMPARE(*rdAgain->ToProjected(utrecht), *rd->ToProjected(utrecht));
    QVERIFY(std::abs(rd->ToProjected(utrecht)->x() - 136000) < 1000);
    QVERIFY(std::abs(utm->ToProjected(utrecht)->x() - 645000) < 1000);
    for (int i = 0; i < 2; ++i) {
        problem.clear();
        QVERIFY(!EarthProjection::FromName(QStringLiteral("EPSG:1"), &problem) && !problem.isEmpty());
    }
    // All systems share one PROJ context: a failure says its own words, not
    // those of the failure before it.
    const QString notASystem = QStringLiteral("+proj=merc +ellps=WGS84");
    QString alone, afterOther;
    QVERIFY(!EarthProjection::FromName(notASystem, &alone));
    QVERIFY(!EarthProjection::FromName(QStringLiteral("EPSG:1"), &problem) && problem != alone);
    QVERIFY(!EarthProjection::FromName(notASystem, &afterOther));
    QCOMPARE(afterOther, alone);
}

void TestGeoreference::sidecarKeepsPointsAndGdalReadsTheMap()
{
    const QString folder = m_dir.filePath(QStringLiteral("gdal"));
    QDir().mkpath(folder);
    const QString map = QDir(folder).filePath(QStringLiteral("kaart.png"));
    QVERIFY(MapTestFiles::Pattern(400, 300).save(map, "PNG"));
    // An .aux.xml GDAL wrote before keeps what it holds.
    QVERIFY(PhotoTestFiles::WriteFile(WorldFile::AuxPath(map),
                                      "<PAMDataset>\n  <Metadata>\n    <MDI key=\"BRON\">landmeter</MDI>\n"
                                      "  </Metadata>\n</PAMDataset>\n"));

    const KnownMap known;
    MapGeoreference georef;
    georef.points = {known.Point({10.5, 10}), known.Point({390, 20}), known.Point({200, 290})};
    georef.points[1].earth = {5.121, 52.091};
    georef.points[2].enabled = false;
    georef.kind = MapGeoreference::Kind::Similarity;
    QVERIFY(georef.Fit(nullptr));
    MapCalibration calibration;
    calibration.SetOtherField(QStringLiteral("door"), QStringLiteral("een later programma"));
    calibration.SetGeoreference(georef);
    QString reason;
    QVERIFY2(calibration.Save(map, &reason), qPrintable(reason));

    // The sidecar: the keys of older readers from the fit, then the points
    // as typed, and the same calibration back.
    QFile sidecar(MapCalibration::SidecarPath(map));
    QVERIFY(sidecar.open(QIODevice::ReadOnly));
    const QByteArray bytes = sidecar.readAll();
    QVERIFY2(bytes.startsWith("tolvek-map-calibration=1\nnorth="), bytes.constData());
    QVERIFY2(bytes.endsWith(
                 ("\ngeoref-fit=similarity\ngeoref-point.1=" + MapGeoreference::PointText(georef.points[0]).toLatin1()
                  + "\ngeoref-point.2=390,20,52.091,5.121\ngeoref-point.3="
                  + MapGeoreference::PointText(georef.points[2]).toLatin1() + "\ndoor=een later programma\n")),
             bytes.constData());
    QVERIFY(bytes.contains("\ngeoref-point.1=10.5,10,52.09") && bytes.contains(",off\ndoor="));
    QString problem;
    const MapCalibration back = MapCalibration::Load(map, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(back, calibration);
    QVERIFY(back.IsGeoreferenced());
    QCOMPARE(back.Serialize(), bytes);
    QCOMPARE(*back.north, georef.North());

    // GDAL finds the map's system and corners where the program puts them.
    QCOMPARE(WorldFile::WorldFilePath(map), QDir(folder).filePath(QStringLiteral("kaart.pgw")));
    QVERIFY(QFile::exists(WorldFile::WorldFilePath(map)));
    const QJsonObject info = GdalInfo(map);
    const QString wkt =
        info.value(QStringLiteral("coordinateSystem")).toObject().value(QStringLiteral("wkt")).toString();
    QVERIFY2(wkt.contains(QStringLiteral("Tolvek lokaal")) && wkt.contains(QStringLiteral("Transverse Mercator")),
             qPrintable(wkt));
    const QJsonObject corners = info.value(QStringLiteral("cornerCoordinates")).toObject();
    const QList<QPair<QString, QPointF>> named{{QStringLiteral("upperLeft"), {0, 0}},
                                               {QStringLiteral("upperRight"), {400, 0}},
                                               {QStringLiteral("lowerRight"), {400, 300}},
                                               {QStringLiteral("lowerLeft"), {0, 300}}};
    for (const auto &[name, pixel] : named) {
        const QJsonArray xy = corners.value(name).toArray();
        const QPointF ours = georef.ToLocal(pixel);
        QVERIFY2(xy.size() == 2 && std::abs(xy[0].toDouble() - ours.x()) < 1e-6
                     && std::abs(xy[1].toDouble() - ours.y()) < 1e-6,
                 qPrintable(name));
    }
    // And on Earth: gdalinfo's WGS84 outline holds the corners' degrees.
    const QJsonArray outline = info.value(QStringLiteral("wgs84Extent"))
                                   .toObject()
                                   .value(QStringLiteral("coordinates"))
                                   .toArray()
                                   .at(0)
                                   .toArray();
    QVERIFY(outline.size() >= 4);
    for (const auto &[name, pixel] : named) {
        const LonLat ours = *georef.ToEarth(pixel);
        bool found = false;
        for (const QJsonValue &v : outline)
            found = found
                || (std::abs(v.toArray()[0].toDouble() - ours.longitude) < 1e-6
                    && std::abs(v.toArray()[1].toDouble() - ours.latitude) < 1e-6);
        QVERIFY2(found, qPrintable(name));
    }
    QCOMPARE(info.value(QStringLiteral("metadata"))
                 .toObject()
                 .value(QStringLiteral(""))
                 .toObject()
                 .value(QStringLiteral("BRON"))
                 .toString(),
             QStringLiteral("landmeter"));

    // Without points the world file this program wrote goes; one a GIS
    // wrote stays.
    MapCalibration plain;
    plain.north = 10;
    QVERIFY(plain.Save(map, &reason));
    QVERIFY(!QFile::exists(WorldFile::WorldFilePath(map)));
    QVERIFY(QFile::exists(WorldFile::AuxPath(map))); // it holds GDAL's metadata
    QVERIFY(calibration.Save(map, &reason));
    QVERIFY(PhotoTestFiles::WriteFile(WorldFile::WorldFilePath(map), "0.1\n0\n0\n-0.1\n1000\n2000\n"));
    QVERIFY(plain.Save(map, &reason));
    QVERIFY(QFile::exists(WorldFile::WorldFilePath(map)));
}

void TestGeoreference::photosExportedForGis()
{
    const QString project = GeoProject(m_dir.filePath(QStringLiteral("gis")), true);
    const QString mapPath = m_dir.filePath(QStringLiteral("gis/kaart.png"));
    const MapCalibration calibration = MapCalibration::Load(mapPath, nullptr);
    QVERIFY(calibration.IsGeoreferenced());
    for (const QString ending : {QStringLiteral("geojson"), QStringLiteral("kml")}) {
        const QString out = m_dir.filePath(QStringLiteral("gis/fotos.") + ending);
        const Run r = Start(QStringLiteral(TOLVEK_RENDER_PATH), {project, out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QJsonArray features = OgrFeatures(out);
        QCOMPARE(features.size(), 3);
        const QList<QPointF> places{{100, 50}, {300, 250}, {900, -40}};
        for (int i = 0; i < 3; ++i) {
            const QJsonObject feature = features[i].toObject();
            const QJsonArray xy =
                feature.value(QStringLiteral("geometry")).toObject().value(QStringLiteral("coordinates")).toArray();
            const LonLat ours = *calibration.georeference.ToEarth(places[i] + QPointF(0.5, 0.5));
            QVERIFY2(std::abs(xy[0].toDouble() - ours.longitude) < 2e-7
                         && std::abs(xy[1].toDouble() - ours.latitude) < 2e-7,
                     qPrintable(ending));
        }
        const QJsonObject first = features[0].toObject().value(QStringLiteral("properties")).toObject();
        const QJsonObject second = features[1].toObject().value(QStringLiteral("properties")).toObject();
        if (ending == QLatin1String("geojson")) {
            QCOMPARE(first.value(QStringLiteral("nummer")).toInt(), 1);
            QCOMPARE(first.value(QStringLiteral("bestand")).toString(), QStringLiteral("a.jpg"));
            QCOMPARE(first.value(QStringLiteral("aantekeningen")).toString(),
                     QStringLiteral("\"Hek\" bij de ingang\ncafé"));
            QCOMPARE(first.value(QStringLiteral("genomen")).toString(), QStringLiteral("2026-12-07T14:03:05+01:00"));
            // Pointing right (0) with north 30 degrees right of up: 60 east of north.
            QCOMPARE(second.value(QStringLiteral("richting")).toDouble(), 60.0);
            QCOMPARE(first.value(QStringLiteral("richting")).toDouble(), 330.0);
            QCOMPARE(second.value(QStringLiteral("bestand")).toString(), QString());
            QVERIFY(second.value(QStringLiteral("genomen")).isNull());
        } else {
            QCOMPARE(first.value(QStringLiteral("Name")).toString(), QStringLiteral("1"));
            QCOMPARE(first.value(QStringLiteral("bestand")).toString(), QStringLiteral("a.jpg"));
            QCOMPARE(first.value(QStringLiteral("timestamp")).toString(), QStringLiteral("2026-12-07T14:03:05+01:00"));
            const QString balloon = first.value(QStringLiteral("description")).toString();
            QVERIFY2(balloon.contains(QStringLiteral("a.jpg\" width")) && balloon.contains(QStringLiteral("café")),
                     qPrintable(balloon));
        }
    }
    // The KML's headings, which GDAL does not show.
    QFile kml(m_dir.filePath(QStringLiteral("gis/fotos.kml")));
    QVERIFY(kml.open(QIODevice::ReadOnly));
    const QByteArray kmlBytes = kml.readAll();
    QVERIFY(kmlBytes.contains("<heading>330.0</heading>") && kmlBytes.contains("<heading>60.0</heading>"));
    QVERIFY(kmlBytes.contains("<when>2026-12-07T14:03:05+01:00</when>"));

    // Without a place on Earth: a clear message and no file.
    const QString plain = GeoProject(m_dir.filePath(QStringLiteral("plain")), false);
    const QString out = m_dir.filePath(QStringLiteral("plain/fotos.geojson"));
    const Run r = Start(QStringLiteral(TOLVEK_RENDER_PATH), {plain, out});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, GeoPhotoExport::NotGeoreferencedText());
    QVERIFY(!QFile::exists(out));
}

// Thousands of points go through a grid checked against PROJ, and the
// GeoJSON is written from the stored bytes: both must give what one point
// at a time through PROJ, and the texts through Unicode, give.
void TestGeoreference::manyPhotosAsOneByOne()
{
    const auto projection = EarthProjection::LocalTransverseMercator(52.09074, 5.12142);
    QVERIFY(projection);
    // A site of 400 by 300 metres (through the grid), and points across the
    // country (too spread for it: PROJ for each).
    for (const double spread : {0.004, 3.0}) {
        QList<LonLat> positions;
        for (int i = 0; i < 5000; ++i)
            positions.append({5.12142 + spread * std::fmod(i * 0.618034, 1.0), 52.09074 + spread * i / 7500.0});
        const QList<QPointF> many = projection->ToProjected(positions);
        const QList<std::optional<LonLat>> back = projection->ToEarth(many);
        for (qsizetype i = 0; i < positions.size(); i += 7) {
            const QPointF one = *projection->ToProjected(positions[i]);
            QVERIFY2(std::hypot(one.x() - many[i].x(), one.y() - many[i].y()) < 1e-6, qPrintable(QString::number(i)));
            const LonLat oneBack = *projection->ToEarth(many[i]);
            QVERIFY(back[i] && std::abs(oneBack.longitude - back[i]->longitude) < 1e-11
                    && std::abs(oneBack.latitude - back[i]->latitude) < 1e-11);
        }
    }

    MapGeoreference georeference;
    for (const QPointF p : {QPointF(0, 0), QPointF(4000, 0), QPointF(0, 3000)})
        georeference.points << MapGeoreference::ControlPoint{p, *projection->ToEarth(0.1 * QPointF(p.x(), -p.y())),
                                                             true};
    QVERIFY(georeference.Fit(nullptr));
    MapCalibration calibration;
    calibration.SetGeoreference(georeference);
    ProjectDocument doc;
    doc.Reset();
    QByteArray every;
    for (int b = 1; b < 256; ++b)
        if (b != '\n' && b != '\r')
            every += char(b);
    const QList<QByteArray> notes{every, "a\r\nb\rc\r\r\nd\n",
                                  "regel" + QByteArray(1, PhotoEntry::NotesLineBreak) + "\r"};
    for (int i = 0; i < notes.size(); ++i) {
        const QByteArray key = PhotoEntry::StoredKeyText(i + 1);
        doc.PositionList << PhotoEntry::MakePosition(key, 10 + i, 20, 0);
        doc.NameList << PhotoEntry::Make(key, "f\"o\\to\x80" + key + ".jpg");
        doc.NotesList << PhotoEntry::Make(key, notes[i]);
    }
    // Enough more to be made in several parts at once: they must come out
    // whole, in the list's order.
    const int count = 10000;
    for (int i = int(notes.size()); i < count; ++i)
        doc.PositionList << PhotoEntry::MakePosition(PhotoEntry::StoredKeyText(i + 1), i % 4000, i / 4000, 0);
    const QByteArray json = GeoPhotoExport::Build(doc, calibration, GeoPhotoExport::Format::GeoJson, {});
    QJsonParseError error;
    const QJsonArray features =
        QJsonDocument::fromJson(json, &error).object().value(QStringLiteral("features")).toArray();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(features.size(), count);
    for (int i = 0; i < count; ++i)
        QCOMPARE(features[i].toObject().value(QStringLiteral("properties")).toObject().value(QStringLiteral("nummer")),
                 QJsonValue(i + 1));
    for (int i = 0; i < notes.size(); ++i) {
        const QJsonObject properties = features[i].toObject().value(QStringLiteral("properties")).toObject();
        QString expected = AnsiCodec::toUnicode(PhotoEntry::DecodeNotes(notes[i]));
        expected.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        QCOMPARE(properties.value(QStringLiteral("aantekeningen")).toString(), expected);
        QCOMPARE(properties.value(QStringLiteral("bestand")).toString(),
                 AnsiCodec::toUnicode("f\"o\\to\x80" + PhotoEntry::StoredKeyText(i + 1) + ".jpg"));
    }
}

// With --plan the KML holds the map as a GroundOverlay: GDAL reads it as a
// polygon whose corners, in KML's order, are where GDAL puts the map from
// its world file and .aux.xml; the photos follow as points.
void TestGeoreference::kmlLaysThePlanOnTheGround()
{
    const QString project = GeoProject(m_dir.filePath(QStringLiteral("overlay")), true);
    const QString map = m_dir.filePath(QStringLiteral("overlay/kaart.png"));
    const QString out = m_dir.filePath(QStringLiteral("overlay/fotos.kml"));
    Run r = Start(QStringLiteral(TOLVEK_RENDER_PATH), {QStringLiteral("--plan"), project, out});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QJsonArray features = OgrFeatures(out);
    QCOMPARE(features.size(), 4);
    const QJsonObject overlay = features[0].toObject();
    QCOMPARE(overlay.value(QStringLiteral("properties")).toObject().value(QStringLiteral("Name")).toString(),
             QStringLiteral("Overzichtskaart"));
    QCOMPARE(QUrl(overlay.value(QStringLiteral("properties")).toObject().value(QStringLiteral("icon")).toString())
                 .toLocalFile(),
             map);
    for (int i = 1; i < 4; ++i)
        QCOMPARE(features[i].toObject().value(QStringLiteral("geometry")).toObject().value(QStringLiteral("type")),
                 QJsonValue(QStringLiteral("Point")));
    const QJsonArray ring = overlay.value(QStringLiteral("geometry"))
                                .toObject()
                                .value(QStringLiteral("coordinates"))
                                .toArray()[0]
                                .toArray();
    QCOMPARE(ring.size(), 5);

    const QJsonArray outline = GdalInfo(map)
                                   .value(QStringLiteral("wgs84Extent"))
                                   .toObject()
                                   .value(QStringLiteral("coordinates"))
                                   .toArray()
                                   .at(0)
                                   .toArray();
    // Lower left, lower right, upper right, upper left.
    const MapCalibration calibration = MapCalibration::Load(map, nullptr);
    const QList<QPointF> pixels{{0, 300}, {400, 300}, {400, 0}, {0, 0}};
    for (int i = 0; i < 4; ++i) {
        const QPointF corner(ring[i].toArray()[0].toDouble(), ring[i].toArray()[1].toDouble());
        bool gdalHasIt = false;
        for (const QJsonValue &v : outline)
            gdalHasIt = gdalHasIt
                || (std::abs(v.toArray()[0].toDouble() - corner.x()) < 1e-6
                    && std::abs(v.toArray()[1].toDouble() - corner.y()) < 1e-6);
        QVERIFY2(gdalHasIt, qPrintable(QString::number(i)));
        const LonLat expected = *calibration.georeference.ToEarth(pixels[i]);
        QVERIFY2(std::abs(corner.x() - expected.longitude) < 1e-6 && std::abs(corner.y() - expected.latitude) < 1e-6,
                 qPrintable(QString::number(i)));
    }

    r = Start(QStringLiteral(TOLVEK_RENDER_PATH),
              {QStringLiteral("--plan"), project, m_dir.filePath(QStringLiteral("overlay/fotos.geojson"))});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err, QStringLiteral("--plan hoort bij .kml."));
}

void TestGeoreference::gisWorldFileReadAsCalibration()
{
    if (QStandardPaths::findExecutable(QStringLiteral("gdal_translate")).isEmpty())
        QSKIP("gdal_translate is not installed");
    const QString folder = m_dir.filePath(QStringLiteral("gisworldfile"));
    QDir().mkpath(folder);
    const QString plain = QDir(folder).filePath(QStringLiteral("bron.png"));
    const QString map = QDir(folder).filePath(QStringLiteral("kaart.png"));
    QVERIFY(MapTestFiles::Pattern(400, 300).save(plain, "PNG"));
    // GDAL itself georeferences the map: RD New, 0.5 m a pixel, grid north
    // up, in Amsterdam.
    const Run r =
        Start(QStringLiteral("gdal_translate"),
              {QStringLiteral("-q"), QStringLiteral("-a_srs"), QStringLiteral("EPSG:28992"), QStringLiteral("-a_ullr"),
               QStringLiteral("121000"), QStringLiteral("487150"), QStringLiteral("121200"), QStringLiteral("487000"),
               QStringLiteral("-co"), QStringLiteral("WORLDFILE=YES"), plain, map});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QString worldFile = QDir(folder).filePath(QStringLiteral("kaart.wld"));
    QVERIFY(QFile::exists(worldFile));
    QFile aux(WorldFile::AuxPath(map));
    QVERIFY(aux.open(QIODevice::ReadOnly));
    const QByteArray auxBytes = aux.readAll();
    aux.close();

    QString problem;
    const MapCalibration calibration = MapCalibration::Load(map, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(calibration.IsGeoreferenced());
    QCOMPARE(calibration.georeferenceSource, worldFile);
    QVERIFY(!QFile::exists(MapCalibration::SidecarPath(map)));
    QVERIFY(std::abs(*calibration.metresPerPixel - 0.5 / 0.9999) < 2e-4);
    // RD's grid north there is turned from true north by about (longitude
    // - 5.3876) sin(latitude): true north lies 0.39 degrees right of up.
    QVERIFY2(std::abs(*calibration.north - 0.39) < 0.02, qPrintable(QString::number(*calibration.north)));

    // Each corner, taken to Earth and into GDAL's own system, is where
    // gdalinfo puts it.
    const QJsonObject info = GdalInfo(map);
    const QString wkt =
        info.value(QStringLiteral("coordinateSystem")).toObject().value(QStringLiteral("wkt")).toString();
    const std::optional<EarthProjection> rd = EarthProjection::FromName(wkt);
    QVERIFY2(rd, qPrintable(wkt));
    const QJsonObject corners = info.value(QStringLiteral("cornerCoordinates")).toObject();
    const QList<QPair<QString, QPointF>> named{{QStringLiteral("upperLeft"), {0, 0}},
                                               {QStringLiteral("upperRight"), {400, 0}},
                                               {QStringLiteral("lowerRight"), {400, 300}},
                                               {QStringLiteral("lowerLeft"), {0, 300}},
                                               {QStringLiteral("center"), {200, 150}}};
    for (const auto &[name, pixel] : named) {
        const QJsonArray xy = corners.value(name).toArray();
        const std::optional<QPointF> ours = rd->ToProjected(*calibration.georeference.ToEarth(pixel));
        QVERIFY2(
            ours && xy.size() == 2 && std::abs(xy[0].toDouble() - ours->x()) < 0.005
                && std::abs(xy[1].toDouble() - ours->y()) < 0.005,
            qPrintable(QStringLiteral("%1: %2, %3").arg(name).arg(ours->x(), 0, 'f', 4).arg(ours->y(), 0, 'f', 4)));
    }

    // The user's own sidecar wins, and calibrating leaves what GDAL wrote
    // as it was.
    MapCalibration own;
    own.north = 10;
    QString reason;
    QVERIFY(own.Save(map, &reason));
    MapCalibration back = MapCalibration::Load(map, &problem);
    QVERIFY(problem.isEmpty() && !back.IsGeoreferenced() && back.georeferenceSource.isEmpty());
    QCOMPARE(*back.north, 10.0);
    MapCalibration fitted;
    fitted.SetGeoreference(calibration.georeference);
    QVERIFY(fitted.Save(map, &reason));
    QVERIFY(!QFile::exists(WorldFile::WorldFilePath(map)));
    QVERIFY(aux.open(QIODevice::ReadOnly));
    QCOMPARE(aux.readAll(), auxBytes);
    aux.close();
    back = MapCalibration::Load(map, &problem);
    QVERIFY(back.IsGeoreferenced() && back.georeferenceSource.isEmpty());
    QVERIFY(own.Save(map, &reason));
    QVERIFY(QFile::exists(worldFile));
}

void TestGeoreference::geoTiffReadAsCalibration_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("RD, pixels as areas") << QStringList{
        QStringLiteral("-a_srs"), QStringLiteral("EPSG:28992"), QStringLiteral("-a_ullr"), QStringLiteral("121000"),
        QStringLiteral("487150"), QStringLiteral("121200"),     QStringLiteral("487000")};
    QTest::newRow("RD, pixels as points")
        << QStringList{QStringLiteral("-a_srs"), QStringLiteral("EPSG:28992"), QStringLiteral("-a_ullr"),
                       QStringLiteral("121000"), QStringLiteral("487150"),     QStringLiteral("121200"),
                       QStringLiteral("487000"), QStringLiteral("-mo"),        QStringLiteral("AREA_OR_POINT=Point")};
    QTest::newRow("degrees") << QStringList{
        QStringLiteral("-a_srs"), QStringLiteral("EPSG:4326"), QStringLiteral("-a_ullr"), QStringLiteral("4.88"),
        QStringLiteral("52.38"),  QStringLiteral("4.89"),      QStringLiteral("52.37")};
}

// A GeoTIFF made by GDAL, without files beside it, is read from its own
// tags: the corners where gdalinfo puts them.
void TestGeoreference::geoTiffReadAsCalibration()
{
    QFETCH(QStringList, options);
    if (QStandardPaths::findExecutable(QStringLiteral("gdal_translate")).isEmpty())
        QSKIP("gdal_translate is not installed");
    const QString folder = m_dir.filePath(QStringLiteral("geotiff/") + QString::fromLatin1(QTest::currentDataTag()));
    QDir().mkpath(folder);
    const QString plain = QDir(folder).filePath(QStringLiteral("bron.png"));
    const QString map = QDir(folder).filePath(QStringLiteral("kaart.tif"));
    QVERIFY(MapTestFiles::Pattern(400, 300).save(plain, "PNG"));
    const Run r = Start(QStringLiteral("gdal_translate"),
                        QStringList{QStringLiteral("-q"), QStringLiteral("-of"), QStringLiteral("GTiff")} + options
                            + QStringList{plain, map});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(!QFile::exists(QDir(folder).filePath(QStringLiteral("kaart.tfw"))));

    QString problem;
    const MapCalibration calibration = MapCalibration::Load(map, &problem);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(calibration.IsGeoreferenced());
    QCOMPARE(calibration.georeferenceSource, map);
    const QJsonObject info = GdalInfo(map);
    const std::optional<EarthProjection> system = EarthProjection::FromName(
        info.value(QStringLiteral("coordinateSystem")).toObject().value(QStringLiteral("wkt")).toString());
    QVERIFY(system);
    // A millimetre; in degrees 7 cm: a map in degrees is no affine map in
    // metres (its rows narrow northwards, 15 cm over this one), so the
    // fit's corners are a few centimetres off.
    const double tolerance = options.contains(QStringLiteral("EPSG:4326")) ? 1e-6 : 0.001;
    const QJsonObject corners = info.value(QStringLiteral("cornerCoordinates")).toObject();
    for (const auto &[name, pixel] : QList<QPair<QString, QPointF>>{{QStringLiteral("upperLeft"), {0, 0}},
                                                                    {QStringLiteral("lowerRight"), {400, 300}}}) {
        const QJsonArray xy = corners.value(name).toArray();
        const std::optional<QPointF> ours = system->ToProjected(*calibration.georeference.ToEarth(pixel));
        QVERIFY2(
            ours && xy.size() == 2 && std::abs(xy[0].toDouble() - ours->x()) < tolerance
                && std::abs(xy[1].toDouble() - ours->y()) < tolerance,
            qPrintable(QStringLiteral("%1: %2, %3").arg(name).arg(ours->x(), 0, 'f', 9).arg(ours->y(), 0, 'f', 9)));
    }

    // Calibrating by hand leaves the GeoTIFF's georeference alone: no world
    // file or system beside it that GDAL would mix with its own.
    QFile aux(WorldFile::AuxPath(map));
    const QByteArray auxBefore = aux.open(QIODevice::ReadOnly) ? aux.readAll() : QByteArray();
    aux.close();
    MapCalibration own;
    own.SetGeoreference(calibration.georeference);
    QString reason;
    QVERIFY2(own.Save(map, &reason), qPrintable(reason));
    QVERIFY(QFile::exists(MapCalibration::SidecarPath(map)));
    QVERIFY(!QFile::exists(WorldFile::WorldFilePath(map)));
    QCOMPARE(aux.open(QIODevice::ReadOnly) ? aux.readAll() : QByteArray(), auxBefore);

    // A TIFF whose directory is junk: named, not used.
    const QString broken = QDir(folder).filePath(QStringLiteral("kapot.tif"));
    QVERIFY(PhotoTestFiles::WriteFile(broken, QByteArray("II*\0\x08\0\0\0\xff\xff\x01\x02", 12)));
    QVERIFY(MapCalibration::Load(broken, &problem).IsEmpty());
    QCOMPARE(problem,
             QStringLiteral("Georeferentie uit '%1' niet gebruikt: het is geen leesbaar TIFF-bestand.")
                 .arg(QDir::toNativeSeparators(broken)));
}

void TestGeoreference::hostileGisFilesIgnored_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    QTest::newRow("not a number") << "kaart.pgw" << QByteArray("0.5\n0\n0\n-0.5\nnan\n487000\n")
                                  << "kaart.pgw' niet gebruikt: regel 5 is geen getal.";
    QTest::newRow("seven lines") << "kaart.pngw" << QByteArray("0.5\n0\n0\n-0.5\n121000\n487000\n1\n")
                                 << "kaart.pngw' niet gebruikt: een wereldbestand heeft zes regels met elk een getal.";
    QTest::newRow("flat") << "kaart.wld" << QByteArray("0.5\n0.5\n1\n1\n121000\n487000\n")
                          << "kaart.wld' niet gebruikt: de pixels hebben geen oppervlak.";
    QTest::newRow("huge") << "kaart.pgw" << QByteArray(5000, '1')
                          << "kaart.pgw' niet gebruikt: het bestand is groter dan 4 kB.";
    QTest::newRow("entities") << "kaart.png.aux.xml"
                              << QByteArray("<!DOCTYPE l [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                                            "<PAMDataset><SRS>&b;</SRS></PAMDataset>")
                              << "kaart.png.aux.xml' niet gebruikt: het bevat een DTD of entiteiten.";
    QTest::newRow("grid file") << "kaart.png.aux.xml"
                               << QByteArray("<PAMDataset><SRS>PROJCS[\"x\",GEOGCS[\"y\",DATUM[\"z\",SPHEROID["
                                             "\"WGS 84\",6378137,298.257223563]],PRIMEM[\"G\",0],UNIT[\"d\","
                                             "0.0174532925199433]],PROJECTION[\"Mercator_1SP\"],EXTENSION[\"PROJ4\","
                                             "\"+proj=merc +nadgrids=/dev/stdin\"]]</SRS></PAMDataset>")
                               << "kaart.png.aux.xml' niet gebruikt: het coördinatenstelsel verwijst naar een bestand.";
    QTest::newRow("unknown system") << "kaart.png.aux.xml" << QByteArray("<PAMDataset><SRS>EPSG:1</SRS></PAMDataset>")
                                    << "kaart.png.aux.xml' niet gebruikt: het coördinatenstelsel is onbekend";
    QTest::newRow("no system") << "kaart.png.aux.xml" << QByteArray("<PAMDataset><Metadata/></PAMDataset>")
                               << "kaart.pgw' niet gebruikt: er staat geen coördinatenstelsel bij";
    QTest::newRow("off the Earth") << "kaart.pgw" << QByteArray("0.5\n0\n0\n-0.5\n1e11\n487000\n")
                                   << "kaart.pgw' niet gebruikt: de hoeken van de kaart liggen niet op aarde";
}

void TestGeoreference::hostileGisFilesIgnored()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    const QString folder = m_dir.filePath(QStringLiteral("hostile/") + QString::fromLatin1(QTest::currentDataTag()));
    QDir().mkpath(folder);
    const QString map = QDir(folder).filePath(QStringLiteral("kaart.png"));
    QVERIFY(MapTestFiles::Pattern(40, 30).save(map, "PNG"));
    // A usable pair, of which the row spoils one.
    QVERIFY(PhotoTestFiles::WriteFile(QDir(folder).filePath(QStringLiteral("kaart.pgw")),
                                      "0.5\n0\n0\n-0.5\n121000.25\n487149.75\n"));
    QVERIFY(PhotoTestFiles::WriteFile(WorldFile::AuxPath(map), "<PAMDataset><SRS>EPSG:28992</SRS></PAMDataset>"));
    QString problem;
    QVERIFY(MapCalibration::Load(map, &problem).IsGeoreferenced());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // The .pgw is read first: a spoilt world file of another name replaces it.
    if (!file.endsWith(QLatin1String("aux.xml")))
        QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("kaart.pgw"))));
    QVERIFY(PhotoTestFiles::WriteFile(QDir(folder).filePath(file), bytes));
    const MapCalibration calibration = MapCalibration::Load(map, &problem);
    QVERIFY(calibration.IsEmpty());
    const QString expected =
        QStringLiteral("Georeferentie uit '%1").arg(QDir::toNativeSeparators(folder)) + QDir::separator() + why;
    QVERIFY2(problem.startsWith(expected), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestGeoreference)
#include "tst_georeference.moc"
