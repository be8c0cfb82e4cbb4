#pragma once

#include <QStringList>
#include <cstdio>
#include <optional>

// "--help" and "--version" on the command line: answered on standard output
// before anything else starts (no display is needed for them). Every other
// command line names the project to open, as always.
class CommandLine
{
public:
    // The exit code when arguments (the program's path first) ask for help
    // or the version, after writing the answer to out; nothing otherwise.
    static std::optional<int> AnswerInformationRequest(const QStringList &arguments, std::FILE *out = stdout);
    static std::optional<int> AnswerInformationRequest(int argc, char **argv);

    static QString HelpText();
    static QString VersionText();
};
