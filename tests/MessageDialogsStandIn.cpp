// Used only while the program's message dialogs are not in this tree: a
// plain dialog with the text, run through the dialog seam like the real ones.

#include "support/MessageDialogs.h"
#include "support/UserInteraction.h"

#include <QDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace MessageDialogs {

namespace {
int Show(const QString &caption, const QString &title, const QString &text)
{
    QDialog dialog;
    dialog.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&dialog);
    if (!title.isEmpty())
        layout->addWidget(new QLabel(title, &dialog));
    layout->addWidget(new QLabel(text, &dialog));
    UserInteraction::ExecModal(&dialog);
    return ResultOK;
}
} // namespace

int ShowInfoMessage(const QString &caption, const QString &title, const QString &text, const QString &)
{
    return Show(caption, title, text);
}

int ShowErrorMessage(const QString &caption, const QString &title, const QString &text, const QString &)
{
    return Show(caption, title, text);
}

} // namespace MessageDialogs
