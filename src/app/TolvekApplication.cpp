#include "app/TolvekApplication.h"

#include "gui/platform/LocaleAndFonts.h"
#include "gui/widgets/GeneralError.h"

TolvekApplication::TolvekApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    // Ties the windows to the desktop entry (its icon and name in task bars).
    setDesktopFileName(QStringLiteral("nl.tolvek.Tolvek"));
    LocaleAndFonts::SetUp();
}

bool TolvekApplication::notify(QObject *receiver, QEvent *event)
{
    bool result = false;
    GeneralError::Run([&] { result = QApplication::notify(receiver, event); });
    return result;
}
