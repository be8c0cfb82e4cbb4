#pragma once

#include <QString>
#include <QStringList>

// The process-wide folders and paths, found once at start-up before any
// window exists and read-only afterwards. Each folder ends in a separator.
class ProcessFolders
{
public:
    // Determines the values below. argv0 is used only when /proc/self/exe
    // cannot be read.
    static void SupportStartup(const QString &argv0 = QString());
    static void SupportShutdown();

    static const QString &TempFolder();
    static const QString &ProgramFolder();
    static const QString &WindowsFolder();
    static const QString &ProgramPath();
    static bool LogMarkerPresent();

    // The document path on the command line: the whole command line (the
    // program path and its arguments joined with blanks, as this platform
    // keeps no single command-line text) without double quotes, cut after the
    // program's own file name, trimmed. Empty when there are no arguments.
    static QString CommandLineFileName(const QStringList &arguments);

    // The same on a given command-line text, for a known program path.
    static QString CommandLineFileNameFrom(const QString &commandLine, const QString &programPath);
};
