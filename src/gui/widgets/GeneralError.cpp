#include "gui/widgets/GeneralError.h"

#include "core/base/ProgramTexts.h"
#include "core/base/TolvekError.h"
#include "gui/widgets/MessageDialogs.h"

#include <new>

namespace GeneralError {

namespace {
QString g_applicationTitle = ProgramTexts::AppTitle();
}

void SetApplicationTitle(const QString &title)
{
    g_applicationTitle = title;
}

QString ApplicationTitle()
{
    return g_applicationTitle;
}

void Show(const QString &text)
{
    MessageDialogs::ShowErrorMessage(g_applicationTitle, QString(), text);
}

void Run(const std::function<void()> &command)
{
    try {
        command();
    } catch (const TolvekError &e) {
        Show(e.message());
    } catch (const std::bad_alloc &) {
        Show(QStringLiteral("Onvoldoende geheugen om de opdracht uit te voeren."));
    } catch (const std::exception &e) {
        Show(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace GeneralError
