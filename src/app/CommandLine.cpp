#include "app/CommandLine.h"

#include "core/base/ProgramTexts.h"
#include "core/info/TRvVersionInfo.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace {

const QCommandLineOption kHelp({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Toont deze uitleg."));
const QCommandLineOption kVersion({QStringLiteral("v"), QStringLiteral("version")},
                                  QStringLiteral("Toont het versienummer."));

} // namespace

std::optional<int> CommandLine::AnswerInformationRequest(const QStringList &arguments, std::FILE *out)
{
    QCommandLineParser parser;
    // "-reverse" (one of Qt's own options) is one word, not -r -e -v ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(kHelp);
    parser.addOption(kVersion);
    // Anything else (Qt's own options such as -style, a name that starts
    // with "-") is not refused here: it is left to the program as before.
    parser.parse(arguments);
    QString answer;
    if (parser.isSet(kHelp))
        answer = HelpText();
    else if (parser.isSet(kVersion))
        answer = VersionText();
    else
        return std::nullopt;
    std::fputs(answer.toLocal8Bit().constData(), out);
    std::fflush(out);
    return 0;
}

std::optional<int> CommandLine::AnswerInformationRequest(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return AnswerInformationRequest(arguments);
}

QString CommandLine::HelpText()
{
    return QStringLiteral("Gebruik: tolvek [PROJECTBESTAND]\n"
                          "\n"
                          "%1: foto's op een overzichtskaart. Opent het projectbestand (.tvk) dat\n"
                          "na de programmanaam staat; een naam met spaties mag zonder aanhalingstekens.\n"
                          "\n"
                          "Opties:\n"
                          "  -h, --help     %2\n"
                          "  -v, --version  %3\n")
        .arg(ProgramTexts::AppTitle(), kHelp.description(), kVersion.description());
}

QString CommandLine::VersionText()
{
    const TRvVersionInfo info;
    const VersionNumber v = info.GetVersionNumber();
    return QStringLiteral("%1 %2.%3.%4 (build %5)\n")
        .arg(ProgramTexts::AppTitle())
        .arg(v.Major)
        .arg(v.Minor)
        .arg(v.Release)
        .arg(v.Build);
}
