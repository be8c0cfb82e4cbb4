#include "gui/widgets/MessageDialogs.h"

#include "core/base/ProgramTexts.h"
#include "gui/platform/TaskDialog.h"
#include "gui/widgets/StandardMessageDialog.h"
#include "gui/widgets/UserInteraction.h"

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace MessageDialogs {

namespace {

HelpHandler g_helpHandler;

QString OneCaption(const QString &caption, const char *standard)
{
    return caption.isEmpty() ? QString::fromLatin1(standard) : caption;
}

int ShowOneButton(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                  const QString &okCaption)
{
    if (UseTaskDialog())
        return ShowTaskDialog(caption, title, text, kind, ButtonBit(OK), OK, QString(), QString(), okCaption,
                              QString());
    QStringList captions(Help + 1);
    captions[OK] = okCaption;
    return ShowMessageDialog(caption, title, text, kind, ButtonBit(OK), OK, captions);
}

} // namespace

bool DetectTaskDialog()
{
    return TaskDialog::Available();
}

const bool TaskDialogAvailable = DetectTaskDialog();

bool UseTaskDialog()
{
    // Qt's classic "Windows" style stands for running without visual themes.
    const QStyle *style = QApplication::style();
    const bool themes = !style || style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
    return TaskDialogAvailable && themes;
}

QString ShownText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

void SetHelpHandler(HelpHandler handler)
{
    g_helpHandler = std::move(handler);
}

void ShowHelp(int helpContext)
{
    if (g_helpHandler)
        g_helpHandler(helpContext);
}

int ShowInfoMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption)
{
    return ShowOneButton(caption, title, text, Information, okCaption);
}

int ShowWarningMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption)
{
    return ShowOneButton(caption, title, text, Warning, okCaption);
}

int ShowErrorMessage(const QString &caption, const QString &title, const QString &text, const QString &okCaption)
{
    return ShowOneButton(caption, title, text, Error, okCaption);
}

int AskYesNoCancel(const QString &caption, const QString &title, const QString &text, const QString &yesCaption,
                   const QString &noCaption, const QString &cancelCaption, DialogButton defaultButton)
{
    const DialogButtonSet buttons = ButtonBit(Yes) | ButtonBit(No) | ButtonBit(Cancel);
    if (UseTaskDialog())
        return ShowTaskDialog(caption, title, text, Confirmation, buttons, defaultButton, yesCaption, noCaption,
                              QString(), cancelCaption);
    QStringList captions(Help + 1);
    captions[Yes] = yesCaption;
    captions[No] = noCaption;
    captions[Cancel] = cancelCaption;
    return ShowMessageDialog(caption, title, text, Confirmation, buttons, defaultButton, captions);
}

bool ConfirmOverwrite(const QString &name)
{
    return AskYesNoCancel(ProgramTexts::AppTitle(), QStringLiteral("Bestand overschrijven?"),
                          QStringLiteral("Bestand \"") + name + QStringLiteral("\" bestaat al."),
                          QStringLiteral("&Overschrijven"), QStringLiteral("&Niet overschrijven"),
                          QStringLiteral("&Annuleren"), No)
        == ResultYes;
}

int ShowTaskDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                   DialogButtonSet buttons, DialogButton defaultButton, const QString &yesCaption,
                   const QString &noCaption, const QString &okCaption, const QString &cancelCaption)
{
    TaskDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(caption);
    dialog.SetMainInstruction(ShownText(title));
    dialog.SetContent(ShownText(text));

    // The task dialog knows no question icon.
    switch (kind) {
    case Warning:
        dialog.SetMainIcon(TaskDialog::MainIcon::Warning);
        break;
    case Error:
        dialog.SetMainIcon(TaskDialog::MainIcon::Error);
        break;
    default:
        dialog.SetMainIcon(TaskDialog::MainIcon::Information);
        break;
    }

    struct Offered
    {
        DialogButton button;
        const char *name;
        QString caption;
        int result;
    };
    const Offered offered[] = {
        {Yes, "Yes", OneCaption(yesCaption, "&Yes"), ResultYes},
        {No, "No", OneCaption(noCaption, "&No"), ResultNo},
        {OK, "OK", OneCaption(okCaption, "&OK"), ResultOK},
        {Cancel, "Cancel", OneCaption(cancelCaption, "&Cancel"), ResultCancel},
    };
    for (const Offered &o : offered) {
        if (buttons & ButtonBit(o.button))
            dialog.AddButton(QString::fromLatin1(o.name), o.caption, o.result, o.button == defaultButton);
    }
    dialog.Arrange();
    return UserInteraction::ExecModal(&dialog);
}

int ShowMessageDialog(const QString &caption, const QString &title, const QString &text, MessageKind kind,
                      DialogButtonSet buttons, DialogButton defaultButton, const QStringList &captions)
{
    const QString message = title.isEmpty() ? text : title + QLatin1String("\r\n\r\n") + text;
    StandardMessageDialog dialog(message, kind, buttons, defaultButton, QApplication::activeWindow());
    dialog.ApplyCaptions(captions);
    dialog.SetHelpRequested([] { ShowHelp(MessageHelpContext); });
    dialog.setWindowTitle(caption);

    const QScreen *screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        dialog.move(area.x() + (area.width() - dialog.width()) / 2, area.y() + (area.height() - dialog.height()) / 2);
    }
    return UserInteraction::ExecModal(&dialog);
}

} // namespace MessageDialogs
