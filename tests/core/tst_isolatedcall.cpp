// Decoding in a helper process: whatever the library does there, the
// program gets an answer in time and goes on.

#include "IsolatedCallJobs.h"
#include "core/base/TolvekError.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/ChmArchive.h"
#include "core/platform/IsolatedCall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <condition_variable>
#include <thread>

namespace {

// The test's own helper with jobs of every kind of ending.
IsolatedCall::Result RunJob(const char *job, const QByteArray &input = QByteArray(),
                            const IsolatedCall::Limits &limits = IsolatedCall::Limits())
{
    return IsolatedCall::RunWith(QStringLiteral(TOLVEK_TEST_JOBS), job, input, limits);
}

} // namespace

class TestIsolatedCall : public QObject
{
    Q_OBJECT
private slots:
    void outputComesBack();
    void reportedFailure();
    void crashInTheHelper();
    void endlessLoopIsKilled();
    void runawayMemory();
    void tooMuchOutput();
    void locksHeldByOtherThreads();
    void missingHelperOrJob();
    void damagedHelpFilesFoundByFuzzing_data();
    void damagedHelpFilesFoundByFuzzing();
    void damagedMetafilesFoundByFuzzing_data();
    void damagedMetafilesFoundByFuzzing();
};

void TestIsolatedCall::outputComesBack()
{
    const QByteArray big(3 * 1024 * 1024, 'z'); // more than a pipe holds at once
    const auto r = RunJob("echo", big);
    QCOMPARE(r.status, IsolatedCall::Status::Ok);
    QCOMPARE(r.output, "begin" + big + "end");
    QCOMPARE(RunJob("echo").output, QByteArray("beginend"));
}

void TestIsolatedCall::reportedFailure()
{
    const auto r = RunJob("fail");
    QCOMPARE(r.status, IsolatedCall::Status::Failed);
    QVERIFY(r.output.isEmpty());
}

void TestIsolatedCall::crashInTheHelper()
{
    QCOMPARE(RunJob("segv").status, IsolatedCall::Status::Crashed);
    QCOMPARE(RunJob("abort").status, IsolatedCall::Status::Crashed);
    QCOMPARE(RunJob("exit").status, IsolatedCall::Status::Crashed);
}

void TestIsolatedCall::endlessLoopIsKilled()
{
    IsolatedCall::Limits limits;
    limits.milliseconds = 300;
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(RunJob("hang", QByteArray(), limits).status, IsolatedCall::Status::TimedOut);
    QVERIFY(clock.elapsed() >= 300);
}

void TestIsolatedCall::runawayMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer's reserved memory leaves no room for an address-space limit");
#else
    // Asking for far more than the limit: the helper cannot have it; whether
    // it then fails or dies, the program hears of it.
    IsolatedCall::Limits limits;
    limits.memoryBytes = qint64(512) << 20;
    limits.milliseconds = 20000;
    const auto r = RunJob("hog", QByteArray(), limits);
    QVERIFY2(r.status == IsolatedCall::Status::Failed || r.status == IsolatedCall::Status::Crashed,
             qPrintable(QString::number(int(r.status))));
#endif
}

void TestIsolatedCall::tooMuchOutput()
{
    IsolatedCall::Limits limits;
    limits.outputBytes = 1000;
    const auto r = RunJob("flood", "100000", limits);
    QCOMPARE(r.status, IsolatedCall::Status::TooLarge);
    QVERIFY(r.output.isEmpty());
}

void TestIsolatedCall::locksHeldByOtherThreads()
{
    // Another thread of the program holds a lock the job takes, as the
    // program's threads hold the locks of fontconfig, the loader or Qt's
    // thread pools: a forked copy of the program would wait for it for ever.
    std::mutex m;
    std::condition_variable changed;
    bool held = false;
    bool done = false;
    std::thread holder([&] {
        const std::lock_guard<std::mutex> hold(JobLock());
        std::unique_lock<std::mutex> lock(m);
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return done; });
    });
    {
        std::unique_lock<std::mutex> lock(m);
        changed.wait(lock, [&] { return held; });
    }
    IsolatedCall::Limits limits;
    limits.milliseconds = 5000;
    const auto r = RunJob("lock", QByteArray(), limits);
    {
        const std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    changed.notify_all();
    holder.join();
    QCOMPARE(r.status, IsolatedCall::Status::Ok);
    QCOMPARE(r.output, QByteArray("locked"));
}

void TestIsolatedCall::missingHelperOrJob()
{
    QVERIFY2(QFileInfo(IsolatedCall::HelperProgram()).isExecutable(), qPrintable(IsolatedCall::HelperProgram()));
    QCOMPARE(IsolatedCall::Run("geen-taak", QByteArray(), IsolatedCall::Limits()).status,
             IsolatedCall::Status::Crashed);
    QCOMPARE(IsolatedCall::RunWith(QDir::temp().filePath(QStringLiteral("geen-hulpprogramma")), "echo", QByteArray(),
                                   IsolatedCall::Limits())
                 .status,
             IsolatedCall::Status::NoChild);
}

void TestIsolatedCall::damagedHelpFilesFoundByFuzzing_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(TOLVEK_HELP_REGRESSIONS));
    const QStringList files = dir.entryList({QStringLiteral("*.chm")}, QDir::Files);
    QVERIFY(files.size() >= 3);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << dir.filePath(f);
}

void TestIsolatedCall::damagedHelpFilesFoundByFuzzing()
{
    // Each of these made chmlib read out of bounds, ask for 4 GB or loop
    // for ever inside the program.
    QFETCH(QString, file);
    ChmArchive archive;
    QElapsedTimer clock;
    clock.start();
    const bool opened = archive.Open(file);
    QVERIFY(clock.elapsed() <= ChmArchive::OpenMilliseconds + 2000);
    if (opened) {
        archive.DefaultTopic();
        archive.TopicForContext(20);
    }
    // The program's own help file still opens afterwards.
    QVERIFY(archive.Open(QStringLiteral(TOLVEK_HELP_FILE)));
    QVERIFY(archive.Contains(QStringLiteral("/inhoud.html")));
    QVERIFY(archive.Contains(QStringLiteral("/INHOUD.HTML")));
}

void TestIsolatedCall::damagedMetafilesFoundByFuzzing_data()
{
    QTest::addColumn<QString>("file");
    const QDir dir(QStringLiteral(TOLVEK_FUZZ_REGRESSIONS));
    int rows = 0;
    for (const QString &kind : {QStringLiteral("emf"), QStringLiteral("wmf")}) {
        const QDir folder(dir.filePath(kind));
        for (const QString &f : folder.entryList(QDir::Files)) {
            QTest::newRow(qPrintable(kind + QLatin1Char('/') + f)) << folder.filePath(f);
            ++rows;
        }
    }
    QVERIFY(rows >= 2);
}

void TestIsolatedCall::damagedMetafilesFoundByFuzzing()
{
    // Each of these made the metafile library read outside its buffers
    // inside the program. Now the photo either shows or is refused with a
    // message naming it; the program goes on.
    QFETCH(QString, file);
    try {
        const PhotoPicture picture = PhotoPicture::Load(file);
        QVERIFY(!picture.IsNull());
    } catch (const TolvekError &e) {
        QVERIFY2(e.message().contains(QFileInfo(file).fileName()), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestIsolatedCall)
#include "tst_isolatedcall.moc"
