#pragma once

#include <QString>
#include <QStringList>

// The message box of the whole program. Every box goes through one of the
// four wrappers; each picks the task-dialog stand-in or the program's own
// re-laid-out dialog (UseTaskDialog) and returns the DialogResult.
namespace MessageDialogs {

enum MessageKind : unsigned char { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

enum DialogButton : unsigned char {
    Yes = 0, No = 1, OK = 2, Cancel = 3, Abort = 4, Retry = 5, Ignore = 6,
    All = 7, NoToAll = 8, YesToAll = 9, Help = 10,
};

// Bit n stands for the button with value n.
using DialogButtonSet = unsigned short;
constexpr DialogButtonSet ButtonBit(DialogButton b) { return static_cast<DialogButtonSet>(1u << b); }

// Result codes.
enum DialogResult : int {
    ResultNone = 0, ResultOK = 1, ResultCancel = 2, ResultAbort = 3, ResultRetry = 4, ResultIgnore = 5,
    ResultYes = 6, ResultNo = 7, ResultAll = 8, ResultNoToAll = 9, ResultYesToAll = 10,
};

int ShowInfoMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption = QString());
int ShowWarningMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption = QString());
int ShowErrorMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption = QString());
int AskYesNoCancel(const QString &caption, const QString &title, const QString &text,
                   const QString &yesCaption, const QString &noCaption, const QString &cancelCaption,
                   DialogButton defaultButton);

// True when the task-dialog stand-in is available and visual themes are on
// (the program does not run with Qt's classic "Windows" style).
bool UseTaskDialog();

int ShowTaskDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                   DialogButtonSet buttons, DialogButton defaultButton,
                   const QString &yesCaption, const QString &noCaption,
                   const QString &okCaption, const QString &cancelCaption);

// captions: one per button in the order of DialogButton (Yes ... Help);
// missing or empty entries keep the standard caption.
int ShowMessageDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                      DialogButtonSet buttons, DialogButton defaultButton, const QStringList &captions);

} // namespace MessageDialogs
