#include "gui/project/ProjectInUse.h"

#include "core/base/ProgramTexts.h"
#include "core/project/ProjectLock.h"
#include "gui/widgets/MessageDialogs.h"

#include <QDir>

namespace {

// "op pc-12 (proces 4711), door jan, sinds 7-12-2026 21:50": as much as the
// lock tells.
QString where(const ProcessLock::Holder &holder)
{
    QString text = QStringLiteral("op %1 (proces %2)").arg(holder.host).arg(holder.processId);
    if (!holder.user.isEmpty())
        text += QStringLiteral(", door %1").arg(holder.user);
    if (holder.since.isValid())
        text += QStringLiteral(", sinds %1").arg(holder.since.toLocalTime().toString(QStringLiteral("d-M-yyyy HH:mm")));
    return text;
}

} // namespace

ProjectInUse::Answer ProjectInUse::AskOpen(const QString &fileName, const ProcessLock::Holder &holder)
{
    if (ProjectLockFile::IsOld(holder)) {
        const int answer = MessageDialogs::AskYesNoCancel(
            ProgramTexts::AppTitle(), QStringLiteral("Oude vergrendeling"),
            QStringLiteral("Bestand \"%1\" is geopend in Tolvek %2. Dat is meer dan een dag geleden; "
                           "waarschijnlijk is dat programma niet netjes afgesloten.\n\n"
                           "Hef de vergrendeling alleen op als u zeker weet dat niemand anders het project "
                           "nog bewerkt.")
                .arg(QDir::toNativeSeparators(fileName), where(holder)),
            QStringLiteral("&Alleen-lezen"), QStringLiteral("&Vergrendeling opheffen"), QStringLiteral("&Annuleren"),
            MessageDialogs::Yes);
        if (answer == MessageDialogs::ResultYes)
            return Answer::ReadOnly;
        if (answer != MessageDialogs::ResultNo)
            return Answer::Cancel;
        if (!ProjectLock::Break(fileName)) {
            MessageDialogs::ShowWarningMessage(
                ProgramTexts::AppTitle(), QString(),
                QStringLiteral("De vergrendeling \"%1\" kan niet worden opgeheven. Het project wordt alleen-lezen "
                               "geopend.")
                    .arg(QDir::toNativeSeparators(ProjectLockFile::FileName(fileName))));
            return Answer::ReadOnly;
        }
        return Answer::Edit;
    }
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
