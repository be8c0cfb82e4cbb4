#pragma once

#include "gui/widgets/MessageDialogs.h"

#include <QDialog>
#include <QList>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;

// The program's own message dialog. It starts as the platform's standard
// message dialog (icon, word-wrapped message, a centred row of buttons with
// the standard captions) and is then laid out again: the caller's captions,
// one common button width, a white message area and a grey button strip.
//
// Children carry fixed object names so that tests can read them: "Icon",
// "Message", "ButtonStrip" and the buttons "Yes", "No", "OK", "Cancel",
// "Abort", "Retry", "Ignore", "All", "NoToAll", "YesToAll" and "Help".
class StandardMessageDialog : public QDialog
{
    Q_OBJECT

public:
    struct Button
    {
        QPushButton *widget = nullptr;
        MessageDialogs::DialogButton id = MessageDialogs::OK;
        int result = 0;
    };

    // The base dialog: message (line breaks as CR or CR LF), the kind's icon
    // and title, and one button per member of the set with the standard
    // captions. The default button gets the focus.
    StandardMessageDialog(const QString &message, MessageDialogs::MessageKind kind,
                          MessageDialogs::DialogButtonSet buttons, MessageDialogs::DialogButton defaultButton,
                          QWidget *parent = nullptr);

    // Puts the caller's captions on the buttons (one per DialogButton value;
    // empty keeps the standard one) and lays the dialog out again.
    void ApplyCaptions(const QStringList &captions);

    const QList<Button> &Buttons() const { return m_buttons; }
    QFrame *ButtonStrip() const { return m_strip; }

    // Called when the Help button is pressed; the dialog stays open.
    void SetHelpRequested(std::function<void()> handler) { m_helpRequested = std::move(handler); }

    static QString StandardCaption(MessageDialogs::DialogButton button);
    static QString ButtonName(MessageDialogs::DialogButton button);
    static int ResultCode(MessageDialogs::DialogButton button);
    static QString KindTitle(MessageDialogs::MessageKind kind);

public slots:
    // The close box; Escape is handled in keyPressEvent.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void ButtonClicked(const Button &button);

    QList<Button> m_buttons;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_message = nullptr;
    QFrame *m_strip = nullptr;
    QPushButton *m_escapeButton = nullptr;
    std::function<void()> m_helpRequested;
};
