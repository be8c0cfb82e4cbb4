#pragma once

#include <QObject>
#include <QString>
#include <functional>

// The general error box: an error that a command does not handle itself
// ends that command, its text is shown with the error icon under the
// application's title, and the program goes on with the next event.
namespace GeneralError {

// Runs one command, catching what it does not handle. Menu items, buttons
// and timers start their commands through here, so an error never travels
// through Qt's own frames.
void Run(const std::function<void()> &command);

// Connects signal to a command of receiver (a member function without
// arguments) that runs through Run.
template <typename Sender, typename Signal, typename Receiver>
QMetaObject::Connection ConnectCommand(Sender *sender, Signal signal, Receiver *receiver, void (Receiver::*command)())
{
    return QObject::connect(sender, signal, receiver,
                            [receiver, command] { Run([receiver, command] { (receiver->*command)(); }); });
}

// The same for a command that is a function object, run for as long as
// context lives.
template <typename Sender, typename Signal, typename Command>
QMetaObject::Connection ConnectCommand(Sender *sender, Signal signal, QObject *context, Command command)
{
    return QObject::connect(sender, signal, context, [command] { Run(command); });
}

// Shows the box with text.
void Show(const QString &text);

// Caption of the box; set when the project is reset.
void SetApplicationTitle(const QString &title);
QString ApplicationTitle();

} // namespace GeneralError
