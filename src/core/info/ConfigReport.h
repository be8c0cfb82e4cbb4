#pragma once

#include "core/platform/SystemQueries.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

// What the caller hands the configuration report.
struct ConfigReportInputs
{
    QString appTitle;
    int major = 0;
    int minor = 0;
    int release = 0;
    int build = 0;
    QString productVersion;
    bool logMarker = false;
    QString configFolder;

    // The process-wide values; FillFromProcess takes them from ProcessFolders
    // and the running application.
    QString programPath;
    QString programFolder;
    QString tempFolder;
    QString windowsFolder;
    QString commandLine;

    // Visual themes are on for the application (not the classic style).
    bool themesEnabled = true;

    void FillFromProcess();
};

// Builds the plain-text report of the program, its folders and disks,
// memory, operating system, processor, screen, printer and the time: one
// "key=value" line each, from "*Start" to "*End". Keys and units are fixed
// English texts; the values come from this machine, and every query that
// fails writes its fallback text.
class ConfigReport
{
public:
    using PrinterQuery = std::function<std::optional<PrinterFacts>()>;
    using SpeedQuery = std::function<std::optional<std::uint64_t>()>;

    ConfigReport();

    // Where the printer facts come from; nothing means no printer.
    void SetPrinterQuery(PrinterQuery query) { m_printerQuery = std::move(query); }
    // The processor speed measurement (blocks for half a second).
    void SetSpeedQuery(SpeedQuery query) { m_speedQuery = std::move(query); }

    QStringList Build(const ConfigReportInputs &inputs) const;

    // Report parts that other windows share or that tests look at alone.
    static QString VersionText(int major, int minor, int release, int build); // "2.1.0 build 37"
    static QString OperatingSystemName(const SystemQueries::OsVersion &version);
    static QString OsVersionText(const SystemQueries::OsVersion &version); // "6.1.7601 (7601.0)"
    static QString UptimeText(std::uint64_t milliseconds);                 // "2d, 3h, 4m, 5s"
    static QString PrinterColorText(const PrinterFacts &printer);
    static QStringList PrinterLines(const std::optional<PrinterFacts> &printer);
    static QStringList ScreenLines(bool themesEnabled);
    static QString CurrentDateTimeText();

    // The key of a report line up to and including its "="; the marker
    // lines "*Start" and "*End" as they are.
    static QString KeyOf(const QString &line);

private:
    PrinterQuery m_printerQuery;
    SpeedQuery m_speedQuery;
};
