// Used only while the program's own message dialogs are not part of the
// build: plain message boxes through the dialog seam, so that tests can read
// and answer them the same way.
#include "support/MessageDialogs.h"
#include "support/UserInteraction.h"

#include <QMessageBox>

namespace MessageDialogs {

namespace {
int Show(QMessageBox::Icon icon, const QString &caption, const QString &title, const QString &text,
         QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons);
    box.setObjectName(QStringLiteral("MessageDialog"));
    if (!title.isEmpty())
        box.setText(title + QStringLiteral("\n\n") + text);
    switch (UserInteraction::ExecModal(&box)) {
    case QMessageBox::Yes: return ResultYes;
    case QMessageBox::No: return ResultNo;
    case QMessageBox::Ok: return ResultOK;
    default: return ResultCancel;
    }
}
} // namespace

int ShowInfoMessage(const QString &caption, const QString &title, const QString &text, const QString &)
{
    return Show(QMessageBox::Information, caption, title, text, QMessageBox::Ok);
}

int ShowWarningMessage(const QString &caption, const QString &title, const QString &text, const QString &)
{
    return Show(QMessageBox::Warning, caption, title, text, QMessageBox::Ok);
}

int ShowErrorMessage(const QString &caption, const QString &title, const QString &text, const QString &)
{
    return Show(QMessageBox::Critical, caption, title, text, QMessageBox::Ok);
}

int AskYesNoCancel(const QString &caption, const QString &title, const QString &text, const QString &, const QString &,
                   const QString &, DialogButton)
{
    return Show(QMessageBox::Question, caption, title, text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
}

bool UseTaskDialog()
{
    return false;
}

} // namespace MessageDialogs
