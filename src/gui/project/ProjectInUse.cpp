#include "gui/project/ProjectInUse.h"

#include "core/base/ProgramTexts.h"
#include "gui/widgets/MessageDialogs.h"

#include <QDir>

namespace {

QString where(const ProcessLock::Holder &holder)
{
    return QStringLiteral("op %1 (proces %2)").arg(holder.host).arg(holder.processId);
}

} // namespace

ProjectInUse::Answer ProjectInUse::AskOpen(const QString &fileName, const ProcessLock::Holder &holder)
{
    const int answer = MessageDialogs::AskYesNoCancel(
        ProgramTexts::AppTitle(), QStringLiteral("Project al geopend"),
        QStringLiteral("Bestand \"%1\" is al geopend in Tolvek %2. Alleen-lezen openen?\n\n"
                       "Opslaan vraagt dan om een nieuwe naam.")
            .arg(QDir::toNativeSeparators(fileName), where(holder)),
        QStringLiteral("&Alleen-lezen"), QStringLiteral("&Toch bewerken"), QStringLiteral("&Annuleren"),
        MessageDialogs::Yes);
    if (answer == MessageDialogs::ResultYes)
        return Answer::ReadOnly;
    if (answer == MessageDialogs::ResultNo)
        return Answer::Edit;
    return Answer::Cancel;
}

void ProjectInUse::WarnSaveAs(const QString &fileName, const ProcessLock::Holder &holder)
{
    MessageDialogs::ShowWarningMessage(
        ProgramTexts::AppTitle(), QString(),
        QStringLiteral("Bestand \"%1\" is geopend in Tolvek %2 en wordt niet overschreven. Kies een andere naam.")
            .arg(QDir::toNativeSeparators(fileName), where(holder)));
}
