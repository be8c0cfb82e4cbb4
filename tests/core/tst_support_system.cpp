// The system queries behind the configuration report: write tests, disk
// space, memory, volume identity and drive types, checked against this
// machine and against independent sources (QStorageInfo, sysinfo).
#include "core/info/SystemUtilities.h"
#include "core/platform/SystemQueries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <unistd.h>

using namespace SystemUtilities;

class TestSupportSystem : public QObject
{
    Q_OBJECT

private slots:
    void writeTestSucceedsAndLeavesNothing();
    void writeTestFailsWithoutLeavingAFile_data();
    void writeTestFailsWithoutLeavingAFile();
    void existingTestFileSurvivesUntouched();
    void diskSpaceRounding_data();
    void diskSpaceRounding();
    void diskSpaceOfThisMachine();
    void diskSpaceRefusals();
    void memoryFigures();
    void volumeSerial();
    void driveTypeNames();
    void mountInfoLookup();
    void driveTypeFromMount_data();
    void driveTypeFromMount();
    void fileSize();
    void parsers();
    void speedMeasurementRestoresPriorities();
};

static QStringList EntriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

void TestSupportSystem::writeTestSucceedsAndLeavesNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(TestWriteFile(dir.path() + QStringLiteral("/$cdtmp.tmp")));
    QVERIFY(EntriesOf(dir.path()).isEmpty());
    // Twice in a row: the first left nothing that blocks the second.
    QVERIFY(TestWriteFile(dir.path() + QStringLiteral("/$cdtmp.tmp")));
    QVERIFY(EntriesOf(dir.path()).isEmpty());
}

void TestSupportSystem::writeTestFailsWithoutLeavingAFile_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("watched"); // where a stray file would show
    static QTemporaryDir dir;
    QFile plain(dir.path() + QStringLiteral("/plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QTest::newRow("missing folder") << dir.path() + QStringLiteral("/nonexistent/") << dir.path();
    QTest::newRow("folder under a file") << dir.path() + QStringLiteral("/plain.txt/") << dir.path();
    QTest::newRow("read-only file system") << QStringLiteral("/proc/self/") << QStringLiteral("/proc/self");
    if (::geteuid() != 0) {
        // Root may write anywhere, so a read-only folder only refuses others.
        const QString ro = dir.path() + QStringLiteral("/readonly");
        QVERIFY(QDir().mkpath(ro));
        QVERIFY(QFile::setPermissions(ro, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        QTest::newRow("read-only folder") << ro + QStringLiteral("/") << ro;
    }
}

void TestSupportSystem::writeTestFailsWithoutLeavingAFile()
{
    QFETCH(QString, folder);
    QFETCH(QString, watched);
    const QStringList before = EntriesOf(watched);
    QVERIFY(!TestWriteFile(folder + QStringLiteral("$cdtmp.tmp")));
    QCOMPARE(EntriesOf(watched), before);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("$cdtmp.tmp")));
}

void TestSupportSystem::existingTestFileSurvivesUntouched()
{
    QTemporaryDir dir;
    const QString name = dir.path() + QStringLiteral("/$cdtmp.tmp");
    const QByteArray content("somebody's own data\r\n");
    {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    // Also the first alternative name is taken.
    {
        QFile f(dir.path() + QStringLiteral("/$cdtmp1.tmp"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("second");
    }
    const QDateTime modified = QFileInfo(name).lastModified();
    QVERIFY(TestWriteFile(name));
    QFile f(name);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
    QCOMPARE(QFileInfo(name).lastModified(), modified);
    QCOMPARE(EntriesOf(dir.path()), QStringList({QStringLiteral("$cdtmp.tmp"), QStringLiteral("$cdtmp1.tmp")}));

    // A link of that name is not followed, and its target stays as it was.
    QTemporaryDir other;
    const QString target = other.path() + QStringLiteral("/target.txt");
    QVERIFY(QFile::copy(name, target));
    QVERIFY(QFile::remove(name));
    QVERIFY(QFile::link(target, name));
    QVERIFY(TestWriteFile(name));
    QVERIFY(QFileInfo(name).isSymLink());
    QFile t(target);
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), content);
}

void TestSupportSystem::diskSpaceRounding_data()
{
    QTest::addColumn<qulonglong>("bytes");
    QTest::addColumn<qint64>("mb");
    QTest::newRow("10,240,000,000") << 10240000000ULL << qint64(10000);
    QTest::newRow("zero") << 0ULL << qint64(0);
    QTest::newRow("just under a half") << 511999ULL << qint64(0);
    QTest::newRow("exact half goes to even 0") << 512000ULL << qint64(0);
    QTest::newRow("exact half goes to even 2") << 1536000ULL << qint64(2);
    QTest::newRow("just over a half") << 512001ULL << qint64(1);
    QTest::newRow("1 MiB is not 1 mb") << 1048576ULL << qint64(1);
    QTest::newRow("4 TiB") << 4398046511104ULL << qint64(4294967);
}

void TestSupportSystem::diskSpaceRounding()
{
    QFETCH(qulonglong, bytes);
    QFETCH(qint64, mb);
    QCOMPARE(BytesToDiskMB(bytes), mb);
}

void TestSupportSystem::diskSpaceOfThisMachine()
{
    QTemporaryDir dir;
    const QStorageInfo storage(dir.path());
    QVERIFY(storage.isValid());
    const qint64 total = DiskSpaceMB(dir.path(), 1);
    const qint64 free = DiskSpaceMB(dir.path(), 2);
    const qint64 avail = DiskSpaceMB(dir.path(), 3);
    QCOMPARE(total, BytesToDiskMB(quint64(storage.bytesTotal())));
    QVERIFY(total > 0);
    QVERIFY(free >= 0 && free <= total);
    QVERIFY(avail >= 0 && avail <= free);
    // Free space changes as others write; allow a little drift.
    QVERIFY(qAbs(avail - BytesToDiskMB(quint64(storage.bytesAvailable()))) <= 64);
}

void TestSupportSystem::diskSpaceRefusals()
{
    QTemporaryDir dir;
    QCOMPARE(DiskSpaceMB(dir.path(), 0), qint64(-1));
    QCOMPARE(DiskSpaceMB(dir.path(), 4), qint64(-1));
    QCOMPARE(DiskSpaceMB(QString(), 1), qint64(-1));
    QCOMPARE(DiskSpaceMB(QStringLiteral("\\\\server\\share\\"), 1), qint64(-1));
    QCOMPARE(DiskSpaceMB(QStringLiteral("//server/share/"), 2), qint64(-1));
    QCOMPARE(DiskSpaceMB(dir.path() + QStringLiteral("/missing/"), 1), qint64(-1));
}

void TestSupportSystem::memoryFigures()
{
    const qint64 load = GetMemoryFigure(0);
    QVERIFY(load >= 0 && load <= 100);
    for (int kind = 1; kind <= 6; ++kind)
        QVERIFY2(GetMemoryFigure(kind) >= 0, qPrintable(QString::number(kind)));
    QVERIFY(GetMemoryFigure(2) <= GetMemoryFigure(1));
    QVERIFY(GetMemoryFigure(3) >= GetMemoryFigure(1));
    QVERIFY(GetMemoryFigure(6) <= GetMemoryFigure(5));
    QCOMPARE(GetMemoryFigure(-1), qint64(-1));
    QCOMPARE(GetMemoryFigure(7), qint64(-1));

    struct sysinfo si
    {
    };
    QCOMPARE(::sysinfo(&si), 0);
    QCOMPARE(GetMemoryFigure(1), BytesToMemoryMB(quint64(si.totalram) * si.mem_unit));
    QCOMPARE(BytesToMemoryMB(1048576ULL * 3 + 524288), qint64(4)); // 3.5 -> 4
    QCOMPARE(BytesToMemoryMB(1048576ULL * 2 + 524288), qint64(2)); // 2.5 -> 2
}

void TestSupportSystem::volumeSerial()
{
    QCOMPARE(FormatVolumeSerial(0x1A2B3C4Du), QStringLiteral("1A2B-3C4D"));
    QCOMPARE(FormatVolumeSerial(0u), QStringLiteral("0000-0000"));
    QCOMPARE(FormatVolumeSerial(0xFFFF0001u), QStringLiteral("FFFF-0001"));
    QTemporaryDir dir;
    const QString serial = VolumeSerialText(dir.path() + QLatin1Char('/'));
    QVERIFY2(QRegularExpression(QStringLiteral("^[0-9A-F]{4}-[0-9A-F]{4}$")).match(serial).hasMatch(),
             qPrintable(serial));
    // Two folders on one file system have one identity.
    QCOMPARE(VolumeSerialText(dir.path() + QStringLiteral("/")), VolumeSerialText(QFileInfo(dir.path()).path()));
    QCOMPARE(VolumeSerialText(dir.path() + QStringLiteral("/missing/")), QStringLiteral("n.a."));
}

void TestSupportSystem::driveTypeNames()
{
    QCOMPARE(DriveTypeNameOf(0), QStringLiteral("Unknown"));
    QCOMPARE(DriveTypeNameOf(1), QStringLiteral("None"));
    QCOMPARE(DriveTypeNameOf(2), QStringLiteral("Removab"));
    QCOMPARE(DriveTypeNameOf(3), QStringLiteral("Fixed"));
    QCOMPARE(DriveTypeNameOf(4), QStringLiteral("Network"));
    QCOMPARE(DriveTypeNameOf(5), QStringLiteral("CD-ROM"));
    QCOMPARE(DriveTypeNameOf(6), QStringLiteral("RAM"));
    QCOMPARE(DriveTypeNameOf(7), QStringLiteral("Unknown"));
    QCOMPARE(DriveTypeName(QString()), QStringLiteral("None"));
    QCOMPARE(DriveTypeName(QStringLiteral("\\\\server\\share\\map\\")), QStringLiteral("None"));

    // This machine: compare with the file system type Qt reports.
    for (const QString &folder :
         {QStringLiteral("/dev/shm/"), QDir::tempPath() + QLatin1Char('/'), QStringLiteral("/usr/")}) {
        const QStorageInfo storage(folder);
        if (!storage.isValid())
            continue;
        const QString type = QString::fromLatin1(storage.fileSystemType());
        const QString name = DriveTypeName(folder);
        if (type == QLatin1String("tmpfs"))
            QCOMPARE(name, QStringLiteral("RAM"));
        else if (type.startsWith(QLatin1String("nfs")) || type == QLatin1String("cifs"))
            QCOMPARE(name, QStringLiteral("Network"));
        else
            QVERIFY2(name == QLatin1String("Fixed") || name == QLatin1String("Removab"), qPrintable(folder + name));
    }
}

void TestSupportSystem::mountInfoLookup()
{
    const QByteArray info = "21 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                            "22 21 0:5 / /home rw - nfs4 server:/export/home rw\n"
                            "23 22 0:6 / /home/pat/my\\040stick rw - vfat /dev/sdb1 rw\n"
                            "24 21 0:7 / /hometown rw - tmpfs tmpfs rw\n"
                            "25 21 0:8 / /media/cd ro - iso9660 /dev/sr0 ro\n"
                            "garbage line\n";
    auto mount = [&](const char *path) { return SystemQueries::MountFromMountInfo(info, QString::fromLatin1(path)); };
    QCOMPARE(mount("/usr/bin")->fileSystemType, QStringLiteral("ext4"));
    QCOMPARE(mount("/")->mountPoint, QStringLiteral("/"));
    QCOMPARE(mount("/home/pat")->fileSystemType, QStringLiteral("nfs4"));
    QCOMPARE(mount("/home")->source, QStringLiteral("server:/export/home"));
    QCOMPARE(mount("/home/pat/my stick/foto.jpg")->source, QStringLiteral("/dev/sdb1"));
    QCOMPARE(mount("/home/pat/my stickers")->fileSystemType, QStringLiteral("nfs4"));
    QCOMPARE(mount("/hometown/x")->fileSystemType, QStringLiteral("tmpfs"));
    QCOMPARE(mount("/media/cd")->fileSystemType, QStringLiteral("iso9660"));
    QVERIFY(!SystemQueries::MountFromMountInfo(QByteArray("only garbage\n"), QStringLiteral("/x")));
    QVERIFY(!SystemQueries::MountFromMountInfo(QByteArray(), QStringLiteral("/x")));
    // A later mount on the same point hides the earlier one.
    const QByteArray stacked = "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 0:9 / /mnt rw - ext4 /dev/sda2 rw\n"
                               "3 1 0:10 / /mnt rw - tmpfs none rw\n";
    QCOMPARE(SystemQueries::MountFromMountInfo(stacked, QStringLiteral("/mnt/a"))->fileSystemType,
             QStringLiteral("tmpfs"));
}

void TestSupportSystem::driveTypeFromMount_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("removable");
    QTest::addColumn<QString>("name");
    QTest::newRow("tmpfs") << "tmpfs"
                           << "tmpfs" << false << "RAM";
    QTest::newRow("ramfs") << "ramfs"
                           << "none" << false << "RAM";
    QTest::newRow("nfs") << "nfs"
                         << "srv:/x" << false << "Network";
    QTest::newRow("nfs4") << "nfs4"
                          << "srv:/x" << false << "Network";
    QTest::newRow("cifs") << "cifs"
                          << "//srv/share" << false << "Network";
    QTest::newRow("iso9660") << "iso9660"
                             << "/dev/sr0" << false << "CD-ROM";
    QTest::newRow("udf on sr0") << "udf"
                                << "/dev/sr0" << true << "CD-ROM";
    QTest::newRow("usb stick") << "vfat"
                               << "/dev/sdb1" << true << "Removab";
    QTest::newRow("disk") << "ext4"
                          << "/dev/nvme0n1p2" << false << "Fixed";
    QTest::newRow("overlay") << "overlay"
                             << "overlay" << false << "Fixed";
}

void TestSupportSystem::driveTypeFromMount()
{
    QFETCH(QString, type);
    QFETCH(QString, source);
    QFETCH(bool, removable);
    QFETCH(QString, name);
    QCOMPARE(DriveTypeNameOf(SystemQueries::DriveTypeFromMount(type, source, removable)), name);
}

void TestSupportSystem::fileSize()
{
    const QString self = QCoreApplication::applicationFilePath();
    QCOMPARE(GetFileSizeBytes(self), QFileInfo(self).size());
    QVERIFY(GetFileSizeBytes(self) > 0);
    QCOMPARE(GetFileSizeBytes(self + QStringLiteral(".missing")), qint64(-1));
}

void TestSupportSystem::parsers()
{
    const auto mem = SystemQueries::ParseMemInfo("MemTotal:       16318440 kB\nMemAvailable:    8000000 kB\n"
                                                 "HugePages_Total:       0\nbroken line\n");
    QCOMPARE(mem.value(QStringLiteral("MemTotal")), quint64(16318440) * 1024);
    QCOMPARE(mem.value(QStringLiteral("MemAvailable")), quint64(8000000) * 1024);
    QCOMPARE(mem.value(QStringLiteral("HugePages_Total")), quint64(0));
    QVERIFY(mem.contains(QStringLiteral("HugePages_Total")));
    QCOMPARE(mem.size(), 3);

    QCOMPARE(SystemQueries::DistributionFromOsRelease(
                 "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
             QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    QCOMPARE(SystemQueries::DistributionFromOsRelease("# comment\nNAME=Fedora\nVERSION='39 (Workstation)'\n"),
             QStringLiteral("Fedora 39 (Workstation)"));
    QCOMPARE(SystemQueries::DistributionFromOsRelease(""), QString());

    std::uint32_t ma = 9, mi = 9, bu = 9;
    SystemQueries::ParseKernelRelease(QStringLiteral("6.1.0-18-amd64"), ma, mi, bu);
    QCOMPARE(ma, 6u);
    QCOMPARE(mi, 1u);
    QCOMPARE(bu, 0u);
    SystemQueries::ParseKernelRelease(QStringLiteral("5.15.153.1-microsoft-standard-WSL2"), ma, mi, bu);
    QCOMPARE(ma, 5u);
    QCOMPARE(mi, 15u);
    QCOMPARE(bu, 153u);
    SystemQueries::ParseKernelRelease(QStringLiteral("4.9"), ma, mi, bu);
    QCOMPARE(ma, 4u);
    QCOMPARE(mi, 9u);
    QCOMPARE(bu, 0u);
    SystemQueries::ParseKernelRelease(QStringLiteral("weird"), ma, mi, bu);
    QCOMPARE(ma, 0u);
    QCOMPARE(mi, 0u);
    QCOMPARE(bu, 0u);
    SystemQueries::ParseKernelRelease(QStringLiteral("99999999999.1.2"), ma, mi, bu);
    QCOMPARE(ma, 0xFFFFFFFFu);
    QCOMPARE(mi, 1u);
    QCOMPARE(bu, 2u);

    const auto cpu =
        SystemQueries::ParseCpuInfo("processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t: Intel(R) X\n\n"
                                    "processor\t: 1\nvendor_id\t: Other\n");
    QCOMPARE(cpu.value(QStringLiteral("vendor_id")), QStringLiteral("GenuineIntel"));
    QCOMPARE(cpu.value(QStringLiteral("model name")), QStringLiteral("Intel(R) X"));
}

void TestSupportSystem::speedMeasurementRestoresPriorities()
{
    // From a lowered priority, so that a measurement that leaves the raised
    // (or any other) priority behind shows.
    errno = 0;
    const int startNice = ::getpriority(PRIO_PROCESS, 0);
    QCOMPARE(errno, 0);
    QCOMPARE(::setpriority(PRIO_PROCESS, 0, std::min(startNice + 3, 19)), 0);
    const int nice = ::getpriority(PRIO_PROCESS, 0);
    int policy = -1;
    struct sched_param param
    {
    };
    QCOMPARE(::pthread_getschedparam(::pthread_self(), &policy, &param), 0);

    const std::optional<std::uint64_t> mhz = SystemQueries::MeasureCpuSpeedMHz();

    QCOMPARE(::getpriority(PRIO_PROCESS, 0), nice);
    int policyAfter = -1;
    struct sched_param paramAfter
    {
    };
    QCOMPARE(::pthread_getschedparam(::pthread_self(), &policyAfter, &paramAfter), 0);
    QCOMPARE(policyAfter, policy);
    QCOMPARE(paramAfter.sched_priority, param.sched_priority);
#if defined(__x86_64__) || defined(__i386__)
    QVERIFY(mhz.has_value());
    QVERIFY2(*mhz >= 100 && *mhz <= 10000, qPrintable(QString::number(*mhz)));
#else
    Q_UNUSED(mhz);
#endif
    // Root may go back; anyone else stays at the lowered priority.
    (void)::setpriority(PRIO_PROCESS, 0, startNice);
}

QTEST_GUILESS_MAIN(TestSupportSystem)
#include "tst_support_system.moc"
