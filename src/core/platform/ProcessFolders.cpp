#include "core/platform/ProcessFolders.h"

#include "core/platform/FolderNames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
struct Values
{
    QString tempFolder;
    QString programFolder;
    QString windowsFolder;
    QString programPath;
    QString dataFolder;
    bool logMarker = false;
};
Values g_values;
} // namespace

void ProcessFolders::SupportStartup(const QString &argv0)
{
    using FolderNames::AddTrailingBackslash;
    g_values.tempFolder = AddTrailingBackslash(QDir::tempPath());

    QString self = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    if (self.isEmpty())
        self = QFileInfo(argv0).absoluteFilePath();
    g_values.programPath = self;
    g_values.programFolder = AddTrailingBackslash(QFileInfo(self).absolutePath());
    const QString installed =
        AddTrailingBackslash(QDir::cleanPath(g_values.programFolder + QStringLiteral(TOLVEK_DATA_FROM_PROGRAM)));
    g_values.dataFolder =
        QFileInfo::exists(installed + QStringLiteral("LeesMij.txt")) ? installed : g_values.programFolder;
    // The operating system's own folder.
    g_values.windowsFolder = AddTrailingBackslash(QStringLiteral("/usr"));
    g_values.logMarker = QFileInfo::exists(g_values.tempFolder + QStringLiteral("EslLog.zzz"));
}

void ProcessFolders::SupportShutdown()
{
    g_values = Values{};
}

const QString &ProcessFolders::TempFolder()
{
    return g_values.tempFolder;
}
const QString &ProcessFolders::ProgramFolder()
{
    return g_values.programFolder;
}
const QString &ProcessFolders::WindowsFolder()
{
    return g_values.windowsFolder;
}
const QString &ProcessFolders::ProgramPath()
{
    return g_values.programPath;
}
const QString &ProcessFolders::DataFolder()
{
    return g_values.dataFolder;
}
bool ProcessFolders::LogMarkerPresent()
{
    return g_values.logMarker;
}

QString ProcessFolders::CommandLineFileName(const QStringList &arguments)
{
    if (arguments.size() <= 1)
        return QString();
    return CommandLineFileNameFrom(arguments.join(QLatin1Char(' ')), arguments.first());
}

QString ProcessFolders::CommandLineFileNameFrom(const QString &commandLine, const QString &programPath)
{
    QString text = commandLine;
    text.remove(QLatin1Char('"'));
    const QString name = QFileInfo(programPath).fileName();
    // The program's name as it ends the program path: a folder of the same
    // name (common here, where programs have no ".exe") must not match.
    qsizetype found = text.indexOf(name, 0, Qt::CaseInsensitive);
    while (found >= 0 && found + name.size() < text.size() && text[found + name.size()] != QLatin1Char(' '))
        found = text.indexOf(name, found + 1, Qt::CaseInsensitive);
    const qsizetype p = found < 0 ? 0 : found + 1; // 1-based position, 0 when absent
    text.remove(0, p + name.size());
    while (text.startsWith(QLatin1Char(' ')))
        text.remove(0, 1);
    return text.trimmed();
}
