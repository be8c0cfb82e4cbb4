// The web page export's files: photos by key, scaled and turned upright;
// the map's tile pyramid; the folder rules (nothing half-written, nothing
// outside the chosen folder); texts escaped for the page's script. How the
// page behaves in a browser is tests/web's.

#include "MapTestFiles.h"
#include "PhotoTestFiles.h"

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/photos/JpegDecoder.h"
#include "core/project/PhotoEntry.h"
#include "core/web/WebExport.h"
#include "core/web/WebMapTiles.h"
#include "core/web/WebPageWriter.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <filesystem>

#include <csignal>
#include <sys/resource.h>

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

WebExport::Result Export(const ProjectDocument &doc, const QString &output, bool cancelled = false)
{
    MapImageCache cache;
    const MapScene scene = MapDrawing::Build(doc, false, cache, MapDrawing::MapFilePath(doc));
    WebExport::Progress progress;
    progress.cancelled = cancelled;
    return WebExport::Run(doc, scene, WebExportFolder::ForOutput(output), progress);
}

} // namespace

class TestWebExport : public QObject
{
    Q_OBJECT
private slots:
    void photosAreNamedByKeyScaledAndUpright();
    void everyKindOfPhotoReachesThePage();
    void mapBecomesATilePyramid();
    void foldersAreNeverLeftHalfWritten();
    void textsAreEscapedForThePage();
};

void TestWebExport::photosAreNamedByKeyScaledAndUpright()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("project")));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("elders")));
    const QString project = dir.filePath(QStringLiteral("project"));
    // A camera photo stored on its side (EXIF 6: turn right to view), kept
    // outside the project folder; a small upright photo; a missing one.
    QVERIFY(PhotoTestFiles::WriteFile(dir.filePath(QStringLiteral("elders/kerk.jpg")),
                                      PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(3000, 2000), 6)));
    const QByteArray small = PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(800, 600));
    QVERIFY(PhotoTestFiles::WriteFile(QDir(project).filePath(QStringLiteral("toren.jpg")), small));
    MapTestFiles::WriteBmp(QDir(project).filePath(QStringLiteral("kaart.bmp")), 300, 200);
    ProjectDocument doc =
        MapTestFiles::Project(project, "kaart.bmp", {"00001=50,50,0", "00002=100,50,90", "00003=150,50,180"},
                              {"00001=..\\elders\\kerk.jpg", "00002=TOREN.JPG", "00003=weg.jpg"});

    const QString out = dir.filePath(QStringLiteral("web"));
    const WebExport::Result r = Export(doc, out);
    QCOMPARE(r.photos, 3);
    QCOMPARE(r.missing, QStringList{QStringLiteral("weg.jpg: het bestand bestaat niet")});
    QCOMPARE(Entries(out), (QStringList{QStringLiteral("index-bestanden"), QStringLiteral("index.html")}));
    QCOMPARE(Entries(dir.path()),
             (QStringList{QStringLiteral("elders"), QStringLiteral("project"), QStringLiteral("web")}));
    QStringList photos = Entries(out + QStringLiteral("/index-bestanden/fotos"));
    QCOMPARE(photos,
             (QStringList{QStringLiteral("foto-00001-klein.jpg"), QStringLiteral("foto-00001.jpg"),
                          QStringLiteral("foto-00002-klein.jpg"), QStringLiteral("foto-00002.jpg")}));

    // Turned upright (red, top left when stored, is now top right) and
    // decoded at a DCT scale: 3000 by 2000 at 5/8.
    const QImage big(out + QStringLiteral("/index-bestanden/fotos/foto-00001.jpg"));
    QCOMPARE(big.size(), QSize(1250, 1875));
    QVERIFY(PhotoTestFiles::Near(big.pixel(1100, 200), qRgb(255, 0, 0)));
    QVERIFY(PhotoTestFiles::Near(big.pixel(150, 200), qRgb(0, 0, 255)));
    QVERIFY(JpegDecoder::ReadHeader(ReadAll(out + QStringLiteral("/index-bestanden/fotos/foto-00001.jpg"))).orientation
            == 1);
    const QImage thumbnail(out + QStringLiteral("/index-bestanden/fotos/foto-00001-klein.jpg"));
    QCOMPARE(thumbnail.size(), QSize(213, 320));
    // Small and upright already: the original, byte for byte.
    QCOMPARE(ReadAll(out + QStringLiteral("/index-bestanden/fotos/foto-00002.jpg")), small);

    const QByteArray data = ReadAll(out + QStringLiteral("/index-bestanden/gegevens.js"));
    QVERIFY(data.contains("\"id\": \"foto-00001\""));
    QVERIFY(data.contains("\"photo\": \"fotos/foto-00001.jpg\", \"thumbnail\": \"fotos/foto-00001-klein.jpg\", "
                          "\"width\": 1250, \"height\": 1875"));
    QVERIFY(!data.contains("foto-00003.jpg")); // the page shows the placeholder
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
        const QString file = out
            + QStringLiteral("/index-bestanden/fotos/foto-%1.%2")
                  .arg(QString::fromLatin1(PhotoEntry::KeyTextFor(key)), QLatin1String(k.shownAs));
        const QImage shown(file);
        QVERIFY2(shown.size() == QSize(64, 48), qPrintable(file));
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
    QCOMPARE(Files(dir.filePath(QStringLiteral("a/index-bestanden/kaart"))),
             (QStringList{"0/0/0.jpg", "0/0/1.jpg", "0/1/0.jpg", "0/1/1.jpg", "0/2/0.jpg", "0/2/1.jpg", "1/0/0.jpg",
                          "1/1/0.jpg", "2/0/0.jpg"}));
    const QImage pattern = MapTestFiles::Pattern(600, 300);
    const QImage tile(dir.filePath(QStringLiteral("a/index-bestanden/kaart/0/2/1.jpg")));
    QCOMPARE(tile.size(), QSize(256, 256));
    QVERIFY(PhotoTestFiles::Near(tile.pixel(60, 20), pattern.pixel(512 + 60, 256 + 20), 24));
    QVERIFY(PhotoTestFiles::Near(tile.pixel(200, 200), WebMapTiles::Background, 8)); // beyond the map
    const QImage half(dir.filePath(QStringLiteral("a/index-bestanden/kaart/1/0/0.jpg")));
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
    QCOMPARE(Files(dir.filePath(QStringLiteral("b-bestanden/kaart"))),
             (QStringList{"0/0/0.png", "0/1/0.png", "1/0/0.png"}));
    const QImage edge(dir.filePath(QStringLiteral("b-bestanden/kaart/0/1/0.png")));
    QCOMPARE(edge.size(), QSize(256, 256));
    QCOMPARE(edge.pixel(0, 0), plan.pixel(256, 0));
    QCOMPARE(edge.pixel(43, 199), plan.pixel(299, 199));
    QCOMPARE(edge.pixel(20, 100), plan.pixel(276, 100));
    QCOMPARE(qAlpha(edge.pixel(44, 10)), 0);
    QCOMPARE(qAlpha(edge.pixel(10, 200)), 0);
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

    // Cancelled: a folder it had to make is gone again.
    const WebExport::Result cancelled = Export(doc, dir.filePath(QStringLiteral("nieuw")), true);
    QVERIFY(cancelled.cancelled);
    QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("nieuw"))));

    // An earlier export is replaced whole: the photo that was deleted from
    // the project goes with it.
    const QString web = dir.filePath(QStringLiteral("web"));
    Export(doc, web);
    QVERIFY(QFileInfo::exists(web + QStringLiteral("/index-bestanden/fotos/foto-00002.jpg")));
    doc.PositionList.removeLast();
    Export(doc, web);
    QVERIFY(!QFileInfo::exists(web + QStringLiteral("/index-bestanden/fotos/foto-00002.jpg")));
    QCOMPARE(Entries(web), (QStringList{QStringLiteral("index-bestanden"), QStringLiteral("index.html")}));

    // Temporary folders of killed exports: one left long ago goes at the
    // next export, one of an export that may still run stays.
    const QString stale = web + QStringLiteral("/.tolvek-webpagina-oud123");
    const QString recent = web + QStringLiteral("/.tolvek-webpagina-nieuw1");
    for (const QString &temporary : {stale, recent}) {
        QVERIFY(QDir().mkpath(temporary + QStringLiteral("/index-bestanden")));
        QVERIFY(PhotoTestFiles::WriteFile(temporary + QStringLiteral("/index.html"), "half"));
    }
    std::filesystem::last_write_time(stale.toStdString(),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    Export(doc, web);
    QVERIFY(!QFileInfo::exists(stale));
    QVERIFY(QFileInfo::exists(recent + QStringLiteral("/index.html")));
    QVERIFY(QDir(recent).removeRecursively());
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
    QVERIFY2(message.contains(web + QStringLiteral("/index-bestanden/")), qPrintable(message));
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
    content.assetsName = QStringLiteral("index-bestanden");
    const QByteArray page = WebPageWriter::Page(content);
    QVERIFY(page.contains("<h1>&lt;b&gt;&quot;Org&quot;&lt;/b&gt; &amp; &#39;co&#39;</h1>"));
    QVERIFY(page.contains("<p>&lt;/title&gt;&lt;script&gt;alert(2)&lt;/script&gt;</p>"));
    QCOMPARE(page.count("<script"), 3); // Leaflet, the data, the page's script
    QVERIFY(page.contains("content=\"" + WebPageWriter::ContentSecurityPolicy() + "\""));
}

QTEST_MAIN(TestWebExport)
#include "tst_webexport.moc"
