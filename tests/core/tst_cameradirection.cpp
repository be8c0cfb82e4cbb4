// What the camera recorded and what it gives on the map: EXIF written with
// exiv2 and read back, the magnetic model against its published values,
// the direction rule, and the map's calibration file.

#include "ExifTestFiles.h"
#include "PhotoTestFiles.h"

#include "core/map/MapCalibration.h"
#include "core/photos/CameraDirection.h"
#include "core/photos/ExifReader.h"
#include "core/photos/MagneticModel.h"
#include "core/photos/PhotoListOrder.h"
#include "core/photos/PhotoMetadataCache.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <random>

class TestCameraDirection : public QObject
{
    Q_OBJECT
private slots:
    void declinationMeetsTheModelsTestValues();
    void directionRule_data();
    void directionRule();
    void directionFromCamera();
    void exifReadBack();
    void exifOddTags_data();
    void exifOddTags();
    void metadataCacheReadsOffTheGuiThread();
    void timeOrderAsAStableSort();
    void calibrationRoundTrip();
    void calibrationLinesAndMeasures();
    void hostileCalibrationIgnored_data();
    void hostileCalibrationIgnored();

private:
    QTemporaryDir m_dir;
};

void TestCameraDirection::declinationMeetsTheModelsTestValues()
{
    QFile file(QStringLiteral(TOLVEK_WMM_TEST_VALUES));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    const MagneticModel &model = MagneticModel::Wmm2025();
    QVERIFY(model.IsValid());
    int rows = 0;
    for (const QByteArray &line : lines.mid(1)) {
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() < 11)
            continue;
        const double got = model.Declination(f[2].toDouble(), f[3].toDouble(), f[0].toDouble(), f[1].toDouble());
        if (std::abs(got - f[10].toDouble()) > 0.01)
            QFAIL(qPrintable(QStringLiteral("row %1: %2 instead of %3").arg(rows + 1).arg(got).arg(f[10].toDouble())));
        ++rows;
    }
    QCOMPARE(rows, 100);
}

void TestCameraDirection::directionRule_data()
{
    QTest::addColumn<double>("north");
    QTest::addColumn<double>("bearing");
    QTest::addColumn<int>("expected");
    QTest::newRow("north up, looking north") << 0.0 << 0.0 << 90;
    QTest::newRow("north up, looking east") << 0.0 << 90.0 << 0;
    QTest::newRow("north up, looking south") << 0.0 << 180.0 << 270;
    QTest::newRow("north up, looking west") << 0.0 << 270.0 << 180;
    QTest::newRow("north right, looking north") << 90.0 << 0.0 << 0;
    QTest::newRow("north right, looking east") << 90.0 << 90.0 << 270;
    QTest::newRow("north left-ish") << 350.0 << 10.0 << 90;
    QTest::newRow("half to even, down") << 30.4 << 45.1 << 14;
    QTest::newRow("half to even, up") << 0.0 << 88.5 << 2;
    QTest::newRow("rounds to 360") << 90.0 << 359.6 << 0;
    QTest::newRow("negative zero") << 0.0 << 90.4 << 0;
}

void TestCameraDirection::directionRule()
{
    QFETCH(double, north);
    QFETCH(double, bearing);
    QFETCH(int, expected);
    QCOMPARE(CameraDirection::MapAngle(north, bearing), expected);
}

void TestCameraDirection::directionFromCamera()
{
    MapCalibration map;
    CameraRecord camera;
    camera.direction = 100;
    // No north on the map, or no direction from the camera: nothing.
    QCOMPARE(CameraDirection::FromCamera(camera, map.North()).basis, CameraDirection::Basis::None);
    map.north = 20;
    QCOMPARE(CameraDirection::FromCamera(CameraRecord(), map.North()).direction, std::nullopt);
    QCOMPARE(CameraDirection::FromCamera(camera, map.North()).direction, std::optional<int>(330));

    // Magnetic in Utrecht on 7 Dec 2026: the model's own declination added.
    camera.directionRef = 'M';
    camera.latitude = 52.09;
    camera.longitude = 5.12;
    camera.date = QDate(2026, 12, 7);
    camera.time = QTime(14, 3);
    const double declination = MagneticModel::Wmm2025().Declination(52.09, 5.12, camera.DecimalYear());
    QVERIFY(declination > 1.5 && declination < 4); // a little east there
    CameraDirection::Result r = CameraDirection::FromCamera(camera, map.North());
    QCOMPARE(r.basis, CameraDirection::Basis::Magnetic);
    QCOMPARE(r.declination, declination);
    QCOMPARE(r.direction, std::optional<int>(CameraDirection::MapAngle(20, 100 + declination)));
    QVERIFY(*r.direction != 330);

    // Far east declination (Siberia, large): the map's own place serves a
    // photo that does not say where it was taken.
    camera.latitude.reset();
    camera.longitude.reset();
    QCOMPARE(CameraDirection::FromCamera(camera, map.North()).basis, CameraDirection::Basis::MagneticAsIs);
    QCOMPARE(CameraDirection::FromCamera(camera, map.North()).direction, std::optional<int>(330));
    map.latitude = 70;
    map.longitude = 150;
    r = CameraDirection::FromCamera(camera, map.North());
    QCOMPARE(r.basis, CameraDirection::Basis::Magnetic);
    QVERIFY(std::abs(r.declination) > 5);
    QCOMPARE(r.direction, std::optional<int>(CameraDirection::MapAngle(20, 100 + r.declination)));
}

void TestCameraDirection::exifReadBack()
{
    const QString path = m_dir.filePath(QStringLiteral("telefoon.jpg"));
    QVERIFY(PhotoTestFiles::WriteFile(path,
                                      ExifTestFiles::Jpeg({
                                          {"Exif.Image.Make", "  Fairphone "},
                                          {"Exif.Image.Model", "FP5"},
                                          {"Exif.Photo.DateTimeOriginal", "2026:12:07 14:03:27"},
                                          {"Exif.Photo.SubSecTimeOriginal", "05"},
                                          {"Exif.Photo.OffsetTimeOriginal", "-03:30"},
                                          {"Exif.GPSInfo.GPSImgDirection", "27150/100"},
                                          {"Exif.GPSInfo.GPSImgDirectionRef", "M"},
                                          {"Exif.GPSInfo.GPSLatitude", "52/1 5/1 2634/100"},
                                          {"Exif.GPSInfo.GPSLatitudeRef", "S"},
                                          {"Exif.GPSInfo.GPSLongitude", "5/1 7/1 0/1"},
                                          {"Exif.GPSInfo.GPSLongitudeRef", "W"},
                                          {"Exif.GPSInfo.GPSHPositioningError", "125/10"},
                                      })));
    const CameraRecord r = ExifReader::Read(path);
    QCOMPARE(r.make, QStringLiteral("Fairphone"));
    QCOMPARE(r.model, QStringLiteral("FP5"));
    QCOMPARE(r.date, QDate(2026, 12, 7));
    QCOMPARE(r.time, QTime(14, 3, 27, 50));
    QCOMPARE(r.utcOffsetMinutes, std::optional<int>(-210));
    QCOMPARE(r.TimeText(), QStringLiteral("7 dec. 2026 14:03"));
    QCOMPARE(r.SortKey(), QDateTime(QDate(2026, 12, 7), QTime(17, 33, 27, 50), Qt::UTC).toMSecsSinceEpoch());
    QCOMPARE(r.direction, std::optional<double>(271.5));
    QCOMPARE(r.directionRef, 'M');
    QVERIFY(std::abs(*r.latitude + (52 + 5 / 60.0 + 26.34 / 3600)) < 1e-9);
    QVERIFY(std::abs(*r.longitude + (5 + 7 / 60.0)) < 1e-9);
    QCOMPARE(r.accuracy, std::optional<double>(12.5));

    // The same from memory; nothing from a file without EXIF or no picture.
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(ExifReader::ReadBytes(f.readAll()), r);
    QVERIFY(ExifReader::ReadBytes(PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(8, 8))).IsEmpty());
    QVERIFY(ExifReader::ReadBytes("not a picture at all").IsEmpty());
    QVERIFY(ExifReader::Read(m_dir.filePath(QStringLiteral("nothing.jpg"))).IsEmpty());
}

void TestCameraDirection::exifOddTags_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("timeKept");
    QTest::addColumn<bool>("directionKept");
    QTest::addColumn<bool>("offsetKept");
    // Each row spoils one tag of a good set; the others stay.
    QTest::newRow("blank time") << "Exif.Photo.DateTimeOriginal"
                                << "    :  :     :  :  " << false << true << false;
    QTest::newRow("no such day") << "Exif.Photo.DateTimeOriginal"
                                 << "2026:02:30 10:00:00" << false << true << false;
    QTest::newRow("unknown direction") << "Exif.GPSInfo.GPSImgDirection"
                                       << "0/0" << true << false << true;
    QTest::newRow("direction past 360") << "Exif.GPSInfo.GPSImgDirection"
                                        << "400/1" << true << false << true;
    QTest::newRow("odd reference") << "Exif.GPSInfo.GPSImgDirectionRef"
                                   << "X" << true << false << true;
    QTest::newRow("offset too big") << "Exif.Photo.OffsetTimeOriginal"
                                    << "+25:00" << true << true << false;
    QTest::newRow("offset Z") << "Exif.Photo.OffsetTimeOriginal"
                              << "Z" << true << true << false;
    QTest::newRow("offset without colon") << "Exif.Photo.OffsetTimeOriginal"
                                          << "+0545" << true << true << true;
}

void TestCameraDirection::exifOddTags()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, timeKept);
    QFETCH(bool, directionKept);
    QFETCH(bool, offsetKept);
    ExifTestFiles::Tags tags{{"Exif.Photo.DateTimeOriginal", "2025:06:01 08:00:00"},
                             {"Exif.Photo.OffsetTimeOriginal", "+02:00"},
                             {"Exif.GPSInfo.GPSImgDirection", "90/1"},
                             {"Exif.GPSInfo.GPSImgDirectionRef", "T"}};
    for (auto &tag : tags)
        if (tag.first == key)
            tag.second = value;
    const CameraRecord r = ExifReader::ReadBytes(ExifTestFiles::Jpeg(tags));
    QCOMPARE(r.HasTime(), timeKept);
    QCOMPARE(r.HasDirection(), directionKept);
    QCOMPARE(r.utcOffsetMinutes.has_value(), offsetKept);
    QVERIFY(!r.HasPosition());
}

void TestCameraDirection::metadataCacheReadsOffTheGuiThread()
{
    QVERIFY(PhotoTestFiles::WriteFile(m_dir.filePath(QStringLiteral("a.jpg")),
                                      ExifTestFiles::Jpeg({{"Exif.Photo.DateTimeOriginal", "2024:01:02 03:04:05"}})));
    PhotoMetadataCache cache;
    QSignalSpy ready(&cache, &PhotoMetadataCache::Ready);
    QCOMPARE(cache.Request(QStringLiteral("a.jpg"), m_dir.path()).state, PhotoMetadataCache::State::Loading);
    QCOMPARE(cache.Request(QStringLiteral("weg.jpg"), m_dir.path()).state, PhotoMetadataCache::State::Loading);
    QVERIFY(cache.WaitForIdle(10000));
    QCOMPARE(ready.count(), 2);
    const PhotoMetadataCache::Metadata a = cache.Known(QStringLiteral("a.jpg"), m_dir.path());
    QCOMPARE(a.state, PhotoMetadataCache::State::Ready);
    QCOMPARE(a.record.TimeText(), QStringLiteral("2 jan. 2024 03:04"));
    QCOMPARE(cache.Known(QStringLiteral("weg.jpg"), m_dir.path()).state, PhotoMetadataCache::State::Missing);
    // Known at once the second time, and not read again.
    QCOMPARE(cache.Request(QStringLiteral("a.jpg"), m_dir.path()).record, a.record);
    QVERIFY(cache.WaitForIdle(10000));
    QCOMPARE(cache.ReadCount(), 1);
}

void TestCameraDirection::calibrationRoundTrip()
{
    const QString map = m_dir.filePath(QStringLiteral("kaart.png"));
    QString problem = QStringLiteral("x");
    QVERIFY(MapCalibration::Load(map, &problem).IsEmpty());
    QVERIFY(problem.isEmpty()); // no sidecar: simply not calibrated

    MapCalibration c;
    c.north = 12.5;
    // A plan at 1.6 cm a pixel: its shortest exact form has 18 decimals.
    c.metresPerPixel = 0.015662279030322447;
    c.SetOtherField(QStringLiteral("crs"), QStringLiteral("EPSG:28992"));
    QString reason;
    QVERIFY2(c.Save(map, &reason), qPrintable(reason));
    QFile file(MapCalibration::SidecarPath(map));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    QCOMPARE(written,
             QByteArray("tolvek-map-calibration=1\nnorth=12.5\nmetres-per-pixel=0.015662279030322447\n"
                        "crs=EPSG:28992\n"));
    const MapCalibration back = MapCalibration::Load(map, &problem);
    QVERIFY(problem.isEmpty());
    QCOMPARE(back, c);
    QCOMPARE(back.Serialize(), written);

    // So does a control point near the equator or the prime meridian.
    const MapGeoreference::ControlPoint nearEquator{QPointF(1, 2), {0.00047986823068413287, -0.00012345678901234567}};
    const auto point = MapGeoreference::ParsePoint(MapGeoreference::PointText(nearEquator));
    QVERIFY2(point && *point == nearEquator, qPrintable(MapGeoreference::PointText(nearEquator)));

    // A later program's keys survive this one's changes, in their place.
    QVERIFY(PhotoTestFiles::WriteFile(MapCalibration::SidecarPath(map),
                                      "tolvek-map-calibration=1\r\n# met de hand\r\npoint.1=10,20,52.1,5.1\r\n"
                                      "north=-90\r\nfit=similarity\r\n"));
    MapCalibration later = MapCalibration::Load(map, &problem);
    QVERIFY(problem.isEmpty());
    QCOMPARE(later.north, std::optional<double>(270));
    later.metresPerPixel = 2;
    QCOMPARE(later.Serialize(),
             QByteArray("tolvek-map-calibration=1\nnorth=270\nmetres-per-pixel=2\n"
                        "point.1=10,20,52.1,5.1\nfit=similarity\n"));

    // Nothing left to say: the sidecar goes.
    QVERIFY(MapCalibration().Save(map, &reason));
    QVERIFY(!QFile::exists(MapCalibration::SidecarPath(map)));
}

void TestCameraDirection::calibrationLinesAndMeasures()
{
    MapCalibration c;
    // A street drawn from lower left to upper right at 45 degrees on the
    // map, known to run due east: north points up-left.
    QVERIFY(c.SetNorthFromLine(0, 100, 100, 0, 90));
    QCOMPARE(*c.north, 315.0);
    QVERIFY(!c.SetNorthFromLine(5, 5, 5, 5, 0));
    // 300 pixels are 75 metres.
    QVERIFY(c.SetScaleFromLine(0, 0, 180, 240, 75));
    QCOMPARE(*c.metresPerPixel, 0.25);
    QVERIFY(!c.SetScaleFromLine(0, 0, 10, 0, 0));
    QCOMPARE(*c.Distance(10, 10, 10, 410), 100.0);
    // Straight up the map is 45 degrees east of north here.
    QCOMPARE(*c.Bearing(10, 410, 10, 10), 45.0);
    QCOMPARE(*c.Bearing(0, 100, 100, 0), 90.0);
}

void TestCameraDirection::hostileCalibrationIgnored_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("long line") << "tolvek-map-calibration=1\nnorth=1" + QByteArray(10000, '0') + "\n";
    QTest::newRow("huge") << "tolvek-map-calibration=1\n" + QByteArray(300 * 1024, '#');
    QTest::newRow("not a number") << QByteArray("tolvek-map-calibration=1\nnorth=abc\n");
    QTest::newRow("comma") << QByteArray("tolvek-map-calibration=1\nnorth=12,5\n");
    QTest::newRow("infinite") << QByteArray("tolvek-map-calibration=1\nmetres-per-pixel=1e999\n");
    QTest::newRow("nan") << QByteArray("tolvek-map-calibration=1\nnorth=nan\n");
    QTest::newRow("zero scale") << QByteArray("tolvek-map-calibration=1\nmetres-per-pixel=0\n");
    QTest::newRow("negative scale") << QByteArray("tolvek-map-calibration=1\nmetres-per-pixel=-2\n");
    QTest::newRow("binary") << QByteArray("tolvek-map-calibration=1\nnorth=1\0\xff\xfe", 30);
    QTest::newRow("not utf-8") << QByteArray("tolvek-map-calibration=1\nnote=caf\xe9\n");
    QTest::newRow("no version") << QByteArray("north=12\n");
    QTest::newRow("newer version") << QByteArray("tolvek-map-calibration=2\nnorth=12\n");
    QTest::newRow("twice") << QByteArray("tolvek-map-calibration=1\nnorth=12\nnorth=13\n");
    QTest::newRow("no equals") << QByteArray("tolvek-map-calibration=1\nnorth 12\n");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("bad control point") << QByteArray(
        "tolvek-map-calibration=1\ngeoref-point.1=10,20,52.1\ngeoref-point.2=30,40,52.2,5.2\n");
    QTest::newRow("control point off the Earth")
        << QByteArray("tolvek-map-calibration=1\ngeoref-point.1=10,20,95,5\ngeoref-point.2=30,40,52.2,5.2\n");
    QTest::newRow("control points with a gap")
        << QByteArray("tolvek-map-calibration=1\ngeoref-point.1=10,20,52.1,5.1\ngeoref-point.3=30,40,52.2,5.2\n");
    QTest::newRow("one control point") << QByteArray("tolvek-map-calibration=1\ngeoref-point.1=10,20,52.1,5.1\n");
    QTest::newRow("affine on a line") << QByteArray(
        "tolvek-map-calibration=1\ngeoref-fit=affine\ngeoref-point.1=0,0,52.1,5.1\n"
        "georef-point.2=10,10,52.2,5.2\ngeoref-point.3=20,20,52.3,5.4\n");
    QTest::newRow("unknown fit") << QByteArray("tolvek-map-calibration=1\ngeoref-fit=spline\n");
}

void TestCameraDirection::hostileCalibrationIgnored()
{
    QFETCH(QByteArray, bytes);
    const QString map = m_dir.filePath(QStringLiteral("vijandig.png"));
    QVERIFY(PhotoTestFiles::WriteFile(MapCalibration::SidecarPath(map), bytes));
    QString problem;
    QVERIFY(MapCalibration::Load(map, &problem).IsEmpty());
    QVERIFY2(problem.startsWith(QStringLiteral("Kaartijking '%1' niet gebruikt: ")
                                    .arg(QDir::toNativeSeparators(MapCalibration::SidecarPath(map)))),
             qPrintable(problem));
    QVERIFY(problem.size() < 300);
}

QTEST_GUILESS_MAIN(TestCameraDirection)
// The list's time order sorts by digits, not by comparing: it must give
// what a stable sort gives, for times before 1970 (negative keys), equal
// times, photos without one, and keys far apart.
void TestCameraDirection::timeOrderAsAStableSort()
{
    std::mt19937_64 random(7);
    // The last span bunches most times within a second, beside a few that
    // lie years away.
    const qint64 years = qint64(86'400'000) * 365 * 80;
    for (const qint64 span : {qint64(5), years, std::numeric_limits<qint64>::max() / 2, -years}) {
        const qsizetype count = 5000;
        std::vector<qint64> keys(static_cast<size_t>(count));
        for (qint64 &key : keys) {
            const quint64 r = random();
            if (span < 0)
                key = r % 50 == 0 ? qint64(r % quint64(-span)) : qint64(r % 1000);
            else
                key = r % 10 == 0 ? PhotoListOrder::NoTime : qint64(r % quint64(span)) - span / 2;
        }
        std::vector<qsizetype> shown;
        for (qsizetype p = 0; p < count; p += 1 + qsizetype(random() % 3))
            shown.push_back(p);
        std::vector<qsizetype> expected = shown;
        std::stable_sort(expected.begin(), expected.end(),
                         [&](qsizetype a, qsizetype b) { return keys[size_t(a)] < keys[size_t(b)]; });
        PhotoListOrder::SortByKey(shown, keys);
        QVERIFY2(shown == expected, qPrintable(QString::number(span)));
    }
}

#include "tst_cameradirection.moc"
