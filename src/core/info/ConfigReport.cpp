#include "core/info/ConfigReport.h"

#include "core/base/TextRoutines.h"
#include "core/info/SystemUtilities.h"
#include "core/platform/ProcessFolders.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>

#include <cmath>
#include <sys/utsname.h>

using namespace SystemUtilities;

namespace {

QString Flag(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString Num(std::int64_t value)
{
    return QString::number(value);
}

// Device pixels to millimetres: pixels / pixels per inch * 25.4, rounded.
std::int64_t PixelsToMillimetres(int pixels, int perInch)
{
    if (perInch <= 0)
        return 0;
    return static_cast<std::int64_t>(std::nearbyint(double(pixels) / double(perInch) * 2.54 * 10.0));
}

QString MachineName()
{
    struct utsname u
    {
    };
    if (::uname(&u) != 0)
        return QString();
    return QString::fromLocal8Bit(u.machine);
}

} // namespace

void ConfigReportInputs::FillFromProcess()
{
    programPath = ProcessFolders::ProgramPath();
    programFolder = ProcessFolders::ProgramFolder();
    tempFolder = ProcessFolders::TempFolder();
    windowsFolder = ProcessFolders::WindowsFolder();
    // This platform keeps no single command-line text: the arguments joined
    // with blanks stand in for it.
    if (QCoreApplication::instance())
        commandLine = QCoreApplication::arguments().join(QLatin1Char(' '));
}

ConfigReport::ConfigReport() : m_speedQuery(&SystemQueries::MeasureCpuSpeedMHz)
{
}

QString ConfigReport::KeyOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? line : line.left(eq + 1);
}

QString ConfigReport::VersionText(int major, int minor, int release, int build)
{
    return QStringLiteral("%1.%2.%3 build %4").arg(major).arg(minor).arg(release).arg(build);
}

QString ConfigReport::OperatingSystemName(const SystemQueries::OsVersion &v)
{
    const QString majorMinor = QStringLiteral("%1.%2").arg(v.major).arg(v.minor);
    QString name;
    switch (v.platformId) {
    case SystemQueries::PlatformWin32s:
        return QStringLiteral("Windows 3.11");
    case SystemQueries::PlatformWin9x:
        if (v.minor == 0)
            return QStringLiteral("Windows 95");
        if (v.minor == 10)
            return v.servicePack.size() >= 2 && v.servicePack[1] == QLatin1Char('A') ? QStringLiteral("Windows 98 SE")
                                                                                     : QStringLiteral("Windows 98");
        if (v.minor == 90)
            return QStringLiteral("Windows Millenium");
        return QStringLiteral("Unknown Version (Win9x)");
    case SystemQueries::PlatformNT:
        if (v.major == 3 || v.major == 4)
            name = QStringLiteral("Windows NT ") + majorMinor;
        else if (v.major == 5 && v.minor == 0)
            name = QStringLiteral("Windows 2000");
        else if (v.major == 5 && v.minor == 1)
            name = QStringLiteral("Windows XP");
        else if (v.major == 5 && v.minor == 2)
            name = QStringLiteral("Windows XP 64-bit / Windows Server 2003");
        else if (v.major == 6 && v.minor == 0)
            name = QStringLiteral("Windows Vista / Server 2008");
        else if (v.major == 6 && v.minor == 1)
            name = QStringLiteral("Windows 7");
        else if (v.major == 5 || v.major == 6)
            name = QString();
        else
            name = QStringLiteral("Unknown Version (WinNT ") + majorMinor + QLatin1Char(')');
        if (!v.servicePack.isEmpty())
            name += QStringLiteral(" [") + v.servicePack + QLatin1Char(']');
        return name;
    case SystemQueries::PlatformLinux:
        if (!v.distribution.isEmpty())
            return v.distribution;
        return QStringLiteral("Linux ") + majorMinor;
    default:
        return QStringLiteral("Unknown OS (%1-%2.%3.%4)").arg(v.platformId).arg(v.major).arg(v.minor).arg(v.build);
    }
}

QString ConfigReport::OsVersionText(const SystemQueries::OsVersion &v)
{
    return QStringLiteral("%1.%2.%3 (%4.%5)")
        .arg(v.major)
        .arg(v.minor)
        .arg(v.build)
        .arg(v.build & 0xFFFFu)
        .arg(v.build >> 16);
}

QString ConfigReport::UptimeText(std::uint64_t milliseconds)
{
    // 64 bits: a 32-bit count would start again at zero after 49.7 days.
    const std::uint64_t days = milliseconds / 86400000u;
    std::uint64_t rest = milliseconds % 86400000u;
    const std::uint64_t hours = rest / 3600000u;
    rest %= 3600000u;
    const std::uint64_t minutes = rest / 60000u;
    rest %= 60000u;
    const std::uint64_t seconds = rest / 1000u;
    return QStringLiteral("%1d, %2h, %3m, %4s").arg(days).arg(hours).arg(minutes).arg(seconds);
}

QString ConfigReport::PrinterColorText(const PrinterFacts &p)
{
    QString text = p.name;
    text += p.colourSelected ? QStringLiteral(": Color") : QStringLiteral(": Black and White");
    text += p.colourSupported ? QStringLiteral(" - Color support") : QStringLiteral(" - No color support");
    return text;
}

QStringList ConfigReport::PrinterLines(const std::optional<PrinterFacts> &printer)
{
    if (!printer || printer->name.isEmpty())
        return {QStringLiteral("Printer=n.a.")};
    const PrinterFacts &p = *printer;
    return {
        QStringLiteral("Printer=") + p.name,
        QStringLiteral("PrinterWxHPhys=%1x%2 mm")
            .arg(PixelsToMillimetres(p.paperWidthPixels, p.resolutionX))
            .arg(PixelsToMillimetres(p.paperHeightPixels, p.resolutionY)),
        QStringLiteral("PrinterWxHAvail=%1x%2 mm")
            .arg(PixelsToMillimetres(p.pageWidthPixels, p.resolutionX))
            .arg(PixelsToMillimetres(p.pageHeightPixels, p.resolutionY)),
        QStringLiteral("PrinterWxHAvail=%1x%2 pix").arg(p.pageWidthPixels).arg(p.pageHeightPixels),
        QStringLiteral("PrinterResXxY=%1x%2 pix/inch").arg(p.resolutionX).arg(p.resolutionY),
        QStringLiteral("PrinterMaxCol=") + Num(p.maxColours),
        QStringLiteral("PrinterColor=") + PrinterColorText(p),
    };
}

QStringList ConfigReport::ScreenLines(bool themesEnabled)
{
    QStringList lines;
    const QScreen *primary =
        qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
    const int count = primary ? int(QGuiApplication::screens().size()) : 0;
    const QRect screen = primary ? primary->geometry() : QRect();
    const QRect desktop = primary ? primary->virtualGeometry() : QRect();
    const int depth = primary ? primary->depth() : 0;
    lines << QStringLiteral("ScreenMonCount=") + Num(count);
    lines << QStringLiteral("ScreenWxH=%1x%2 pix").arg(screen.width()).arg(screen.height());
    lines << QStringLiteral("ScreenDesktopWxH=%1x%2 pix").arg(desktop.width()).arg(desktop.height());
    lines << QStringLiteral("ScreenDesktopLeft=") + Num(desktop.left());
    lines << QStringLiteral("ScreenDesktopTop=") + Num(desktop.top());
    lines << QStringLiteral("ScreenRes=%1 pix/inch").arg(primary ? qRound(primary->logicalDotsPerInch()) : 0);
    // A palette device knows its number of colours; any deeper one counts as "256+".
    if (depth > 8 || depth <= 0)
        lines << QStringLiteral("ScreenMaxCol=256+");
    else
        lines << QStringLiteral("ScreenMaxCol=") + Num(std::int64_t(1) << depth);
    lines << QStringLiteral("ScreenCol=%1 bits").arg(depth);
    lines << QStringLiteral("ScreenThemes=") + Flag(themesEnabled);
    return lines;
}

QString ConfigReport::CurrentDateTimeText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QStringList ConfigReport::Build(const ConfigReportInputs &in) const
{
    QStringList r;
    r << QStringLiteral("Appl=") + in.appTitle;
    r << QStringLiteral("ApplVer=") + VersionText(in.major, in.minor, in.release, in.build);
    r << QStringLiteral("ApplProductVer=") + in.productVersion;
    r << QStringLiteral("ApplSLog=") + Flag(in.logMarker);
    r << QStringLiteral("ApplExe=") + in.programPath;
    r << QStringLiteral("ApplExeSize=") + Num(GetFileSizeBytes(in.programPath));
    r << QStringLiteral("ApplCmdLine=") + in.commandLine;
    const std::optional<std::uint64_t> workingSet = SystemQueries::WorkingSetBytes();
    // Bytes / 1024 / 1000, as the disk figures.
    r << QStringLiteral("ApplMem=") + Num(workingSet ? BytesToDiskMB(*workingSet) : 0) + QStringLiteral(" mb");

    const QString folders[5] = {TextRoutines::AddTrailingBackslash(QDir::currentPath()), in.programFolder,
                                in.tempFolder, in.windowsFolder, in.configFolder};
    const QString names[5] = {QStringLiteral("Cur"), QStringLiteral("Appl"), QStringLiteral("Temp"),
                              QStringLiteral("Win"), QStringLiteral("Config")};
    for (int i = 0; i < 5; ++i)
        r << QStringLiteral("Dir") + names[i] + QLatin1Char('=') + folders[i];
    for (int i = 0; i < 5; ++i)
        r << QStringLiteral("DirCW") + names[i] + QLatin1Char('=')
                + Flag(TestWriteFile(folders[i] + QStringLiteral("$cdtmp.tmp")));
    for (int i = 0; i < 5; ++i)
        r << QStringLiteral("DriveSizeAvailCaller%1=%2/%3/%4 mb")
                 .arg(names[i])
                 .arg(DiskSpaceMB(folders[i], 1))
                 .arg(DiskSpaceMB(folders[i], 2))
                 .arg(DiskSpaceMB(folders[i], 3));
    // A folder's "drive" here is the file system that holds it.
    for (int i = 0; i < 5; ++i)
        r << QStringLiteral("DriveType") + names[i] + QLatin1Char('=') + DriveTypeName(folders[i]);
    r << QStringLiteral("DriveSerialAppl=") + VolumeSerialText(in.programFolder);
    r << QStringLiteral("DriveSerialWin=") + VolumeSerialText(in.windowsFolder);

    r << QStringLiteral("MemInUse=") + Num(GetMemoryFigure(0)) + QLatin1Char('%');
    const QString memoryKeys[6] = {QStringLiteral("MemTotalPhys="),     QStringLiteral("MemAvailPhys="),
                                   QStringLiteral("MemTotalPageFile="), QStringLiteral("MemAvailPageFile="),
                                   QStringLiteral("MemTotalVirtual="),  QStringLiteral("MemAvailVirtual=")};
    for (int kind = 1; kind <= 6; ++kind)
        r << memoryKeys[kind - 1] + Num(GetMemoryFigure(kind)) + QStringLiteral(" mb");

    if (const std::optional<SystemQueries::OsVersion> os = SystemQueries::OperatingSystemVersion()) {
        r << QStringLiteral("OSid=") + Num(os->platformId);
        r << QStringLiteral("OSVer=") + OsVersionText(*os);
        r << QStringLiteral("OSName=") + OperatingSystemName(*os);
    } else {
        r << QStringLiteral("OS=n.a.");
    }
    const std::optional<std::uint64_t> uptime = SystemQueries::MillisecondsSinceStart();
    r << QStringLiteral("OSRun=") + (uptime ? UptimeText(*uptime) : QStringLiteral("n.a."));
    r << QStringLiteral("OSUserName=") + SystemQueries::UserName();
    r << QStringLiteral("OSCompName=") + SystemQueries::ComputerName();
    r << QStringLiteral("OSUserIsAdmin=") + Flag(SystemQueries::UserIsAdministrator());
    r << QStringLiteral("OSIsWow64=") + Flag(SystemQueries::IsWow64());

    const SystemQueries::ProcessorSystemInfo proc = SystemQueries::ProcessorInfo();
    r << QStringLiteral("ProcCount=") + Num(proc.count);
    r << QStringLiteral("ProcArch=") + Num(proc.architecture);
    r << QStringLiteral("ProcLevel=") + Num(proc.level);
    r << QStringLiteral("ProcRevision=") + Num(proc.revision);
    if (const std::optional<SystemQueries::CpuIdentification> id = SystemQueries::CpuIdentify()) {
        r << QStringLiteral("ProcFamily=") + Num(id->family);
        r << QStringLiteral("ProcModel=") + Num(id->model);
        r << QStringLiteral("ProcStepping=") + Num(id->stepping);
        r << QStringLiteral("ProcVendor=") + id->vendor;
    } else {
        r << QStringLiteral("ProcFamily=n.a.");
    }
    const std::optional<std::uint64_t> speed = m_speedQuery ? m_speedQuery() : std::nullopt;
    r << (speed ? QStringLiteral("ProcSpeed=") + Num(std::int64_t(*speed)) + QStringLiteral(" mhz")
                : QStringLiteral("ProcSpeed=n.a."));
    if (const auto cpu = SystemQueries::ProcessorDescription()) {
        // The system's own description of the first processor.
        QString identifier;
        if (cpu->contains(QStringLiteral("cpu family")))
            identifier = QStringLiteral("%1 Family %2 Model %3 Stepping %4")
                             .arg(MachineName(), cpu->value(QStringLiteral("cpu family")),
                                  cpu->value(QStringLiteral("model")), cpu->value(QStringLiteral("stepping")));
        else
            identifier = MachineName();
        QString vendor = cpu->value(QStringLiteral("vendor_id"));
        if (vendor.isEmpty())
            vendor = cpu->value(QStringLiteral("CPU implementer"));
        QString name = cpu->value(QStringLiteral("model name"));
        if (name.isEmpty())
            name = cpu->value(QStringLiteral("Processor"));
        r << QStringLiteral("ProcRegistryId=") + identifier;
        r << QStringLiteral("ProcRegistryVendor=") + vendor;
        r << QStringLiteral("ProcRegistryName=") + name;
    } else {
        r << QStringLiteral("ProcRegistry=n.a.");
    }

    r << ScreenLines(in.themesEnabled);

    if (const std::optional<QString> date = SystemQueries::FirmwareValue(QStringLiteral("bios_date")))
        r << QStringLiteral("SysRegistryDate=") + *date;
    else
        r << QStringLiteral("SysRegistryDate=n.a.");
    if (SystemQueries::FirmwareDescriptionPresent()) {
        r << QStringLiteral("SysRegistryManufacturer=")
                + SystemQueries::FirmwareValue(QStringLiteral("sys_vendor")).value_or(QString());
        r << QStringLiteral("SysRegistryProductName=")
                + SystemQueries::FirmwareValue(QStringLiteral("product_name")).value_or(QString());
    } else {
        r << QStringLiteral("SysRegistry=n.a.");
    }

    r << PrinterLines(m_printerQuery ? m_printerQuery() : std::nullopt);
    r << QStringLiteral("CurDateTime=") + CurrentDateTimeText();
    r << QStringLiteral("*End");
    r.prepend(QStringLiteral("*Start"));
    return r;
}
