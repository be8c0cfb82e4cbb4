// Decoding in a child process: whatever the library does there, the
// program gets an answer in time and goes on.

#include "core/base/TolvekError.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/ChmArchive.h"
#include "core/platform/IsolatedCall.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

class TestIsolatedCall : public QObject
{
    Q_OBJECT
private slots:
    void outputComesBack();
    void reportedFailure();
    void crashInTheChild();
    void endlessLoopIsKilled();
    void runawayMemory();
    void tooMuchOutput();
    void damagedHelpFilesFoundByFuzzing_data();
    void damagedHelpFilesFoundByFuzzing();
    void damagedMetafilesFoundByFuzzing_data();
    void damagedMetafilesFoundByFuzzing();
};

void TestIsolatedCall::outputComesBack()
{
    const QByteArray big(3 * 1024 * 1024, 'z'); // more than a pipe holds at once
    const auto r = IsolatedCall::Run([&](QByteArray &out) {
        out = "begin" + big + "end";
        return true;
    });
    QCOMPARE(r.status, IsolatedCall::Status::Ok);
    QCOMPARE(r.output, "begin" + big + "end");
    // Nothing the child did reaches the parent's memory.
    int touched = 0;
    QCOMPARE(IsolatedCall::Run([&](QByteArray &) {
                 touched = 1;
                 return true;
             }).status,
             IsolatedCall::Status::Ok);
    QCOMPARE(touched, 0);
}

void TestIsolatedCall::reportedFailure()
{
    const auto r = IsolatedCall::Run([](QByteArray &out) {
        out = "half";
        return false;
    });
    QCOMPARE(r.status, IsolatedCall::Status::Failed);
    QVERIFY(r.output.isEmpty());
}

void TestIsolatedCall::crashInTheChild()
{
    QCOMPARE(IsolatedCall::Run([](QByteArray &) -> bool {
                 std::raise(SIGSEGV);
                 return true;
             }).status,
             IsolatedCall::Status::Crashed);
    QCOMPARE(IsolatedCall::Run([](QByteArray &) -> bool { std::abort(); }).status, IsolatedCall::Status::Crashed);
    QCOMPARE(IsolatedCall::Run([](QByteArray &) -> bool { ::_exit(0); }).status, IsolatedCall::Status::Crashed);
}

void TestIsolatedCall::endlessLoopIsKilled()
{
    IsolatedCall::Limits limits;
    limits.milliseconds = 300;
    QElapsedTimer clock;
    clock.start();
    const auto r = IsolatedCall::Run(
        [](QByteArray &out) {
            out = "x";
            for (;;)
                ::pause();
            return true;
        },
        limits);
    QCOMPARE(r.status, IsolatedCall::Status::TimedOut);
    QVERIFY(clock.elapsed() >= 300);
}

void TestIsolatedCall::runawayMemory()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the address sanitizer's reserved memory leaves no room for an address-space limit");
#else
    // Asking for far more than the limit: the child cannot have it; whether
    // it then fails or dies, the parent hears of it.
    IsolatedCall::Limits limits;
    limits.memoryBytes = qint64(512) << 20;
    limits.milliseconds = 20000;
    const auto r = IsolatedCall::Run(
        [](QByteArray &) {
            void *p = std::malloc(size_t(4) << 30);
            if (!p)
                return false;
            std::memset(p, 1, size_t(4) << 30);
            std::free(p);
            return true;
        },
        limits);
    QVERIFY2(r.status == IsolatedCall::Status::Failed || r.status == IsolatedCall::Status::Crashed,
             qPrintable(QString::number(int(r.status))));
#endif
}

void TestIsolatedCall::tooMuchOutput()
{
    IsolatedCall::Limits limits;
    limits.outputBytes = 1000;
    const auto r = IsolatedCall::Run(
        [](QByteArray &out) {
            out = QByteArray(100000, 'a');
            return true;
        },
        limits);
    QCOMPARE(r.status, IsolatedCall::Status::TooLarge);
    QVERIFY(r.output.isEmpty());
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
