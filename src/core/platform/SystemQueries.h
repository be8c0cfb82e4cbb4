#pragma once

#include <QMap>
#include <QString>
#include <cstdint>
#include <optional>

// What the operating system tells about itself, its disks, memory and
// processor: the raw facts behind the configuration report. Everything
// specific to this platform (Linux system calls, /proc, /sys) stays in here;
// the report and its routines only format what these functions return.
namespace SystemQueries {

// ---- Files and disks -------------------------------------------------------

enum class CreateResult { Created, AlreadyExists, Failed };

// Creates the file only when nothing of that name exists yet (never truncates
// or replaces a file, never follows a link), and closes it again.
CreateResult CreateNewFile(const QString &fileName);

struct DiskSpace
{
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;
    std::uint64_t availableToCallerBytes = 0;
};

// The file system holding the path (statvfs on the path itself).
std::optional<DiskSpace> DiskSpaceOf(const QString &path);

// The 32-bit identity of the file system holding the path (from its file
// system id), in place of a volume serial number.
std::optional<std::uint32_t> FileSystemId(const QString &path);

// The mount that holds a path.
struct MountFacts
{
    QString mountPoint;
    QString fileSystemType;
    QString source; // the device or server:share
};

// Finds the mount holding an absolute path in the text of
// /proc/self/mountinfo: the one with the longest mount point that contains
// the path (the last such line wins, as later mounts hide earlier ones).
std::optional<MountFacts> MountFromMountInfo(const QByteArray &mountInfo, const QString &absolutePath);

// The same for this process, resolving symbolic links first.
std::optional<MountFacts> MountOf(const QString &path);

// True when the block device (such as /dev/sdb1) is marked removable.
bool IsRemovableDevice(const QString &source);

// Drive types numbered as the report's table: 0 Unknown, 1 None,
// 2 removable, 3 fixed, 4 network, 5 CD-ROM, 6 RAM disk.
enum DriveType : int {
    DriveUnknown = 0,
    DriveNone = 1,
    DriveRemovable = 2,
    DriveFixed = 3,
    DriveNetwork = 4,
    DriveCdRom = 5,
    DriveRam = 6
};

// The drive type of a mount from its file system type and whether its device
// is removable.
int DriveTypeFromMount(const QString &fileSystemType, const QString &source, bool removable);

// The drive type of the mount holding the path; DriveUnknown when the mount
// cannot be found.
int DriveTypeOf(const QString &path);

// ---- Memory ------------------------------------------------------------------

struct MemoryStatus
{
    std::uint64_t totalPhysical = 0;
    std::uint64_t availablePhysical = 0;
    std::uint64_t totalPageFile = 0;     // physical memory plus swap
    std::uint64_t availablePageFile = 0; // available physical plus free swap
    std::uint64_t totalVirtual = 0;      // the process's address space
    std::uint64_t availableVirtual = 0;
    int memoryLoadPercent = 0;
};

// Parses the text of /proc/meminfo ("MemTotal:  16318440 kB" lines) into
// byte counts by field name.
QMap<QString, std::uint64_t> ParseMemInfo(const QByteArray &text);

// Memory of the system and of this process; nothing when no source answers.
std::optional<MemoryStatus> Memory();

// Resident set of this process in bytes (/proc/self/statm); nothing when
// unavailable.
std::optional<std::uint64_t> WorkingSetBytes();

// ---- Operating system, user ----------------------------------------------

// The platform identifiers of the version query. Linux continues the
// numbering of the older three.
enum PlatformId : int { PlatformWin32s = 0, PlatformWin9x = 1, PlatformNT = 2, PlatformLinux = 3 };

struct OsVersion
{
    int platformId = PlatformLinux;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    QString servicePack;
    QString distribution; // "Debian GNU/Linux 12 (bookworm)"; Linux only
};

// The PRETTY_NAME of an os-release text, else its NAME (and VERSION), else
// an empty text.
QString DistributionFromOsRelease(const QByteArray &text);

// Parses a kernel release such as "6.1.0-18-amd64" into its three numbers.
void ParseKernelRelease(const QString &release, std::uint32_t &major, std::uint32_t &minor, std::uint32_t &build);

// uname and /etc/os-release; nothing when uname fails.
std::optional<OsVersion> OperatingSystemVersion();

// Milliseconds since the system started, in 64 bits (no wrap after 49.7 days).
std::optional<std::uint64_t> MillisecondsSinceStart();

QString UserName();     // empty when unknown
QString ComputerName(); // empty when unknown

// User id 0, or a member of the group sudo, wheel or admin.
bool UserIsAdministrator();

// A 32-bit program on a 64-bit system.
bool IsWow64();

// ---- Processor ---------------------------------------------------------------

struct ProcessorSystemInfo
{
    int count = 0;
    int architecture = 0; // 0 x86, 5 ARM, 6 Itanium, 9 x64, 12 ARM64, 0xFFFF unknown
    int level = 0;        // the processor family
    int revision = 0;     // model in the high byte, stepping in the low byte
};
ProcessorSystemInfo ProcessorInfo();

struct CpuIdentification
{
    unsigned family = 0;   // bits 8-11 of the signature
    unsigned model = 0;    // bits 4-7
    unsigned stepping = 0; // bits 0-3
    QString vendor;        // twelve characters, such as GenuineIntel
};

// The processor identification instruction; nothing where the processor has
// none (not an x86 processor).
std::optional<CpuIdentification> CpuIdentify();

// Measures the time-stamp counter against half a second of sleep at raised
// priority and answers megahertz; nothing when the processor has no counter
// or the measurement gives nothing useful. The priorities are put back to
// what they were also when raising them was refused. Blocks for about half a
// second.
std::optional<std::uint64_t> MeasureCpuSpeedMHz();

// The first processor's description from /proc/cpuinfo: "vendor_id",
// "model name", "cpu family", "model", "stepping" and so on. Nothing when
// the file cannot be read.
std::optional<QMap<QString, QString>> ProcessorDescription();

// Parses the first processor block of a /proc/cpuinfo text.
QMap<QString, QString> ParseCpuInfo(const QByteArray &text);

// A value of the firmware's description (/sys/class/dmi/id/<name>), trimmed.
// Nothing when the value cannot be read.
std::optional<QString> FirmwareValue(const QString &name);

// True when the firmware description exists at all.
bool FirmwareDescriptionPresent();

} // namespace SystemQueries

// What the print system says about the selected printer.
struct PrinterFacts
{
    QString name;
    int paperWidthPixels = 0; // the whole sheet
    int paperHeightPixels = 0;
    int pageWidthPixels = 0; // the printable part
    int pageHeightPixels = 0;
    int resolutionX = 0; // pixels per inch
    int resolutionY = 0;
    int maxColours = -1;
    bool colourSelected = false;  // the current setting prints in colour
    bool colourSupported = false; // the device offers a colour setting
};
