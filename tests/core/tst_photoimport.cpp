// What the photo list and the imports build on, with real files and
// folders: finding photos by words, naming files the way the project can
// find them again, copies into the project, the grid new photos land in,
// the check each imported file gets, and finding moved photos.

#include "PhotoTestFiles.h"

#include "core/photos/MissingPhotoSearch.h"
#include "core/photos/PhotoCopyPlan.h"
#include "core/photos/PhotoFileNames.h"
#include "core/photos/PhotoGrid.h"
#include "core/photos/PhotoImportCheck.h"
#include "core/photos/PhotoTextFilter.h"
#include "core/photos/PhotoTextIndex.h"
#include "core/photos/ProjectRelocation.h"
#include "core/photos/ThumbnailCache.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

bool writeJpeg(const QString &path, int w, int h, QColor colour = QColor(200, 60, 40))
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QDir().mkpath(QFileInfo(path).path());
    return PhotoTestFiles::WriteFile(path, PhotoTestFiles::Jpeg(image));
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPhotoImport : public QObject
{
    Q_OBJECT

private slots:
    void filterIgnoresCaseAndAccents_data();
    void filterIgnoresCaseAndAccents();
    void storedNamesFollowTheProjectFolder();
    void copiesGetUniqueNamesAndIdenticalFilesAreReused();
    void gridKeepsPhotosApartAndOnTheMap();
    void importCheckReadsAndCopies();
    void movedPhotosAreFoundByName();
    void everyThumbnailAskedForArrives();
    void relocationCarriesOrRepaths();
};

void TestPhotoImport::filterIgnoresCaseAndAccents_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("name");  // Windows-1252, as stored
    QTest::addColumn<QByteArray>("notes"); // idem, 0x9D for a line break
    QTest::addColumn<bool>("matches");
    QTest::newRow("accent in the notes") << "cafe" << QByteArray("foto1.jpg") << QByteArray("Terras van het Caf\xe9")
                                         << true;
    QTest::newRow("accent typed, none stored")
        << QStringLiteral("CAF\u00c9") << QByteArray("cafe.jpg") << QByteArray() << true;
    QTest::newRow("name only") << "KERK" << QByteArray("fotos\\Kerktoren.JPG") << QByteArray("toren") << true;
    QTest::newRow("every word, in either")
        << "kerk noord" << QByteArray("kerk.jpg") << QByteArray("gevel\x9dNoordzijde") << true;
    QTest::newRow("a word missing") << "kerk zuid" << QByteArray("kerk.jpg") << QByteArray("Noordzijde") << false;
    QTest::newRow("not across a line break")
        << "gevelnoord" << QByteArray("a.jpg") << QByteArray("gevel\x9dnoord") << false;
    QTest::newRow("not across name and notes") << "jpgtoren" << QByteArray("a.jpg") << QByteArray("toren") << false;
    QTest::newRow("sharp s") << "strasse"
                             << QByteArray("Stra\xdf"
                                           "e.jpg")
                             << QByteArray() << true;
    // Typographic quotes and ligatures as stored, plain ones typed, and
    // the other way round.
    QTest::newRow("typographic apostrophe")
        << "'s-hertogenbosch" << QByteArray("a.jpg") << QByteArray("\x92s-Hertogenbosch") << true;
    QTest::newRow("typed typographic quotes")
        << QStringLiteral("\u201ehet oude\u201d") << QByteArray("a.jpg") << QByteArray("\"Het Oude\" raam") << true;
    QTest::newRow("ligatures") << "oeuvre aegir" << QByteArray("\x9cuvre.jpg") << QByteArray("\xc6gir") << true;
    QTest::newRow("no match") << "molen" << QByteArray("kerk.jpg") << QByteArray("Caf\xe9") << false;
    QTest::newRow("last word of the notes") << "molen" << QByteArray("a.jpg") << QByteArray("oude molen") << true;
}

void TestPhotoImport::filterIgnoresCaseAndAccents()
{
    QFETCH(QString, query);
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, notes);
    QFETCH(bool, matches);
    // Between two photos that match nothing, so a hit cannot come from a
    // neighbour; and last, where the text ends.
    PhotoTextIndex index;
    index.Append("x", "y");
    index.Append(name, notes);
    index.Append("z", "w");
    index.Append(name, notes);
    const std::vector<qsizetype> found = index.Find(PhotoTextFilter(query));
    QCOMPARE(found == (std::vector<qsizetype>{1, 3}), matches);
    QCOMPARE(found.empty(), !matches);
}

void TestPhotoImport::storedNamesFollowTheProjectFolder()
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("set"));
    QVERIFY(writeJpeg(project + QStringLiteral("/fotos/2019/kerk.jpg"), 8, 8));
    QVERIFY(writeJpeg(project + QStringLiteral("/toren.jpg"), 8, 8));
    // A folder whose name starts like the project's is not inside it.
    QVERIFY(writeJpeg(dir.filePath(QStringLiteral("set2/molen.jpg")), 8, 8));
    QVERIFY(QFile::link(project, dir.filePath(QStringLiteral("link"))));

    const QString folder = project + QLatin1Char('/');
    QCOMPARE(PhotoFileNames::StoredName(folder, project + QStringLiteral("/fotos/2019/kerk.jpg")),
             QStringLiteral("fotos\\2019\\kerk.jpg"));
    QCOMPARE(PhotoFileNames::StoredName(folder, project + QStringLiteral("/toren.jpg")), QStringLiteral("toren.jpg"));
    QCOMPARE(PhotoFileNames::StoredName(folder, dir.filePath(QStringLiteral("set2/molen.jpg"))),
             QDir::cleanPath(dir.filePath(QStringLiteral("set2/molen.jpg"))));
    // Reached through a link, still inside.
    QCOMPARE(PhotoFileNames::StoredName(folder, dir.filePath(QStringLiteral("link/toren.jpg"))),
             QStringLiteral("toren.jpg"));
    // A project without a file has no folder: full paths.
    QCOMPARE(PhotoFileNames::StoredName(QString(), project + QStringLiteral("/toren.jpg")),
             QDir::cleanPath(project + QStringLiteral("/toren.jpg")));

    QCOMPARE(PhotoFileNames::Encoded(QStringLiteral("fotos\\caf\u00e9.jpg")), QByteArray("fotos\\caf\xe9.jpg"));
    QVERIFY(!PhotoFileNames::Encoded(QStringLiteral("\u5bfa.jpg")));
    QCOMPARE(PhotoFileNames::SafeFileName(QStringLiteral("\u5bfa:caf\u00e9?.jpg.")),
             QStringLiteral("__caf\u00e9_.jpg"));
    QCOMPARE(PhotoFileNames::Comparable(QStringLiteral("Fotos/Kerk.JPG")),
             PhotoFileNames::Comparable(QStringLiteral("fotos\\kerk.jpg")));
}

void TestPhotoImport::copiesGetUniqueNamesAndIdenticalFilesAreReused()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("project/fotos"));
    const QString a = dir.filePath(QStringLiteral("a/kerk.jpg"));
    const QString b = dir.filePath(QStringLiteral("b/kerk.jpg"));
    const QString c = dir.filePath(QStringLiteral("c/kerk.jpg"));
    QVERIFY(writeJpeg(a, 40, 30, Qt::red));
    QVERIFY(writeJpeg(b, 40, 30, Qt::green));
    QVERIFY(writeJpeg(c, 40, 30, Qt::blue));
    // Already in the project: a's very bytes under another letter case.
    QDir().mkpath(target);
    QVERIFY(QFile::copy(a, target + QStringLiteral("/KERK.jpg")));

    PhotoCopyPlan plan(target);
    const PhotoCopyPlan::Target ta = plan.Plan(a);
    const PhotoCopyPlan::Target tb = plan.Plan(b);
    const PhotoCopyPlan::Target tc = plan.Plan(c);
    QCOMPARE(QFileInfo(ta.fresh).fileName(), QStringLiteral("kerk_2.jpg"));
    QCOMPARE(QFileInfo(tb.fresh).fileName(), QStringLiteral("kerk_3.jpg"));
    QCOMPARE(QFileInfo(tc.fresh).fileName(), QStringLiteral("kerk_4.jpg"));

    bool copied = true;
    QString error;
    // The same photo is used where it is; the others are copied.
    QCOMPARE(PhotoCopyPlan::Carry(a, ta, &copied, &error), target + QStringLiteral("/KERK.jpg"));
    QVERIFY(!copied);
    QCOMPARE(PhotoCopyPlan::Carry(b, tb, &copied, &error), tb.fresh);
    QVERIFY(copied);
    QCOMPARE(bytesOf(tb.fresh), bytesOf(b));
    QVERIFY(!QFileInfo::exists(ta.fresh));

    // A source that vanished: an error, nothing left behind.
    QVERIFY(QFile::remove(c));
    QCOMPARE(PhotoCopyPlan::Carry(c, tc, &copied, &error), QString());
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFileInfo::exists(tc.fresh));
}

void TestPhotoImport::gridKeepsPhotosApartAndOnTheMap()
{
    // Five photos of triangle size 6: three columns 18 apart, around the centre.
    const QList<QPoint> five = PhotoGrid::Centred(5, QPoint(300, 200), 6, QSize(1000, 800));
    QCOMPARE(five, (QList<QPoint>{{282, 191}, {300, 191}, {318, 191}, {282, 209}, {300, 209}}));
    // From a drop point onwards.
    QCOMPARE(PhotoGrid::From(2, QPoint(100, 80), 6, QSize(1000, 800)), (QList<QPoint>{{100, 80}, {118, 80}}));
    // Pushed back onto the map at its edges, and never onto 0.
    const QList<QPoint> edge = PhotoGrid::From(4, QPoint(995, 0), 10, QSize(1000, 800));
    QCOMPARE(edge, (QList<QPoint>{{969, 1}, {999, 1}, {969, 31}, {999, 31}}));
    const QList<QPoint> noMap = PhotoGrid::Centred(9, QPoint(0, 0), 6, QSize(1, 1));
    QCOMPARE(noMap.first(), QPoint(1, 1));
    QCOMPARE(noMap.last(), QPoint(37, 37));
    // Tiny triangles still get room for the pointer.
    QCOMPARE(PhotoGrid::Pitch(0), 12);
}

void TestPhotoImport::importCheckReadsAndCopies()
{
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("in/toren.jpg"));
    QVERIFY(writeJpeg(photo, 400, 300));
    const QString text = dir.filePath(QStringLiteral("in/lees.txt"));
    QVERIFY(PhotoTestFiles::WriteFile(text, "geen foto"));
    const QString broken = dir.filePath(QStringLiteral("in/kapot.jpg"));
    QVERIFY(PhotoTestFiles::WriteFile(broken, QByteArray(2000, 'x')));

    PhotoImportCheck::Job job;
    job.source = photo;
    PhotoImportCheck::Outcome out = PhotoImportCheck::Run(job);
    QVERIFY(out.ok);
    QCOMPARE(out.path, photo);
    QVERIFY(!out.copied);

    job.copy = true;
    PhotoCopyPlan plan(dir.filePath(QStringLiteral("project/fotos")));
    job.target = plan.Plan(photo);
    out = PhotoImportCheck::Run(job);
    QVERIFY(out.ok);
    QVERIFY(out.copied);
    QCOMPARE(out.path, dir.filePath(QStringLiteral("project/fotos/toren.jpg")));
    QCOMPARE(bytesOf(out.path), bytesOf(photo));

    for (const QString &bad : {text, broken}) {
        job.source = bad;
        job.target = plan.Plan(bad);
        out = PhotoImportCheck::Run(job);
        QVERIFY(!out.ok);
        QVERIFY2(out.problem.contains(QFileInfo(bad).fileName()), qPrintable(out.problem));
        // Nothing is copied of a file that is no picture.
        QVERIFY(!QFileInfo::exists(job.target.fresh));
    }
}

void TestPhotoImport::movedPhotosAreFoundByName()
{
    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("set/"));
    // Still there, in other letter case and with Windows separators.
    QVERIFY(writeJpeg(project + QStringLiteral("Fotos/Toren.JPG"), 8, 8));
    // Moved: two files of the name, the one under "2019" matches the stored folders.
    QVERIFY(writeJpeg(dir.filePath(QStringLiteral("nieuw/2020/kerk.jpg")), 8, 8));
    QVERIFY(writeJpeg(dir.filePath(QStringLiteral("nieuw/2019/KERK.jpg")), 8, 8));

    ProjectDocument doc;
    doc.NameList = {"00001=fotos\\toren.jpg", "00002=oud\\2019\\kerk.jpg", "00003=weg.jpg", "00004=++GeenNaam++",
                    "00005="};
    QList<MissingPhotoSearch::Photo> missing = MissingPhotoSearch::FindMissing(doc, project);
    QCOMPARE(missing.size(), 2);
    QCOMPARE(missing[0].nameIndex, 1);
    QCOMPARE(missing[0].keyText, QByteArray("00002"));
    QCOMPARE(missing[1].storedName, QByteArray("weg.jpg"));

    QCOMPARE(MissingPhotoSearch::Search(missing, dir.filePath(QStringLiteral("nieuw"))), 1);
    QCOMPARE(missing[0].found, dir.filePath(QStringLiteral("nieuw/2019/KERK.jpg")));
    QCOMPARE(missing[1].found, QString());
}

// More photos asked for at once than may wait (a sweep over the map while
// the list shows rows): those that give way are announced, so that whoever
// still shows them asks again, and in the end every one arrives.
void TestPhotoImport::everyThumbnailAskedForArrives()
{
    QTemporaryDir dir;
    const int count = ThumbnailCache::MaxWaiting + 40;
    for (int i = 0; i < count; ++i)
        QVERIFY(writeJpeg(dir.filePath(QStringLiteral("f%1.jpg").arg(i)), 64, 48));
    ThumbnailCache cache(32);
    QSet<QString> waiting;
    int announcedStillLoading = 0;
    connect(&cache, &ThumbnailCache::Ready, this, [&](const QString &name, const QString &folder) {
        if (cache.Known(name, folder).state == ThumbnailCache::State::Loading) {
            ++announcedStillLoading;
            cache.Request(name, folder);
        } else {
            waiting.remove(name);
        }
    });
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("f%1.jpg").arg(i);
        waiting.insert(name);
        QCOMPARE(cache.Request(name, dir.path()).state, ThumbnailCache::State::Loading);
    }
    QTRY_VERIFY_WITH_TIMEOUT(waiting.isEmpty(), 30000);
    QVERIFY(announcedStillLoading > 0);
    QCOMPARE(cache.Known(QStringLiteral("f0.jpg"), dir.path()).image.size(), QSize(32, 24));
}

// A project saved into another folder: which files its names would lose,
// the two ways to keep them, and a copy that fails half-way leaving nothing
// behind.
void TestPhotoImport::relocationCarriesOrRepaths()
{
    QTemporaryDir dir;
    const QString old = dir.filePath(QStringLiteral("oud"));
    const QString elsewhere = dir.filePath(QStringLiteral("elders/c.jpg"));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("oud/sub")) && QDir(dir.path()).mkpath(QStringLiteral("elders")));
    QVERIFY(PhotoTestFiles::WriteFile(old + QStringLiteral("/kaart.bmp"), QByteArray(3000, 'k')));
    QVERIFY(PhotoTestFiles::WriteFile(old + QStringLiteral("/a.jpg"), QByteArray(2000, 'a')));
    QVERIFY(PhotoTestFiles::WriteFile(old + QStringLiteral("/sub/b.jpg"), QByteArray(2000, 'b')));
    QVERIFY(PhotoTestFiles::WriteFile(elsewhere, QByteArray(50000, 'c')));
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.NameList = {"00001=a.jpg", "00002=SUB\\b.jpg", "00003=..\\elders\\c.jpg",
                    "00004=" + QFile::encodeName(elsewhere), "00005=weg.jpg"};
    const auto names = [](const QList<ProjectRelocation::File> &files) {
        QList<QByteArray> out;
        for (const auto &f : files)
            out << f.storedName;
        return out;
    };
    QCOMPARE(ProjectRelocation::Concerned(doc, old, old).size(), 0);
    // Deeper than "oud": "..\\elders" leads nowhere from there.
    const QString to = dir.filePath(QStringLiteral("ver/nieuw"));
    QVERIFY(QDir().mkpath(to));
    const QList<ProjectRelocation::File> files = ProjectRelocation::Concerned(doc, old, to);
    QCOMPARE(names(files), (QList<QByteArray>{"kaart.bmp", "a.jpg", "SUB\\b.jpg", "..\\elders\\c.jpg"}));
    QVERIFY(files[0].isMap);
    // A first save also takes the full path from outside along.
    QCOMPARE(ProjectRelocation::Concerned(doc, old, to, true).size(), 5);

    ProjectRelocation::Outcome paths = ProjectRelocation::Repath(files, to);
    QVERIFY(paths.ok);
    QCOMPARE(*paths.mapFileName, QFile::encodeName(old + QStringLiteral("/kaart.bmp")));
    QCOMPARE(paths.renames.size(), 3);
    QCOMPARE(paths.renames[2].fileName, QFile::encodeName(elsewhere));
    QVERIFY(paths.made.isEmpty());

    ProjectRelocation::Outcome carried = ProjectRelocation::Carry(files, to);
    QVERIFY2(carried.ok, qPrintable(carried.error));
    QCOMPARE(*carried.mapFileName, QByteArray("kaart.bmp"));
    QCOMPARE(carried.renames[0].fileName, QByteArray("fotos\\a.jpg"));
    QCOMPARE(carried.renames[2].fileName, QByteArray("fotos\\c.jpg"));
    QCOMPARE(
        [&] {
            QFile f(to + QStringLiteral("/fotos/c.jpg"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }(),
        QByteArray(50000, 'c'));
    auto edit = ProjectRelocation::Edit(doc, carried);
    edit->Apply(doc);
    QCOMPARE(doc.NameList[2], QByteArray("00003=fotos\\c.jpg"));
    QCOMPARE(doc.NameList[3], "00004=" + QFile::encodeName(elsewhere));
    QCOMPARE(doc.MapFileName, QByteArray("kaart.bmp"));

    // The third copy fails (files may grow to 20000 bytes only): the two
    // made are removed, and the folder is as it was.
    const QString failing = dir.filePath(QStringLiteral("vol"));
    QVERIFY(QDir().mkpath(failing));
    struct rlimit before;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = before;
    small.rlim_cur = 20000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    ProjectRelocation::Outcome failed = ProjectRelocation::Carry(files, failing);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldSignal);
    QVERIFY(!failed.ok);
    QVERIFY2(failed.error.contains(QStringLiteral("c.jpg")), qPrintable(failed.error));
    QCOMPARE(QDir(failing).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

QTEST_GUILESS_MAIN(TestPhotoImport)
#include "tst_photoimport.moc"
