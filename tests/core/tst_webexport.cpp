// The web page export's files: photos by key, scaled and turned upright;
// the map's tile pyramid; the folder rules (nothing half-written, nothing
// outside the chosen folder); texts escaped for the page's script. How the
// page behaves in a browser is tests/web's.

#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapBandReader.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/photos/JpegDecoder.h"
#include "core/platform/ProcessLock.h"
#include "core/project/PhotoEntry.h"
#include "core/web/WebExport.h"
#include "core/web/WebMapTiles.h"
#include "core/web/WebPageWriter.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <filesystem>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file below folder, relative, sorted.
QStringList Files(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
}

QStringList Entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

WebExport::Result Export(const ProjectDocument &doc, const QString &output, bool cancelled = false,
                         bool keepMetadata = false)
{
    MapImageCache cache;
    const MapScene scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    WebExport::Progress progress;
    progress.cancelled = cancelled;
    WebExport::Options options;
    options.keepMetadata = keepMetadata;
    return WebExport::Run(doc, scene, WebExportFolder::ForOutput(output), progress, options);
}

// The same export with the map read in bands; false when it is not read so.
bool ExportInBands(const ProjectDocument &doc, const QString &output, WebExport::Progress &progress)
{
    WebExport::Options options;
    options.mapBands = MapBandReader::Open(MapDrawing::MapFilePath(doc), 0);
    if (!options.mapBands)
        return false;
    const MapScene scene = MapDrawing::Build(doc, false, options.mapBands->Size());
    WebExport::Run(doc, scene, WebExportFolder::ForOutput(output), progress, options);
    return true;
}

// The folder of files the page at output uses.
QString Assets(const QString &output)
{
    const WebExportFolder::Target t = WebExportFolder::ForOutput(output);
    const QString version = WebExportFolder::VersionOfPage(t.PagePath());
    return version.isEmpty() ? QString() : t.AssetsPath() + QLatin1Char('/') + version;
}

// The object a data file of the page assigns, as JSON.
QJsonObject Assigned(const QByteArray &file)
{
    QByteArray js = file.mid(file.indexOf("= {") + 2);
    js.truncate(js.lastIndexOf('}') + 1);
    return QJsonDocument::fromJson(js).object();
}

// The numbered parts beside one of the page's data files: "posities-1.js"
// and on beside "gegevens.js", "teksten-1.js" and on beside "teksten.js".
QStringList PartFiles(const QString &output, const QString &file)
{
    const QString stem = file == QLatin1String("gegevens.js") ? QStringLiteral("posities") : QStringLiteral("teksten");
    QStringList parts;
    for (int k = 1; QFileInfo::exists(Assets(output) + QStringLiteral("/%1-%2.js").arg(stem).arg(k)); ++k)
        parts << Assets(output) + QStringLiteral("/%1-%2.js").arg(stem).arg(k);
    return parts;
}

// One of the page's data files ("gegevens.js", "teksten.js") with its
// parts, as JSON: the parts' lists one after the other, their texts joined.
QJsonObject PageData(const QString &output, const QString &file)
{
    QJsonObject all = Assigned(ReadAll(Assets(output) + QLatin1Char('/') + file));
    for (const QString &name : PartFiles(output, file)) {
        const QJsonObject part = Assigned(ReadAll(name));
        for (auto it = part.begin(); it != part.end(); ++it) {
            if (it->isArray()) {
                QJsonArray joined = all.value(it.key()).toArray();
                for (const QJsonValue &v : it->toArray())
                    joined.append(v);
                all.insert(it.key(), joined);
            } else if (it->isString()) {
                all.insert(it.key(), all.value(it.key()).toString() + it->toString());
            }
        }
    }
    return all;
}

// Every data file of the page, parts included.
QList<QByteArray> AllPageData(const QString &output)
{
    QList<QByteArray> files;
    for (const QString &file : {QStringLiteral("gegevens.js"), QStringLiteral("teksten.js")}) {
        files << ReadAll(Assets(output) + QLatin1Char('/') + file);
        for (const QString &name : PartFiles(output, file))
            files << ReadAll(name);
    }
    return files;
}

// The photo files the page names for photo id ("foto-00001"): the photo
// and its thumbnail, or nothing for a placeholder.
QStringList PhotoFilesOf(const QString &output, const QString &id)
{
    const QJsonObject data = PageData(output, QStringLiteral("gegevens.js"));
    const QJsonObject texts = PageData(output, QStringLiteral("teksten.js"));
    const qsizetype i = data.value(QLatin1String("ids")).toArray().toVariantList().indexOf(id);
    const int file = texts.value(QLatin1String("photoFile")).toArray().at(i).toInt(-1);
    if (i < 0 || file < 0)
        return {};
    return {texts.value(QLatin1String("files")).toArray().at(file).toString(),
            texts.value(QLatin1String("thumbnails")).toArray().at(file).toString()};
}

// jpeg with what a camera records: EXIF with the orientation, the artist,
// a serial number and a GPS position; a comment.
QByteArray WithMetadata(const QByteArray &jpeg, int orientation)
{
    QByteArray t("II*\0\x08\0\0\0", 8);
    auto u16 = [&](int v) { t.append(char(v & 0xFF)).append(char(v >> 8)); };
    auto u32 = [&](quint32 v) { u16(int(v & 0xFFFF)), u16(int(v >> 16)); };
    auto entry = [&](int tag, int type, quint32 count, quint32 value) { u16(tag), u16(type), u32(count), u32(value); };
    const QByteArray artist("Jan Geheim\0", 11);
    const QByteArray serial("SN-4711\0", 8);
    // IFD0 at 8: four entries (2 + 48 + 4 bytes), then the strings, then the GPS IFD.
    const quint32 strings = 8 + 2 + 4 * 12 + 4;
    const quint32 gps = strings + quint32(artist.size() + serial.size());
    u16(4);
    entry(0x0112, 3, 1, quint32(orientation));
    entry(0x013B, 2, quint32(artist.size()), strings);
    entry(0xC62F, 2, quint32(serial.size()), strings + quint32(artist.size()));
    entry(0x8825, 4, 1, gps);
    u32(0);
    t += artist + serial;
    // GPS: latitude reference "N" and latitude 52/1 5/1 1234/100.
    u16(2);
    entry(0x0001, 2, 2, 'N');
    entry(0x0002, 5, 3, gps + 2 + 2 * 12 + 4);
    u32(0);
    for (quint32 v : {52u, 1u, 5u, 1u, 1234u, 100u})
        u32(v);
    auto segment = [](int marker, const QByteArray &payload) {
        const int length = int(payload.size()) + 2;
        return QByteArray(1, '\xFF') + char(marker) + char(length >> 8) + char(length & 0xFF) + payload;
    };
    return jpeg.left(2) + segment(0xE1, QByteArray("Exif\0\0", 6) + t) + segment(0xFE, "Serienummer 4711")
        + jpeg.mid(2);
}

} // namespace

class TestWebExport : public QObject
{
    Q_OBJECT
private slots:
    void photosAreNamedByContentScaledUprightAndPrivate();
    void everyKindOfPhotoReachesThePage();
    void mapBecomesATilePyramid();
    void largeMapsAreReadInBands();
    void damagedMapInBandsLeavesNothing();
    void foldersAreNeverLeftHalfWritten();
    void textsAreEscapedForThePage();
};

void TestWebExport::photosAreNamedByContentScaledUprightAndPrivate()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("project")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("elders")));
    const QString project = dir.filePath(QStringLiteral("project"));
    // A camera photo stored on its side (EXIF 6: turn right to view), kept
    // outside the project folder; a small upright photo with its camera's
    // record of where, who and with what, and a copy of it under another
    // name; a missing one, a pipe, one without a file.
    QVERIFY(PhotoTestFiles::WriteFile(dir.filePath(QStringLiteral("elders/kerk.jpg")),
                                      WithMetadata(PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(3000, 2000)), 6)));
    const QByteArray small = WithMetadata(PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(800, 600)), 1);
    QVERIFY(PhotoTestFiles::WriteFile(QDir(project).filePath(QStringLiteral("toren.jpg")), small));
    QVERIFY(PhotoTestFiles::WriteFile(QDir(project).filePath(QStringLiteral("toren kopie.jpg")), small));
    QCOMPARE(::mkfifo(QFile::encodeName(QDir(project).filePath(QStringLiteral("pijp.jpg"))).constData(), 0644), 0);
    MapTestFiles::WriteBmp(QDir(project).filePath(QStringLiteral("kaart.bmp")), 300, 200);
    ProjectDocument doc = MapTestFiles::Project(
        project, "kaart.bmp",
        {"00001=50,50,0", "00002=100,50,90", "00003=150,50,180", "00004=20,20,0", "00005=30,30,0", "00006=40,40,0"},
        {"00001=..\\elders\\kerk.jpg", "00002=TOREN.JPG", "00003=weg.jpg", "00004=toren kopie.jpg",
         "00005=++GeenNaam++", "00006=pijp.jpg"});
    // The prompt of a new photo is no caption.
    doc.NotesList = {"00001=Type hier uw aantekeningen.", "00002=Bij de toren"};

    const QString out = dir.filePath(QStringLiteral("web"));
    const WebExport::Result r = Export(doc, out);
    QCOMPARE(r.photos, 6);
    QCOMPARE(r.missing,
             (QStringList{QStringLiteral("weg.jpg: het bestand bestaat niet"),
                          QStringLiteral("pijp.jpg: het is een pijp (FIFO), geen bestand")}));
    QCOMPARE(Entries(out), (QStringList{QStringLiteral("index-bestanden"), QStringLiteral("index.html")}));
    QCOMPARE(Entries(dir.path()),
             (QStringList{QStringLiteral("elders"), QStringLiteral("project"), QStringLiteral("web")}));
    // Two contents, two photos and two thumbnails; the copy shares them.
    QCOMPARE(Entries(Assets(out) + QStringLiteral("/fotos")).size(), 4);
    const QStringList church = PhotoFilesOf(out, QStringLiteral("foto-00001"));
    const QStringList tower = PhotoFilesOf(out, QStringLiteral("foto-00002"));
    QCOMPARE(church.size(), 2);
    QCOMPARE(PhotoFilesOf(out, QStringLiteral("foto-00004")), tower);
    QCOMPARE(PhotoFilesOf(out, QStringLiteral("foto-00003")), QStringList());

    // Turned upright (red, top left when stored, is now top right) and
    // decoded at a DCT scale: 3000 by 2000 at 5/8.
    const QByteArray bigBytes = ReadAll(Assets(out) + QLatin1Char('/') + church[0]);
    const QImage big = QImage::fromData(bigBytes);
    QCOMPARE(big.size(), QSize(1250, 1875));
    QVERIFY(PhotoTestFiles::Near(big.pixel(1100, 200), qRgb(255, 0, 0)));
    QVERIFY(PhotoTestFiles::Near(big.pixel(150, 200), qRgb(0, 0, 255)));
    QCOMPARE(QImage(Assets(out) + QLatin1Char('/') + church[1]).size(), QSize(213, 320));
    // Small and upright already: the original's picture, byte for byte,
    // without what the camera recorded beside it.
    const QByteArray towerBytes = ReadAll(Assets(out) + QLatin1Char('/') + tower[0]);
    QVERIFY(towerBytes.size() < small.size());
    QVERIFY(small.endsWith(towerBytes.mid(towerBytes.indexOf("\xFF\xDA"))));
    const QList<QByteArray> data = AllPageData(out);
    QCOMPARE(data.size(), 4);
    for (const QByteArray &written :
         QList<QByteArray>{bigBytes, towerBytes, ReadAll(out + QStringLiteral("/index.html"))} + data)
        for (const char *secret : {"Exif", "Jan Geheim", "SN-4711", "Serienummer", "elders", "project"})
            QVERIFY2(!written.contains(secret), secret);

    // Names without folders; no name for a photo without a file.
    const QJsonObject texts = PageData(out, QStringLiteral("teksten.js"));
    QCOMPARE(texts.value(QLatin1String("names")).toArray().toVariantList(),
             (QVariantList{"kerk.jpg", "TOREN.JPG", "weg.jpg", "toren kopie.jpg", "", "pijp.jpg"}));
    QCOMPARE(texts.value(QLatin1String("sizes")).toArray().toVariantList().mid(0, 2), (QVariantList{1250, 1875}));
    // The prompt of a new photo is no caption, and not searched for.
    QCOMPARE(texts.value(QLatin1String("notes")).toArray().toVariantList().mid(0, 2),
             (QVariantList{QString(), QStringLiteral("Bij de toren")}));
    for (const QByteArray &written : data)
        QVERIFY(!written.contains("Type hier"));

    // Asked for, the metadata stays, the orientation made upright.
    const QString kept = dir.filePath(QStringLiteral("met-exif"));
    Export(doc, kept, false, true);
    const QByteArray keptBig = ReadAll(Assets(kept) + QLatin1Char('/') + PhotoFilesOf(kept, "foto-00001")[0]);
    QVERIFY(keptBig.contains("Jan Geheim") && keptBig.contains("SN-4711") && keptBig.contains("Serienummer"));
    QCOMPARE(JpegDecoder::ReadHeader(keptBig).orientation, 1);
    QCOMPARE(ReadAll(Assets(kept) + QLatin1Char('/') + PhotoFilesOf(kept, "foto-00002")[0]), small);
}

// A PNG screenshot, a TIFF scan, a WebP and a HEIC photo stored on their
// side with the orientation that turns them upright, and a GIF: each is on
// the page upright; photos as JPEG, the PNG and GIF (drawings, screenshots)
// as PNG.
void TestWebExport::everyKindOfPhotoReachesThePage()
{
    QTemporaryDir dir;
    using namespace PhotoTestFiles;
    const QImage turned = StoredForOrientation6(64, 48);
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *shownAs;
    } kinds[] = {{"scherm.png", Png(turned, 6), "png"},
                 {"scan.tif", Tiff(turned, 6), "jpg"},
                 {"foto.webp", WebP(turned, 6), "jpg"},
                 {"plan.gif", Gif(Quadrants(64, 48)), "png"},
                 {"IMG_0001.HEIC", Heic(turned, 6), "jpg"}};
    QList<QByteArray> positions, names;
    int key = 0;
    for (const auto &k : kinds) {
        QVERIFY(WriteFile(dir.filePath(QLatin1String(k.name)), k.bytes));
        ++key;
        positions << PhotoEntry::KeyTextFor(key) + "=50,50,0";
        names << PhotoEntry::KeyTextFor(key) + '=' + k.name;
    }
    MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("kaart.bmp")), 300, 200);
    const ProjectDocument doc = MapTestFiles::Project(dir.path(), "kaart.bmp", positions, names);
    const QString out = dir.filePath(QStringLiteral("web"));
    const WebExport::Result r = Export(doc, out);
    QCOMPARE(r.missing, QStringList());
    key = 0;
    for (const auto &k : kinds) {
        ++key;
        const QStringList files =
            PhotoFilesOf(out, QStringLiteral("foto-") + QString::fromLatin1(PhotoEntry::KeyTextFor(key)));
        QVERIFY2(files.size() == 2 && files[0].endsWith(QLatin1Char('.') + QLatin1String(k.shownAs)), k.name);
        const QImage shown(Assets(out) + QLatin1Char('/') + files[0]);
        QVERIFY2(shown.size() == QSize(64, 48), k.name);
        QVERIFY2(Near(shown.pixel(3, 3), qRgb(255, 0, 0)), k.name);
        QVERIFY2(Near(shown.pixel(60, 44), qRgb(255, 255, 0)), k.name);
    }
}

void TestWebExport::mapBecomesATilePyramid()
{
    QTemporaryDir dir;
    // A photograph-like map: JPEG tiles, 600 by 300, 300 by 150, 150 by 75.
    MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("foto.bmp")), 600, 300);
    ProjectDocument doc = MapTestFiles::Project(dir.path(), "foto.bmp", {});
    Export(doc, dir.filePath(QStringLiteral("a/")));
    QCOMPARE(Files(Assets(dir.filePath(QStringLiteral("a/"))) + QStringLiteral("/kaart")),
             (QStringList{"0/0/0.jpg", "0/0/1.jpg", "0/1/0.jpg", "0/1/1.jpg", "0/2/0.jpg", "0/2/1.jpg", "1/0/0.jpg",
                          "1/1/0.jpg", "2/0/0.jpg"}));
    const QImage pattern = MapTestFiles::Pattern(600, 300);
    const QImage tile(Assets(dir.filePath(QStringLiteral("a/"))) + QStringLiteral("/kaart/0/2/1.jpg"));
    QCOMPARE(tile.size(), QSize(256, 256));
    QVERIFY(PhotoTestFiles::Near(tile.pixel(60, 20), pattern.pixel(512 + 60, 256 + 20), 24));
    QVERIFY(PhotoTestFiles::Near(tile.pixel(200, 200), WebMapTiles::Background, 8)); // beyond the map
    const QImage half(Assets(dir.filePath(QStringLiteral("a/"))) + QStringLiteral("/kaart/1/0/0.jpg"));
    QVERIFY(PhotoTestFiles::Near(
        half.pixel(100, 0), pattern.scaled(300, 150, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(100, 0),
        40));

    // A drawn plan of three colours: PNG tiles with those exact colours,
    // transparent beyond the map.
    QImage plan(300, 200, QImage::Format_RGB32);
    plan.fill(qRgb(250, 250, 240));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            if (x % 50 < 3 || y % 40 < 3)
                plan.setPixel(x, y, y % 80 < 40 ? qRgb(20, 20, 20) : qRgb(200, 30, 30));
    MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("plan.bmp")), plan);
    doc.MapFileName = "plan.bmp";
    Export(doc, dir.filePath(QStringLiteral("b.html")));
    QCOMPARE(Files(Assets(dir.filePath(QStringLiteral("b.html"))) + QStringLiteral("/kaart")),
             (QStringList{"0/0/0.png", "0/1/0.png", "1/0/0.png"}));
    const QImage edge(Assets(dir.filePath(QStringLiteral("b.html"))) + QStringLiteral("/kaart/0/1/0.png"));
    QCOMPARE(edge.size(), QSize(256, 256));
    QCOMPARE(edge.pixel(0, 0), plan.pixel(256, 0));
    QCOMPARE(edge.pixel(43, 199), plan.pixel(299, 199));
    QCOMPARE(edge.pixel(20, 100), plan.pixel(276, 100));
    QCOMPARE(qAlpha(edge.pixel(44, 10)), 0);
    QCOMPARE(qAlpha(edge.pixel(10, 200)), 0);
}

void TestWebExport::largeMapsAreReadInBands()
{
    QTemporaryDir dir;
    // Neither side a multiple of the tile size; odd rows and columns at
    // every level, so the last row and column of each are halved alone.
    const int w = 701, h = 555;
    QImage plan(w, h, QImage::Format_RGB32);
    plan.fill(qRgb(250, 250, 240));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (x % 50 < 3 || y % 40 < 3)
                plan.setPixel(x, y, y % 80 < 40 ? qRgb(20, 20, 20) : qRgb(200, 30, 30));
    // Few colours in the first band of rows, a photograph below it: the
    // PNG tiles already written must give way to JPEG ones.
    QImage late = plan.copy();
    QPainter(&late).drawImage(0, 300, MapTestFiles::Pattern(w, h - 300));
    QImage alpha = plan.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < h; y += 3)
        for (int x = 0; x < w; ++x)
            alpha.setPixel(x, y, qRgba(x & 0xFF, 90, 200, (x + y) & 0xFF));
    QImage palette = plan.convertToFormat(QImage::Format_Indexed8);
    palette.setColor(0, qRgba(10, 200, 10, 77));
    QImage grey = MapTestFiles::Pattern(w, h).convertToFormat(QImage::Format_Grayscale8);
    const struct
    {
        const char *name;
        QImage image;
        const char *format;
    } maps[] = {{"plan.png", plan, "PNG"},  {"laat.png", late, "PNG"},
                {"alfa.png", alpha, "PNG"}, {"palet.png", palette, "PNG"},
                {"grijs.png", grey, "PNG"}, {"foto.jpg", MapTestFiles::Pattern(w, h), "JPEG"}};
    QStringList names;
    for (const auto &map : maps) {
        QVERIFY(map.image.save(dir.filePath(QString::fromLatin1(map.name)), map.format));
        names << QString::fromLatin1(map.name);
    }
    // TIFF as scanners write it (strips) and as GIS do (tiles, here not
    // fitting the map either), compressed.
    for (const QString &name :
         {QStringLiteral("strook.tif"), QStringLiteral("grijs.tif"), QStringLiteral("tegels.tif")}) {
        QStringList arguments{dir.filePath(QStringLiteral("laat.png")),
                              QStringLiteral("-type"),
                              name == QLatin1String("grijs.tif") ? QStringLiteral("Grayscale")
                                                                 : QStringLiteral("TrueColor"),
                              QStringLiteral("-depth"),
                              QStringLiteral("8"),
                              QStringLiteral("-compress"),
                              QStringLiteral("lzw")};
        if (name == QLatin1String("tegels.tif"))
            arguments << QStringLiteral("-define") << QStringLiteral("tiff:tile-geometry=128x96");
        QCOMPARE(QProcess::execute(QStringLiteral("convert"), arguments << dir.filePath(name)), 0);
        names << name;
    }
    for (const QString &name : std::as_const(names)) {
        const ProjectDocument doc = MapTestFiles::Project(dir.path(), name.toLatin1(), {"00001=10,10,0"});
        const QString whole = dir.filePath(name + QStringLiteral("-heel/"));
        const QString bands = dir.filePath(name + QStringLiteral("-banden/"));
        Export(doc, whole);
        WebExport::Progress progress;
        QVERIFY2(ExportInBands(doc, bands, progress), qPrintable(name));
        QCOMPARE(progress.done.load(), progress.total.load());
        const QStringList tiles = Files(Assets(whole) + QStringLiteral("/kaart"));
        QCOMPARE(Files(Assets(bands) + QStringLiteral("/kaart")), tiles);
        // Drawings become PNG tiles, photographs (and the translucent
        // stripes laid on white) JPEG ones.
        const bool drawing = name == QLatin1String("plan.png") || name == QLatin1String("palet.png")
            || name == QLatin1String("grijs.png") || name == QLatin1String("grijs.tif");
        QVERIFY2(tiles.first().endsWith(QStringLiteral(".png")) == drawing, qPrintable(name));
        for (const QString &tile : tiles)
            QVERIFY2(ReadAll(Assets(bands) + QStringLiteral("/kaart/") + tile)
                         == ReadAll(Assets(whole) + QStringLiteral("/kaart/") + tile),
                     qPrintable(name + QLatin1Char(' ') + tile));
        QCOMPARE(ReadAll(Assets(bands) + QStringLiteral("/gegevens.js")),
                 ReadAll(Assets(whole) + QStringLiteral("/gegevens.js")));
    }

    // Rows that come whole only after the last pass, and a small map, stay
    // with the whole decoding.
    const QString interlaced = dir.filePath(QStringLiteral("interlaced.png"));
    QCOMPARE(QProcess::execute(QStringLiteral("convert"),
                               {dir.filePath(QStringLiteral("plan.png")), QStringLiteral("-interlace"),
                                QStringLiteral("PNG"), interlaced}),
             0);
    QVERIFY(!MapBandReader::Open(interlaced, 0));
    QVERIFY(!MapBandReader::Open(dir.filePath(QStringLiteral("plan.png"))));
}

void TestWebExport::damagedMapInBandsLeavesNothing()
{
    QTemporaryDir dir;
    QVERIFY(MapTestFiles::Pattern(600, 700).save(dir.filePath(QStringLiteral("kaart.png")), "PNG"));
    QByteArray png = ReadAll(dir.filePath(QStringLiteral("kaart.png")));
    png.truncate(png.size() * 2 / 3);
    QVERIFY(PhotoTestFiles::WriteFile(dir.filePath(QStringLiteral("kaart.png")), png));
    const ProjectDocument doc = MapTestFiles::Project(dir.path(), "kaart.png", {"00001=10,10,0"});
    const QString out = dir.filePath(QStringLiteral("uit/"));
    WebExport::Progress progress;
    try {
        QVERIFY(ExportInBands(doc, out, progress));
        QFAIL("a map that ends early was exported");
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: ")
                                            .arg(dir.filePath(QStringLiteral("kaart.png")))),
                 qPrintable(e.message()));
    }
    QCOMPARE(Entries(out), QStringList());
}

void TestWebExport::foldersAreNeverLeftHalfWritten()
{
    QTemporaryDir dir;
    QImage photo = PhotoTestFiles::Quadrants(400, 300);
    QVERIFY(PhotoTestFiles::WriteFile(dir.filePath(QStringLiteral("a.jpg")), PhotoTestFiles::Jpeg(photo)));
    QVERIFY(PhotoTestFiles::WriteFile(dir.filePath(QStringLiteral("b.jpg")), PhotoTestFiles::Jpeg(photo)));
    MapTestFiles::WriteBmp(dir.filePath(QStringLiteral("kaart.bmp")), 300, 200);
    ProjectDocument doc = MapTestFiles::Project(dir.path(), "kaart.bmp", {"00001=10,10,0", "00002=20,20,0"},
                                                {"00001=a.jpg", "00002=b.jpg"});

    // A folder with the user's own files is refused and left alone.
    const QString mine = dir.filePath(QStringLiteral("mijn"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("mijn")));
    QVERIFY(PhotoTestFiles::WriteFile(mine + QStringLiteral("/brief.txt"), "tekst"));
    QVERIFY_THROWS_EXCEPTION(TolvekError, Export(doc, mine));
    QCOMPARE(Entries(mine), QStringList{QStringLiteral("brief.txt")});

    // A map that is missing, a pipe, a device or a folder: refused before
    // anything is written.
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pijp.bmp"))).constData(), 0644), 0);
    for (const QByteArray &map :
         {QByteArray("weg.bmp"), QByteArray("pijp.bmp"), QByteArray("/dev/zero"), QByteArray("mijn")}) {
        ProjectDocument bad = doc;
        bad.MapFileName = map;
        QVERIFY_THROWS_EXCEPTION(TolvekError, Export(bad, dir.filePath(QStringLiteral("kaartloos"))));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("kaartloos"))));
    }

    // Cancelled: a folder it had to make is gone again.
    const WebExport::Result cancelled = Export(doc, dir.filePath(QStringLiteral("nieuw")), true);
    QVERIFY(cancelled.cancelled);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nieuw"))));

    // An earlier export is replaced whole: its files go with it.
    const QString web = dir.filePath(QStringLiteral("web"));
    const QString assets = web + QStringLiteral("/index-bestanden");
    Export(doc, web);
    const QString first = Assets(web);
    doc.PositionList.removeLast();
    Export(doc, web);
    QVERIFY(Assets(web) != first);
    QCOMPARE(Entries(assets), QStringList{QFileInfo(Assets(web)).fileName()});
    QCOMPARE(Entries(web), (QStringList{QStringLiteral("index-bestanden"), QStringLiteral("index.html")}));

    // The user's own file among the page's files: refused, by name, and kept.
    QVERIFY(PhotoTestFiles::WriteFile(assets + QStringLiteral("/eigen.txt"), "van mij"));
    try {
        Export(doc, web);
        QFAIL("exported over the user's file");
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("\"eigen.txt\"")), qPrintable(e.message()));
    }
    QVERIFY(QFile::remove(assets + QStringLiteral("/eigen.txt")));
    // Also inside a version, where replacing the page would remove it, even
    // when named much like one of the page's parts.
    for (const char *name : {"/fotos/notities.txt", "/teksten-1.js.orig"}) {
        const QString note = Assets(web) + QLatin1String(name);
        QVERIFY(PhotoTestFiles::WriteFile(note, "van mij"));
        QVERIFY_THROWS_EXCEPTION(TolvekError, Export(doc, web));
        QVERIFY(QFile::exists(note));
        QVERIFY(QFile::remove(note));
    }

    // What killed exports left, however young: a temporary folder, the lock
    // of a process that is gone, a version no page uses; all removed.
    QVERIFY(QDir().mkpath(assets + QStringLiteral("/.tolvek-nieuw-abc123/fotos")));
    QVERIFY(PhotoTestFiles::WriteFile(assets + QStringLiteral("/.tolvek-bezig"), "host 99999"));
    QVERIFY(QDir().mkpath(assets + QStringLiteral("/0123456789abcdef/kaart")));
    Export(doc, web);
    QCOMPARE(Entries(assets), QStringList{QFileInfo(Assets(web)).fileName()});
    // An export that still runs is left alone.
    ProcessLock running;
    QCOMPARE(running.Take(assets + QStringLiteral("/.tolvek-bezig")), ProcessLock::Result::Taken);
    QVERIFY_THROWS_EXCEPTION(TolvekError, Export(doc, web));
    running.Remove();
    const QStringList before = Files(web);
    const QByteArray page = ReadAll(web + QStringLiteral("/index.html"));

    // A write that fails half-way (a file-size limit cuts Leaflet short):
    // an error naming the file, and the earlier export as it was.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit low = old;
    low.rlim_cur = 20000;
    setrlimit(RLIMIT_FSIZE, &low);
    QString message;
    try {
        doc.PositionList << "00002=20,20,0";
        Export(doc, web);
    } catch (const TolvekError &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY2(message.contains(QStringLiteral("het bestand wordt te groot")), qPrintable(message));
    QVERIFY2(message.contains(assets + QLatin1Char('/')), qPrintable(message));
    QCOMPARE(Files(web), before);
    QCOMPARE(ReadAll(web + QStringLiteral("/index.html")), page);
}

void TestWebExport::textsAreEscapedForThePage()
{
    const QString hostile = QStringLiteral("</script><img src=x onerror='alert(1)'>&amp;\"\\\n\u2028\u0081\u00e9");
    const QByteArray json = WebPageWriter::JsonString(hostile);
    for (char c : {'<', '>', '&', '\'', '\n'})
        QVERIFY2(!json.contains(c), json.constData());
    const QJsonDocument parsed = QJsonDocument::fromJson("[" + json + "]");
    QCOMPARE(parsed.array().at(0).toString(), hostile);

    WebPageContent content;
    content.organisation = QStringLiteral("<b>\"Org\"</b> & 'co'");
    content.description << QStringLiteral("</title><script>alert(2)</script>");
    content.assetsAddress = QStringLiteral("index-bestanden/0123456789abcdef");
    const QByteArray page = WebPageWriter::Page(content);
    QVERIFY(page.contains("<h1>&lt;b&gt;&quot;Org&quot;&lt;/b&gt; &amp; &#39;co&#39;</h1>"));
    QVERIFY(page.contains("<p>&lt;/title&gt;&lt;script&gt;alert(2)&lt;/script&gt;</p>"));
    QCOMPARE(page.count("<script"), 3); // Leaflet, the data, the page's script
    QVERIFY(page.contains("content=\"" + WebPageWriter::ContentSecurityPolicy() + "\""));
}

QTEST_MAIN(TestWebExport)
#include "tst_webexport.moc"
