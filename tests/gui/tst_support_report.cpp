// The configuration report: its lines in order on this machine, the
// fallback texts, the report parts on their own, and the window around it.
#include "core/info/ConfigReport.h"
#include "core/platform/ProcessFolders.h"
#include "gui/info/TConfigGegevensForm.h"
#include "gui/platform/LocaleAndFonts.h"
#include "gui/platform/PrinterQuery.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <unistd.h>

using SystemQueries::OsVersion;

namespace {

QStringList Keys(const QStringList &lines)
{
    QStringList keys;
    for (const QString &line : lines)
        keys << ConfigReport::KeyOf(line);
    return keys;
}

QString ValueOf(const QStringList &lines, const QString &key, int occurrence = 0)
{
    for (const QString &line : lines)
        if (ConfigReport::KeyOf(line) == key && occurrence-- == 0)
            return line.mid(key.size());
    return QStringLiteral("<missing>");
}

PrinterFacts A4Printer()
{
    PrinterFacts p;
    p.name = QStringLiteral("Kantoor laser");
    p.paperWidthPixels = 4960;
    p.paperHeightPixels = 7016;
    p.pageWidthPixels = 4760;
    p.pageHeightPixels = 6816;
    p.resolutionX = 600;
    p.resolutionY = 600;
    p.maxColours = -1;
    p.colourSelected = false;
    p.colourSupported = true;
    return p;
}

ConfigReportInputs Inputs(const QString &configFolder)
{
    ConfigReportInputs in;
    in.appTitle = QStringLiteral("Tolvek");
    in.major = 2;
    in.minor = 1;
    in.release = 0;
    in.build = 37;
    in.productVersion = QStringLiteral("2.1.0.37");
    in.logMarker = true;
    in.configFolder = configFolder;
    in.programPath = QCoreApplication::applicationFilePath();
    in.programFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    in.tempFolder = QDir::tempPath() + QLatin1Char('/');
    in.windowsFolder = QStringLiteral("/usr/");
    in.commandLine = QCoreApplication::arguments().join(QLatin1Char(' '));
    in.themesEnabled = false;
    return in;
}

std::optional<std::uint64_t> FixedSpeed()
{
    return 2400;
}

} // namespace

class TestSupportReport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        ProcessFolders::SupportStartup(QCoreApplication::applicationFilePath());
        LocaleAndFonts::SetUp();
    }
    void keysInOrderOnThisMachine();
    void valuesOnThisMachine();
    void printerLines();
    void printerFallback();
    void printSystemQuery();
    void speedFallback();
    void writeTestLines();
    void operatingSystemName_data();
    void operatingSystemName();
    void osVersionText();
    void uptimeText_data();
    void uptimeText();
    void windowShowsOneReportEachTime();
    void copyToClipboard();
    void closeAndEscape();
};

void TestSupportReport::keysInOrderOnThisMachine()
{
    QTemporaryDir config;
    ConfigReport report; // the real speed measurement, once
    report.SetPrinterQuery(A4Printer);
    const QStringList lines = report.Build(Inputs(config.path() + QLatin1Char('/')));

    QStringList expected = {"*Start",
                            "Appl=",
                            "ApplVer=",
                            "ApplProductVer=",
                            "ApplSLog=",
                            "ApplExe=",
                            "ApplExeSize=",
                            "ApplCmdLine=",
                            "ApplMem=",
                            "DirCur=",
                            "DirAppl=",
                            "DirTemp=",
                            "DirWin=",
                            "DirConfig=",
                            "DirCWCur=",
                            "DirCWAppl=",
                            "DirCWTemp=",
                            "DirCWWin=",
                            "DirCWConfig=",
                            "DriveSizeAvailCallerCur=",
                            "DriveSizeAvailCallerAppl=",
                            "DriveSizeAvailCallerTemp=",
                            "DriveSizeAvailCallerWin=",
                            "DriveSizeAvailCallerConfig=",
                            "DriveTypeCur=",
                            "DriveTypeAppl=",
                            "DriveTypeTemp=",
                            "DriveTypeWin=",
                            "DriveTypeConfig=",
                            "DriveSerialAppl=",
                            "DriveSerialWin=",
                            "MemInUse=",
                            "MemTotalPhys=",
                            "MemAvailPhys=",
                            "MemTotalPageFile=",
                            "MemAvailPageFile=",
                            "MemTotalVirtual=",
                            "MemAvailVirtual=",
                            "OSid=",
                            "OSVer=",
                            "OSName=",
                            "OSRun=",
                            "OSUserName=",
                            "OSCompName=",
                            "OSUserIsAdmin=",
                            "OSIsWow64=",
                            "ProcCount=",
                            "ProcArch=",
                            "ProcLevel=",
                            "ProcRevision=",
                            "ProcFamily=",
                            "ProcModel=",
                            "ProcStepping=",
                            "ProcVendor=",
                            "ProcSpeed=",
                            "ProcRegistryId=",
                            "ProcRegistryVendor=",
                            "ProcRegistryName=",
                            "ScreenMonCount=",
                            "ScreenWxH=",
                            "ScreenDesktopWxH=",
                            "ScreenDesktopLeft=",
                            "ScreenDesktopTop=",
                            "ScreenRes=",
                            "ScreenMaxCol=",
                            "ScreenCol=",
                            "ScreenThemes=",
                            "SysRegistryDate=",
                            "SysRegistryManufacturer=",
                            "SysRegistryProductName=",
                            "Printer=",
                            "PrinterWxHPhys=",
                            "PrinterWxHAvail=",
                            "PrinterWxHAvail=",
                            "PrinterResXxY=",
                            "PrinterMaxCol=",
                            "PrinterColor=",
                            "CurDateTime=",
                            "*End"};
    QCOMPARE(expected.size(), 79);
    // Without a firmware description the two firmware lines become one.
    if (!QFileInfo(QStringLiteral("/sys/class/dmi/id")).isDir()) {
        const qsizetype at = expected.indexOf(QStringLiteral("SysRegistryManufacturer="));
        expected.remove(at, 2);
        expected.insert(at, QStringLiteral("SysRegistry="));
        QCOMPARE(ValueOf(lines, QStringLiteral("SysRegistry=")), QStringLiteral("n.a."));
        QCOMPARE(ValueOf(lines, QStringLiteral("SysRegistryDate=")), QStringLiteral("n.a."));
    }
    QCOMPARE(Keys(lines), expected);

#if defined(__x86_64__) || defined(__i386__)
    const QString speed = ValueOf(lines, QStringLiteral("ProcSpeed="));
    QVERIFY2(speed.endsWith(QLatin1String(" mhz")), qPrintable(speed));
    const int mhz = speed.chopped(4).toInt();
    QVERIFY2(mhz >= 100 && mhz <= 10000, qPrintable(speed));
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z ]{12}$"))
                .match(ValueOf(lines, QStringLiteral("ProcVendor=")))
                .hasMatch());
#endif
}

void TestSupportReport::valuesOnThisMachine()
{
    QTemporaryDir config;
    const QString configFolder = config.path() + QLatin1Char('/');
    ConfigReport report;
    report.SetSpeedQuery(FixedSpeed);
    const QStringList lines = report.Build(Inputs(configFolder));

    QCOMPARE(ValueOf(lines, QStringLiteral("Appl=")), QStringLiteral("Tolvek"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ApplVer=")), QStringLiteral("2.1.0 build 37"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ApplProductVer=")), QStringLiteral("2.1.0.37"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ApplSLog=")), QStringLiteral("1"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ApplExeSize=")),
             QString::number(QFileInfo(QCoreApplication::applicationFilePath()).size()));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCur=")), QDir::currentPath() + QLatin1Char('/'));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirConfig=")), configFolder);
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCWConfig=")), QStringLiteral("1"));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCWTemp=")), QStringLiteral("1"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+/\\d+/\\d+ mb$"))
                .match(ValueOf(lines, QStringLiteral("DriveSizeAvailCallerTemp=")))
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^[0-9A-F]{4}-[0-9A-F]{4}$"))
                .match(ValueOf(lines, QStringLiteral("DriveSerialWin=")))
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{1,3}%$"))
                .match(ValueOf(lines, QStringLiteral("MemInUse=")))
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+ mb$"))
                .match(ValueOf(lines, QStringLiteral("MemTotalPhys=")))
                .hasMatch());
    QVERIFY(
        QRegularExpression(QStringLiteral("^\\d+ mb$")).match(ValueOf(lines, QStringLiteral("ApplMem="))).hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+d, \\d+h, \\d+m, \\d+s$"))
                .match(ValueOf(lines, QStringLiteral("OSRun=")))
                .hasMatch());
    QCOMPARE(ValueOf(lines, QStringLiteral("OSid=")), QStringLiteral("3"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+ \\(\\d+\\.\\d+\\)$"))
                .match(ValueOf(lines, QStringLiteral("OSVer=")))
                .hasMatch());
    QFile osRelease(QStringLiteral("/etc/os-release"));
    if (osRelease.open(QIODevice::ReadOnly)) {
        const QByteArray text = osRelease.readAll();
        QCOMPARE(ValueOf(lines, QStringLiteral("OSName=")), SystemQueries::DistributionFromOsRelease(text));
    }
    if (::geteuid() == 0)
        QCOMPARE(ValueOf(lines, QStringLiteral("OSUserIsAdmin=")), QStringLiteral("1"));
    else
        QVERIFY(ValueOf(lines, QStringLiteral("OSUserIsAdmin=")).size() == 1);
    QVERIFY(!ValueOf(lines, QStringLiteral("OSUserName=")).isEmpty());
    QCOMPARE(ValueOf(lines, QStringLiteral("ProcCount=")), QString::number(::sysconf(_SC_NPROCESSORS_ONLN)));
    QCOMPARE(ValueOf(lines, QStringLiteral("ProcSpeed=")), QStringLiteral("2400 mhz"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ScreenThemes=")), QStringLiteral("0"));
    QCOMPARE(ValueOf(lines, QStringLiteral("ScreenMonCount=")), QString::number(QGuiApplication::screens().size()));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(ValueOf(lines, QStringLiteral("ScreenWxH=")),
             QStringLiteral("%1x%2 pix").arg(screen.width()).arg(screen.height()));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                .match(ValueOf(lines, QStringLiteral("CurDateTime=")))
                .hasMatch());
}

void TestSupportReport::printerLines()
{
    const QStringList lines = ConfigReport::PrinterLines(A4Printer());
    QCOMPARE(lines,
             QStringList({"Printer=Kantoor laser", "PrinterWxHPhys=210x297 mm", "PrinterWxHAvail=202x289 mm",
                          "PrinterWxHAvail=4760x6816 pix", "PrinterResXxY=600x600 pix/inch", "PrinterMaxCol=-1",
                          "PrinterColor=Kantoor laser: Black and White - Color support"}));
    PrinterFacts p = A4Printer();
    p.colourSelected = true;
    QCOMPARE(ConfigReport::PrinterColorText(p), QStringLiteral("Kantoor laser: Color - Color support"));
    p.colourSelected = false;
    p.colourSupported = false;
    QCOMPARE(ConfigReport::PrinterColorText(p), QStringLiteral("Kantoor laser: Black and White - No color support"));
    // A printer that reports no resolution gives 0 mm, not a division by zero.
    p.resolutionX = 0;
    QCOMPARE(ConfigReport::PrinterLines(p).at(1), QStringLiteral("PrinterWxHPhys=0x297 mm"));
}

void TestSupportReport::printerFallback()
{
    ConfigReport report;
    report.SetSpeedQuery(FixedSpeed);
    report.SetPrinterQuery([] { return std::optional<PrinterFacts>(); });
    QTemporaryDir config;
    const QStringList lines = report.Build(Inputs(config.path() + QLatin1Char('/')));
    QVERIFY(lines.contains(QStringLiteral("Printer=n.a.")));
    QCOMPARE(lines.filter(QStringLiteral("Printer")).size(), 1);
    QCOMPARE(lines.at(lines.size() - 2).left(12), QStringLiteral("CurDateTime="));
    QCOMPARE(lines.constLast(), QStringLiteral("*End"));
    QCOMPARE(ConfigReport::PrinterLines(std::nullopt), QStringList({QStringLiteral("Printer=n.a.")}));
}

void TestSupportReport::printSystemQuery()
{
    // The print system's answer, whatever this machine has.
    const std::optional<PrinterFacts> printer = PrinterQuery::DefaultPrinter();
    if (QPrinterInfo::defaultPrinter().isNull()) {
        QVERIFY(!printer);
        QCOMPARE(ConfigReport::PrinterLines(printer), QStringList({QStringLiteral("Printer=n.a.")}));
    } else {
        QVERIFY(printer);
        QCOMPARE(printer->name, QPrinterInfo::defaultPrinter().printerName());
        QCOMPARE(ConfigReport::PrinterLines(printer).size(), 7);
    }
}

void TestSupportReport::speedFallback()
{
    ConfigReport report;
    report.SetSpeedQuery([] { return std::optional<std::uint64_t>(); });
    QTemporaryDir config;
    const QStringList lines = report.Build(Inputs(config.path() + QLatin1Char('/')));
    QVERIFY(lines.contains(QStringLiteral("ProcSpeed=n.a.")));
}

void TestSupportReport::writeTestLines()
{
    ConfigReport report;
    report.SetSpeedQuery(FixedSpeed);
    // A configuration folder that cannot be written.
    QTemporaryDir dir;
    const QString missing = dir.path() + QStringLiteral("/weg/");
    QStringList lines = report.Build(Inputs(missing));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCWConfig=")), QStringLiteral("0"));
    QCOMPARE(ValueOf(lines, QStringLiteral("DriveSizeAvailCallerConfig=")), QStringLiteral("-1/-1/-1 mb"));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCWWin=")), ::geteuid() == 0 ? QStringLiteral("1") : QStringLiteral("0"));
    QVERIFY(!QFileInfo::exists(QStringLiteral("/usr/$cdtmp.tmp")));

    // Someone's own "$cdtmp.tmp" survives the report.
    const QString theirs = dir.path() + QStringLiteral("/$cdtmp.tmp");
    QFile f(theirs);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    lines = report.Build(Inputs(dir.path() + QLatin1Char('/')));
    QCOMPARE(ValueOf(lines, QStringLiteral("DirCWConfig=")), QStringLiteral("1"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("$cdtmp.tmp")}));
}

void TestSupportReport::operatingSystemName_data()
{
    QTest::addColumn<int>("platform");
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("build");
    QTest::addColumn<QString>("servicePack");
    QTest::addColumn<QString>("name");
    QTest::newRow("3.11") << 0 << 3u << 11u << 0u << ""
                          << "Windows 3.11";
    QTest::newRow("3.11 ignores service pack") << 0 << 1u << 0u << 0u << "X"
                                               << "Windows 3.11";
    QTest::newRow("95") << 1 << 4u << 0u << 950u << ""
                        << "Windows 95";
    QTest::newRow("98 SE") << 1 << 4u << 10u << 2222u << " A "
                           << "Windows 98 SE";
    QTest::newRow("98 lower-case a") << 1 << 4u << 10u << 2222u << " a"
                                     << "Windows 98";
    QTest::newRow("98") << 1 << 4u << 10u << 1998u << ""
                        << "Windows 98";
    QTest::newRow("98 A first") << 1 << 4u << 10u << 1998u << "A"
                                << "Windows 98";
    QTest::newRow("Millenium") << 1 << 4u << 90u << 3000u << ""
                               << "Windows Millenium";
    QTest::newRow("other 9x") << 1 << 4u << 50u << 0u << ""
                              << "Unknown Version (Win9x)";
    QTest::newRow("NT 3.51") << 2 << 3u << 51u << 1057u << ""
                             << "Windows NT 3.51";
    QTest::newRow("NT 4 SP6") << 2 << 4u << 0u << 1381u << "Service Pack 6"
                              << "Windows NT 4.0 [Service Pack 6]";
    QTest::newRow("2000") << 2 << 5u << 0u << 2195u << ""
                          << "Windows 2000";
    QTest::newRow("XP SP3") << 2 << 5u << 1u << 2600u << "Service Pack 3"
                            << "Windows XP [Service Pack 3]";
    QTest::newRow("2003") << 2 << 5u << 2u << 3790u << ""
                          << "Windows XP 64-bit / Windows Server 2003";
    QTest::newRow("Vista") << 2 << 6u << 0u << 6002u << ""
                           << "Windows Vista / Server 2008";
    QTest::newRow("7 SP1") << 2 << 6u << 1u << 7601u << "Service Pack 1"
                           << "Windows 7 [Service Pack 1]";
    QTest::newRow("6.2 empty") << 2 << 6u << 2u << 9200u << ""
                               << "";
    QTest::newRow("6.2 service pack only") << 2 << 6u << 2u << 9200u << "SP"
                                           << " [SP]";
    QTest::newRow("5.3 empty") << 2 << 5u << 3u << 0u << ""
                               << "";
    QTest::newRow("NT 10") << 2 << 10u << 0u << 19045u << ""
                           << "Unknown Version (WinNT 10.0)";
    QTest::newRow("NT 2") << 2 << 2u << 5u << 0u << ""
                          << "Unknown Version (WinNT 2.5)";
    QTest::newRow("Linux distribution") << 3 << 6u << 1u << 0u << ""
                                        << "Debian GNU/Linux 12 (bookworm)";
    QTest::newRow("other platform") << 7 << 1u << 2u << 3u << ""
                                    << "Unknown OS (7-1.2.3)";
}

void TestSupportReport::operatingSystemName()
{
    QFETCH(int, platform);
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, build);
    QFETCH(QString, servicePack);
    QFETCH(QString, name);
    OsVersion v;
    v.platformId = platform;
    v.major = major;
    v.minor = minor;
    v.build = build;
    v.servicePack = servicePack;
    v.distribution = QStringLiteral("Debian GNU/Linux 12 (bookworm)");
    if (platform != SystemQueries::PlatformLinux)
        v.distribution = QStringLiteral("must not show");
    QCOMPARE(ConfigReport::OperatingSystemName(v), name);
}

void TestSupportReport::osVersionText()
{
    OsVersion v;
    v.major = 6;
    v.minor = 1;
    v.build = 7601;
    QCOMPARE(ConfigReport::OsVersionText(v), QStringLiteral("6.1.7601 (7601.0)"));
    v.build = 0x00030002; // a build number with high bits, as Windows 9x reports it
    QCOMPARE(ConfigReport::OsVersionText(v), QStringLiteral("6.1.196610 (2.3)"));
    v.platformId = SystemQueries::PlatformLinux;
    v.distribution.clear();
    QCOMPARE(ConfigReport::OperatingSystemName(v), QStringLiteral("Linux 6.1"));
}

void TestSupportReport::uptimeText_data()
{
    QTest::addColumn<qulonglong>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("start") << 0ULL << "0d, 0h, 0m, 0s";
    QTest::newRow("under a second") << 999ULL << "0d, 0h, 0m, 0s";
    QTest::newRow("2d 3h 4m 5s") << (((2ULL * 24 + 3) * 60 + 4) * 60 + 5) * 1000 + 678 << "2d, 3h, 4m, 5s";
    QTest::newRow("last ms of a day") << 86399999ULL << "0d, 23h, 59m, 59s";
    QTest::newRow("32-bit limit") << 4294967295ULL << "49d, 17h, 2m, 47s";
    QTest::newRow("past 49.7 days") << 4294967296ULL + 1000 << "49d, 17h, 2m, 48s";
    QTest::newRow("100 days") << 100ULL * 86400000 << "100d, 0h, 0m, 0s";
    QTest::newRow("ten years") << 3652ULL * 86400000 + 3600000 << "3652d, 1h, 0m, 0s";
}

void TestSupportReport::uptimeText()
{
    QFETCH(qulonglong, ms);
    QFETCH(QString, text);
    QCOMPARE(ConfigReport::UptimeText(ms), text);
}

void TestSupportReport::windowShowsOneReportEachTime()
{
    QTemporaryDir config;
    TConfigGegevensForm form;
    form.SetPrinterQuery([] { return std::optional<PrinterFacts>(); });
    form.SetSpeedQuery(FixedSpeed);
    QCOMPARE(form.windowTitle(), QStringLiteral("Configuration info"));
    form.ShowConfigurationReport(QStringLiteral("Tolvek"), 1, 0, 0, 1, QStringLiteral("1.0.0.1"), false,
                                 config.path() + QLatin1Char('/'));
    QVERIFY(form.isVisible());
    QVERIFY(!form.isModal());
    QVERIFY(!QApplication::overrideCursor());
    const QStringList first = form.ReportText().split(QLatin1Char('\n'));
    QCOMPARE(first.constFirst(), QStringLiteral("*Start"));
    QCOMPARE(first.constLast(), QStringLiteral("*End"));
    QVERIFY(first.contains(QStringLiteral("ApplVer=1.0.0 build 1")));
    QVERIFY(first.contains(QStringLiteral("ApplSLog=0")));
    QVERIFY(first.contains(QStringLiteral("Printer=n.a.")));
    QVERIFY(first.contains(QStringLiteral("ApplExe=") + QCoreApplication::applicationFilePath()));
    if (qEnvironmentVariableIsSet("TOLVEK_SHOW_REPORT"))
        qInfo().noquote() << form.ReportText();

    form.Button1Click();
    QVERIFY(!form.isVisible());
    form.ShowConfigurationReport(QStringLiteral("Tolvek"), 1, 0, 0, 1, QStringLiteral("1.0.0.1"), true,
                                 config.path() + QLatin1Char('/'));
    const QStringList second = form.ReportText().split(QLatin1Char('\n'));
    QCOMPARE(second.size(), first.size());
    QCOMPARE(second.count(QStringLiteral("*Start")), 1);
    QVERIFY(second.contains(QStringLiteral("ApplSLog=1")));
    QCOMPARE(QApplication::focusWidget(), form.findChild<QPushButton *>(QStringLiteral("Button1")));
}

void TestSupportReport::copyToClipboard()
{
    QTemporaryDir config;
    TConfigGegevensForm form;
    form.SetSpeedQuery(FixedSpeed);
    form.SetPrinterQuery(A4Printer);
    form.ShowConfigurationReport(QStringLiteral("Tolvek"), 1, 0, 0, 1, QStringLiteral("1.0.0.1"), false,
                                 config.path() + QLatin1Char('/'));
    QApplication::clipboard()->setText(QStringLiteral("old"));
    auto *button = form.findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
    QVERIFY(button);
    QCOMPARE(button->toolTip(), QStringLiteral("Copy to clipboard"));
    QTest::mouseClick(button, Qt::LeftButton);
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, form.ReportText());
    QVERIFY(copied.startsWith(QLatin1String("*Start\nAppl=Tolvek\n")));
    QVERIFY(copied.endsWith(QLatin1String("\n*End")));
    QVERIFY(copied.contains(QLatin1String("\nPrinterColor=Kantoor laser: Black and White - Color support\n")));
    auto *memo = form.findChild<QPlainTextEdit *>(QStringLiteral("Memo1"));
    QVERIFY(memo->isReadOnly());
    QCOMPARE(memo->textCursor().selectedText().size(), copied.size());
}

void TestSupportReport::closeAndEscape()
{
    QTemporaryDir config;
    TConfigGegevensForm form;
    form.SetSpeedQuery(FixedSpeed);
    form.SetPrinterQuery([] { return std::optional<PrinterFacts>(); });
    form.ShowConfigurationReport(QStringLiteral("Tolvek"), 1, 0, 0, 1, QString(), false,
                                 config.path() + QLatin1Char('/'));
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), 1);

    form.ShowConfigurationReport(QStringLiteral("Tolvek"), 1, 0, 0, 1, QString(), false,
                                 config.path() + QLatin1Char('/'));
    auto *close = form.findChild<QPushButton *>(QStringLiteral("Button1"));
    QCOMPARE(close->text(), QStringLiteral("&Close"));
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(form.result(), 1);
}

QTEST_MAIN(TestSupportReport)
#include "tst_support_report.moc"
