// Files made to hurt the program: each gives a clear message or is handled
// safely, without a crash, a hang or memory running away.

#include "DialogDriver.h"

#include "PhotoTestFiles.h"
#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "gui/platform/LocaleAndFonts.h"

#include "core/base/TolvekError.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapImageCache.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapPainter.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/ProcessFolders.h"
#include "core/project/DataFile.h"
#include "gui/widgets/GeneralError.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

namespace {

// The process's peak resident memory so far, in MB.
long peakMegabytes()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

void le(QByteArray &out, quint32 v, int size)
{
    for (int i = 0; i < size; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

// A bitmap file header and info header claiming width by height pixels at
// 24 bits, followed by a few bytes of pixels.
QByteArray bitmapClaiming(qint32 width, qint32 height)
{
    QByteArray info;
    le(info, 40, 4);
    le(info, quint32(width), 4);
    le(info, quint32(height), 4);
    le(info, 1, 2);
    le(info, 24, 2);
    le(info, 0, 4);
    le(info, 0, 4);
    le(info, 2835, 4);
    le(info, 2835, 4);
    le(info, 0, 4);
    le(info, 0, 4);
    const QByteArray pixels(64, '\x7f');
    QByteArray file("BM");
    le(file, 54 + quint32(pixels.size()), 4);
    le(file, 0, 4);
    le(file, 54, 4);
    return file + info + pixels;
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void dataFileLineOf100MB();
    void longBadNumberIsShownShortened();
    void mapHeaderClaimingHugeSize();
    void hugeTriangleSize();
    void jpegClaiming65500Square();

private:
    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestHostileInput::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

void TestHostileInput::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
}

void TestHostileInput::cleanup()
{
    m_form->Session().MarkClean();
    m_form.reset();
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
    m_dir.reset();
}

void TestHostileInput::dataFileLineOf100MB()
{
    const QString name = m_dir->filePath(QStringLiteral("lang.tvk"));
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Databestand voor Tolvek]\r\n\r\n[Algemene gegevens]\r\n00006=Org\r\n00001=");
        const QByteArray block(1024 * 1024, 'k');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(f.write(block), block.size());
        f.write("\r\n[Fotopositie]\r\n00001=1,2,3\r\n");
    }
    const long before = peakMegabytes();
    m_driver->Press(QStringLiteral("&OK"));
    GeneralError::Run([&] { m_form->Files().ReadDataFile(name); });
    QCOMPARE(m_driver->dialogs.size(), 1);
    const QString text = m_driver->dialogs[0].texts;
    QVERIFY2(text.contains(QStringLiteral("lang.tvk")) && text.contains(QStringLiteral("regel 5 is langer dan")),
             qPrintable(text.left(500)));
    // Nothing of the file was taken.
    QVERIFY(m_form->Document().IsUntitled());
    QVERIFY(m_form->Document().Organisation.isEmpty());
    QVERIFY(m_form->Document().PositionList.isEmpty());
    // The file is read once; no copies of the line pile up.
    const long grown = peakMegabytes() - before;
    QVERIFY2(grown < 400, qPrintable(QStringLiteral("peak memory grew by %1 MB").arg(grown)));
}

void TestHostileInput::longBadNumberIsShownShortened()
{
    // Under the line limit, but far too long for a message box.
    const QByteArray junk(500000, '9');
    ProjectDocument doc;
    try {
        DataFile::Parse(doc, "[Algemene gegevens]\r\n00002=" + junk + "x\r\n");
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(),
                 QStringLiteral("'") + QString(200, QLatin1Char('9'))
                     + QStringLiteral("...' is not a valid integer value"));
    }
    // Short texts are shown whole.
    try {
        DataFile::Parse(doc, "[Algemene gegevens]\r\n00002=12a\r\n");
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QCOMPARE(e.message(), QStringLiteral("'12a' is not a valid integer value"));
    }
}

void TestHostileInput::mapHeaderClaimingHugeSize()
{
    const QString map = m_dir->filePath(QStringLiteral("kaart.bmp"));
    writeFile(map, bitmapClaiming(100000, 100000));
    const QString project = m_dir->filePath(QStringLiteral("p.tvk"));
    writeFile(project, "[Algemene gegevens]\r\n00001=kaart.bmp\r\n[Fotopositie]\r\n00001=5,5,0\r\n");

    const long before = peakMegabytes();
    MapImageCache cache;
    try {
        cache.Load(map);
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("te groot"))
                     && e.message().contains(QStringLiteral("100000 x 100000")),
                 qPrintable(e.message()));
    }

    // Through the main window: the general error box, the project still
    // opens and the program goes on.
    m_driver->Press(QStringLiteral("&OK"));
    m_form->Files().ReadDataFile(project);
    QCOMPARE(m_form->Document().CurrentFileName, project);
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(QStringLiteral("100000 x 100000")),
             qPrintable(m_driver->dialogs[0].texts));
    QVERIFY(peakMegabytes() - before < 200);

    // Just under the limit in pixels, but a file far too short to hold them.
    writeFile(map, bitmapClaiming(20000, 20000));
    try {
        cache.Load(map);
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("kaart.bmp")), qPrintable(e.message()));
    }
    QVERIFY(peakMegabytes() - before < 200);
}

void TestHostileInput::hugeTriangleSize()
{
    const QString project = m_dir->filePath(QStringLiteral("groot.tvk"));
    writeFile(project,
              "[Algemene gegevens]\r\n00001=kaart.bmp\r\n00002=2000000000\r\n00010=\r\n"
              "[Fotopositie]\r\n00001=10,10,0\r\n00002=2147483647,-2147483648,90\r\n00003=-5,7,330\r\n"
              "[Fotonaam]\r\n00001=a.jpg\r\n00002=b.jpg\r\n00003=c.jpg\r\n");
    const QString map = m_dir->filePath(QStringLiteral("kaart.bmp"));
    QImage plan(300, 200, QImage::Format_RGB32);
    plan.fill(Qt::gray);
    QVERIFY(plan.save(map, "BMP"));
    ProjectDocument doc;
    QCOMPARE(DataFile::Read(doc, project), DataFile::ReadResult::Ok);
    QCOMPARE(doc.TriangleSize, 2000000000);

    MapImageCache cache;
    const MapScene scene = MapDrawing::Build(doc, true, cache, map);
    QVERIFY(scene.fontClamped);
    QVERIFY(scene.fontPixelSize <= MapDrawing::MaxFontPixels);
    QCOMPARE(scene.photos.size(), 3);
    for (const MapPhotoShape &photo : scene.photos)
        for (const QPoint &p : photo.triangle)
            QVERIFY(qAbs(qint64(p.x())) <= MapDrawing::CoordinateLimit
                    && qAbs(qint64(p.y())) <= MapDrawing::CoordinateLimit);

    QImage screen(300, 200, QImage::Format_RGB32);
    screen.fill(Qt::black);
    {
        QPainter painter(&screen);
        MapPainter::Paint(painter, scene, QRect(0, 0, 300, 200));
    }
    // The first photo's triangle covers the visible corner: it is drawn
    // (white inside), not lost to an overflow.
    QCOMPARE(screen.pixel(150, 150), qRgb(255, 255, 255));

    MapMetafile metafile;
    metafile.SetScene(scene);
    QVERIFY(!metafile.EmfBytes().isEmpty());

    // And through the main window, labels on.
    m_form->Files().ReadDataFile(project);
    m_form->Fotonummerstonen1->trigger();
    QCOMPARE(m_driver->dialogs.size(), 0);
}

void TestHostileInput::jpegClaiming65500Square()
{
    // A small photo whose frame header claims 65500 by 65500 pixels.
    const QString name = m_dir->filePath(QStringLiteral("reus.jpg"));
    writeFile(name,
              PhotoTestFiles::WithFrameSize(PhotoTestFiles::Jpeg(PhotoTestFiles::Quadrants(64, 64)), 65500, 65500));
    const long before = peakMegabytes();
    QElapsedTimer clock;
    clock.start();
    const PhotoPicture picture = PhotoPicture::Load(name);
    QCOMPARE(picture.Size(), QSize(65500, 65500));
    qInfo("load: %lld ms", clock.restart());
    // Fitted into a window: decoded at the smallest DCT scale.
    const QImage fitted = picture.Scaled(QSize(800, 800));
    QCOMPARE(fitted.size(), QSize(800, 800));
    qInfo("fitted: %lld ms, peak memory grew by %ld MB", clock.restart(), peakMegabytes() - before);
    // At true size it cannot be held: a message, not an attempt.
    try {
        picture.FullSize();
        QFAIL("no error");
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("reus.jpg")), qPrintable(e.message()));
        qInfo("%s", qPrintable(e.message()));
    }
    qInfo("full size refused: %lld ms", clock.restart());
    QVERIFY2(peakMegabytes() - before < 600, qPrintable(QString::number(peakMegabytes() - before)));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestHostileInput test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hostileinput.moc"
