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
    // The folder of the help file and the read-me: ProgramFolder where they
    // lie beside the program (the build tree), and the program's data folder
    // (../share/tolvek/ from the program) once it is installed, whatever
    // the prefix. Ends in a separator.
    static const QString &DataFolder();
    static bool LogMarkerPresent();

    // The document path on the command line: the whole command line (the
    // program path and its arguments joined with blanks, as this platform
    // keeps no single command-line text) without double quotes, cut after the
    // program's own file name, trimmed. Empty when there are no arguments.
    static QString CommandLineFileName(const QStringList &arguments);

    // The same on a given command-line text, for a known program path.
    static QString CommandLineFileNameFrom(const QString &commandLine, const QString &programPath);
};
