#pragma once

#include <QApplication>

#include <functional>

// The application object. It is the one place where an error that a command
// does not handle itself ends up: the command ends, the general error box
// shows the error's text, and the program goes on with the next event.
class TolvekApplication : public QApplication
{
    Q_OBJECT
public:
    TolvekApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Caption of the general error box; set when the project is reset.
    static void SetApplicationTitle(const QString &title);
    static QString ApplicationTitle();

    // Shows the general error box with text.
    static void ShowGeneralError(const QString &text);

    // Runs one command; an error it does not handle itself ends it and is
    // shown in the general error box. Commands started from menus, buttons
    // and timers run through here, so the error never travels through Qt's
    // own frames; notify() catches whatever else escapes an event handler.
    static void RunCommand(const std::function<void()> &command);

    // Loads Qt's Dutch translations and substitutes the designed fonts.
    static void SetUpLocaleAndFonts();
};
