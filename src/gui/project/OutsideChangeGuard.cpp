#include "gui/project/OutsideChangeGuard.h"

#include "core/base/ProgramTexts.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/widgets/MessageDialogs.h"

#include <QDir>
#include <QScopedValueRollback>

namespace {

// Losing the changes made here is asked once more, with Cancel first.
bool confirmReload(const QString &fileName)
{
    using namespace MessageDialogs;
    const QString title = QStringLiteral("Wijzigingen weggooien?");
    const QString text = QStringLiteral("De wijzigingen in \"%1\" die nog niet zijn opgeslagen, gaan verloren als het "
                                        "bestand opnieuw wordt geladen.")
                             .arg(QDir::toNativeSeparators(fileName));
    const QString reload = QStringLiteral("Opnieuw &laden");
    const QString cancel = QStringLiteral("&Annuleren");
    const DialogButtonSet buttons = ButtonBit(Yes) | ButtonBit(Cancel);
    int answer;
    if (UseTaskDialog()) {
        answer = ShowTaskDialog(ProgramTexts::AppTitle(), title, text, Warning, buttons, Cancel, reload, QString(),
                                QString(), cancel);
    } else {
        QStringList captions(Help + 1);
        captions[Yes] = reload;
        captions[Cancel] = cancel;
        answer = ShowMessageDialog(ProgramTexts::AppTitle(), title, text, Warning, buttons, Cancel, captions);
    }
    return answer == ResultYes;
}

} // namespace

OutsideChangeGuard::Action OutsideChangeGuard::Ask()
{
    QScopedValueRollback<bool> asking(m_asking, true);
    const ProjectDocument &doc = m_session.Document();
    const int answer =
        MessageDialogs::AskYesNoCancel(ProgramTexts::AppTitle(), QStringLiteral("Bestand buiten Tolvek gewijzigd"),
                                       QStringLiteral("Bestand \"") + QDir::toNativeSeparators(doc.CurrentFileName)
                                           + QStringLiteral("\" is buiten Tolvek gewijzigd. Overschrijven?"),
                                       QStringLiteral("&Overschrijven"), QStringLiteral("Opnieuw &laden"),
                                       QStringLiteral("&Annuleren"), MessageDialogs::Cancel);
    if (answer == MessageDialogs::ResultYes)
        return Action::Save;
    if (answer == MessageDialogs::ResultNo && (!doc.Modified || confirmReload(doc.CurrentFileName)))
        return Action::Reload;
    return Action::None;
}

OutsideChangeGuard::Action OutsideChangeGuard::BeforeSave()
{
    if (m_session.CheckDisk() != FileStamp::Comparison::Changed)
        return Action::Save;
    return Ask();
}

OutsideChangeGuard::Action OutsideChangeGuard::OnActivation()
{
    if (m_asking)
        return Action::None;
    FileStamp now;
    if (m_session.CheckDisk(&now) != FileStamp::Comparison::Changed || now.Digest() == m_leftAlone)
        return Action::None;
    const Action action = Ask();
    if (action == Action::None)
        m_leftAlone = now.Digest();
    return action;
}
