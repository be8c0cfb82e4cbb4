#include "gui/project/RecoveryOffer.h"

#include "core/base/ProgramTexts.h"
#include "core/project/RecoveryCopy.h"
#include "gui/platform/TaskDialog.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QDir>
#include <QLocale>

namespace {

constexpr int kRestore = 101;
constexpr int kDiscard = 102;

} // namespace

RecoveryOffer::Answer RecoveryOffer::Ask(const RecoveryCopy &copy)
{
    TaskDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("HerstelDialog"));
    dialog.setWindowTitle(ProgramTexts::AppTitle());
    dialog.SetMainIcon(TaskDialog::MainIcon::Warning);
    dialog.SetMainInstruction(QStringLiteral("Niet-opgeslagen wijzigingen herstellen?"));
    const QString what = copy.IsUntitled()
        ? QStringLiteral("Van een nieuw project dat nog niet was opgeslagen")
        : QStringLiteral("Van het project \"%1\"").arg(QDir::toNativeSeparators(copy.ProjectFileName()));
    const QString when = copy.LastChange().isValid()
        ? QLocale().toString(copy.LastChange(), QStringLiteral("d MMMM yyyy 'om' HH:mm"))
        : QStringLiteral("onbekend");
    dialog.SetContent(QStringLiteral("Tolvek is niet normaal afgesloten. %1 is een herstelkopie bewaard met "
                                     "wijzigingen die niet waren opgeslagen.\n\n"
                                     "Laatste wijziging: %2.\n\n"
                                     "Herstellen opent het project met deze wijzigingen. Later bewaart de kopie "
                                     "tot de volgende start. Verwijderen gooit de wijzigingen weg.")
                          .arg(what, when));
    dialog.AddButton(QStringLiteral("Herstellen"), QStringLiteral("&Herstellen"), kRestore, true);
    dialog.AddButton(QStringLiteral("Later"), QStringLiteral("&Later"), TaskDialog::DismissResult, false);
    dialog.AddButton(QStringLiteral("Verwijderen"), QStringLiteral("&Verwijderen"), kDiscard, false);
    dialog.Arrange();
    switch (UserInteraction::ExecModal(&dialog)) {
    case kRestore:
        return Answer::Restore;
    case kDiscard:
        return Answer::Discard;
    default:
        return Answer::Later;
    }
}

std::optional<RecoveryCopy> RecoveryOffer::Run()
{
    std::vector<RecoveryCopy> copies = RecoveryCopy::FindAbandoned();
    for (RecoveryCopy &copy : copies) {
        switch (Ask(copy)) {
        case Answer::Restore:
            // The rest are released with the list and offered next time.
            return std::move(copy);
        case Answer::Discard:
            copy.Discard();
            break;
        case Answer::Later:
            break;
        }
    }
    return std::nullopt;
}
