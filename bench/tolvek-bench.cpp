// Tolvek's benchmarks. Every figure is a ratio against a baseline measured in
// the same run, so the result does not depend on how fast the machine is.
// The program makes its own inputs in a temporary folder and removes them.
//
//   tolvek-bench [--ratios=FILE] [Google Benchmark options]
//       runs everything and prints the table of ratios; FILE receives them
//       as "name<TAB>ratio" lines.
//   tolvek-bench --summary FILE...
//       prints the median of each ratio over several runs' files.
//   tolvek-bench --peak-memory PROJECT EXPORT
//       (used by the run itself) opens PROJECT in a main window, draws it,
//       exports it to EXPORT and prints the peak resident memory.
//
// What is measured is the program's own work:
// - "DrawMap (view)": MapCommands::DrawMap ( the scene
//   from the project, its entries parsed and names looked up) followed by a
//   synchronous repaint of the map view, which paints the part visible in
//   the main window at its designed size. In figure 2 the project does not
//   change between redraws (the click index is then kept as it is); in
//   figure 3 one photo is moved by a pixel before each redraw, as the drag
//   does it (a MovePhotoEdit through the session, whose Changed signal has
//   the map drawn and the photo list made anew).
// - "DrawMap (full raster)": the same DrawMap, then the whole picture
//   rastered from its scene as "Kaart kopiëren" does.
// - The click: MapClick::Find, the hit test and look-ups MapClick::Handle
//   does, without opening the photo window.
// - Zoom: repaints of the map view of the 14000 x 9900 map, sized to show
//   1920 x 1080 pixels, at 1/16 and at 1:1 (pyramid made, labels off as
//   the program starts); the first paint after zooming from 1:1 to 1/4.
// - Hover: the tooltip event on 1000 different triangles (hit test, name
//   and notes looked up, the tip's texts set, the thumbnail requested from
//   the decoder threads), against one DrawMap of 10000 photos.
// - "Import": "Map met foto's importeren..." on a folder of 200 camera-size
//   photos, through the main window (its progress dialog included), until
//   the photo list shows the new rows with their thumbnails; against 200
//   thumbnail decodes one after another on one thread.
// - "Filter": a word typed in the photo list's filter on 100000 photos, the
//   list laid out and painted again.
// - "Import with camera directions": the same import onto a map with a north
//   arrow, whose photos carry EXIF directions and times (each file's EXIF
//   read with the check), against the import onto the map without one.
// - "Time order": the photo list of 100000 photos ordered by the times
//   taken (the times already known to the metadata cache), the list laid
//   out and painted, against one DrawMap (view) of 100000 photos.

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "core/map/GeoPhotoExport.h"
#include "core/map/GpsPlacement.h"
#include "core/map/MapCalibration.h"
#include "core/map/MapClick.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapZoom.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/PhotoFit.h"
#include "core/photos/PhotoMetadataCache.h"
#include "core/photos/PhotoPicture.h"
#include "core/photos/ThumbnailCache.h"
#include "core/project/DataFile.h"
#include "core/project/MovePhotoEdit.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "core/project/RecoveryKeeper.h"
#include "core/report/ReportContent.h"
#include "core/report/ReportLayout.h"
#include "core/report/ReportWriter.h"
#include "core/web/WebExport.h"
#include "gui/map/MapCommands.h"
#include "gui/map/MapHoverTip.h"
#include "gui/map/MapInteraction.h"
#include "gui/map/MapNavigator.h"
#include "gui/map/MapView.h"
#include "gui/map/PhotoListCommands.h"
#include "gui/photos/PhotoListDock.h"
#include "gui/photos/PhotoListModel.h"
#include "gui/photos/PhotoViewArea.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoKijkerForm.h"
#include "gui/widgets/UserInteraction.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QToolButton>
#include <QWindow>

#include <benchmark/benchmark.h>
#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <libheif/heif.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------- inputs

constexpr int SmallMapWidth = 4000;
constexpr int SmallMapHeight = 3000;
constexpr int BigMapWidth = 14000;
constexpr int BigMapHeight = 9900;
constexpr int PhotoWidth = 6000;
constexpr int PhotoHeight = 4000;
constexpr int BigMapPhotos = 10000;
constexpr int WebPhotos = 200;
constexpr int WebPhotoWidth = 4000;
constexpr int WebPhotoHeight = 3000;
constexpr int ImportPhotos = 200;
constexpr int ImportPhotoWidth = 4000;
constexpr int ImportPhotoHeight = 3000;
// Distinct photo files the 100000-photo list project names, in turn.
constexpr int ListPhotoFiles = 50;

// A 24-bit bitmap file, written a row at a time: a light floor-plan-like
// pattern of walls on a pale background.
void WriteBmp(const QString &path, int width, int height)
{
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    const qint64 imageBytes = stride * height;
    QByteArray header(54, '\0');
    auto put32 = [&header](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, quint32(54 + imageBytes));
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    header[26] = 1;
    header[28] = 24;
    put32(34, quint32(imageBytes));
    put32(38, 3780);
    put32(42, 3780);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size())
        qFatal("cannot write %s", qPrintable(path));
    std::vector<unsigned char> row(size_t(stride), 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const bool wall = (x % 250) < 4 || (y % 190) < 4;
            const unsigned char shade = wall ? 40 : static_cast<unsigned char>(225 + ((x / 97 + y / 83) % 3) * 10);
            row[size_t(x) * 3] = shade;
            row[size_t(x) * 3 + 1] = wall ? 40 : static_cast<unsigned char>(shade - 5);
            row[size_t(x) * 3 + 2] = wall ? 40 : static_cast<unsigned char>(shade - 15);
        }
        if (file.write(reinterpret_cast<const char *>(row.data()), stride) != stride)
            qFatal("cannot write %s", qPrintable(path));
    }
}

// A camera-like JPEG: smooth gradients with detail, quality 90.
void WriteJpeg(const QString &path, int width, int height)
{
    FILE *out = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!out)
        qFatal("cannot write %s", qPrintable(path));
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(size_t(width) * 3);
    unsigned seed = 12345;
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = int(cinfo.next_scanline);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = int((seed >> 16) & 15);
            row[size_t(x) * 3] = static_cast<unsigned char>((x * 255 / width + noise) & 0xFF);
            row[size_t(x) * 3 + 1] =
                static_cast<unsigned char>((y * 255 / height + ((x / 40 + y / 40) % 2) * 40) & 0xFF);
            row[size_t(x) * 3 + 2] = static_cast<unsigned char>((128 + noise * 3 + (x ^ y) % 32) & 0xFF);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&cinfo, &r, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
}

// A project of count photos spread over a map; the last photo stands alone
// in the bottom-right corner, so a click on it walks every list to its end.
// nameOf (when given) names photo i's file.
void WriteProject(const QString &path, const QString &mapName, QSize map, int count,
                  const std::function<QByteArray(int)> &nameOf = {})
{
    ProjectDocument doc;
    doc.Reset();
    doc.MapFileName = mapName.toLatin1();
    doc.Organisation = "Bouwbedrijf De Vries";
    doc.Description1 = "Opname bestaande toestand";
    doc.PositionList.reserve(count);
    doc.NameList.reserve(count);
    doc.NotesList.reserve(count);
    quint32 seed = 2024;
    auto next = [&seed](int range) {
        seed = seed * 1664525u + 1013904223u;
        return int((seed >> 8) % quint32(range));
    };
    for (int i = 1; i <= count; ++i) {
        const QByteArray key = PhotoEntry::StoredKeyText(i);
        int x = 20 + next(map.width() - 80);
        int y = 20 + next(map.height() - 80);
        if (i == count) {
            x = map.width() - 30;
            y = map.height() - 30;
        }
        doc.PositionList << PhotoEntry::MakePosition(key, x, y, next(360));
        doc.NameList << PhotoEntry::Make(key, nameOf ? nameOf(i) : "foto_" + key + ".jpg");
        doc.NotesList << PhotoEntry::Make(key,
                                          PhotoEntry::EncodeNotes("Aantekening bij foto " + QByteArray::number(i)
                                                                  + ".\r\nGevel noordzijde, scheur boven het raam."));
    }
    QString reason;
    if (DataFile::Write(doc, path, &reason) != DataFile::WriteResult::Ok)
        qFatal("cannot write %s: %s", qPrintable(path), qPrintable(reason));
}

// Writes into a photo what a phone records: a true bearing of 100 degrees
// and the time taken.
void AddCameraExif(const QString &path, const QString &time)
{
    try {
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(std::string(QFile::encodeName(path).constData()));
        image->readMetadata();
        Exiv2::ExifData exif = image->exifData();
        exif["Exif.Photo.DateTimeOriginal"] = time.toStdString();
        exif["Exif.GPSInfo.GPSImgDirection"] = std::string("100/1");
        exif["Exif.GPSInfo.GPSImgDirectionRef"] = std::string("T");
        image->setExifData(exif);
        image->writeMetadata();
    } catch (const std::exception &e) {
        qFatal("cannot write EXIF into %s: %s", qPrintable(path), e.what());
    }
}

struct Inputs
{
    QTemporaryDir dir;
    QString smallMap, bigMap, photo;
    std::map<int, QString> projects; // photos -> project on the small map
    QString bigProject;
    QString copyTarget;    // where the data-file benchmarks write
    QString webProject;    // 200 photos of 4000 x 3000 on the small map
    QString webMapProject; // the big map, no photos
    QStringList webPhotos;
    QString hoverProject; // 10000 photos on the small map, of small real JPEG files
    QString importProject, importFolder;
    QString importNorthProject; // the same on a copy of the map that has north
    QStringList importFiles;
    QString listProject;         // 100000 photos whose files exist
    QString heicPhoto, heicJpeg; // one 4032 x 3024 picture as HEIC and as JPEG
    QString viewerProject;       // 50 photos of 4000 x 3000 (links to the import's)

    QString Path(const QString &name) const { return dir.filePath(name); }
};

Inputs *g_inputs = nullptr;

// ---------------------------------------------------------------- windows

// Shows a window and waits until the platform has exposed it: before that,
// a repaint paints nothing.
void ShowExposed(QWidget &window)
{
    window.show();
    QElapsedTimer timer;
    timer.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && timer.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!window.windowHandle() || !window.windowHandle()->isExposed())
        qFatal("the window was not exposed");
    QCoreApplication::processEvents();
}

// Counts the paint events of the map view, so that a run in which the view
// did not paint (and the figures would mean nothing) is reported.
class PaintCounter : public QObject
{
public:
    long long paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// The main window with a project open, its map drawn once.
struct MainWindow
{
    THoofdForm form;
    PaintCounter counter;
    QString openProject;
    bool labels = false;
    QSize designed; // the window at its designed size

    MainWindow()
    {
        ShowExposed(form);
        designed = form.size();
        form.OverzichtsImage->installEventFilter(&counter);
    }

    // The project open, at the designed size and 1:1 unless the figure
    // wants otherwise.
    void Open(const QString &project, bool withLabels, QSize viewport = QSize(), double zoom = 1)
    {
        if (project != openProject) {
            form.Files().ResetProject();
            form.Files().ReadDataFile(project);
            openProject = project;
        }
        form.Session().EnterProjectFolder();
        if (form.Fotonummerstonen1->isChecked() != withLabels)
            form.Fotonummerstonen1->trigger(); // toggles and redraws
        labels = withLabels;
        Zoom(zoom);
        if (viewport.isValid()) {
            // Scroll bars come and go with the size: a few rounds settle it.
            for (int i = 0; i < 4 && Viewport() != viewport; ++i) {
                form.resize(form.size() + viewport - Viewport());
                QCoreApplication::processEvents();
            }
            if (Viewport() != viewport)
                qFatal("the map view cannot be made %dx%d", viewport.width(), viewport.height());
        } else if (form.size() != designed) {
            form.resize(designed);
            QCoreApplication::processEvents();
        }
        Redraw(); // later calls are "second and later" ones
    }

    void Zoom(double factor)
    {
        form.Navigator().ZoomAbout(factor, QPointF(0, 0));
        form.OverzichtsScrollBox->horizontalScrollBar()->setValue(0);
        form.OverzichtsScrollBox->verticalScrollBar()->setValue(0);
    }

    void Redraw()
    {
        form.Map().DrawMap();
        form.OverzichtsImage->repaint();
    }

    // One photo moved by a pixel, as the map's drag moves it; the session's
    // Changed signal has the map drawn again.
    void MoveOnePhoto(int n) { form.Session().Perform(std::make_unique<MovePhotoEdit>(0, 500 + (n % 2), 400, 45)); }

    // No recovery copy written meanwhile by a later figure's events.
    void EndEdits() { form.Session().MarkClean(); }

    QSize Viewport() const { return form.OverzichtsScrollBox->viewport()->size(); }
};

MainWindow *g_smallWindow = nullptr; // projects on the 4000 x 3000 map
MainWindow *g_bigWindow = nullptr;   // the 14000 x 9900 map
MainWindow *g_importWindow = nullptr;

// Waits until every row the photo list shows has its thumbnail (or a mark).
bool WaitForListThumbnails(THoofdForm &form, int milliseconds)
{
    QListView *view = form.FotosDock->View();
    PhotoListModel &model = form.FotosDock->Model();
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        // Laid out first: before that no row is at any place, every row
        // counts as shown, and all 200 thumbnails are waited for (and asked
        // for) instead of those in sight, depending on whether the import
        // happened to run the event loop (a closing message does).
        view->doItemsLayout();
        view->viewport()->repaint();
        bool ready = true;
        const QRect shown = view->viewport()->rect();
        const QModelIndex first = view->indexAt(shown.topLeft());
        const QModelIndex last = view->indexAt(QPoint(0, shown.bottom()));
        const int end = last.isValid() ? last.row() : model.rowCount() - 1;
        for (int row = first.isValid() ? first.row() : 0; row <= end && ready; ++row)
            ready = model.data(model.index(row), PhotoListModel::FileStateRole).toInt()
                != int(PhotoListModel::FileState::Loading);
        if (ready)
            return true;
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
}

// ---------------------------------------------------------------- benchmarks

void BM_DataFileReadWrite(benchmark::State &state)
{
    const QString source = g_inputs->projects.at(100000);
    for (auto _ : state) {
        auto doc = std::make_unique<ProjectDocument>();
        doc->Reset();
        if (DataFile::Read(*doc, source) != DataFile::ReadResult::Ok
            || DataFile::Write(*doc, g_inputs->copyTarget) != DataFile::WriteResult::Ok)
            state.SkipWithError("data file failed");
        benchmark::DoNotOptimize(doc->PositionList.size());
        // Letting go of the project belongs to closing it, not to reading or writing.
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

// The 100000-photo project on a map tied to the Earth (a tenth of a metre
// a pixel, north 20 degrees right of up), with each photo's camera
// position where the photo stands, as an import would have read them.
struct GeoInputs
{
    ProjectDocument doc;
    MapCalibration calibration;
    QSize mapSize;
    QList<CameraRecord> records;

    GeoInputs()
    {
        doc.Reset();
        if (DataFile::Read(doc, g_inputs->projects.at(100000)) != DataFile::ReadResult::Ok)
            qFatal("cannot read the 100000-photo project");
        MapGeoreference georef;
        const auto projection = EarthProjection::LocalTransverseMercator(52.09074, 5.12142);
        const double a = 20 * std::numbers::pi / 180;
        for (const QPointF p : {QPointF(0, 0), QPointF(4000, 0), QPointF(0, 3000)}) {
            const QPointF local(0.1 * (p.x() * std::cos(a) + p.y() * std::sin(a)),
                                0.1 * (p.x() * std::sin(a) - p.y() * std::cos(a)));
            georef.points << MapGeoreference::ControlPoint{p, *projection->ToEarth(local), true};
        }
        if (!georef.Fit(nullptr))
            qFatal("no fit");
        calibration.SetGeoreference(georef);
        int right = 1, bottom = 1;
        for (const QByteArray &entry : std::as_const(doc.PositionList)) {
            const PhotoEntry::Position p = PhotoEntry::ParsePosition(entry);
            right = std::max(right, p.x + 1);
            bottom = std::max(bottom, p.y + 1);
            CameraRecord record;
            const auto earth = georef.ToEarth(GpsPlacement::PhotoPoint(QPoint(p.x, p.y)));
            record.latitude = earth->latitude;
            record.longitude = earth->longitude;
            records << record;
        }
        mapSize = QSize(right, bottom);
    }
};

GeoInputs &Geo()
{
    static GeoInputs inputs;
    return inputs;
}

// Every photo put at its GPS position: the pixels of all, as the import
// and the command work them out. With entries, also the position entries
// written anew, as the command's edit holds them (an allocation each, as
// for any edit that moves every photo).
void BM_GpsPlacement(benchmark::State &state, bool entries)
{
    GeoInputs &geo = Geo();
    for (auto _ : state) {
        const GpsPlacement::Result result = GpsPlacement::Place(geo.calibration.georeference, geo.mapSize, geo.records);
        if (result.placed != geo.records.size())
            state.SkipWithError("not every photo was placed");
        if (!entries)
            continue;
        QList<QByteArray> positions;
        positions.reserve(geo.doc.PositionList.size());
        for (qsizetype i = 0; i < geo.doc.PositionList.size(); ++i) {
            const std::optional<QPoint> &at = result.places[i];
            positions.append(at ? PhotoEntry::MovedPosition(geo.doc.PositionList[i], at->x(), at->y())
                                : geo.doc.PositionList[i]);
        }
        benchmark::DoNotOptimize(positions.size());
    }
}

// The photos as GeoJSON, what their cameras recorded already known (here:
// nothing, so no file is read), written safely as the data file is.
void BM_GeoJsonExport(benchmark::State &state)
{
    GeoInputs &geo = Geo();
    const QString out = g_inputs->copyTarget + QStringLiteral(".geojson");
    for (auto _ : state)
        GeoPhotoExport::Write(
            geo.doc, geo.calibration, GeoPhotoExport::Format::GeoJson,
            [](const QString &, const QString &) -> std::optional<CameraRecord> { return CameraRecord(); }, out);
}

// The baseline: the same project's data file written.
void BM_DataFileWrite(benchmark::State &state)
{
    GeoInputs &geo = Geo();
    for (auto _ : state)
        if (DataFile::Write(geo.doc, g_inputs->copyTarget) != DataFile::WriteResult::Ok)
            state.SkipWithError("data file failed");
}

// The same bytes read and written with stdio; with sync, the written file
// is also forced to disk, as the program's safe saving does.
void BM_PlainFileReadWrite(benchmark::State &state, bool sync)
{
    const QByteArray source = QFile::encodeName(g_inputs->projects.at(100000));
    const QByteArray target = QFile::encodeName(g_inputs->copyTarget);
    for (auto _ : state) {
        FILE *in = std::fopen(source.constData(), "rb");
        std::fseek(in, 0, SEEK_END);
        const long size = std::ftell(in);
        std::fseek(in, 0, SEEK_SET);
        std::unique_ptr<char[]> bytes(new char[size_t(size)]);
        const size_t got = std::fread(bytes.get(), 1, size_t(size), in);
        std::fclose(in);
        FILE *out = std::fopen(target.constData(), "wb");
        const size_t put = std::fwrite(bytes.get(), 1, got, out);
        if (sync) {
            std::fflush(out);
            ::fsync(::fileno(out));
        }
        std::fclose(out);
        if (got != size_t(size) || put != got)
            state.SkipWithError("plain file I/O failed");
    }
}

// What a recovery copy costs the window: the snapshot it is written from
// (the lists shared, not copied), and the next edit, which gives the
// project its own lists again (an added photo: all three). Letting go of
// the snapshot happens on the writing thread and is not counted.
void BM_RecoverySnapshot(benchmark::State &state)
{
    ProjectDocument doc;
    if (DataFile::Read(doc, g_inputs->projects.at(100000)) != DataFile::ReadResult::Ok)
        state.SkipWithError("data file failed");
    for (auto _ : state) {
        auto snapshot = std::make_unique<ProjectDocument>(doc);
        const QByteArray key = PhotoEntry::KeyTextFor(PhotoEntry::MaxKey);
        doc.PositionList.append(PhotoEntry::MakePosition(key, 1, 2, 30));
        doc.NameList.append(PhotoEntry::Make(key, "foto.jpg"));
        doc.NotesList.append(PhotoEntry::Make(key, ProjectDocument::NewPhotoNotes()));
        state.PauseTiming();
        snapshot.reset();
        doc.PositionList.removeLast();
        doc.NameList.removeLast();
        doc.NotesList.removeLast();
        state.ResumeTiming();
    }
}

// The copy itself, written on its own thread: the whole data file, safely.
void BM_RecoveryWrite(benchmark::State &state)
{
    ProjectDocument doc;
    if (DataFile::Read(doc, g_inputs->projects.at(100000)) != DataFile::ReadResult::Ok)
        state.SkipWithError("data file failed");
    for (auto _ : state) {
        if (DataFile::Write(doc, g_inputs->copyTarget) != DataFile::WriteResult::Ok)
            state.SkipWithError("data file failed");
    }
}

void BM_DrawMapView(benchmark::State &state, int photos, bool labels)
{
    g_smallWindow->Open(g_inputs->projects.at(photos), labels);
    const long long before = g_smallWindow->counter.paints;
    for (auto _ : state)
        g_smallWindow->Redraw();
    if (g_smallWindow->counter.paints - before < state.iterations())
        state.SkipWithError("the map view did not paint every redraw");
}

// What "Kaart kopiëren" rasters: the whole picture from the drawing's scene.
void RasterWholePicture(const MapView &view)
{
    MapMetafile metafile;
    metafile.SetScene(view.Scene());
    const QImage image = metafile.RenderImage();
    benchmark::DoNotOptimize(image.constBits());
}

void BM_DrawMapFullRaster(benchmark::State &state, int photos, bool labels)
{
    g_smallWindow->Open(g_inputs->projects.at(photos), labels);
    for (auto _ : state) {
        g_smallWindow->form.Map().DrawMap();
        RasterWholePicture(*g_smallWindow->form.OverzichtsImage);
    }
}

void BM_BigRedrawView(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, true);
    const long long before = g_bigWindow->counter.paints;
    int n = 0;
    for (auto _ : state) {
        g_bigWindow->MoveOnePhoto(n++);
        g_bigWindow->form.OverzichtsImage->repaint();
    }
    g_bigWindow->EndEdits();
    if (g_bigWindow->counter.paints - before < state.iterations())
        state.SkipWithError("the map view did not paint every redraw");
}

void BM_BigRedrawFullRaster(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, true);
    int n = 0;
    for (auto _ : state) {
        g_bigWindow->MoveOnePhoto(n++);
        RasterWholePicture(*g_bigWindow->form.OverzichtsImage);
    }
    g_bigWindow->EndEdits();
}

void BM_BigMapMemcpy(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, true);
    const QImage map = g_bigWindow->form.OverzichtsImage->Scene().map;
    const size_t bytes = size_t(map.sizeInBytes());
    std::unique_ptr<uchar[]> target(new uchar[bytes]);
    std::memset(target.get(), 0, bytes); // no page faults inside the loop
    for (auto _ : state) {
        std::memcpy(target.get(), map.constBits(), bytes);
        benchmark::DoNotOptimize(target.get());
        benchmark::ClobberMemory();
    }
}

// The photo window's measurements at its designed size, taken from a real one.
PhotoFit::Input g_designedPhotoWindow;

void BM_PhotoOpenFitted(benchmark::State &state)
{
    for (auto _ : state) {
        const PhotoPicture picture = PhotoPicture::Load(g_inputs->photo);
        PhotoFit::Input in = g_designedPhotoWindow;
        in.picture = picture.Size();
        const PhotoFit::Result fit = PhotoFit::Compute(in);
        const QImage shown = fit.scaled ? picture.Scaled(fit.control) : picture.FullSize();
        benchmark::DoNotOptimize(shown.constBits());
    }
}

// The baseline: the file read and decoded at full size, straight through
// libjpeg-turbo into 32-bit pixels.
void BM_JpegFullDecode(benchmark::State &state)
{
    for (auto _ : state) {
        QFile file(g_inputs->photo);
        if (!file.open(QIODevice::ReadOnly)) {
            state.SkipWithError("cannot open photo");
            break;
        }
        const QByteArray data = file.readAll();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(data.constData()), (unsigned long)data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGRX;
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * 4;
        std::unique_ptr<unsigned char[]> pixels(new unsigned char[stride * cinfo.output_height]);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.get() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.get());
    }
}

// A photo opened in the photo window at its designed size (read, decoded
// fitted to the picture area).
void BM_PhotoOpen(benchmark::State &state, const QString &path)
{
    for (auto _ : state) {
        const PhotoPicture picture = PhotoPicture::Load(path);
        PhotoFit::Input in = g_designedPhotoWindow;
        in.picture = picture.Size();
        const PhotoFit::Result fit = PhotoFit::Compute(in);
        const QImage shown = fit.scaled ? picture.Scaled(fit.control) : picture.FullSize();
        benchmark::DoNotOptimize(shown.constBits());
    }
}

// The HEIC made from the camera JPEG's pixels by libheif's HEVC encoder.
void WriteHeic(const QString &path, const QString &fromJpeg)
{
    const QImage image = QImage(fromJpeg).convertToFormat(QImage::Format_RGB888);
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code != heif_error_Ok)
        qFatal("libheif has no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, 85);
    heif_image *picture = nullptr;
    heif_image_create(image.width(), image.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, image.width(), image.height(), 8);
    int stride = 0;
    uint8_t *plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(plane + qint64(y) * stride, image.constScanLine(y), size_t(image.width()) * 3);
    heif_image_handle *handle = nullptr;
    if (heif_context_encode_image(context, picture, encoder, nullptr, &handle).code != heif_error_Ok)
        qFatal("cannot encode %s", qPrintable(path));
    if (heif_context_write_to_file(context, QFile::encodeName(path).constData()).code != heif_error_Ok)
        qFatal("cannot write %s", qPrintable(path));
    heif_image_handle_release(handle);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
}

// The photo viewer at 1280 x 800 on a project of 50 camera photos: Page
// Down to the next photo and the viewer painted, as the user waits for it.
// Between steps the viewer has the time a user looks at a photo: its
// decoding ahead of the next one is done (not timed).
struct ViewerRun
{
    std::unique_ptr<MainWindow> window;
    TFotoKijkerForm *viewer = nullptr;
};
ViewerRun *g_viewer = nullptr;

void OpenViewer()
{
    if (!g_viewer) {
        g_viewer = new ViewerRun;
        g_viewer->window = std::make_unique<MainWindow>();
        g_viewer->window->Open(g_inputs->viewerProject, false);
    }
    THoofdForm &form = g_viewer->window->form;
    g_viewer->viewer = TFotoKijkerForm::Open(form.Host(), 0);
    g_viewer->viewer->showNormal();
    g_viewer->viewer->resize(1280, 800);
    ShowExposed(*g_viewer->viewer);
}

void BM_ViewerStep(benchmark::State &state)
{
    OpenViewer();
    TFotoKijkerForm *viewer = g_viewer->viewer;
    for (auto _ : state) {
        state.PauseTiming();
        if (viewer->Position() >= 49)
            viewer = g_viewer->viewer = TFotoKijkerForm::Open(g_viewer->window->form.Host(), 0);
        // The user looks at the photo meanwhile.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(viewer, &key);
        viewer->repaint();
    }
    if (viewer->Position() < 1)
        state.SkipWithError("the viewer did not step");
}

// The baseline: the same photo read and decoded fitted to the viewer's
// photo area.
void BM_ViewerFittedDecode(benchmark::State &state)
{
    OpenViewer();
    const QSize area = g_viewer->viewer->FotoVlak->size();
    for (auto _ : state) {
        const PhotoPicture picture = PhotoPicture::Load(g_inputs->importFiles.at(1));
        const QImage fitted = picture.Scaled(PhotoViewArea::FittedSize(picture.Size(), area));
        benchmark::DoNotOptimize(fitted.constBits());
    }
}

// ---------------------------------------------------------------- web page export

// The folder's bytes against the photos' (figure 9), from the first export.
double g_webSizeRatio = -1;

qint64 FolderBytes(const QString &folder)
{
    qint64 n = 0;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        n += it.fileInfo().size();
    }
    return n;
}

// The project as the main window holds it, drawn: the menu command exports
// from the map already decoded for the view.
struct DrawnProject
{
    ProjectDocument doc;
    MapImageCache cache;
    MapScene scene;
    explicit DrawnProject(const QString &path)
    {
        doc.Reset();
        if (DataFile::Read(doc, path) != DataFile::ReadResult::Ok)
            qFatal("cannot read %s", qPrintable(path));
        doc.CurrentFileName = path;
        scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    }
};

// Every run writes a folder of its own, all removed when the program ends:
// a run right after thousands of files were deleted would pay for the file
// system's bookkeeping of them (ext4 without a journal checks every
// recently freed inode before it gives one out again).
int g_webExports = 0;

void ExportOnce(benchmark::State &state, const DrawnProject &p, bool measureSize)
{
    const QString out = g_inputs->Path(QStringLiteral("web%1").arg(g_webExports++));
    WebExport::Progress progress;
    const WebExport::Result r = WebExport::Run(p.doc, p.scene, WebExportFolder::ForFolder(out), progress);
    state.PauseTiming();
    if (!r.missing.isEmpty())
        state.SkipWithError("photos missing in the web export");
    if (measureSize && g_webSizeRatio < 0) {
        qint64 photos = 0;
        for (const QString &f : g_inputs->webPhotos)
            photos += QFileInfo(f).size();
        g_webSizeRatio = double(FolderBytes(out)) / double(photos);
    }
    state.ResumeTiming();
}

void BM_WebExportPhotos(benchmark::State &state)
{
    static DrawnProject project(g_inputs->webProject);
    for (auto _ : state)
        ExportOnce(state, project, true);
}

// The baseline: every photo read and decoded fitted to 2048 pixels, one
// after another, as the photo window's decoder does it.
void BM_FittedDecodes(benchmark::State &state)
{
    const QSize target = QSize(WebPhotoWidth, WebPhotoHeight).scaled(2048, 2048, Qt::KeepAspectRatio);
    for (auto _ : state) {
        for (const QString &name : g_inputs->webPhotos) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly)) {
                state.SkipWithError("cannot open photo");
                return;
            }
            const QImage image = JpegDecoder::Decode(file.readAll(), target);
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}

void BM_WebExportMap(benchmark::State &state)
{
    static DrawnProject project(g_inputs->webMapProject);
    for (auto _ : state)
        ExportOnce(state, project, false);
}

// The photo report of the 200 camera photos, 4 on a page, as the dialog
// writes it; the first run's file is measured against the photos' files.
double g_reportSizeRatio = -1;
int g_reports = 0;

ReportOptions BenchReportOptions()
{
    ReportOptions options;
    options.perPage = 4;
    options.title = QStringLiteral("Rapport");
    return options;
}

void BM_Report200(benchmark::State &state)
{
    static DrawnProject project(g_inputs->webProject);
    const ReportOptions options = BenchReportOptions();
    const ReportLayout layout(options, ReportContent::Build(project.doc, {}, options.order), project.scene.size);
    for (auto _ : state) {
        const QString out = g_inputs->Path(QStringLiteral("rapport%1.pdf").arg(g_reports++));
        ReportWriter::Progress progress;
        const ReportWriter::Result r = ReportWriter::Write(layout, project.scene, out, progress);
        state.PauseTiming();
        if (!r.missing.isEmpty())
            state.SkipWithError("photos missing in the report");
        if (g_reportSizeRatio < 0) {
            qint64 photos = 0;
            for (const QString &f : g_inputs->webPhotos)
                photos += QFileInfo(f).size();
            g_reportSizeRatio = double(QFileInfo(out).size()) / double(photos);
        }
        QFile::remove(out);
        state.ResumeTiming();
    }
}

// The baseline: the same photos read and fitted to the report's boxes one
// after another on one thread.
void BM_ReportDecodes200(benchmark::State &state)
{
    static DrawnProject project(g_inputs->webProject);
    const ReportOptions options = BenchReportOptions();
    const ReportLayout layout(options, ReportContent::Build(project.doc, {}, options.order), project.scene.size);
    const QRectF box = layout.Pages().at(1).cells.at(0).photoBox;
    for (auto _ : state) {
        for (const QString &name : g_inputs->webPhotos) {
            const QImage image = ReportWriter::LoadPhoto(name, box, options.PhotoPpi(), nullptr);
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}

// The baseline: the 14000 x 9900 bitmap read and decoded once.
void BM_MapDecode(benchmark::State &state)
{
    for (auto _ : state) {
        MapImageCache cache;
        const QImage map = cache.Load(g_inputs->bigMap);
        benchmark::DoNotOptimize(map.constBits());
    }
}

void BM_Click(benchmark::State &state)
{
    const ProjectDocument &doc = g_smallWindow->form.Document();
    g_smallWindow->Open(g_inputs->projects.at(100000), false);
    const int x = SmallMapWidth - 30;
    const int y = SmallMapHeight - 30;
    for (auto _ : state) {
        const MapClick::Target target = MapClick::Find(doc, x, y, false, &g_smallWindow->form.Map().ClickIndex());
        if (!target.found || target.number != 100000)
            state.SkipWithError("the click did not find the last photo");
        benchmark::DoNotOptimize(target.notes.constData());
    }
}

// The view of the big map, 1920 x 1080 pixels, at zoom: the pyramid made,
// the view painted once; then repainted as it is.
void BM_ZoomRepaint(benchmark::State &state, double zoom)
{
    g_bigWindow->Open(g_inputs->bigProject, false, QSize(1920, 1080), zoom);
    MapView *view = g_bigWindow->form.OverzichtsImage;
    if (!view->WaitForPyramid(120000))
        state.SkipWithError("the pyramid was not made");
    view->repaint();
    const long long before = g_bigWindow->counter.paints;
    for (auto _ : state)
        view->repaint();
    if (g_bigWindow->counter.paints - before < state.iterations())
        state.SkipWithError("the map view did not paint every repaint");
}

// Processor time of this thread and of the whole process, in milliseconds:
// where a measured time is not this thread's work, the difference shows
// whether other threads ran meanwhile or the thread waited (for the X
// server, say).
double CpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct CpuShare
{
    double thread = 0, process = 0, startThread = 0, startProcess = 0;
    void Start()
    {
        startThread = CpuMs(CLOCK_THREAD_CPUTIME_ID);
        startProcess = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    }
    void Stop()
    {
        thread += CpuMs(CLOCK_THREAD_CPUTIME_ID) - startThread;
        process += CpuMs(CLOCK_PROCESS_CPUTIME_ID) - startProcess;
    }
    void Report(benchmark::State &state) const
    {
        state.counters["gui_cpu_ms"] = benchmark::Counter(thread, benchmark::Counter::kAvgIterations);
        state.counters["other_threads_cpu_ms"] =
            benchmark::Counter(process - thread, benchmark::Counter::kAvgIterations);
    }
};

// The event loop run until the map view has painted, as after a command:
// what the user waits for ends with the picture on the screen.
bool RunUntilPainted(MainWindow &window)
{
    const long long before = window.counter.paints;
    for (int round = 0; round < 100 && window.counter.paints == before; ++round)
        QCoreApplication::processEvents();
    return window.counter.paints != before;
}

// From 1:1 to 1/4 as the menu does it, and the event loop until the view
// has painted at 1/4.
void BM_ZoomFirstPaint(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, false, QSize(1920, 1080), 1);
    MapView *view = g_bigWindow->form.OverzichtsImage;
    if (!view->WaitForPyramid(120000))
        state.SkipWithError("the pyramid was not made");
    bool painted = true;
    CpuShare cpu;
    for (auto _ : state) {
        // Back at 1:1, and the event loop's round that follows every zoom.
        state.PauseTiming();
        g_bigWindow->Zoom(1);
        view->repaint();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        cpu.Start();
        g_bigWindow->Zoom(0.25);
        painted = RunUntilPainted(*g_bigWindow) && painted;
        cpu.Stop();
    }
    cpu.Report(state);
    if (view->Zoom().Factor() != 0.25 || !painted)
        state.SkipWithError("the view did not zoom and paint");
}

// The figure as it was measured before: the zoom and a synchronous repaint
// (kept to show what the two ways measure).
void BM_ZoomFirstRepaint(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, false, QSize(1920, 1080), 1);
    MapView *view = g_bigWindow->form.OverzichtsImage;
    if (!view->WaitForPyramid(120000))
        state.SkipWithError("the pyramid was not made");
    CpuShare cpu;
    for (auto _ : state) {
        state.PauseTiming();
        g_bigWindow->Zoom(1);
        view->repaint();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        cpu.Start();
        g_bigWindow->Zoom(0.25);
        view->repaint();
        cpu.Stop();
    }
    cpu.Report(state);
}

// The baseline of the first paint: the view at 1:1 asked to paint again
// (update) and the event loop until it has.
void BM_ZoomUpdateActual(benchmark::State &state)
{
    g_bigWindow->Open(g_inputs->bigProject, false, QSize(1920, 1080), 1);
    MapView *view = g_bigWindow->form.OverzichtsImage;
    bool painted = true;
    CpuShare cpu;
    for (auto _ : state) {
        cpu.Start();
        view->update();
        painted = RunUntilPainted(*g_bigWindow) && painted;
        cpu.Stop();
    }
    cpu.Report(state);
    if (!painted)
        state.SkipWithError("the view did not paint");
}

// The hover as the user waits for it, on 1000 triangles, a different 1000
// each time round: from the tooltip event until the tip is laid out and
// painted (hit test, name and notes looked up, the thumbnail asked for, the
// tip's texts set). A user rests on one triangle at a time: before each
// hover the thumbnail thread has finished the last request and its answer
// has been shown (not timed), so that the hover is not measured against a
// decoder thread working through a queue no user can fill. The thumbnail
// cache is kept small, so that every one is requested anew.
void BM_Hover(benchmark::State &state)
{
    g_smallWindow->Open(g_inputs->hoverProject, false);
    THoofdForm &form = g_smallWindow->form;
    // The list would ask again for its rows' thumbnails as fast as the tiny
    // limit drops them, and the decoder would never be idle: the figure is
    // the hover's.
    form.FotosDock->hide();
    ThumbnailCache &thumbnails = form.Interaction().Thumbnails();
    thumbnails.SetMemoryLimit(256 * 1024);
    MapHoverTip &tip = form.Interaction().HoverTip();
    const ProjectDocument &doc = form.Document();
    std::vector<QPoint> spots;
    for (const QByteArray &entry : doc.PositionList) {
        const PhotoEntry::Position p = PhotoEntry::ParsePosition(entry);
        spots.push_back(form.OverzichtsImage->ToView(QPoint(p.x, p.y)));
    }
    size_t next = 0;
    int shown = 0;
    QElapsedTimer timer;
    CpuShare cpu;
    for (auto _ : state) {
        qint64 nanoseconds = 0;
        for (int i = 0; i < 1000; ++i) {
            thumbnails.WaitForIdle(10000);
            QCoreApplication::processEvents();
            const QPoint at = spots[next++ % spots.size()];
            timer.start();
            cpu.Start();
            QHelpEvent event(QEvent::ToolTip, at, form.OverzichtsImage->mapToGlobal(at));
            QCoreApplication::sendEvent(form.OverzichtsImage, &event);
            // The tip's new texts are laid on in the event loop's next round.
            QCoreApplication::sendPostedEvents(&tip);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            if (tip.isVisible())
                tip.repaint();
            nanoseconds += timer.nsecsElapsed();
            cpu.Stop();
            shown += tip.IsShown() ? 1 : 0;
        }
        state.SetIterationTime(double(nanoseconds) / 1e9);
    }
    cpu.Report(state);
    if (shown < state.iterations() * 1000)
        state.SkipWithError("a hover showed no tip");
    form.Interaction().HideHover();
    thumbnails.WaitForIdle(60000);
    form.FotosDock->show();
}

// The figure: a sweep of the pointer over 1000 triangles, its tooltip events
// one after another as fast as they come, then the event loop's next round
// until the tip is painted for the photo where the sweep ends: what the user
// waits for. (One hover at a time until painted is the figure above.)
void BM_HoverBurst(benchmark::State &state)
{
    g_smallWindow->Open(g_inputs->hoverProject, false);
    THoofdForm &form = g_smallWindow->form;
    form.FotosDock->hide(); // as in the figure above
    ThumbnailCache &thumbnails = form.Interaction().Thumbnails();
    MapHoverTip &tip = form.Interaction().HoverTip();
    thumbnails.SetMemoryLimit(256 * 1024);
    const ProjectDocument &doc = form.Document();
    std::vector<QPoint> spots;
    for (const QByteArray &entry : doc.PositionList) {
        const PhotoEntry::Position p = PhotoEntry::ParsePosition(entry);
        spots.push_back(form.OverzichtsImage->ToView(QPoint(p.x, p.y)));
    }
    size_t next = 5000; // other photos than the figure's
    CpuShare cpu;
    for (auto _ : state) {
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        cpu.Start();
        for (int i = 0; i < 1000; ++i) {
            const QPoint at = spots[next++ % spots.size()];
            QHelpEvent event(QEvent::ToolTip, at, form.OverzichtsImage->mapToGlobal(at));
            QCoreApplication::sendEvent(form.OverzichtsImage, &event);
        }
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (tip.isVisible())
            tip.repaint();
        cpu.Stop();
        // Untimed: the tip shows what a hover on that last triangle alone shows.
        state.PauseTiming();
        const QString swept = tip.isVisible() ? tip.Text() : QString();
        form.Interaction().HideHover();
        const QPoint last = spots[(next - 1) % spots.size()];
        form.Interaction().ShowHover(last, form.OverzichtsImage->mapToGlobal(last));
        if (swept.isEmpty() || tip.Text() != swept)
            state.SkipWithError("the tip does not show the photo where the sweep ended");
        state.ResumeTiming();
    }
    cpu.Report(state);
    form.Interaction().HideHover();
    thumbnails.WaitForIdle(60000);
    form.FotosDock->show();
}

// "Map met foto's importeren..." on 200 camera-size photos inside the
// project's folder (so no question is asked), its progress dialog running,
// until the list shows the new rows' thumbnails. Before each round the
// project is opened again without them.
void BM_Import200(benchmark::State &state)
{
    THoofdForm &form = g_importWindow->form;
    UserInteraction::SetModalHandler([](QDialog *) {});
    UserInteraction::SetFileHandler(
        [](const UserInteraction::FileRequest &) -> std::optional<QString> { return g_inputs->importFolder; });
    QAction *item = form.findChild<QAction *>(QStringLiteral("MapImporteren1"));
    for (auto _ : state) {
        state.PauseTiming();
        form.Files().ResetProject();
        form.Files().ReadDataFile(g_inputs->importProject);
        // No thumbnail of the last round is kept.
        form.Interaction().Thumbnails().SetMemoryLimit(0);
        form.Interaction().Thumbnails().SetMemoryLimit(qint64(64) << 20);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        item->trigger();
        if (!WaitForListThumbnails(form, 60000))
            state.SkipWithError("the list did not show the thumbnails");
        if (form.Document().PositionList.size() != ImportPhotos)
            state.SkipWithError("the import did not add every photo");
    }
    UserInteraction::SetModalHandler({});
    UserInteraction::SetFileHandler({});
}

// The same import onto the map with a north arrow: every photo's EXIF is
// read and its direction taken from its camera.
void BM_Import200North(benchmark::State &state)
{
    THoofdForm &form = g_importWindow->form;
    // The closing message counts the directions taken: answered at once, as
    // the figure is the import's work, not the user's reading.
    UserInteraction::SetModalHandler([](QDialog *dialog) { dialog->accept(); });
    UserInteraction::SetFileHandler(
        [](const UserInteraction::FileRequest &) -> std::optional<QString> { return g_inputs->importFolder; });
    QAction *item = form.findChild<QAction *>(QStringLiteral("MapImporteren1"));
    for (auto _ : state) {
        state.PauseTiming();
        form.Files().ResetProject();
        form.Files().ReadDataFile(g_inputs->importNorthProject);
        form.Interaction().Thumbnails().SetMemoryLimit(0);
        form.Interaction().Thumbnails().SetMemoryLimit(qint64(64) << 20);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        item->trigger();
        if (!WaitForListThumbnails(form, 60000))
            state.SkipWithError("the list did not show the thumbnails");
        if (form.Document().PositionList.size() != ImportPhotos
            || !form.Document().PositionList.first().endsWith(",320"))
            state.SkipWithError("the import did not take the cameras' directions");
    }
    UserInteraction::SetModalHandler({});
    UserInteraction::SetFileHandler({});
}

// The photo list of 100000 photos put in the order of the times taken, with
// every time known: the order chosen above the list, the rows sorted. With
// shown, also laid out and painted as the list shows them (the view's own
// layout of 100000 rows is a part of that which no sort can shorten).
void BM_TimeOrder100000(benchmark::State &state, bool shown)
{
    g_smallWindow->Open(g_inputs->listProject, false);
    THoofdForm &form = g_smallWindow->form;
    PhotoListDock *dock = form.FotosDock;
    // Every time read once, before measuring.
    dock->OrderBox()->setCurrentIndex(2);
    form.Interaction().Metadata().WaitForIdle(120000);
    QCoreApplication::processEvents();
    if (dock->Model().TimeText(0).isEmpty())
        state.SkipWithError("no time was read");
    for (auto _ : state) {
        state.PauseTiming();
        dock->OrderBox()->setCurrentIndex(0);
        dock->View()->doItemsLayout();
        state.ResumeTiming();
        dock->OrderBox()->setCurrentIndex(2);
        if (shown) {
            dock->View()->doItemsLayout();
            dock->View()->viewport()->repaint();
        }
    }
    if (dock->Model().rowCount() != 100000)
        state.SkipWithError("the list did not show every photo");
    dock->OrderBox()->setCurrentIndex(0);
}

// The baseline: the same 200 photos' thumbnails decoded one after another.
void BM_FittedDecodes200(benchmark::State &state)
{
    for (auto _ : state) {
        for (const QString &file : std::as_const(g_inputs->importFiles)) {
            const PhotoPicture picture = PhotoPicture::Load(file);
            const QImage thumbnail = picture.Scaled(ThumbnailCache::FittedSize(picture.Size(), 256));
            benchmark::DoNotOptimize(thumbnail.constBits());
        }
    }
}

// A word typed in the photo list's filter: 100000 photos searched, the list
// laid out and painted again. Both words are in every photo's notes, so
// each round shows all rows anew.
void BM_Filter100000(benchmark::State &state)
{
    g_smallWindow->Open(g_inputs->projects.at(100000), false);
    PhotoListDock *dock = g_smallWindow->form.FotosDock;
    int n = 0;
    for (auto _ : state) {
        dock->FilterEdit()->setText(n++ % 2 ? QStringLiteral("raam") : QStringLiteral("gevel"));
        dock->View()->doItemsLayout();
        dock->View()->viewport()->repaint();
        if (dock->Model().rowCount() != 100000)
            state.SkipWithError("the filter did not find every photo");
    }
    dock->FilterEdit()->clear();
}

// ---------------------------------------------------------------- results

// Keeps the median (or the single) real time of every benchmark.
class Collector : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> times; // nanoseconds

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const double ns = run.GetAdjustedRealTime() * TimeUnitToNs(run.time_unit);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median")
                    times[name] = ns;
            } else if (!times.count(name) || run.repetitions <= 1) {
                times[name] = ns;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

private:
    static double TimeUnitToNs(benchmark::TimeUnit unit)
    {
        switch (unit) {
        case benchmark::kSecond:
            return 1e9;
        case benchmark::kMillisecond:
            return 1e6;
        case benchmark::kMicrosecond:
            return 1e3;
        default:
            return 1;
        }
    }
};

struct Figure
{
    std::string id; // stable name for the summary
    std::string title;
    double ratio = -1; // < 0: not measured
    double goal = -1;  // < 0: no goal (shown for information)
};

std::string Format(double v)
{
    char buffer[64];
    if (v < 0)
        return "-";
    if (v != 0 && v < 0.01)
        std::snprintf(buffer, sizeof buffer, "1/%.0f", 1 / v);
    else
        std::snprintf(buffer, sizeof buffer, "%.3g", v);
    return buffer;
}

void PrintTable(const std::vector<Figure> &figures, const std::string &heading)
{
    std::printf("\n%s\n", heading.c_str());
    std::printf("%-66s %10s %8s  %s\n", "figure", "ratio", "goal", "result");
    for (const Figure &f : figures) {
        const std::string verdict = f.goal < 0 ? "(information)"
            : f.ratio < 0                      ? "not measured"
            : f.ratio <= f.goal                ? "met"
                                               : "NOT MET";
        std::printf("%-66s %10s %8s  %s\n", f.title.c_str(), Format(f.ratio).c_str(),
                    f.goal < 0 ? "" : ("<= " + Format(f.goal)).c_str(), verdict.c_str());
    }
    std::fflush(stdout);
}

// The figures in the order of the table, with their goals.
std::vector<Figure> FigureList()
{
    return {
        {"datafile", "1. Data file read+write, 100000 photos / plain file I/O", -1, 3},
        {"datafile_sync", "   Data file read+write / plain file I/O with fsync", -1, -1},
        {"scale_view", "2. DrawMap (view) 100000 / 10000 photos, labels", -1, 11},
        {"labels_view", "2. DrawMap (view) 100000 photos, labels on / off", -1, 1.5},
        {"scale_raster", "   DrawMap (full raster) 100000 / 10000 photos, labels", -1, -1},
        {"labels_raster", "   DrawMap (full raster) 100000, labels on / off", -1, -1},
        {"scale_view_small", "   DrawMap (view) 10000 / 1000 photos, labels", -1, -1},
        {"redraw_view", "3. Redraw after edit 14000x9900 (view) / memcpy of map", -1, 2},
        {"redraw_raster", "3. Redraw after edit 14000x9900 (full raster) / memcpy", -1, -1},
        {"photo", "4. Photo 6000x4000 fitted in photo window / full decode", -1, 0.5},
        {"click", "5. Click, 100000 photos / DrawMap (view), labels off", -1, 0.01},
        {"click_raster", "   Click, 100000 photos / DrawMap (full raster), labels off", -1, -1},
        {"memory_view", "6. Peak memory, 14000x9900 map drawn / decoded map bytes", -1, 2.5},
        {"memory_export", "   Peak memory, after EMF export too / decoded map bytes", -1, -1},
        {"zoom_repaint", "7. Repaint 1920x1080 view of 14000x9900 at 1/16 / at 1:1", -1, 1.5},
        {"zoom_first", "7. Zoom 1:1 to 1/4 until painted / update at 1:1 until painted", -1, 5},
        {"memory_pyramid", "7. Peak memory with the pyramid / decoded map bytes", -1, 1.5},
        {"hover", "8. Sweep over 1000 triangles until tip painted / DrawMap (view)", -1, 1},
        {"web_photos", "9. Web export, 200 photos 4000x3000 / 200 fitted decodes", -1, 0.8},
        {"web_map", "10. Web export, 14000x9900 map (tiles) / one decode of it", -1, 3},
        {"web_size", "11. Web export folder size, 200 photos / their files", -1, 0.5},
        {"recovery", "12. Recovery copy's cost to the window / DrawMap (view), 100000", -1, -1},
        {"recovery_write", "   Recovery copy's cost to the window / writing the copy", -1, -1},
        {"import", "13. Import 200 photos 4000x3000, list shown / 200 thumbnail decodes", -1, 0.7},
        {"filter", "14. Filter 100000 photos on a word / DrawMap (view), labels off", -1, 0.5},
        {"memory_list", "15. Peak memory, 100000 photos with list and thumbnails / without", -1, 1.3},
        {"memory_list_filter", "   Peak memory, the same with a word in the filter / without", -1, -1},
        {"report", "16. Photo report, 200 photos 4000x3000, 4 a page / 200 fitted decodes", -1, 1.0},
        {"report_size", "17. Photo report size, 200 photos / their files", -1, 0.25},
        {"memory_report", "18. Peak memory writing the report / the project open without", -1, 1.5},
        {"import_camera", "19. Import 200 photos with camera directions / without north", -1, 1.05},
        {"time_order", "20. List of 100000 photos sorted by time / DrawMap (view), labels off", -1, 0.2},
        {"time_order_shown", "   The same, laid out and painted / DrawMap (view), labels off", -1, -1},
        {"heic", "21. HEIC 4032x3024 opened in photo window / JPEG of that size", -1, 3},
        {"viewer_step", "22. Viewer step to next 4000x3000 photo / one fitted decode", -1, 1},
        {"gps_place", "23. Place 100000 photos from cached GPS / DrawMap (view), labels off", -1, 0.5},
        {"gps_place_entries", "   The same with the edit's new entries / DrawMap (view), no labels", -1, -1},
        {"geojson", "24. GeoJSON export, 100000 photos / writing their data file", -1, 2},
    };
}

double VmHwmBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) * 1024.0;
    }
    return -1;
}

// Child process: the main window opens the project on the big map, draws
// it and paints its view; then the map is exported as the menu does it.
int PeakMemoryChild(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    QApplication app(argc, argv);
    const QString project = QString::fromLocal8Bit(argv[2]);
    const QString exportName = QString::fromLocal8Bit(argv[3]);
    std::printf("start %.0f\n", VmHwmBytes());
    {
        THoofdForm form;
        ShowExposed(form);
        PaintCounter counter;
        form.OverzichtsImage->installEventFilter(&counter);
        form.Files().ReadDataFile(project);
        form.Session().EnterProjectFolder();
        form.OverzichtsImage->repaint();
        QCoreApplication::processEvents();
        if (counter.paints == 0) {
            std::fprintf(stderr, "the map view did not paint\n");
            return 1;
        }
        const QImage &map = form.OverzichtsImage->Scene().map;
        std::printf("map %lld\n", static_cast<long long>(map.sizeInBytes()));
        std::printf("view %.0f\n", VmHwmBytes());
        // The pyramid is made in the background once the map is shown.
        if (!form.OverzichtsImage->WaitForPyramid(300000)) {
            std::fprintf(stderr, "the pyramid was not made\n");
            return 1;
        }
        std::printf("pyramidbytes %lld\n", static_cast<long long>(form.OverzichtsImage->Pyramid().Bytes()));
        std::printf("pyramid %.0f\n", VmHwmBytes());
        UserInteraction::SetFileHandler(
            [&](const UserInteraction::FileRequest &) -> std::optional<QString> { return exportName; });
        QAction *exportItem = form.findChild<QAction *>(QStringLiteral("Exporteren1"));
        if (exportItem) {
            exportItem->trigger();
            std::printf("exportsize %lld\n", static_cast<long long>(QFileInfo(exportName + ".emf").size()));
            std::printf("export %.0f\n", VmHwmBytes());
        }
        QFile::remove(exportName + ".emf");
    }
    std::fflush(stdout);
    return 0;
}

std::map<std::string, double> MeasurePeakMemory(const QString &self)
{
    std::map<std::string, double> out;
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self,
                {QStringLiteral("--peak-memory"), g_inputs->bigProject, g_inputs->Path(QStringLiteral("export"))});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "peak-memory child failed\n");
        return out;
    }
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    std::string key;
    double value;
    while (lines >> key >> value)
        out[key] = value;
    return out;
}

// Child process: the main window opens the 100000-photo project whose photo
// files exist, with its photo list showing their thumbnails, or with the
// list taken away; prints the peak resident memory.
int PeakMemoryListChild(int argc, char **argv)
{
    if (argc < 4)
        return 2;
    QApplication app(argc, argv);
    const QString project = QString::fromLocal8Bit(argv[2]);
    const bool withList = std::strcmp(argv[3], "without") != 0;
    const bool filtered = std::strcmp(argv[3], "filtered") == 0;
    {
        THoofdForm form;
        if (!withList) {
            delete form.FotosDock;
            form.FotosDock = nullptr;
        }
        ShowExposed(form);
        form.Files().ReadDataFile(project);
        form.Session().EnterProjectFolder();
        form.OverzichtsImage->repaint();
        if (withList && !WaitForListThumbnails(form, 120000)) {
            std::fprintf(stderr, "the list did not show its thumbnails\n");
            return 1;
        }
        // A word in the filter makes the list's text index.
        if (filtered) {
            form.FotosDock->FilterEdit()->setText(QStringLiteral("raam"));
            WaitForListThumbnails(form, 120000);
        }
        QCoreApplication::processEvents();
        std::printf("peak %.0f\n", VmHwmBytes());
    }
    std::fflush(stdout);
    return 0;
}

double MeasurePeakMemoryList(const QString &self, const QString &mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self, {QStringLiteral("--peak-memory-list"), g_inputs->listProject, mode});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "peak-memory-list child failed\n");
        return -1;
    }
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    std::string key;
    double value = -1;
    lines >> key >> value;
    return key == "peak" ? value : -1;
}

// Child process: the 200-photo project read and its map drawn, and with
// "with" its photo report written; prints the peak resident memory.
int PeakMemoryReportChild(int argc, char **argv)
{
    if (argc < 5)
        return 2;
    QGuiApplication app(argc, argv);
    const QString project = QString::fromLocal8Bit(argv[2]);
    const bool withReport = std::strcmp(argv[3], "with") == 0;
    {
        DrawnProject drawn(project);
        if (withReport) {
            const ReportOptions options = BenchReportOptions();
            const ReportLayout layout(options, ReportContent::Build(drawn.doc, {}, options.order), drawn.scene.size);
            ReportWriter::Progress progress;
            ReportWriter::Write(layout, drawn.scene, QString::fromLocal8Bit(argv[4]), progress);
            QFile::remove(QString::fromLocal8Bit(argv[4]));
        }
        std::printf("peak %.0f\n", VmHwmBytes());
    }
    std::fflush(stdout);
    return 0;
}

double MeasurePeakMemoryReport(const QString &self, const QString &mode)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(self,
                {QStringLiteral("--peak-memory-report"), g_inputs->webProject, mode,
                 g_inputs->Path(QStringLiteral("geheugen.pdf"))});
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "peak-memory-report child failed\n");
        return -1;
    }
    std::istringstream lines(child.readAllStandardOutput().toStdString());
    std::string key;
    double value = -1;
    lines >> key >> value;
    return key == "peak" ? value : -1;
}

int Summary(int argc, char **argv)
{
    std::vector<Figure> figures = FigureList();
    std::map<std::string, std::vector<double>> values;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i]);
        std::string id;
        double v;
        while (in >> id >> v)
            values[id].push_back(v);
    }
    for (Figure &f : figures) {
        std::vector<double> &v = values[f.id];
        if (v.empty())
            continue;
        std::sort(v.begin(), v.end());
        f.ratio = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
    PrintTable(figures, "Median of " + std::to_string(argc - 2) + " runs");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window adds the projects it opens to the recent projects: the
    // benchmark's inputs stay out of the user's own list.
    const QByteArray home = QDir::tempPath().toLocal8Bit() + "/tolvek-bench-home";
    qputenv("XDG_CONFIG_HOME", home + "/config");
    qputenv("XDG_DATA_HOME", home + "/data");
    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory") == 0)
        return PeakMemoryChild(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory-list") == 0)
        return PeakMemoryListChild(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--peak-memory-report") == 0)
        return PeakMemoryReportChild(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--summary") == 0)
        return Summary(argc, argv);
    // Every run's inputs lie in a folder of their own, so the desktop's list of
    // recent files would grow by every project of every run, and each opening
    // reads and rewrites all of it.
    QFile::remove(QString::fromLocal8Bit(home + "/data/recently-used.xbel"));

    // Own options out, Google Benchmark's defaults in (the command line wins).
    std::string ratiosFile;
    std::vector<char *> args{argv[0]};
    static char repetitions[] = "--benchmark_repetitions=5";
    static char interleave[] = "--benchmark_enable_random_interleaving=true";
    static char aggregates[] = "--benchmark_display_aggregates_only=true";
    args.insert(args.end(), {repetitions, interleave, aggregates});
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ratios=", 9) == 0)
            ratiosFile = argv[i] + 9;
        else
            args.push_back(argv[i]);
    }
    int benchArgc = int(args.size());
    args.push_back(nullptr);

    QApplication app(argc, argv);
    benchmark::Initialize(&benchArgc, args.data());

    Inputs inputs;
    if (!inputs.dir.isValid())
        qFatal("no temporary folder");
    g_inputs = &inputs;
    // The main window keeps its layout in the settings: those of this run
    // only, also for the child processes.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(inputs.Path(QStringLiteral("config"))));
    const qint64 needed = qint64(BigMapWidth) * BigMapHeight * 3 * 2 + (200 << 20);
    const qint64 free = QStorageInfo(inputs.dir.path()).bytesAvailable();
    if (free < needed) {
        std::fprintf(stderr, "Not enough free disk space in %s: %lld MB needed, %lld MB free.\n",
                     qPrintable(inputs.dir.path()), needed >> 20, free >> 20);
        return 1;
    }
    std::fprintf(stderr, "Making the inputs in %s ...\n", qPrintable(inputs.dir.path()));
    inputs.smallMap = inputs.Path(QStringLiteral("kaart.bmp"));
    inputs.bigMap = inputs.Path(QStringLiteral("plattegrond.bmp"));
    inputs.photo = inputs.Path(QStringLiteral("foto.jpg"));
    inputs.copyTarget = inputs.Path(QStringLiteral("kopie.tvk"));
    WriteBmp(inputs.smallMap, SmallMapWidth, SmallMapHeight);
    WriteBmp(inputs.bigMap, BigMapWidth, BigMapHeight);
    WriteJpeg(inputs.photo, PhotoWidth, PhotoHeight);
    for (int n : {1000, 10000, 100000}) {
        inputs.projects[n] = inputs.Path(QStringLiteral("project%1.tvk").arg(n));
        WriteProject(inputs.projects[n], QStringLiteral("kaart.bmp"), QSize(SmallMapWidth, SmallMapHeight), n);
    }
    // The web export's photos: one camera-like JPEG under 200 names (hard
    // links: the same decoding work without 700 MB on disk).
    const QString webPhoto = inputs.Path(QStringLiteral("webfoto.jpg"));
    WriteJpeg(webPhoto, WebPhotoWidth, WebPhotoHeight);
    for (int i = 1; i <= WebPhotos; ++i) {
        const QString name =
            inputs.Path(QStringLiteral("foto_%1.jpg").arg(QString::number(i).rightJustified(5, QLatin1Char('0'))));
        if (::link(QFile::encodeName(webPhoto).constData(), QFile::encodeName(name).constData()) != 0)
            qFatal("cannot link %s", qPrintable(name));
        inputs.webPhotos << name;
    }
    inputs.webProject = inputs.Path(QStringLiteral("web200.tvk"));
    WriteProject(inputs.webProject, QStringLiteral("kaart.bmp"), QSize(SmallMapWidth, SmallMapHeight), WebPhotos);
    inputs.webMapProject = inputs.Path(QStringLiteral("webkaart.tvk"));
    WriteProject(inputs.webMapProject, QStringLiteral("plattegrond.bmp"), QSize(BigMapWidth, BigMapHeight), 0);
    inputs.bigProject = inputs.Path(QStringLiteral("groot.tvk"));
    WriteProject(inputs.bigProject, QStringLiteral("plattegrond.bmp"), QSize(BigMapWidth, BigMapHeight), BigMapPhotos);
    // 2000 small photos for the hover, each shown by five triangles.
    constexpr int HoverFiles = 2000;
    QDir(inputs.dir.path()).mkdir(QStringLiteral("duim"));
    for (int i = 0; i < HoverFiles; ++i)
        WriteJpeg(inputs.Path(QStringLiteral("duim/f%1.jpg").arg(i, 4, 10, QLatin1Char('0'))), 320, 240);
    inputs.hoverProject = inputs.Path(QStringLiteral("duim.tvk"));
    WriteProject(inputs.hoverProject, QStringLiteral("kaart.bmp"), QSize(SmallMapWidth, SmallMapHeight), 10000,
                 [](int i) { return "duim\\f" + QByteArray::number(i % HoverFiles).rightJustified(4, '0') + ".jpg"; });

    // The windows' recovery copies and locks go to the inputs' folder, and
    // are not written in the background while something else is measured.
    qputenv("XDG_STATE_HOME", QFile::encodeName(inputs.Path(QStringLiteral("state"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(inputs.dir.path()));
    RecoveryKeeper::SetDelay(std::numeric_limits<int>::max());

    // 200 camera photos to import (links to one file: the same bytes to
    // read and decode, without 200 times the disk space), in a folder below
    // an empty project on the small map.
    const QString camera = inputs.Path(QStringLiteral("camera.jpg"));
    WriteJpeg(camera, ImportPhotoWidth, ImportPhotoHeight);
    inputs.importFolder = inputs.Path(QStringLiteral("importfotos"));
    QDir().mkpath(inputs.importFolder);
    for (int i = 1; i <= ImportPhotos; ++i) {
        const QString file = inputs.importFolder + QStringLiteral("/foto_%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        if (::link(QFile::encodeName(camera).constData(), QFile::encodeName(file).constData()) != 0)
            qFatal("cannot link %s", qPrintable(file));
        inputs.importFiles << file;
    }
    inputs.importProject = inputs.Path(QStringLiteral("import.tvk"));
    WriteProject(inputs.importProject, QStringLiteral("kaart.bmp"), QSize(SmallMapWidth, SmallMapHeight), 0);
    // The camera recorded a true bearing of 100 degrees and a time; the
    // north copy of the map has north 30 degrees right of up (photos at 320).
    AddCameraExif(camera, QStringLiteral("2026:12:07 14:03:00"));
    inputs.importNorthProject = inputs.Path(QStringLiteral("importnoord.tvk"));
    WriteProject(inputs.importNorthProject, QStringLiteral("kaartnoord.bmp"), QSize(SmallMapWidth, SmallMapHeight), 0);
    if (!QFile::copy(inputs.smallMap, inputs.Path(QStringLiteral("kaartnoord.bmp"))))
        qFatal("cannot copy the small map");
    {
        MapCalibration north;
        north.north = 30;
        QString reason;
        if (!north.Save(inputs.Path(QStringLiteral("kaartnoord.bmp")), &reason))
            qFatal("cannot write the map's calibration: %s", qPrintable(reason));
    }
    // 100000 photos whose names lead to real photos, for the list's memory.
    QDir().mkpath(inputs.Path(QStringLiteral("lijstfotos")));
    for (int i = 0; i < ListPhotoFiles; ++i) {
        WriteJpeg(inputs.Path(QStringLiteral("lijstfotos/p%1.jpg").arg(i)), 1600, 1200);
        // Times in no order of their names, for the list's time order.
        AddCameraExif(inputs.Path(QStringLiteral("lijstfotos/p%1.jpg").arg(i)),
                      QStringLiteral("2025:%1:%2 12:00:00")
                          .arg(1 + (i * 7) % 12, 2, 10, QLatin1Char('0'))
                          .arg(1 + (i * 13) % 28, 2, 10, QLatin1Char('0')));
    }
    inputs.listProject = inputs.Path(QStringLiteral("lijst.tvk"));
    {
        ProjectDocument doc;
        DataFile::Read(doc, inputs.projects.at(100000));
        for (qsizetype i = 0; i < doc.NameList.size(); ++i)
            doc.NameList[i] = PhotoEntry::Make(PhotoEntry::KeyView(doc.NameList[i]),
                                               "lijstfotos\\p" + QByteArray::number(int(i % ListPhotoFiles)) + ".jpg");
        if (DataFile::Write(doc, inputs.listProject) != DataFile::WriteResult::Ok)
            qFatal("cannot write the list project");
    }

    // One camera picture as HEIC and as JPEG; the viewer's 50 photos.
    inputs.heicJpeg = inputs.Path(QStringLiteral("iphone.jpg"));
    WriteJpeg(inputs.heicJpeg, 4032, 3024);
    inputs.heicPhoto = inputs.Path(QStringLiteral("iphone.heic"));
    WriteHeic(inputs.heicPhoto, inputs.heicJpeg);
    inputs.viewerProject = inputs.Path(QStringLiteral("kijker.tvk"));
    WriteProject(inputs.viewerProject, QStringLiteral("kaart.bmp"), QSize(SmallMapWidth, SmallMapHeight), 50,
                 [](int i) { return "importfotos\\foto_" + QByteArray::number(i).rightJustified(3, '0') + ".jpg"; });

    // Memory first, in a fresh process, before this one holds anything.
    const std::map<std::string, double> memory = MeasurePeakMemory(QCoreApplication::applicationFilePath());
    const double listWith = MeasurePeakMemoryList(QCoreApplication::applicationFilePath(), QStringLiteral("with"));
    const double listWithout =
        MeasurePeakMemoryList(QCoreApplication::applicationFilePath(), QStringLiteral("without"));
    const double listFiltered =
        MeasurePeakMemoryList(QCoreApplication::applicationFilePath(), QStringLiteral("filtered"));
    const double reportWith = MeasurePeakMemoryReport(QCoreApplication::applicationFilePath(), QStringLiteral("with"));
    const double reportWithout =
        MeasurePeakMemoryReport(QCoreApplication::applicationFilePath(), QStringLiteral("without"));

    MainWindow smallWindow;
    MainWindow bigWindow;
    MainWindow importWindow;
    g_smallWindow = &smallWindow;
    g_bigWindow = &bigWindow;
    g_importWindow = &importWindow;
    smallWindow.Open(inputs.projects.at(1000), true);
    bigWindow.Open(inputs.bigProject, true);
    {
        TFotoForm photoWindow(smallWindow.form.Host(), &smallWindow.form);
        photoWindow.show();
        photoWindow.layout()->activate();
        PhotoFit::Input &in = g_designedPhotoWindow;
        in.area = photoWindow.FotoScrollBox->size();
        in.outer = photoWindow.frameGeometry().size();
        in.frame = in.outer - photoWindow.size();
        in.buttonSize = photoWindow.FotoSpeedButton->height();
        in.toolStripHeight = photoWindow.FotoBovenPanel->height();
        in.statusBarHeight = photoWindow.StatusBar1->height();
        in.picture = QSize(PhotoWidth, PhotoHeight);
        const PhotoFit::Result fit = PhotoFit::Compute(in);
        std::printf("Photo window at its designed size: picture area %dx%d, the photo shown at %dx%d.\n",
                    in.area.width(), in.area.height(), fit.control.width(), fit.control.height());
    }
    std::printf("Main window at its designed size: the map view shows %dx%d pixels.\n", smallWindow.Viewport().width(),
                smallWindow.Viewport().height());

    using namespace benchmark;
    auto reg = [](const std::string &name, auto fn) {
        return RegisterBenchmark(name.c_str(), fn)->UseRealTime()->Unit(kMillisecond);
    };
    reg("DataFile/ReadWrite/100000", BM_DataFileReadWrite);
    reg("Baseline/PlainFileReadWrite/100000", [](State &s) { BM_PlainFileReadWrite(s, false); });
    reg("Baseline/PlainFileReadWriteSync/100000", [](State &s) { BM_PlainFileReadWrite(s, true); });
    for (int n : {1000, 10000, 100000})
        reg("DrawMap/View/" + std::to_string(n) + "/labels", [n](State &s) { BM_DrawMapView(s, n, true); });
    reg("DrawMap/View/100000/nolabels", [](State &s) { BM_DrawMapView(s, 100000, false); });
    for (int n : {1000, 10000, 100000})
        reg("DrawMap/FullRaster/" + std::to_string(n) + "/labels", [n](State &s) { BM_DrawMapFullRaster(s, n, true); });
    reg("DrawMap/FullRaster/100000/nolabels", [](State &s) { BM_DrawMapFullRaster(s, 100000, false); });
    reg("Redraw14000/View", BM_BigRedrawView);
    reg("Redraw14000/FullRaster", BM_BigRedrawFullRaster);
    reg("Baseline/Memcpy14000", BM_BigMapMemcpy);
    reg("Photo/OpenFitted", BM_PhotoOpenFitted);
    reg("Baseline/JpegFullDecode", BM_JpegFullDecode);
    reg("Click/100000", BM_Click)->Unit(kMicrosecond);
    reg("WebExport/Photos200", BM_WebExportPhotos)->Iterations(1);
    reg("Baseline/FittedDecodes200", BM_FittedDecodes)->Iterations(1);
    reg("WebExport/Map14000", BM_WebExportMap)->Iterations(1);
    reg("Baseline/MapDecode14000", BM_MapDecode)->Iterations(1);
    reg("Zoom/Repaint/Sixteenth", [](State &st) { BM_ZoomRepaint(st, 1.0 / 16); });
    reg("Zoom/Repaint/Actual", [](State &st) { BM_ZoomRepaint(st, 1); });
    reg("Zoom/Repaint/Quarter", [](State &st) { BM_ZoomRepaint(st, 0.25); });
    reg("Zoom/FirstPaint/Quarter", BM_ZoomFirstPaint);
    reg("Zoom/Update/Actual", BM_ZoomUpdateActual);
    reg("Zoom/FirstRepaint/Quarter", BM_ZoomFirstRepaint);
    RegisterBenchmark("Hover/1000", BM_Hover)->UseManualTime()->Unit(kMillisecond);
    reg("Hover/1000/Burst", BM_HoverBurst);
    reg("Recovery/Snapshot/100000", BM_RecoverySnapshot)->Unit(kMicrosecond);
    reg("Recovery/Write/100000", BM_RecoveryWrite);
    reg("Import/200", BM_Import200);
    reg("Baseline/ImportDecodes200", BM_FittedDecodes200);
    reg("Filter/100000", BM_Filter100000);
    reg("Photo/OpenHeic4032", [](State &st) { BM_PhotoOpen(st, g_inputs->heicPhoto); });
    reg("Baseline/OpenJpeg4032", [](State &st) { BM_PhotoOpen(st, g_inputs->heicJpeg); });
    reg("Viewer/Step", BM_ViewerStep);
    reg("Baseline/ViewerFittedDecode", BM_ViewerFittedDecode);
    reg("Report/200", BM_Report200)->Iterations(1);
    reg("Baseline/ReportDecodes200", BM_ReportDecodes200)->Iterations(1);
    reg("Import/200/North", BM_Import200North);
    reg("TimeOrder/100000", [](benchmark::State &s) { BM_TimeOrder100000(s, false); });
    reg("TimeOrder/100000/Shown", [](benchmark::State &s) { BM_TimeOrder100000(s, true); });
    reg("GpsPlacement/100000", [](benchmark::State &s) { BM_GpsPlacement(s, false); });
    reg("GpsPlacement/100000/Entries", [](benchmark::State &s) { BM_GpsPlacement(s, true); });
    reg("GeoJson/100000", BM_GeoJsonExport);
    reg("Baseline/DataFileWrite/100000", BM_DataFileWrite);

    Collector collector;
    RunSpecifiedBenchmarks(&collector);
    Shutdown();

    auto t = [&collector](const std::string &name) {
        const auto it = collector.times.find(name);
        return it == collector.times.end() ? -1.0 : it->second;
    };
    auto ratio = [](double a, double b) { return a < 0 || b <= 0 ? -1.0 : a / b; };
    std::map<std::string, double> r;
    r["datafile"] = ratio(t("DataFile/ReadWrite/100000"), t("Baseline/PlainFileReadWrite/100000"));
    r["datafile_sync"] = ratio(t("DataFile/ReadWrite/100000"), t("Baseline/PlainFileReadWriteSync/100000"));
    r["scale_view"] = ratio(t("DrawMap/View/100000/labels"), t("DrawMap/View/10000/labels"));
    r["labels_view"] = ratio(t("DrawMap/View/100000/labels"), t("DrawMap/View/100000/nolabels"));
    r["scale_raster"] = ratio(t("DrawMap/FullRaster/100000/labels"), t("DrawMap/FullRaster/10000/labels"));
    r["labels_raster"] = ratio(t("DrawMap/FullRaster/100000/labels"), t("DrawMap/FullRaster/100000/nolabels"));
    r["scale_view_small"] = ratio(t("DrawMap/View/10000/labels"), t("DrawMap/View/1000/labels"));
    r["redraw_view"] = ratio(t("Redraw14000/View"), t("Baseline/Memcpy14000"));
    r["redraw_raster"] = ratio(t("Redraw14000/FullRaster"), t("Baseline/Memcpy14000"));
    r["photo"] = ratio(t("Photo/OpenFitted"), t("Baseline/JpegFullDecode"));
    r["heic"] = ratio(t("Photo/OpenHeic4032"), t("Baseline/OpenJpeg4032"));
    r["viewer_step"] = ratio(t("Viewer/Step"), t("Baseline/ViewerFittedDecode"));
    r["click"] = ratio(t("Click/100000"), t("DrawMap/View/100000/nolabels"));
    r["click_raster"] = ratio(t("Click/100000"), t("DrawMap/FullRaster/100000/nolabels"));
    r["web_photos"] = ratio(t("WebExport/Photos200"), t("Baseline/FittedDecodes200"));
    r["web_map"] = ratio(t("WebExport/Map14000"), t("Baseline/MapDecode14000"));
    r["web_size"] = g_webSizeRatio;
    r["recovery"] = ratio(t("Recovery/Snapshot/100000"), t("DrawMap/View/100000/labels"));
    r["recovery_write"] = ratio(t("Recovery/Snapshot/100000"), t("Recovery/Write/100000"));
    const auto m = [&memory](const char *key) {
        const auto it = memory.find(key);
        return it == memory.end() ? -1.0 : it->second;
    };
    r["memory_view"] = ratio(m("view"), m("map"));
    r["memory_pyramid"] = ratio(m("pyramid"), m("map"));
    r["zoom_repaint"] = ratio(t("Zoom/Repaint/Sixteenth"), t("Zoom/Repaint/Actual"));
    r["zoom_first"] = ratio(t("Zoom/FirstPaint/Quarter"), t("Zoom/Update/Actual"));
    r["hover"] = ratio(t("Hover/1000/Burst"), t("DrawMap/View/10000/labels"));
    r["memory_export"] = ratio(m("export"), m("map"));
    r["import"] = ratio(t("Import/200"), t("Baseline/ImportDecodes200"));
    r["filter"] = ratio(t("Filter/100000"), t("DrawMap/View/100000/nolabels"));
    r["import_camera"] = ratio(t("Import/200/North"), t("Import/200"));
    r["time_order"] = ratio(t("TimeOrder/100000"), t("DrawMap/View/100000/nolabels"));
    r["time_order_shown"] = ratio(t("TimeOrder/100000/Shown"), t("DrawMap/View/100000/nolabels"));
    r["gps_place"] = ratio(t("GpsPlacement/100000"), t("DrawMap/View/100000/nolabels"));
    r["gps_place_entries"] = ratio(t("GpsPlacement/100000/Entries"), t("DrawMap/View/100000/nolabels"));
    r["geojson"] = ratio(t("GeoJson/100000"), t("Baseline/DataFileWrite/100000"));
    r["memory_list"] = ratio(listWith, listWithout);
    r["memory_list_filter"] = ratio(listFiltered, listWithout);
    r["report"] = ratio(t("Report/200"), t("Baseline/ReportDecodes200"));
    r["report_size"] = g_reportSizeRatio;
    r["memory_report"] = ratio(reportWith, reportWithout);
    if (reportWith > 0 && reportWithout > 0)
        std::printf("\nPeak memory (child processes), 200 photos: writing the report %.0f MB, without %.0f MB.\n",
                    reportWith / 1048576, reportWithout / 1048576);
    if (listWith > 0 && listWithout > 0)
        std::printf("\nPeak memory (child processes), 100000 photos: with the photo list %.0f MB, a word in its "
                    "filter %.0f MB, without the list %.0f MB.\n",
                    listWith / 1048576, listFiltered / 1048576, listWithout / 1048576);
    if (m("map") > 0)
        std::printf("\nPeak memory (child process): decoded map %.0f MB; at start %.0f MB, map drawn %.0f MB, "
                    "pyramid made %.0f MB (its levels %.0f MB), after export %.0f MB (EMF file %.0f MB).\n",
                    m("map") / 1048576, m("start") / 1048576, m("view") / 1048576, m("pyramid") / 1048576,
                    m("pyramidbytes") / 1048576, m("export") / 1048576, m("exportsize") / 1048576);

    std::vector<Figure> figures = FigureList();
    for (Figure &f : figures)
        f.ratio = r[f.id];
    PrintTable(figures, "Ratios of this run (medians of the repetitions)");
    if (!ratiosFile.empty()) {
        std::ofstream out(ratiosFile);
        for (const Figure &f : figures)
            if (f.ratio >= 0)
                out << f.id << '\t' << f.ratio << '\n';
    }
    return 0;
}
