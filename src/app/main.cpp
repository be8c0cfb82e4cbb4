#include "app/THoofdForm.h"
#include "app/TolvekApplication.h"
#include "platform/ProcessFolders.h"

int main(int argc, char *argv[])
{
    ProcessFolders::SupportStartup(argc > 0 ? QString::fromLocal8Bit(argv[0]) : QString());
    int result = 0;
    {
        TolvekApplication app(argc, argv);
        result = THoofdForm::RunProgram(app);
    }
    ProcessFolders::SupportShutdown();
    return result;
}
