// North, scale and the cameras' directions through the main window: the
// calibration dialog worked by keyboard and mouse, its sidecar file, the
// measuring drag, imports that take the cameras' directions (the saved
// project compared byte for byte), and taking directions over in one undo
// step; control points typed in three systems, photos placed by their GPS
// and the photo map for GIS.
#include "DialogDriver.h"
#include "ExifTestFiles.h"
#include "MainWindowRun.h"
#include "PhotoTestFiles.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "core/map/EarthCoordinates.h"
#include "core/map/MapCalibration.h"
#include "core/map/WorldFile.h"
#include "core/photos/MagneticModel.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "core/project/ProjectSession.h"
#include "gui/map/CalibrationMapView.h"
#include "gui/map/MapCalibrationCommands.h"
#include "gui/map/MapHoverTip.h"
#include "gui/map/MapInteraction.h"
#include "gui/map/MapView.h"
#include "gui/map/TFotoPaspuntForm.h"
#include "gui/map/TKaartIjkenForm.h"
#include "gui/map/TPlaatsOvernemenForm.h"
#include "gui/map/TRichtingOvernemenForm.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/PhotoListModel.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/widgets/ElidedLabel.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHelpEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <cmath>

namespace {

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

const ExifTestFiles::Tags TrueEast{{"Exif.Photo.DateTimeOriginal", "2026:12:07 14:03:00"},
                                   {"Exif.GPSInfo.GPSImgDirection", "10000/100"},
                                   {"Exif.GPSInfo.GPSImgDirectionRef", "T"}};
const ExifTestFiles::Tags MagneticUtrecht{{"Exif.Photo.DateTimeOriginal", "2026:06:01 09:00:00"},
                                          {"Exif.GPSInfo.GPSImgDirection", "100/1"},
                                          {"Exif.GPSInfo.GPSImgDirectionRef", "M"},
                                          {"Exif.GPSInfo.GPSLatitude", "52/1 5/1 0/1"},
                                          {"Exif.GPSInfo.GPSLatitudeRef", "N"},
                                          {"Exif.GPSInfo.GPSLongitude", "5/1 7/1 0/1"},
                                          {"Exif.GPSInfo.GPSLongitudeRef", "E"}};
const ExifTestFiles::Tags MagneticNowhere{{"Exif.GPSInfo.GPSImgDirection", "200/1"},
                                          {"Exif.GPSInfo.GPSImgDirectionRef", "M"}};
const ExifTestFiles::Tags TimeOnly{{"Exif.Photo.DateTimeOriginal", "2026:12:07 14:03:00"}};

// The test map (400 by 300 pixels) as a piece of the Dutch grid: half a
// metre a pixel, north up, its top-left corner at RD 155000, 463000.
QPointF Rd(QPointF mapPoint)
{
    return QPointF(155000 + 0.5 * mapPoint.x(), 463000 - 0.5 * mapPoint.y());
}

EarthProjection::LonLat RdToEarth(QPointF rd)
{
    return *EarthProjection::FromName(QStringLiteral("EPSG:28992"))->ToEarth(rd);
}

// Degrees as EXIF's GPS tags hold them: degrees, minutes, seconds to a
// ten-thousandth.
QString Dms(double degrees)
{
    const qint64 tenThousandths = qRound64(std::abs(degrees) * 3600 * 10000);
    return QStringLiteral("%1/1 %2/1 %3/10000")
        .arg(tenThousandths / (3600 * 10000))
        .arg(tenThousandths / (60 * 10000) % 60)
        .arg(tenThousandths % (60 * 10000));
}

ExifTestFiles::Tags GpsAt(EarthProjection::LonLat at)
{
    return {{"Exif.GPSInfo.GPSLatitude", Dms(at.latitude)},
            {"Exif.GPSInfo.GPSLatitudeRef", "N"},
            {"Exif.GPSInfo.GPSLongitude", Dms(at.longitude)},
            {"Exif.GPSInfo.GPSLongitudeRef", "E"}};
}

} // namespace

class TestCameraDirections : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void calibrateByKeyboardAndMouse();
    void importTakesCameraDirectionsOnlyWithNorth();
    void takeDirectionsIsOneUndoStep();
    void listSortsByTimeAndFiltersDates();
    void viewerShowsTimeAndDirection();
    void exportAddsMarksOnlyWhenAsked();
    void controlPointsTypedInThreeSystems();
    void importPlacesPhotosByGps();
    void gpsShownOnHoverAndInPhotoWindow();
    void takePlacesIsOneUndoStep();
    void gisWorldFileIsTheCalibration();
    void controlPointsFromPhotos();

private:
    void open();
    void georeference();
    void drop(const QStringList &files, QPoint mapPoint);
    QAction *action(const char *name) const { return m_form->findChild<QAction *>(QLatin1String(name)); }
    QString sidecar() const { return MapCalibration::SidecarPath(m_set + QStringLiteral("/kaart.bmp")); }

    QTemporaryDir m_config;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<THoofdForm> m_form;
    QString m_set;
    QString m_project;
};

void TestCameraDirections::initTestCase()
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    ProcessFolders::SupportStartup();
}

void TestCameraDirections::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_set = m_dir->filePath(QStringLiteral("set"));
    QDir().mkpath(m_set + QStringLiteral("/fotos"));
    QImage map(400, 300, QImage::Format_RGB888);
    map.fill(QColor(240, 240, 220));
    QVERIFY(map.save(m_set + QStringLiteral("/kaart.bmp"), "BMP"));
    const auto photo = [this](const char *name, const ExifTestFiles::Tags &tags) {
        return PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/") + QLatin1String(name),
                                         ExifTestFiles::Jpeg(tags));
    };
    QVERIFY(photo("oost.jpg", TrueEast));
    QVERIFY(photo("kompas.jpg", MagneticUtrecht));
    QVERIFY(photo("ergens.jpg", MagneticNowhere));
    QVERIFY(photo("tijd.jpg", TimeOnly));
    m_project = m_set + QStringLiteral("/plan.tvk");
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=50,50,0"};
    doc.NameList = {"00001=fotos\\oud.jpg"};
    doc.NotesList = {"00001=Eerste"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);

    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    open();
}

void TestCameraDirections::cleanup()
{
    MainWindowRun::End(m_form, m_driver);
}

void TestCameraDirections::open()
{
    m_form->Files().ResetProject();
    m_form->Files().ReadDataFile(m_project);
}

void TestCameraDirections::drop(const QStringList &files, QPoint mapPoint)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &f : files)
        urls << QUrl::fromLocalFile(m_set + QStringLiteral("/fotos/") + f);
    data.setUrls(urls);
    const QPointF at = m_form->OverzichtsImage->mapTo(m_form.get(), mapPoint);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_form.get(), &dropped);
    QVERIFY(dropped.isAccepted());
}

// A new user's way: the dialog opens in the north field, a number and
// Enter calibrate north; a dragged line and its length give the scale; the
// sidecar holds both; Ctrl-drag on the map measures with them.
void TestCameraDirections::calibrateByKeyboardAndMouse()
{
    QVERIFY(!QFile::exists(sidecar()));
    bool focused = false;
    m_driver->Handle([&focused](QDialog *d) {
        auto *form = qobject_cast<TKaartIjkenForm *>(d);
        QVERIFY(form);
        // The widget that has the focus once the window is active.
        QWidget *focus = form->focusWidget();
        focused = focus == form->NoordpijlEdit;
        QTest::keyClicks(focus, QStringLiteral("30"));
        QTest::keyClick(focus, Qt::Key_Return);
    });
    action("KaartIjken1")->trigger();
    QVERIFY(focused);
    QCOMPARE(readAll(sidecar()), QByteArray("tolvek-map-calibration=1\nnorth=30\n"));
    QVERIFY(!m_form->Document().Modified); // the project itself is untouched

    // Again: the field holds 30 now. A line from (100,100) to (100,200) on
    // the map is 40 metres: 0.4 m a pixel.
    m_driver->Handle([](QDialog *d) {
        auto *form = qobject_cast<TKaartIjkenForm *>(d);
        QCOMPARE(form->NoordpijlEdit->text(), QStringLiteral("30"));
        CalibrationMapView *view = form->KaartBeeld;
        QTest::mouseClick(form->SchaalLijnRadio, Qt::LeftButton);
        const QPoint from = view->ToWidget(QPointF(100, 100)).toPoint();
        const QPoint to = view->ToWidget(QPointF(100, 200)).toPoint();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
        // The line is taken where the widget's pixels fall; exactly 100
        // map pixels long for the check below.
        view->SetLine(QLineF(100, 100, 100, 200));
        form->LengteEdit->setFocus();
        QTest::keyClicks(form->LengteEdit, QStringLiteral("40"));
        QVERIFY2(form->SchaalLabel->text().contains(QStringLiteral("0,4 m")), qPrintable(form->SchaalLabel->text()));
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    action("KaartIjken1")->trigger();
    QCOMPARE(readAll(sidecar()), QByteArray("tolvek-map-calibration=1\nnorth=30\nmetres-per-pixel=0.4\n"));

    // The overlays show; a Ctrl-drag of 50 map pixels straight up is 20 m
    // at a bearing of 330 degrees (north is 30 degrees right of up).
    QVERIFY(m_form->OverzichtsScrollBox->viewport()->findChild<QWidget *>(QStringLiteral("Noordpijl"))->isVisible());
    QVERIFY(m_form->OverzichtsScrollBox->viewport()->findChild<QWidget *>(QStringLiteral("Schaalbalk"))->isVisible());
    MapView *view = m_form->OverzichtsImage;
    const QPoint a = view->MapToWidget(QPoint(200, 200)), b = view->MapToWidget(QPoint(200, 150));
    QTest::mousePress(view, Qt::LeftButton, Qt::ControlModifier, a);
    QMouseEvent move(QEvent::MouseMove, b, view->mapToGlobal(b), Qt::NoButton, Qt::LeftButton, Qt::ControlModifier);
    QApplication::sendEvent(view, &move);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ControlModifier, b);
    QCOMPARE(m_form->StatusText->Text(), QStringLiteral("Afstand: 20 m, richting: 330\u00b0 vanaf noord"));
    QCOMPARE(m_form->Document().PositionList, QList<QByteArray>{"00001=50,50,0"}); // nothing moved

    // The north arrow toggle is remembered.
    action("Noordpijl1")->trigger();
    QVERIFY(!m_form->OverzichtsScrollBox->viewport()->findChild<QWidget *>(QStringLiteral("Noordpijl"))->isVisible());
    MainWindowRun::End(m_form, m_driver);
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    QVERIFY(!action("Noordpijl1")->isChecked());
    action("Noordpijl1")->trigger();
}

void TestCameraDirections::importTakesCameraDirectionsOnlyWithNorth()
{
    const QStringList files{"oost.jpg", "kompas.jpg", "ergens.jpg", "tijd.jpg"};
    // Without north: the directions of today, and no extra message.
    drop(files, QPoint(100, 80));
    const ProjectDocument &doc = m_form->Document();
    QTRY_COMPARE(doc.PositionList.size(), 5);
    QCOMPARE(doc.PositionList.mid(1),
             (QList<QByteArray>{"00002=100,80,90", "00003=118,80,90", "00004=100,98,90", "00005=118,98,90"}));
    QCOMPARE(m_driver->dialogs.size(), 0);

    // North 30 degrees right of up: a true bearing of 100 is 90-30-100.
    QVERIFY(PhotoTestFiles::WriteFile(sidecar(), "tolvek-map-calibration=1\nnorth=30\n"));
    open();
    m_driver->Press(QStringLiteral("&OK"));
    drop(files, QPoint(100, 80));
    QTRY_COMPARE(doc.PositionList.size(), 5);
    const double declination = MagneticModel::Wmm2025().Declination(52 + 5 / 60.0, 5 + 7 / 60.0, 2026 + 151.375 / 365);
    const int magnetic = int(std::nearbyint(std::fmod(720 + 60 - 100 - declination, 360)));
    QVERIFY(magnetic != 320); // the correction shows
    QCOMPARE(m_driver->dialogs.size(), 1);
    const QString report = m_driver->dialogs.last().texts;
    QVERIFY2(
        report.contains(QStringLiteral("Richting uit de camera: 3 foto's. Zonder richting uit de camera: 1 foto.")),
        qPrintable(report));
    QVERIFY2(report.contains(QStringLiteral("Bij 1 foto is de kompasrichting niet gecorrigeerd")), qPrintable(report));

    QCOMPARE(m_form->Session().Save(m_project), DataFile::WriteResult::Ok);
    ProjectDocument expected;
    expected.MapFileName = "kaart.bmp";
    expected.PositionList = {"00001=50,50,0", "00002=100,80,320", "00003=118,80," + QByteArray::number(magnetic),
                             "00004=100,98,220", "00005=118,98,90"};
    expected.NameList = {"00001=fotos\\oud.jpg", "00002=fotos\\oost.jpg", "00003=fotos\\kompas.jpg",
                         "00004=fotos\\ergens.jpg", "00005=fotos\\tijd.jpg"};
    expected.NotesList = {"00001=Eerste", "00002=Type hier uw aantekeningen.", "00003=Type hier uw aantekeningen.",
                          "00004=Type hier uw aantekeningen.", "00005=Type hier uw aantekeningen."};
    QCOMPARE(doc.PositionList, expected.PositionList);
    QCOMPARE(readAll(m_project), DataFile::Serialize(expected));
}

void TestCameraDirections::takeDirectionsIsOneUndoStep()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=50,50,0", "00002=80,50,330", "00003=110,50,45", "00004=140,50,60"};
    doc.NameList = {"00001=fotos\\oost.jpg", "00002=fotos\\ergens.jpg", "00003=fotos\\tijd.jpg",
                    "00004=fotos\\oost.jpg"};
    doc.NotesList = {"00001=a", "00002=b", "00003=c", "00004=d"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    QVERIFY(PhotoTestFiles::WriteFile(sidecar(), "tolvek-map-calibration=1\nnorth=90\n"));
    open();
    const QByteArray before = readAll(m_project);

    // North to the right: 100 degrees true is 90-90-100 = 260; 200 degrees
    // magnetic, place unknown, is 160. The third has no direction; the
    // fourth is left unticked.
    QStringList shown;
    m_driver->Handle([&shown](QDialog *d) {
        auto *form = qobject_cast<TRichtingOvernemenForm *>(d);
        QTreeWidget *list = form->FotoLijst;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            shown << item->text(1) + QLatin1Char('>') + item->text(2) + QLatin1Char(' ') + item->text(3);
        }
        QCOMPARE(list->topLevelItem(2)->flags() & Qt::ItemIsUserCheckable, Qt::ItemFlags());
        list->topLevelItem(3)->setCheckState(0, Qt::Unchecked);
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    const int steps = m_form->Session().UndoStack().count();
    action("RichtingOvernemen1")->trigger();
    QCOMPARE(shown,
             (QStringList{"0\u00b0>260\u00b0 -100\u00b0", "330\u00b0>160\u00b0 -170\u00b0", "45\u00b0>\u2013 \u2013",
                          "60\u00b0>260\u00b0 -160\u00b0"}));
    QCOMPARE(m_form->Document().PositionList,
             (QList<QByteArray>{"00001=50,50,260", "00002=80,50,160", "00003=110,50,45", "00004=140,50,60"}));
    QCOMPARE(m_form->Session().UndoStack().count(), steps + 1);
    QCOMPARE(m_form->Session().UndoStack().undoText(), QStringLiteral("richting uit foto's overnemen"));
    m_form->Session().Undo();
    QCOMPARE(m_form->Session().Save(m_project), DataFile::WriteResult::Ok);
    QCOMPARE(readAll(m_project), before);
}

// Times from the cameras order the list (photos without one last, equal
// times in list order), a period narrows it, and the order is remembered.
void TestCameraDirections::listSortsByTimeAndFiltersDates()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=10,10,0", "00002=20,10,0", "00003=30,10,0", "00004=40,10,0"};
    doc.NameList = {"00001=fotos\\ergens.jpg", "00002=fotos\\tijd.jpg", "00003=fotos\\kompas.jpg",
                    "00004=fotos\\oost.jpg"};
    doc.NotesList = {"00001=", "00002=", "00003=", "00004="};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    open();
    PhotoListDock *dock = m_form->FotosDock;
    PhotoListModel &model = dock->Model();
    const auto rows = [&model] {
        QStringList out;
        for (int r = 0; r < model.rowCount(); ++r)
            out << model.data(model.index(r)).toString() + QLatin1Char('|')
                    + model.data(model.index(r), PhotoListModel::TimeTextRole).toString();
        return out;
    };
    dock->OrderBox()->setCurrentIndex(2);
    QTRY_COMPARE(rows(),
                 (QStringList{"00003  fotos\\kompas.jpg|1 jun. 2026 09:00", "00002  fotos\\tijd.jpg|7 dec. 2026 14:03",
                              "00004  fotos\\oost.jpg|7 dec. 2026 14:03", "00001  fotos\\ergens.jpg|"}));
    dock->OrderBox()->setCurrentIndex(1);
    QCOMPARE(rows().first(), QStringLiteral("00001  fotos\\ergens.jpg|"));

    dock->FromEdit()->setDate(QDate(2026, 6, 1));
    dock->ToEdit()->setDate(QDate(2026, 6, 1));
    dock->PeriodCheck()->setChecked(true);
    // The first use of the period shows the days the photos span.
    QCOMPARE(dock->ToEdit()->date(), QDate(2026, 12, 7));
    dock->ToEdit()->setDate(QDate(2026, 6, 30));
    QCOMPARE(rows(), QStringList{"00003  fotos\\kompas.jpg|1 jun. 2026 09:00"});
    QCOMPARE(dock->CountLabel()->text(), QStringLiteral("1 van 4"));
    dock->PeriodCheck()->setChecked(false);
    QCOMPARE(model.rowCount(), 4);

    MainWindowRun::End(m_form, m_driver);
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
    QCOMPARE(m_form->FotosDock->OrderBox()->currentIndex(), 1);
    m_form->FotosDock->OrderBox()->setCurrentIndex(0);
}

// The viewer says what each camera recorded, and nothing for a photo
// without a record (no leftover of the photo before).
void TestCameraDirections::viewerShowsTimeAndDirection()
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=10,10,0", "00002=20,10,0", "00003=30,10,0", "00004=40,10,0"};
    doc.NameList = {"00001=fotos\\kompas.jpg", "00002=fotos\\oost.jpg", "00003=fotos\\ergens.jpg",
                    "00004=fotos\\oud.jpg"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    open();
    m_form->FotosDock->OrderBox()->setCurrentIndex(0);
    TFotoKijkerForm *viewer = TFotoKijkerForm::Open(m_form->Host(), 0);
    QVERIFY(QTest::qWaitForWindowExposed(viewer));
    QTRY_COMPARE(viewer->TijdRichtingLabel->text(),
                 QStringLiteral("Genomen: 1 jun. 2026 09:00   Richting camera: 100\u00b0 magnetisch"));
    QVERIFY(viewer->TijdRichtingLabel->isVisible());
    QVERIFY(viewer->Step(1));
    QTRY_COMPARE(viewer->TijdRichtingLabel->text(),
                 QStringLiteral("Genomen: 7 dec. 2026 14:03   Richting camera: 100\u00b0"));
    QVERIFY(viewer->Step(1));
    QTRY_COMPARE(viewer->TijdRichtingLabel->text(), QStringLiteral("Richting camera: 200\u00b0 magnetisch"));
    QVERIFY(viewer->Step(1));
    QCOMPARE(viewer->PhotoNumber(), 4);
    QTRY_VERIFY(viewer->TijdRichtingLabel->text().isEmpty());
    QVERIFY(!viewer->TijdRichtingLabel->isVisible());
    viewer->close();
}

// The image export keeps its bytes on a calibrated map until the user asks
// for north arrow and scale bar; then only the corners change.
void TestCameraDirections::exportAddsMarksOnlyWhenAsked()
{
    const QString before = m_dir->filePath(QStringLiteral("voor.png"));
    const QString plain = m_dir->filePath(QStringLiteral("kaal.png"));
    const QString marked = m_dir->filePath(QStringLiteral("merk.png"));
    m_driver->ChooseFile(before);
    action("ExporterenAfbeelding1")->trigger();
    QVERIFY(PhotoTestFiles::WriteFile(sidecar(), "tolvek-map-calibration=1\nnorth=0\nmetres-per-pixel=0.25\n"));
    open();
    m_driver->ChooseFile(plain);
    action("ExporterenAfbeelding1")->trigger();
    QCOMPARE(readAll(plain), readAll(before));

    action("NoordEnSchaal1")->trigger();
    m_driver->ChooseFile(marked);
    action("ExporterenAfbeelding1")->trigger();
    action("NoordEnSchaal1")->trigger();
    const QImage a(plain), b(marked);
    QCOMPARE(b.size(), QSize(400, 300));
    int corners = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                QVERIFY2((x >= 400 - 64 && y < 64) || (x < 200 && y >= 300 - 60),
                         qPrintable(QStringLiteral("changed at %1,%2").arg(x).arg(y)));
                ++corners;
            }
    QVERIFY(corners > 300);
}

// Three control points clicked on the map and typed as degrees, RD New and
// UTM: a fit without error, north up and half a metre a pixel, kept in the
// sidecar with the world file beside the map.
void TestCameraDirections::controlPointsTypedInThreeSystems()
{
    const QList<QPointF> points{{40, 30}, {360, 60}, {200, 270}};
    const auto utm = EarthProjection::FromName(QStringLiteral("EPSG:32631"));
    const QPointF utm3 = *utm->ToProjected(RdToEarth(Rd(points[2])));
    QString shown;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TKaartIjkenForm *>(d);
        // A failed check leaves the dialog, not the test, waiting.
        const auto close = qScopeGuard([form] {
            if (form->isVisible())
                form->reject();
        });
        QTabBar *tabs = form->IjkTabs->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(1).center());
        QCOMPARE(form->IjkTabs->currentIndex(), 1);
        const QStringList typed{EarthCoordinates::DegreesText(RdToEarth(Rd(points[0])), 9),
                                QStringLiteral("%1 %2").arg(Rd(points[1]).x()).arg(Rd(points[1]).y()),
                                QStringLiteral("31N %1 %2").arg(utm3.x(), 0, 'f', 3).arg(utm3.y(), 0, 'f', 3)};
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(form->KaartBeeld, Qt::LeftButton, Qt::NoModifier,
                              form->KaartBeeld->ToWidget(points[i]).toPoint());
            QCOMPARE(form->focusWidget(), form->PositieEdit);
            // Clicked within a widget pixel; typed exactly, as the user may.
            const QStringList clicked = form->KaartpuntEdit->text().split(QStringLiteral("; "));
            QVERIFY(std::abs(TKaartIjkenForm::ParseNumber(clicked[0]).value_or(-9) - points[i].x()) < 1);
            form->KaartpuntEdit->setText(QStringLiteral("%1; %2").arg(points[i].x()).arg(points[i].y()));
            form->StelselCombo->setCurrentIndex(i);
            QTest::keyClicks(form->PositieEdit, typed[i]);
            QTest::keyClick(form->PositieEdit, Qt::Key_Return);
            QVERIFY(form->isVisible()); // Enter adds the point, it does not close the dialog
            QCOMPARE(form->PuntenTabel->rowCount(), i + 1);
        }
        shown = form->ResultaatLabel->text();
        QCOMPARE(form->NoordpijlEdit->text(), QStringLiteral("0"));
        QVERIFY(!form->NoordpijlEdit->isEnabled());
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    action("KaartIjken1")->trigger();
    QVERIFY2(shown.startsWith(QStringLiteral("Gemiddelde afwijking (RMS): 0 m.")), qPrintable(shown));
    QString problem;
    const QString map = m_set + QStringLiteral("/kaart.bmp");
    const MapCalibration saved = MapCalibration::Load(map, &problem);
    QVERIFY2(saved.IsGeoreferenced(), qPrintable(problem));
    QCOMPARE(saved.georeference.points.size(), 3);
    // RD's own scale near Amersfoort is 0.99991.
    QVERIFY(std::abs(*saved.metresPerPixel - 0.5 / 0.9999079) < 2e-4);
    QVERIFY(*saved.north < 0.01 || *saved.north > 359.99);
    QVERIFY(readAll(sidecar()).contains("\ngeoref-point.2=360,60,"));
    QCOMPARE(readAll(WorldFile::WorldFilePath(map)), WorldFile::Text(saved.georeference.GeoTransform()));
    QVERIFY(!m_form->Document().Modified);
}

// On a georeferenced map a dropped photo with a GPS position on the map
// lands there, the others in the grid; the message counts each kind; the
// saved project byte for byte. Then the status bar's position and the
// photos for GIS through the menu.
void TestCameraDirections::importPlacesPhotosByGps()
{
    // Without control points the GIS export says why and asks nothing.
    m_driver->Press(QStringLiteral("&OK"));
    action("ExporterenGeoJson1")->trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_driver->dialogs.last().texts.contains(QStringLiteral("paspunten")));

    georeference();
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/binnen.jpg"),
                                      ExifTestFiles::Jpeg(GpsAt(RdToEarth(Rd({200.5, 150.5}))))));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/buiten.jpg"),
                                      ExifTestFiles::Jpeg(GpsAt(RdToEarth(Rd({-300, 150}))))));
    open();

    drop({"binnen.jpg", "buiten.jpg", "tijd.jpg"}, QPoint(100, 80));
    const ProjectDocument &doc = m_form->Document();
    QTRY_COMPARE(doc.PositionList.size(), 4);
    QCOMPARE(m_driver->dialogs.size(), 2);
    const QString report = m_driver->dialogs.last().texts;
    QVERIFY2(report.contains(QStringLiteral("Op hun GPS-positie gezet: 1 foto. Met een GPS-positie buiten de kaart: 1 "
                                            "foto. Zonder GPS-positie: 1 foto.")),
             qPrintable(report));
    QCOMPARE(m_form->Session().Save(m_project), DataFile::WriteResult::Ok);
    ProjectDocument expected;
    expected.MapFileName = "kaart.bmp";
    expected.PositionList = {"00001=50,50,0", "00002=200,150,90", "00003=100,80,90", "00004=118,80,90"};
    expected.NameList = {"00001=fotos\\oud.jpg", "00002=fotos\\binnen.jpg", "00003=fotos\\buiten.jpg",
                         "00004=fotos\\tijd.jpg"};
    expected.NotesList = {"00001=Eerste", "00002=Type hier uw aantekeningen.", "00003=Type hier uw aantekeningen.",
                          "00004=Type hier uw aantekeningen."};
    QCOMPARE(doc.PositionList, expected.PositionList);
    QCOMPARE(readAll(m_project), DataFile::Serialize(expected));

    // The pointer's place on Earth in the status bar.
    MapView *view = m_form->OverzichtsImage;
    const QPoint at = view->MapToWidget(QPoint(200, 150));
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    auto *position = m_form->findChild<QLabel *>(QStringLiteral("PositieOpAarde"));
    QVERIFY(position && position->isVisible());
    const QStringList latLon = position->text().split(QStringLiteral(", "));
    const EarthProjection::LonLat expectedPlace = RdToEarth(Rd(at / view->Zoom().Factor()));
    QVERIFY2(latLon.size() == 2 && std::abs(latLon[0].toDouble() - expectedPlace.latitude) < 2e-6
                 && std::abs(latLon[1].toDouble() - expectedPlace.longitude) < 2e-6,
             qPrintable(position->text()));

    // The photos for GIS: each where the map puts it.
    const QString out = m_dir->filePath(QStringLiteral("fotos.geojson"));
    m_driver->ChooseFile(out);
    action("ExporterenGeoJson1")->trigger();
    const QJsonArray features =
        QJsonDocument::fromJson(readAll(out)).object().value(QStringLiteral("features")).toArray();
    QCOMPARE(features.size(), 4);
    const QJsonArray xy = features[1]
                              .toObject()
                              .value(QStringLiteral("geometry"))
                              .toObject()
                              .value(QStringLiteral("coordinates"))
                              .toArray();
    const EarthProjection::LonLat binnen = RdToEarth(Rd({200.5, 150.5}));
    QVERIFY(std::abs(xy[0].toDouble() - binnen.longitude) < 1e-6
            && std::abs(xy[1].toDouble() - binnen.latitude) < 1e-6);
    // The time comes from the records read for the export.
    QCOMPARE(features[3].toObject().value(QStringLiteral("properties")).toObject().value(QStringLiteral("genomen")),
             QStringLiteral("2026-12-07T14:03:00"));

    // KML with the map itself laid under the photos, when the user says so.
    const QString kml = m_dir->filePath(QStringLiteral("fotos.kml"));
    m_driver->ChooseFile(kml);
    m_driver->Press(QStringLiteral("&Ja"));
    action("ExporterenKml1")->trigger();
    const QByteArray kmlBytes = readAll(kml);
    QVERIFY2(
        kmlBytes.contains("<href>" + QUrl::fromLocalFile(m_set + QStringLiteral("/kaart.bmp")).toEncoded() + "</href>")
            && kmlBytes.contains("<gx:LatLonQuad>"),
        kmlBytes.constData());
}

void TestCameraDirections::georeference()
{
    MapGeoreference georef;
    for (const QPointF p : {QPointF(0, 0), QPointF(400, 0), QPointF(400, 300), QPointF(0, 300)})
        georef.points << MapGeoreference::ControlPoint{p, RdToEarth(Rd(p)), true};
    MapCalibration calibration;
    calibration.SetGeoreference(georef);
    QString reason;
    QVERIFY2(calibration.Save(m_set + QStringLiteral("/kaart.bmp"), &reason), qPrintable(reason));
}

// Resting on a photo that stands on its GPS pixel shows the position with
// the camera's error and draws a circle of that radius around it; one
// without a recorded error says the assumed one; one moved off its GPS
// pixel gets no circle. The photo window shows the position too.
void TestCameraDirections::gpsShownOnHoverAndInPhotoWindow()
{
    georeference();
    ExifTestFiles::Tags measured = GpsAt(RdToEarth(Rd({200.5, 150.5})));
    measured.append(qMakePair(QStringLiteral("Exif.GPSInfo.GPSHPositioningError"), QStringLiteral("4700/1000")));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/gemeten.jpg"), ExifTestFiles::Jpeg(measured)));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/verplaatst.jpg"),
                                      ExifTestFiles::Jpeg(GpsAt(RdToEarth(Rd({300.5, 50.5}))))));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=200,150,0", "00002=320,60,0", "00003=50,250,0"};
    doc.NameList = {"00001=fotos\\gemeten.jpg", "00002=fotos\\verplaatst.jpg", "00003=fotos\\tijd.jpg"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    open();
    m_form->FotosDock->hide();

    MapView *view = m_form->OverzichtsImage;
    MapHoverTip &tip = m_form->Interaction().HoverTip();
    const auto hover = [&](QPoint mapPixel) {
        const QPoint at = view->MapToWidget(mapPixel);
        QHelpEvent event(QEvent::ToolTip, at, view->mapToGlobal(at));
        QApplication::sendEvent(view, &event);
        QCoreApplication::sendPostedEvents(&m_form->Interaction(), QEvent::MetaCall);
    };
    const auto placeLine = [&] { return tip.Text().section(QLatin1Char('\n'), -1); };
    const auto checkPlace = [](const QString &line, QPointF mapPoint, const QString &error) {
        const EarthProjection::LonLat e = RdToEarth(Rd(mapPoint));
        const QStringList parts = line.section(QStringLiteral(" ("), 0, 0).mid(5).split(QStringLiteral(", "));
        QVERIFY2(line.startsWith(QStringLiteral("GPS: ")) && line.endsWith(QStringLiteral(" (") + error + ')'),
                 qPrintable(line));
        QVERIFY2(parts.size() == 2 && std::abs(parts[0].toDouble() - e.latitude) < 1.5e-6
                     && std::abs(parts[1].toDouble() - e.longitude) < 1.5e-6,
                 qPrintable(line));
    };

    hover({200, 150});
    QTRY_VERIFY(tip.Text().contains(QStringLiteral("GPS: ")));
    checkPlace(placeLine(), {200.5, 150.5}, QStringLiteral("\u00b1 5 m"));
    // 4.7 m at half a metre a pixel: 9.4 pixels around the pixel's centre.
    const QPolygonF circle = view->Uncertainty();
    QVERIFY(circle.size() > 36);
    for (const QPointF &p : circle)
        QVERIFY2(std::abs(QLineF(p, QPointF(200.5, 150.5)).length() - 9.4) < 0.02, qPrintable(QString::number(p.x())));

    hover({320, 60});
    QTRY_VERIFY(tip.Text().contains(QStringLiteral("GPS: ")));
    checkPlace(placeLine(), {300.5, 50.5}, QStringLiteral("\u00b1 10 m aangenomen"));
    QVERIFY(view->Uncertainty().isEmpty());
    // Without a position, no line and no circle.
    hover({50, 250});
    QTRY_VERIFY(tip.Text().contains(QStringLiteral("Genomen: ")));
    QVERIFY(!tip.Text().contains(QStringLiteral("GPS")));
    QVERIFY(view->Uncertainty().isEmpty());
    hover({200, 150});
    QVERIFY(!view->Uncertainty().isEmpty());
    QTest::mouseMove(view, view->MapToWidget(QPoint(390, 290)));
    QVERIFY(!tip.IsShown());
    QVERIFY(view->Uncertainty().isEmpty());

    // The photo window: a row with the position when there is one.
    for (const int photo : {1, 3}) {
        const QPoint at = view->MapToWidget(photo == 1 ? QPoint(200, 150) : QPoint(50, 250));
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
        QTRY_VERIFY(!TFotoForm::OpenWindows().isEmpty());
        TFotoForm *window = TFotoForm::OpenWindows().last();
        QCOMPARE(window->PhotoNumber, photo);
        if (photo == 1) {
            QVERIFY(window->PlaatsPanel->isVisible());
            checkPlace(window->PlaatsPanel->text(), {200.5, 150.5}, QStringLiteral("\u00b1 5 m"));
            QVERIFY(window->PlaatsPanel->fontMetrics().horizontalAdvance(window->PlaatsPanel->text())
                    < window->PlaatsPanel->contentsRect().width());
        } else {
            QVERIFY(!window->PlaatsPanel->isVisible());
        }
        window->close();
    }
}

// The photos whose GPS position lies on the map move there in one undo
// step, keeping their directions; the others say why they cannot.
void TestCameraDirections::takePlacesIsOneUndoStep()
{
    // Without control points: a message, no table.
    m_driver->Press(QStringLiteral("&OK"));
    action("PlaatsOvernemen1")->trigger();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY(m_driver->dialogs.last().texts.contains(QStringLiteral("paspunten")));

    georeference();
    ExifTestFiles::Tags measured = GpsAt(RdToEarth(Rd({200.5, 150.5})));
    measured.append(qMakePair(QStringLiteral("Exif.GPSInfo.GPSHPositioningError"), QStringLiteral("3/1")));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/binnen.jpg"), ExifTestFiles::Jpeg(measured)));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/buiten.jpg"),
                                      ExifTestFiles::Jpeg(GpsAt(RdToEarth(Rd({-300, 150}))))));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=50,50,0", "00002=10,10,45", "00003=20,20,90", "00004=30,30,135", "00005=200,150,7"};
    doc.NameList = {"00001=fotos\\weg.jpg", "00002=fotos\\binnen.jpg", "00003=fotos\\buiten.jpg",
                    "00004=fotos\\tijd.jpg", "00005=fotos\\binnen.jpg"};
    doc.NotesList = {"00001=a", "00002=b", "00003=c", "00004=d", "00005=e"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    open();
    const QByteArray before = readAll(m_project);

    QStringList shown;
    QString label;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TPlaatsOvernemenForm *>(d);
        QTreeWidget *list = form->FotoLijst;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            shown << QStringList{item->text(1), item->text(2), item->text(3),
                                 item->text(4), item->text(5), QString::number(item->checkState(0))}
                         .join(QLatin1Char('|'));
        }
        label = form->Label1->text();
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    const int steps = m_form->Session().UndoStack().count();
    action("PlaatsOvernemen1")->trigger();
    // From the middle of pixel (10, 10) to the GPS position: 190 by 140
    // pixels of half a metre.
    QCOMPARE(
        shown,
        (QStringList{"50, 50|\u2013|\u2013|\u2013|fotobestand niet gevonden|0", "10, 10|200, 150|118 m|\u00b1 3 m||2",
                     "20, 20|\u2013|172,9 m|\u2013|de GPS-positie ligt buiten de kaart|0",
                     "30, 30|\u2013|\u2013|\u2013|de foto vermeldt geen GPS-positie|0",
                     "200, 150|200, 150|0 m|\u00b1 3 m|staat al op de GPS-positie|0"}));
    QVERIFY2(label.endsWith(QStringLiteral("Niet te plaatsen: 1 foto met een GPS-positie buiten de kaart, 1 foto "
                                           "zonder GPS-positie, 1 foto zonder fotobestand.")),
             qPrintable(label));
    QCOMPARE(m_form->Document().PositionList,
             (QList<QByteArray>{"00001=50,50,0", "00002=200,150,45", "00003=20,20,90", "00004=30,30,135",
                                "00005=200,150,7"}));
    QCOMPARE(m_form->Session().UndoStack().count(), steps + 1);
    QCOMPARE(m_form->Session().UndoStack().undoText(), QStringLiteral("plaats uit foto's overnemen"));
    m_form->Session().Undo();
    QCOMPARE(m_form->Session().Save(m_project), DataFile::WriteResult::Ok);
    QCOMPARE(readAll(m_project), before);
}

// A world file a GIS made, with its system in the .aux.xml, makes the map
// georeferenced without a sidecar; the dialog says where the points come
// from, and OK without a change writes nothing. A spoilt world file is
// named in the status line.
void TestCameraDirections::gisWorldFileIsTheCalibration()
{
    const QString worldFile = m_set + QStringLiteral("/kaart.bpw");
    QVERIFY(PhotoTestFiles::WriteFile(worldFile, "0.5\r\n0\r\n0\r\n-0.5\r\n155000.25\r\n462999.75\r\n"));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/kaart.bmp.aux.xml"),
                                      "<PAMDataset>\n  <SRS>EPSG:28992</SRS>\n</PAMDataset>\n"));
    open();
    QCOMPARE(m_form->StatusText->Text(), QString());
    MapView *view = m_form->OverzichtsImage;
    const QPoint at = view->MapToWidget(QPoint(200, 150));
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
    auto *position = m_form->findChild<QLabel *>(QStringLiteral("PositieOpAarde"));
    const QStringList latLon = position->text().split(QStringLiteral(", "));
    const EarthProjection::LonLat expected = RdToEarth(Rd(at / view->Zoom().Factor()));
    QVERIFY2(latLon.size() == 2 && std::abs(latLon[0].toDouble() - expected.latitude) < 2e-6
                 && std::abs(latLon[1].toDouble() - expected.longitude) < 2e-6,
             qPrintable(position->text()));

    QString shown;
    int rows = 0;
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TKaartIjkenForm *>(d);
        rows = form->PuntenTabel->rowCount();
        shown = form->ResultaatLabel->text();
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    action("KaartIjken1")->trigger();
    QCOMPARE(rows, 4);
    QVERIFY2(shown.startsWith(QStringLiteral("Overgenomen uit 'kaart.bpw'")), qPrintable(shown));
    QVERIFY(!QFile::exists(sidecar()));

    QVERIFY(PhotoTestFiles::WriteFile(worldFile, "0.5\r\n0\r\n0\r\n-0.5\r\n155000,25\r\n462999.75\r\n"));
    open();
    QCOMPARE(m_form->StatusText->Text(),
             QStringLiteral("Georeferentie uit '%1' niet gebruikt: regel 5 is geen getal.")
                 .arg(QDir::toNativeSeparators(worldFile)));
    QMouseEvent again(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &again);
    QVERIFY(!position->isVisible());
}

// Two control points taken from photos by keyboard alone: the chooser
// lists only the photos with a GPS position, and each point is the photo's
// pixel centre on the map with its camera's position.
void TestCameraDirections::controlPointsFromPhotos()
{
    ExifTestFiles::Tags accurate = GpsAt(RdToEarth(Rd({300.5, 220.5})));
    accurate.append(qMakePair(QStringLiteral("Exif.GPSInfo.GPSHPositioningError"), QStringLiteral("7/2")));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/hek.jpg"),
                                      ExifTestFiles::Jpeg(GpsAt(RdToEarth(Rd({100.5, 80.5}))))));
    QVERIFY(PhotoTestFiles::WriteFile(m_set + QStringLiteral("/fotos/poort.jpg"), ExifTestFiles::Jpeg(accurate)));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.PositionList = {"00001=100,80,0", "00002=50,50,0", "00003=300,220,0"};
    doc.NameList = {"00001=fotos\\hek.jpg", "00002=fotos\\tijd.jpg", "00003=fotos\\poort.jpg"};
    doc.NotesList = {"00001=Hek", "00002=Tijd", "00003=Poort"};
    QCOMPARE(DataFile::Write(doc, m_project), DataFile::WriteResult::Ok);
    open();

    QStringList listed;
    QString shown;
    const auto choose = [&](int down) {
        m_driver->Handle([&, down](QDialog *d) {
            auto *chooser = qobject_cast<TFotoPaspuntForm *>(d);
            QCOMPARE(chooser->focusWidget(), chooser->FotoLijst);
            for (int i = 0; i < chooser->FotoLijst->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = chooser->FotoLijst->topLevelItem(i);
                listed << QStringList{item->text(0), item->text(1), item->text(3)}.join(QLatin1Char('|'));
            }
            for (int i = 0; i < down; ++i)
                QTest::keyClick(chooser->FotoLijst, Qt::Key_Down);
            QTest::keyClick(chooser->FotoLijst, Qt::Key_Return);
        });
    };
    m_driver->Handle([&](QDialog *d) {
        auto *form = qobject_cast<TKaartIjkenForm *>(d);
        const auto close = qScopeGuard([form] {
            if (form->isVisible())
                form->reject();
        });
        // The accelerators, as the user types them to the active dialog.
        const auto press = [form](Qt::Key key) {
            form->activateWindow();
            QTRY_VERIFY(form->isActiveWindow());
            QTest::keyClick(form->windowHandle(), key, Qt::AltModifier);
        };
        press(Qt::Key_C);
        QCOMPARE(form->IjkTabs->currentIndex(), 1);
        // A button's accelerator clicks it a moment later, as a click shows.
        choose(1);
        press(Qt::Key_U);
        QTRY_COMPARE(form->PuntenTabel->rowCount(), 1);
        choose(0);
        press(Qt::Key_U);
        QTRY_COMPARE(form->PuntenTabel->rowCount(), 2);
        shown = form->ResultaatLabel->text();
        QTest::mouseClick(form->Button1, Qt::LeftButton);
    });
    action("KaartIjken1")->trigger();
    QCOMPARE(m_driver->Pending(), 0);
    QCOMPARE(listed,
             (QStringList{QStringLiteral("00001  fotos\\hek.jpg|100, 80|niet vermeld"),
                          QStringLiteral("00003  fotos\\poort.jpg|300, 220|\u00b1 4 m")}
              + QStringList{QStringLiteral("00001  fotos\\hek.jpg|100, 80|niet vermeld"),
                            QStringLiteral("00003  fotos\\poort.jpg|300, 220|\u00b1 4 m")}));
    QVERIFY2(shown.startsWith(QStringLiteral("Met twee punten")), qPrintable(shown));
    QString problem;
    const MapCalibration saved = MapCalibration::Load(m_set + QStringLiteral("/kaart.bmp"), &problem);
    QVERIFY2(saved.IsGeoreferenced(), qPrintable(problem));
    QCOMPARE(saved.georeference.points[0].map, QPointF(300.5, 220.5));
    QCOMPARE(saved.georeference.points[1].map, QPointF(100.5, 80.5));
    // EXIF keeps seconds to a ten-thousandth: 3 mm, on 200 m between the points.
    QVERIFY(std::abs(*saved.metresPerPixel - 0.5 / 0.9999079) < 1e-4);
    const EarthProjection::LonLat poort = RdToEarth(Rd({300.5, 220.5}));
    QVERIFY(std::abs(saved.georeference.points[0].earth.latitude - poort.latitude) < 1e-7
            && std::abs(saved.georeference.points[0].earth.longitude - poort.longitude) < 1e-7);
}

QTEST_MAIN(TestCameraDirections)
#include "tst_cameradirections.moc"
