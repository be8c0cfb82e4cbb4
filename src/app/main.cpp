#include "app/CommandLine.h"
#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "core/platform/ProcessFolders.h"

#include <csignal>

int main(int argc, char *argv[])
{
    // A file-size limit must make a save fail with the warning, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    ProcessFolders::SupportStartup(argc > 0 ? QString::fromLocal8Bit(argv[0]) : QString());
    int result = 0;
    if (const std::optional<int> answered = CommandLine::AnswerInformationRequest(argc, argv)) {
        result = *answered;
    } else {
        TolvekApplication app(argc, argv);
        result = THoofdForm::RunProgram(app);
    }
    ProcessFolders::SupportShutdown();
    return result;
}
