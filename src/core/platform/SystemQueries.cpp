#include "core/platform/SystemQueries.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <ctime>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <pwd.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define TOLVEK_HAVE_CPUID 1
#endif

namespace SystemQueries {

namespace {

QByteArray ReadWholeFile(const QString &name, bool *ok = nullptr)
{
    // Files under /proc and /sys report size 0: read until the end.
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return QByteArray();
    }
    if (ok)
        *ok = true;
    return file.readAll();
}

// mountinfo escapes blanks and a few other characters as \ooo.
QString UnescapeMountField(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '3'
            && field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QString::fromLocal8Bit(out);
}

bool PathIsUnder(const QString &path, const QString &mountPoint)
{
    if (mountPoint == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == mountPoint || path.startsWith(mountPoint + QLatin1Char('/'));
}

} // namespace

// ---- Files and disks -------------------------------------------------------

CreateResult CreateNewFile(const QString &fileName)
{
    const QByteArray native = QFile::encodeName(fileName);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return errno == EEXIST ? CreateResult::AlreadyExists : CreateResult::Failed;
    if (::close(fd) != 0) {
        ::unlink(native.constData());
        return CreateResult::Failed;
    }
    return CreateResult::Created;
}

std::optional<DiskSpace> DiskSpaceOf(const QString &path)
{
    struct statvfs s
    {
    };
    if (path.isEmpty() || ::statvfs(QFile::encodeName(path).constData(), &s) != 0)
        return std::nullopt;
    const std::uint64_t unit = s.f_frsize ? s.f_frsize : s.f_bsize;
    DiskSpace d;
    d.totalBytes = std::uint64_t(s.f_blocks) * unit;
    d.freeBytes = std::uint64_t(s.f_bfree) * unit;
    d.availableToCallerBytes = std::uint64_t(s.f_bavail) * unit;
    return d;
}

std::optional<std::uint32_t> FileSystemId(const QString &path)
{
    struct statvfs s
    {
    };
    if (path.isEmpty() || ::statvfs(QFile::encodeName(path).constData(), &s) != 0)
        return std::nullopt;
    return static_cast<std::uint32_t>(s.f_fsid & 0xFFFFFFFFu);
}

std::optional<MountFacts> MountFromMountInfo(const QByteArray &mountInfo, const QString &absolutePath)
{
    // Line: id parent major:minor root mountpoint options [optional...] - fstype source superoptions
    std::optional<MountFacts> best;
    for (const QByteArray &line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 7)
            continue;
        const qsizetype dash = fields.indexOf(QByteArray("-"), 6);
        if (dash < 0 || dash + 2 >= fields.size())
            continue;
        MountFacts m;
        m.mountPoint = UnescapeMountField(fields[4]);
        m.fileSystemType = UnescapeMountField(fields[dash + 1]);
        m.source = UnescapeMountField(fields[dash + 2]);
        if (!m.mountPoint.startsWith(QLatin1Char('/')) || !PathIsUnder(absolutePath, m.mountPoint))
            continue;
        if (!best || m.mountPoint.size() >= best->mountPoint.size())
            best = m;
    }
    return best;
}

std::optional<MountFacts> MountOf(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    QString absolute = QFileInfo(path).canonicalFilePath();
    if (absolute.isEmpty())
        absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    bool ok = false;
    const QByteArray info = ReadWholeFile(QStringLiteral("/proc/self/mountinfo"), &ok);
    if (!ok)
        return std::nullopt;
    return MountFromMountInfo(info, absolute);
}

bool IsRemovableDevice(const QString &source)
{
    if (!source.startsWith(QLatin1String("/dev/")))
        return false;
    const QString device = QFileInfo(source).canonicalFilePath();
    const QString name = QFileInfo(device.isEmpty() ? source : device).fileName();
    if (name.isEmpty())
        return false;
    // A partition's "removable" flag lives with its whole disk, one folder up.
    const QString sysPath = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysPath.isEmpty())
        return false;
    for (const QString &folder : {sysPath, QFileInfo(sysPath).path()}) {
        bool ok = false;
        const QByteArray flag = ReadWholeFile(folder + QStringLiteral("/removable"), &ok).trimmed();
        if (ok)
            return flag == "1";
    }
    return false;
}

int DriveTypeFromMount(const QString &fileSystemType, const QString &source, bool removable)
{
    const QString type = fileSystemType.toLower();
    if (type == QLatin1String("tmpfs") || type == QLatin1String("ramfs"))
        return DriveRam;
    if (type.startsWith(QLatin1String("nfs")) || type == QLatin1String("cifs") || type.startsWith(QLatin1String("smb"))
        || type == QLatin1String("fuse.sshfs") || type == QLatin1String("9p") || type == QLatin1String("afs"))
        return DriveNetwork;
    if (type == QLatin1String("iso9660") || type == QLatin1String("udf")
        || QFileInfo(source).fileName().startsWith(QLatin1String("sr")))
        return DriveCdRom;
    if (removable)
        return DriveRemovable;
    return DriveFixed;
}

int DriveTypeOf(const QString &path)
{
    const std::optional<MountFacts> mount = MountOf(path);
    if (!mount)
        return DriveUnknown;
    return DriveTypeFromMount(mount->fileSystemType, mount->source, IsRemovableDevice(mount->source));
}

// ---- Memory ------------------------------------------------------------------

QMap<QString, std::uint64_t> ParseMemInfo(const QByteArray &text)
{
    QMap<QString, std::uint64_t> values;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QList<QByteArray> parts = line.mid(colon + 1).simplified().split(' ');
        bool ok = false;
        const qulonglong number = parts.value(0).toULongLong(&ok);
        if (!ok)
            continue;
        std::uint64_t factor = 1;
        if (parts.size() > 1 && parts[1].toLower() == "kb")
            factor = 1024;
        values.insert(QString::fromLatin1(line.left(colon).trimmed()), number * factor);
    }
    return values;
}

std::optional<MemoryStatus> Memory()
{
    MemoryStatus m;
    bool ok = false;
    const QMap<QString, std::uint64_t> info = ParseMemInfo(ReadWholeFile(QStringLiteral("/proc/meminfo"), &ok));
    struct sysinfo si
    {
    };
    const bool haveSysinfo = ::sysinfo(&si) == 0;
    std::uint64_t swapTotal = 0;
    std::uint64_t swapFree = 0;
    if (ok && info.contains(QStringLiteral("MemTotal"))) {
        m.totalPhysical = info.value(QStringLiteral("MemTotal"));
        // Older kernels lack MemAvailable; free memory is the next best figure.
        m.availablePhysical = info.contains(QStringLiteral("MemAvailable")) ? info.value(QStringLiteral("MemAvailable"))
                                                                            : info.value(QStringLiteral("MemFree"));
        swapTotal = info.value(QStringLiteral("SwapTotal"));
        swapFree = info.value(QStringLiteral("SwapFree"));
    } else if (haveSysinfo) {
        const std::uint64_t unit = si.mem_unit ? si.mem_unit : 1;
        m.totalPhysical = std::uint64_t(si.totalram) * unit;
        m.availablePhysical = (std::uint64_t(si.freeram) + si.bufferram) * unit;
        swapTotal = std::uint64_t(si.totalswap) * unit;
        swapFree = std::uint64_t(si.freeswap) * unit;
    } else {
        return std::nullopt;
    }
    if (m.totalPhysical == 0)
        return std::nullopt;
    m.totalPageFile = m.totalPhysical + swapTotal;
    m.availablePageFile = m.availablePhysical + swapFree;
    m.memoryLoadPercent = int(std::lround(
        100.0 * double(m.totalPhysical - std::min(m.availablePhysical, m.totalPhysical)) / double(m.totalPhysical)));

    // The address space a process of this kind may use: its limit, else the
    // user half of the address space.
    std::uint64_t space = sizeof(void *) == 8 ? (std::uint64_t(1) << 47) : (std::uint64_t(3) << 30);
    struct rlimit limit
    {
    };
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < space)
        space = limit.rlim_cur;
    m.totalVirtual = space;
    std::uint64_t used = 0;
    const QList<QByteArray> statm = ReadWholeFile(QStringLiteral("/proc/self/statm")).simplified().split(' ');
    if (!statm.isEmpty())
        used = statm[0].toULongLong() * std::uint64_t(::sysconf(_SC_PAGESIZE));
    m.availableVirtual = used < space ? space - used : 0;
    return m;
}

std::optional<std::uint64_t> WorkingSetBytes()
{
    bool ok = false;
    const QList<QByteArray> statm = ReadWholeFile(QStringLiteral("/proc/self/statm"), &ok).simplified().split(' ');
    if (!ok || statm.size() < 2)
        return std::nullopt;
    bool number = false;
    const qulonglong pages = statm[1].toULongLong(&number);
    if (!number)
        return std::nullopt;
    return pages * std::uint64_t(::sysconf(_SC_PAGESIZE));
}

// ---- Operating system, user ----------------------------------------------

QString DistributionFromOsRelease(const QByteArray &text)
{
    QMap<QString, QString> values;
    for (const QByteArray &raw : text.split('\n')) {
        const QByteArray line = raw.trimmed();
        const qsizetype eq = line.indexOf('=');
        if (line.startsWith('#') || eq <= 0)
            continue;
        QByteArray value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        value.replace("\\\"", "\"");
        values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(value));
    }
    if (!values.value(QStringLiteral("PRETTY_NAME")).isEmpty())
        return values.value(QStringLiteral("PRETTY_NAME"));
    QString name = values.value(QStringLiteral("NAME"));
    const QString version = values.value(QStringLiteral("VERSION"));
    if (!name.isEmpty() && !version.isEmpty())
        name += QLatin1Char(' ') + version;
    return name;
}

void ParseKernelRelease(const QString &release, std::uint32_t &major, std::uint32_t &minor, std::uint32_t &build)
{
    std::uint32_t numbers[3] = {0, 0, 0};
    int index = 0;
    qsizetype i = 0;
    while (index < 3 && i < release.size()) {
        if (!release[i].isDigit())
            break;
        std::uint64_t value = 0;
        while (i < release.size() && release[i].isDigit()) {
            value = std::min<std::uint64_t>(value * 10 + std::uint64_t(release[i].digitValue()), 0xFFFFFFFFu);
            ++i;
        }
        numbers[index++] = std::uint32_t(value);
        if (i < release.size() && release[i] == QLatin1Char('.'))
            ++i;
        else
            break;
    }
    major = numbers[0];
    minor = numbers[1];
    build = numbers[2];
}

std::optional<OsVersion> OperatingSystemVersion()
{
    struct utsname u
    {
    };
    if (::uname(&u) != 0)
        return std::nullopt;
    OsVersion v;
    v.platformId = PlatformLinux;
    ParseKernelRelease(QString::fromLocal8Bit(u.release), v.major, v.minor, v.build);
    bool ok = false;
    QByteArray osRelease = ReadWholeFile(QStringLiteral("/etc/os-release"), &ok);
    if (!ok)
        osRelease = ReadWholeFile(QStringLiteral("/usr/lib/os-release"), &ok);
    v.distribution = DistributionFromOsRelease(osRelease);
    if (v.distribution.isEmpty())
        v.distribution = QString::fromLocal8Bit(u.sysname);
    return v;
}

std::optional<std::uint64_t> MillisecondsSinceStart()
{
    struct timespec ts
    {
    };
    if (::clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        return std::nullopt;
    return std::uint64_t(ts.tv_sec) * 1000u + std::uint64_t(ts.tv_nsec) / 1000000u;
}

QString UserName()
{
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    QByteArray buffer(size > 0 ? size : 16384, '\0');
    struct passwd pw
    {
    };
    struct passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &pw, buffer.data(), size_t(buffer.size()), &found) == 0 && found)
        return QString::fromLocal8Bit(found->pw_name);
    return qEnvironmentVariable("USER");
}

QString ComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

bool UserIsAdministrator()
{
    if (::geteuid() == 0)
        return true;
    const int count = ::getgroups(0, nullptr);
    if (count <= 0)
        return false;
    QList<gid_t> groups(count);
    const int got = ::getgroups(count, groups.data());
    for (int i = 0; i < got; ++i) {
        const struct group *g = ::getgrgid(groups[i]);
        if (!g)
            continue;
        const QByteArray name(g->gr_name);
        if (name == "sudo" || name == "wheel" || name == "admin")
            return true;
    }
    return false;
}

bool IsWow64()
{
    if (sizeof(void *) == 8)
        return false;
    struct utsname u
    {
    };
    if (::uname(&u) != 0)
        return false;
    const QByteArray machine(u.machine);
    return machine == "x86_64" || machine == "aarch64";
}

// ---- Processor ---------------------------------------------------------------

QMap<QString, QString> ParseCpuInfo(const QByteArray &text)
{
    QMap<QString, QString> values;
    for (const QByteArray &line : text.split('\n')) {
        if (line.trimmed().isEmpty()) {
            if (!values.isEmpty())
                break; // the first processor is enough
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QString key = QString::fromLatin1(line.left(colon).trimmed());
        if (!values.contains(key))
            values.insert(key, QString::fromLocal8Bit(line.mid(colon + 1).trimmed()));
    }
    return values;
}

std::optional<QMap<QString, QString>> ProcessorDescription()
{
    bool ok = false;
    const QByteArray text = ReadWholeFile(QStringLiteral("/proc/cpuinfo"), &ok);
    if (!ok)
        return std::nullopt;
    return ParseCpuInfo(text);
}

ProcessorSystemInfo ProcessorInfo()
{
    ProcessorSystemInfo p;
    p.count = int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    struct utsname u
    {
    };
    QByteArray machine;
    if (::uname(&u) == 0)
        machine = u.machine;
    if (machine == "x86_64")
        p.architecture = sizeof(void *) == 8 ? 9 : 0; // a 32-bit program sees an x86
    else if (machine.startsWith('i') && machine.endsWith("86"))
        p.architecture = 0;
    else if (machine == "aarch64")
        p.architecture = 12;
    else if (machine.startsWith("arm"))
        p.architecture = 5;
    else if (machine == "ia64")
        p.architecture = 6;
    else
        p.architecture = 0xFFFF;
#ifdef TOLVEK_HAVE_CPUID
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d)) {
        // As the system reports it: extended family and model included.
        unsigned family = (a >> 8) & 0xF;
        unsigned model = (a >> 4) & 0xF;
        if (family == 0xF)
            family += (a >> 20) & 0xFF;
        if (family == 0x6 || family >= 0xF)
            model += ((a >> 16) & 0xF) << 4;
        p.level = int(family);
        p.revision = int((model << 8) | (a & 0xF));
    }
#else
    if (const auto info = ProcessorDescription()) {
        p.level = info->value(QStringLiteral("CPU architecture")).toInt();
        p.revision = info->value(QStringLiteral("CPU revision")).toInt();
    }
#endif
    return p;
}

std::optional<CpuIdentification> CpuIdentify()
{
#ifdef TOLVEK_HAVE_CPUID
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(0, &a, &b, &c, &d))
        return std::nullopt;
    CpuIdentification id;
    char vendor[13] = {};
    for (int i = 0; i < 4; ++i) {
        vendor[i] = char((b >> (8 * i)) & 0xFF);
        vendor[4 + i] = char((d >> (8 * i)) & 0xFF);
        vendor[8 + i] = char((c >> (8 * i)) & 0xFF);
    }
    id.vendor = QString::fromLatin1(vendor, 12);
    if (!__get_cpuid(1, &a, &b, &c, &d))
        return std::nullopt;
    id.stepping = a & 0xF;
    id.model = (a >> 4) & 0xF;
    id.family = (a >> 8) & 0xF;
    return id;
#else
    return std::nullopt;
#endif
}

std::optional<std::uint64_t> MeasureCpuSpeedMHz()
{
#ifdef TOLVEK_HAVE_CPUID
    // Raise as far as the system allows; an ordinary user is refused both,
    // which only makes the figure a little less exact.
    errno = 0;
    const int oldNice = ::getpriority(PRIO_PROCESS, 0);
    const bool haveNice = !(oldNice == -1 && errno != 0);
    int oldPolicy = SCHED_OTHER;
    struct sched_param oldParam
    {
    };
    const bool haveSched = ::pthread_getschedparam(::pthread_self(), &oldPolicy, &oldParam) == 0;

    struct sched_param high
    {
    };
    high.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
    if (haveNice)
        (void)::setpriority(PRIO_PROCESS, 0, -20);
    if (haveSched)
        (void)::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &high);

    using Clock = std::chrono::steady_clock;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto start = Clock::now();
    const std::uint64_t ticks0 = __rdtsc();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::uint64_t ticks1 = __rdtsc();
    const auto end = Clock::now();

    // Thread first, then the process, back to exactly what they were.
    if (haveSched)
        (void)::pthread_setschedparam(::pthread_self(), oldPolicy, &oldParam);
    if (haveNice)
        (void)::setpriority(PRIO_PROCESS, 0, oldNice);

    // Divide by the time that really passed: a busy machine oversleeps.
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(end - start).count();
    if (ticks1 <= ticks0 || micros <= 0)
        return std::nullopt;
    return std::uint64_t(std::nearbyint(double(ticks1 - ticks0) / double(micros)));
#else
    return std::nullopt;
#endif
}

std::optional<QString> FirmwareValue(const QString &name)
{
    bool ok = false;
    const QByteArray value = ReadWholeFile(QStringLiteral("/sys/class/dmi/id/") + name, &ok);
    if (!ok)
        return std::nullopt;
    return QString::fromLocal8Bit(value).trimmed();
}

bool FirmwareDescriptionPresent()
{
    return QFileInfo(QStringLiteral("/sys/class/dmi/id")).isDir();
}

} // namespace SystemQueries
