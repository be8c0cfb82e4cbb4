// Saving a project when things go wrong: the program killed in the middle
// of a save, a full file system, a read-only folder or file, a folder that
// disappeared, a file system without unnamed files. The file on disk must
// always be the complete old or the complete new project, with nothing else
// left beside it; a failed save warns and keeps the project modified.

#include "DialogDriver.h"
#include "SessionEdits.h"

#include "app/ProjectFileCommands.h"
#include "app/THoofdForm.h"
#include "core/platform/ProcessFolders.h"
#include "core/platform/SafeFileWriter.h"
#include "core/project/AddPhotoEdit.h"
#include "core/project/DataFile.h"
#include "gui/platform/LocaleAndFonts.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

const QString kWarning =
    QStringLiteral("Databestand is niet opgeslagen omdat niet naar de schijf kon worden geschreven !");

// A project of the given number of photos; variant changes every entry, so
// that two variants of the same size differ throughout the file.
ProjectDocument bigProject(int photos, int variant)
{
    ProjectDocument doc;
    doc.MapFileName = "kaart.bmp";
    doc.Organisation = "Variant " + QByteArray::number(variant);
    for (int i = 1; i <= photos; ++i) {
        const QByteArray key = QByteArray::number(i).rightJustified(5, '0');
        doc.PositionList << key + '=' + QByteArray::number(i * 7 + variant) + ',' + QByteArray::number(i * 3) + ",30";
        doc.NameList << key + "=fotos\\foto" + QByteArray::number(i + variant) + ".jpg";
        doc.NotesList << key + "=Aantekening " + QByteArray::number(variant) + " bij foto " + QByteArray::number(i)
                + "\x9d"
                  "tweede regel";
    }
    return doc;
}

constexpr int kKillPhotos = 6000;

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QStringList leftovers(const QString &folder, const QString &keep)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.removeAll(keep);
    // The lock beside a project that is open (or was, in a killed program)
    // is no leftover of a save.
    names.removeAll(QStringLiteral(".~lock.") + keep + QLatin1Char('#'));
    return names;
}

// Where the kill test keeps its variants, beside the project but not among
// the files that a save may leave.
QString variantFile(const QString &project, int variant)
{
    return QFileInfo(project).absolutePath() + QStringLiteral("/varianten/%1.tvk").arg(variant);
}

// The child of the kill test: saves the two variants in turn through the
// main window until it is killed, or as many times as a third argument says.
// It says "ready" once its window exists.
int saveLoop(int argc, char **argv)
{
    const int saves = argc >= 4 ? std::atoi(argv[3]) : 0;
    ProcessFolders::SupportStartup();
    QApplication app(argc, argv);
    // Any dialog means the save failed: end with a code the parent sees.
    UserInteraction::SetModalHandler([](QDialog *) { std::_Exit(3); });
    const QString fileName = QString::fromLocal8Bit(argv[2]);
    // The variants are opened from the files the parent wrote, then saved
    // as the project.
    const QString variants[2] = {variantFile(fileName, 1), variantFile(fileName, 2)};
    THoofdForm form;
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    for (int i = 0; saves <= 0 || i < saves; ++i) {
        form.Files().ResetProject();
        if (form.Session().Load(variants[(i + 1) % 2]) != DataFile::ReadResult::Ok)
            return 5;
        SessionEdits::MarkModified(form.Session());
        if (!form.Files().WriteDataFile(fileName))
            return 4;
    }
    return 0;
}

} // namespace

class TestSaveFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void killedSaveLeavesOldOrNewFile();
    void namedTemporariesWhereUnnamedFilesAreRefused();
    void staleTemporariesRemovedAtNextSave();
    void fatFileSystem();
    void fullFileSystem();
    void readOnlyFolder();
    void readOnlyFile();
    void vanishedFolder();

private:
    // Opens a saved project of a few photos in the main window and changes it.
    void openAndChange(const QString &fileName);
    // Save through the menu command; the warning is answered with OK.
    void saveExpectingWarning();
    void saveExpectingSuccess(const QString &fileName);

    std::unique_ptr<THoofdForm> m_form;
    std::unique_ptr<DialogDriver> m_driver;
    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_oldBytes;
};

void TestSaveFaults::initTestCase()
{
    ProcessFolders::SupportStartup();
    LocaleAndFonts::SetUp();
}

void TestSaveFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_driver = std::make_unique<DialogDriver>();
    m_form = std::make_unique<THoofdForm>();
}

void TestSaveFaults::cleanup()
{
    if (m_form) {
        m_form->Session().MarkClean();
        m_form.reset();
    }
    QCOMPARE(m_driver->Pending(), 0);
    m_driver.reset();
    m_dir.reset();
}

void TestSaveFaults::openAndChange(const QString &fileName)
{
    QCOMPARE(DataFile::Write(bigProject(5, 0), fileName), DataFile::WriteResult::Ok);
    m_oldBytes = readAll(fileName);
    m_form->Files().ReadDataFile(fileName);
    QCOMPARE(m_form->Document().CurrentFileName, fileName);
    QCOMPARE(m_form->Document().PositionList.size(), 5);
    // The change makes the file far larger than the old one.
    QList<AddPhotoEdit::Photo> photos;
    for (int i = 0; i < 3000; ++i)
        photos.append({i * 7, i * 3, 30, "fotos\\foto" + QByteArray::number(i) + ".jpg"});
    m_form->Session().Perform(AddPhotoEdit::Make(m_form->Document(), photos));
    SessionEdits::SetOrganisation(m_form->Session(), "Gewijzigd");
}

void TestSaveFaults::saveExpectingWarning()
{
    m_driver->dialogs.clear();
    m_driver->Press(QStringLiteral("&OK"));
    m_form->Files().Opslaan1Click();
    QCOMPARE(m_driver->dialogs.size(), 1);
    QVERIFY2(m_driver->dialogs[0].texts.contains(kWarning), qPrintable(m_driver->dialogs[0].texts));
    QVERIFY(m_form->Document().Modified);
    QVERIFY(m_form->Opslaan1->isEnabled());
    QCOMPARE(m_form->Document().Organisation, QByteArray("Gewijzigd"));
}

void TestSaveFaults::saveExpectingSuccess(const QString &fileName)
{
    m_driver->dialogs.clear();
    m_form->Files().Opslaan1Click();
    QCOMPARE(m_driver->dialogs.size(), 0);
    QVERIFY(!m_form->Document().Modified);
    QCOMPARE(readAll(fileName), DataFile::Serialize(m_form->Document()));
}

void TestSaveFaults::killedSaveLeavesOldOrNewFile()
{
    const QString fileName = m_dir->filePath(QStringLiteral("groot.tvk"));
    const QByteArray first = DataFile::Serialize(bigProject(kKillPhotos, 1));
    const QByteArray second = DataFile::Serialize(bigProject(kKillPhotos, 2));
    QVERIFY(first != second);
    QVERIFY(first.size() > 500000);

    QCOMPARE(DataFile::Write(bigProject(kKillPhotos, 1), fileName), DataFile::WriteResult::Ok);
    QCOMPARE(readAll(fileName), first);
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("varianten")));
    for (int v = 1; v <= 2; ++v)
        QCOMPARE(DataFile::Write(bigProject(kKillPhotos, v), variantFile(fileName, v)), DataFile::WriteResult::Ok);

    // How long one round of the child's loop takes here (open, draw, save),
    // so that the kills spread over its first few saves, whatever the
    // opening costs beside the writing.
    const int timedSaves = 4;
    qint64 saveMicros = 0;
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--save-loop"), fileName, QString::number(timedSaves)});
        QVERIFY2(child.waitForReadyRead(30000), "the saving child did not start");
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        saveMicros = qMax<qint64>(clock.nsecsElapsed() / 1000 / timedSaves, 1000);
    }
    QCOMPARE(readAll(fileName), first);

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("one round of the saving child takes %lld us; seed %u", saveMicros, seed);

    const int rounds = qEnvironmentVariableIntValue("TOLVEK_KILL_ROUNDS") > 0
        ? qEnvironmentVariableIntValue("TOLVEK_KILL_ROUNDS")
        : 300;
    int sawFirst = 0;
    int sawSecond = 0;
    for (int round = 0; round < rounds; ++round) {
        // The child and whatever it starts share the write end of this pipe:
        // its end of file says that all of them have ended.
        int gone[2];
        QVERIFY(::pipe2(gone, O_CLOEXEC) == 0);
        auto closePipe = qScopeGuard([&] {
            ::close(gone[0]);
            if (gone[1] >= 0)
                ::close(gone[1]);
        });
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.setChildProcessModifier([&] { ::dup2(gone[1], 3); });
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save-loop"), fileName});
        ::close(std::exchange(gone[1], -1));
        QVERIFY2(child.waitForReadyRead(30000), "the saving child did not start");
        QCOMPARE(child.readLine().trimmed(), QByteArray("ready"));
        // Anywhere in the first few saves: while writing, flushing or renaming.
        QThread::usleep(random.bounded(quint32(saveMicros * 3)));
        QVERIFY2(child.state() == QProcess::Running,
                 qPrintable(QStringLiteral("child ended by itself with %1").arg(child.exitCode())));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        struct pollfd end = {gone[0], POLLIN, 0};
        char byte;
        QVERIFY2(::poll(&end, 1, 30000) == 1 && ::read(gone[0], &byte, 1) == 0, "a process of the child lives on");

        const QByteArray now = readAll(fileName);
        if (now == first)
            ++sawFirst;
        else if (now == second)
            ++sawSecond;
        else
            QFAIL(qPrintable(QStringLiteral("round %1: the file is neither the old nor the new project (%2 bytes)")
                                 .arg(round)
                                 .arg(now.size())));
        // Nothing else in the folder, after every kill.
        const QStringList left = leftovers(m_dir->path(), QStringLiteral("groot.tvk"));
        QVERIFY2(left.isEmpty(), qPrintable(QStringLiteral("round %1 left %2").arg(round).arg(left.join(u' '))));
    }
    qInfo("%d kills: old file %d times, new file %d times; no other file left", rounds, sawFirst, sawSecond);
    // Both outcomes happened, so the kills did fall inside the saves.
    QVERIFY(sawFirst > 0);
    QVERIFY(sawSecond > 0);

    // The project still opens completely.
    m_form->Files().ReadDataFile(fileName);
    QCOMPARE(m_form->Document().PositionList.size(), kKillPhotos);
    QCOMPARE(m_form->Document().NotesList.size(), kKillPhotos);
}

void TestSaveFaults::namedTemporariesWhereUnnamedFilesAreRefused()
{
    // While the new file is written, the folder shows nothing of it; where
    // the file system refuses unnamed files, a hidden file of its own name.
    const QString fileName = m_dir->filePath(QStringLiteral("project.tvk"));
    for (const bool refused : {false, true}) {
        SafeFileWriter::SimulateNoUnnamedFiles(refused);
        auto back = qScopeGuard([] { SafeFileWriter::SimulateNoUnnamedFiles(false); });
        const QByteArray bytes = refused ? QByteArray("tweede") : QByteArray("eerste");
        {
            SafeFileWriter writer(fileName);
            QVERIFY(writer.Open());
            QCOMPARE(writer.WritesUnnamed(), !refused);
            QVERIFY(writer.Append(bytes.constData(), size_t(bytes.size())));
            const QStringList during = leftovers(m_dir->path(), QStringLiteral("project.tvk"));
            if (refused) {
                QCOMPARE(during.size(), 1);
                QVERIFY2(SafeFileWriter::IsTemporaryName(during[0], QStringLiteral("project.tvk")),
                         qPrintable(during[0]));
            } else {
                QCOMPARE(during, QStringList());
            }
            QVERIFY(writer.Commit());
        }
        QCOMPARE(readAll(fileName), bytes);
        QCOMPARE(leftovers(m_dir->path(), QStringLiteral("project.tvk")), QStringList());

        // A save through the main window that fails half-way, and one that succeeds.
        m_form->Files().ResetProject();
        openAndChange(fileName);
        const QByteArray name = QFile::encodeName(fileName);
        QVERIFY(::chmod(name.constData(), 0444) == 0);
        saveExpectingWarning();
        QVERIFY(::chmod(name.constData(), 0644) == 0);
        QCOMPARE(leftovers(m_dir->path(), QStringLiteral("project.tvk")), QStringList());
        saveExpectingSuccess(fileName);
        QCOMPARE(leftovers(m_dir->path(), QStringLiteral("project.tvk")), QStringList());
    }
}

void TestSaveFaults::staleTemporariesRemovedAtNextSave()
{
    // Hidden files a killed save left on a file system without unnamed
    // files (or an older version of the program anywhere): the next save of
    // that file removes those over an hour old, and nothing else.
    const QString fileName = m_dir->filePath(QStringLiteral("project.tvk"));
    openAndChange(fileName);
    const auto make = [&](const QString &name, int ageSeconds) {
        const QString path = m_dir->filePath(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("half");
        f.close();
        const QDateTime when = QDateTime::currentDateTime().addSecs(-ageSeconds);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    make(QStringLiteral(".project.tvk.Ab12Cd"), 2 * 3600);
    make(QStringLiteral(".project.tvk.XYZ789"), 2 * 3600);
    make(QStringLiteral(".project.tvk.Recent"), 600);       // may be a save in progress
    make(QStringLiteral(".ander.tvk.Qw34Er"), 2 * 3600);    // another file's
    make(QStringLiteral(".project.tvk.backup1"), 2 * 3600); // not our pattern
    make(QStringLiteral("project.tvk.Ab12Cd"), 2 * 3600);   // not hidden
    saveExpectingSuccess(fileName);
    QStringList left = leftovers(m_dir->path(), QStringLiteral("project.tvk"));
    left.sort();
    QCOMPARE(left,
             (QStringList{QStringLiteral(".ander.tvk.Qw34Er"), QStringLiteral(".project.tvk.Recent"),
                          QStringLiteral(".project.tvk.backup1"), QStringLiteral("project.tvk.Ab12Cd")}));
}

void TestSaveFaults::fatFileSystem()
{
    // A real FAT file system (no unnamed files, no permissions, times to two
    // seconds), on a loop device: saving works and leaves nothing behind.
    if (::geteuid() != 0)
        QSKIP("mounting a FAT image needs root");
    const QString image = m_dir->filePath(QStringLiteral("fat.img"));
    const QString folder = m_dir->filePath(QStringLiteral("fat"));
    QVERIFY(QDir().mkpath(folder));
    {
        QFile f(image);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QVERIFY(f.resize(16 * 1024 * 1024));
    }
    QProcess mkfs;
    mkfs.start(QStringLiteral("mkfs.vfat"), {image});
    if (!mkfs.waitForFinished(30000) || mkfs.exitStatus() != QProcess::NormalExit || mkfs.exitCode() != 0)
        QSKIP("mkfs.vfat (dosfstools) is not available");
    QProcess mount;
    mount.setProcessChannelMode(QProcess::MergedChannels);
    mount.start(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("loop"), image, folder});
    QVERIFY(mount.waitForFinished(30000));
    if (mount.exitCode() != 0)
        QSKIP(qPrintable(QStringLiteral("cannot mount the FAT image: ") + QString::fromLocal8Bit(mount.readAll())));
    auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {folder}); });

    const QString fileName = folder + QStringLiteral("/project.tvk");
    {
        SafeFileWriter writer(fileName);
        QVERIFY(writer.Open());
        QVERIFY(!writer.WritesUnnamed());
    }
    QCOMPARE(leftovers(folder, QString()), QStringList());
    openAndChange(fileName);
    saveExpectingSuccess(fileName);
    QCOMPARE(leftovers(folder, QStringLiteral("project.tvk")), QStringList());
}

void TestSaveFaults::fullFileSystem()
{
    const QString folder = m_dir->filePath(QStringLiteral("schijf"));
    QVERIFY(QDir().mkpath(folder));
    const QString fileName = folder + QStringLiteral("/project.tvk");
    const QByteArray folderName = QFile::encodeName(folder);

    // A small file system of its own where that is allowed; else a file-size
    // limit, which makes writes fail part-way just as a full disk does.
    const bool mounted = ::mount("tolvek-test", folderName.constData(), "tmpfs", 0, "size=1m") == 0;
    auto unmount = qScopeGuard([&] {
        if (mounted)
            ::umount2(folderName.constData(), MNT_DETACH);
    });
    if (!mounted)
        qInfo("cannot mount a small file system (%s): using a file-size limit", std::strerror(errno));
    openAndChange(fileName);

    struct rlimit saved;
    QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    const QString fillerName = folder + QStringLiteral("/vulling");
    const auto makeRoom = [&] {
        QFile::remove(fillerName);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        ::signal(SIGXFSZ, oldHandler);
    };
    auto roomAtTheEnd = qScopeGuard(makeRoom);
    if (mounted) {
        // Fill what is left.
        QFile filler(fillerName);
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    } else {
        struct rlimit small = saved;
        small.rlim_cur = rlim_t(m_oldBytes.size() + 100);
        QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
    }

    saveExpectingWarning();
    const QStringList left = leftovers(folder, QStringLiteral("project.tvk"));
    const QByteArray onDisk = readAll(fileName);
    makeRoom();
    QCOMPARE(onDisk, m_oldBytes);
    // No half-written temporary file stays behind.
    QCOMPARE(left, mounted ? QStringList{QStringLiteral("vulling")} : QStringList());

    // With room again the same command saves.
    saveExpectingSuccess(fileName);
}

void TestSaveFaults::readOnlyFolder()
{
    const QString folder = m_dir->filePath(QStringLiteral("alleen-lezen"));
    QVERIFY(QDir().mkpath(folder));
    const QString fileName = folder + QStringLiteral("/project.tvk");
    const QByteArray folderName = QFile::encodeName(folder);
    openAndChange(fileName);

    // Permissions do not stop root: then a read-only mount of the folder, or
    // the immutable attribute, stands in for them.
    std::function<void()> undo;
    if (::geteuid() != 0) {
        QVERIFY(::chmod(folderName.constData(), 0555) == 0);
        undo = [folderName] { ::chmod(folderName.constData(), 0755); };
    } else if (::mount(folderName.constData(), folderName.constData(), nullptr, MS_BIND, nullptr) == 0) {
        if (::mount(nullptr, folderName.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            ::umount2(folderName.constData(), MNT_DETACH);
            QSKIP("cannot make a read-only mount");
        }
        undo = [folderName] { ::umount2(folderName.constData(), MNT_DETACH); };
    } else {
        const int fd = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd < 0 || ::ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0
            || (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) != 0)) {
            if (fd >= 0)
                ::close(fd);
            QSKIP("running as root without a way to make a folder read-only (no mounts, no immutable attribute)");
        }
        undo = [fd, flags]() mutable {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            ::close(fd);
        };
    }
    const auto restore = [&] {
        if (undo)
            std::exchange(undo, nullptr)();
    };
    auto restoreAtTheEnd = qScopeGuard(restore);
    // The folder really is read-only now.
    QVERIFY(!QFile(folder + QStringLiteral("/proef")).open(QIODevice::WriteOnly));

    saveExpectingWarning();
    const QByteArray onDisk = readAll(fileName);
    restore();
    QCOMPARE(onDisk, m_oldBytes);
    QCOMPARE(leftovers(folder, QStringLiteral("project.tvk")), QStringList());

    saveExpectingSuccess(fileName);
}

void TestSaveFaults::readOnlyFile()
{
    // A project file marked read-only is not replaced, even though its
    // folder would allow it.
    const QString fileName = m_dir->filePath(QStringLiteral("beschermd.tvk"));
    openAndChange(fileName);
    const QByteArray name = QFile::encodeName(fileName);
    QVERIFY(::chmod(name.constData(), 0444) == 0);

    saveExpectingWarning();
    QCOMPARE(readAll(fileName), m_oldBytes);
    QCOMPARE(leftovers(m_dir->path(), QStringLiteral("beschermd.tvk")), QStringList());
    struct stat st;
    QVERIFY(::stat(name.constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 0777), 0444);

    QVERIFY(::chmod(name.constData(), 0644) == 0);
    saveExpectingSuccess(fileName);
}

void TestSaveFaults::vanishedFolder()
{
    // The project's folder is moved away (or its stick pulled) while open.
    const QString folder = m_dir->filePath(QStringLiteral("map"));
    const QString moved = m_dir->filePath(QStringLiteral("verplaatst"));
    QVERIFY(QDir().mkpath(folder));
    const QString fileName = folder + QStringLiteral("/project.tvk");
    openAndChange(fileName);
    QVERIFY(QDir().rename(folder, moved));

    saveExpectingWarning();
    QVERIFY(!QFileInfo::exists(folder));
    QCOMPARE(readAll(moved + QStringLiteral("/project.tvk")), m_oldBytes);
    QCOMPARE(leftovers(moved, QStringLiteral("project.tvk")), QStringList());

    // Gone altogether: still the warning, and the project stays modified.
    QVERIFY(QDir(moved).removeRecursively());
    saveExpectingWarning();
    QVERIFY(!QFileInfo::exists(folder));

    // Back in place, the same command saves.
    QVERIFY(QDir().mkpath(folder));
    saveExpectingSuccess(fileName);
}

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--save-loop") == 0)
        return saveLoop(argc, argv);
    QApplication app(argc, argv);
    TestSaveFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_savefaults.moc"
