#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The message box of the whole program. Every box goes through one of the
// four wrappers; each picks the task-dialog stand-in or the program's own
// re-laid-out dialog (UseTaskDialog) and returns the DialogResult.
namespace MessageDialogs {

enum MessageKind : unsigned char { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };

enum DialogButton : unsigned char {
    Yes = 0,
    No = 1,
    OK = 2,
    Cancel = 3,
    Abort = 4,
    Retry = 5,
    Ignore = 6,
    All = 7,
    NoToAll = 8,
    YesToAll = 9,
    Help = 10,
};

// Bit n stands for the button with value n.
using DialogButtonSet = unsigned short;
constexpr DialogButtonSet ButtonBit(DialogButton b)
{
    return static_cast<DialogButtonSet>(1u << b);
}

// Result codes.
enum DialogResult : int {
    ResultNone = 0,
    ResultOK = 1,
    ResultCancel = 2,
    ResultAbort = 3,
    ResultRetry = 4,
    ResultIgnore = 5,
    ResultYes = 6,
    ResultNo = 7,
    ResultAll = 8,
    ResultNoToAll = 9,
    ResultYesToAll = 10,
};

int ShowInfoMessage(const QString &caption, const QString &title, const QString &text,
                    const QString &okCaption = QString());
int ShowWarningMessage(const QString &caption, const QString &title, const QString &text,
                       const QString &okCaption = QString());
int ShowErrorMessage(const QString &caption, const QString &title, const QString &text,
                     const QString &okCaption = QString());
int AskYesNoCancel(const QString &caption, const QString &title, const QString &text, const QString &yesCaption,
                   const QString &noCaption, const QString &cancelCaption, DialogButton defaultButton);
// Asks before a save replaces the existing file name; true to replace it.
bool ConfirmOverwrite(const QString &name);

// Whether the system offers the task dialog. On this platform the stand-in
// is part of the program, so it always does.
bool DetectTaskDialog();

// Set once from DetectTaskDialog while the program initialises, before any
// window exists; read-only afterwards.
extern const bool TaskDialogAvailable;

// True when the task-dialog stand-in is available and visual themes are on
// (the program does not run with Qt's classic "Windows" style). Asked anew
// for every message box, since the style can change while the program runs.
bool UseTaskDialog();

// A caller's text as a label shows it: line breaks given as CR LF or as a
// lone CR become line feeds.
QString ShownText(QString text);

// The Help button of the own dialog opens this help context and leaves the
// dialog open. The application installs the handler that opens its help file.
constexpr int MessageHelpContext = 20;
using HelpHandler = std::function<void(int helpContext)>;
void SetHelpHandler(HelpHandler handler);
// Opens help at a context through the handler (the dialogs' Help buttons).
void ShowHelp(int helpContext);

int ShowTaskDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                   DialogButtonSet buttons, DialogButton defaultButton, const QString &yesCaption,
                   const QString &noCaption, const QString &okCaption, const QString &cancelCaption);

// captions: one per button in the order of DialogButton (Yes ... Help);
// missing or empty entries keep the standard caption.
int ShowMessageDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                      DialogButtonSet buttons, DialogButton defaultButton, const QStringList &captions);

} // namespace MessageDialogs
