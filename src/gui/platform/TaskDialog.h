#pragma once

#include <QDialog>
#include <QList>

class QFrame;
class QHBoxLayout;
class QLabel;
class QPushButton;

// Stand-in for the system task dialog: a headline (the main instruction),
// the content text and the main icon in a white area, and a grey footer with
// custom push buttons, each closing the dialog with its own result code.
// Escape and the close box dismiss it with result 2.
//
// Children carry fixed object names so that tests can read them: "Icon",
// "Headline", "Message", "Footer" and the buttons' names given to AddButton.
class TaskDialog : public QDialog
{
    Q_OBJECT

public:
    enum class MainIcon { Warning, Error, Information };

    static constexpr int DismissResult = 2;

    // Always true: the dialog is part of the program on this platform.
    static bool Available();

    explicit TaskDialog(QWidget *parent = nullptr);

    void SetMainInstruction(const QString &text);
    void SetContent(const QString &text);
    void SetMainIcon(MainIcon icon);
    MainIcon Icon() const { return m_icon; }

    // Buttons appear left to right in the order they are added.
    QPushButton *AddButton(const QString &objectName, const QString &caption, int result, bool isDefault);

    // Sizes the texts for their content; call after setting them and before
    // showing the dialog.
    void Arrange();

public slots:
    void reject() override;

private:
    MainIcon m_icon = MainIcon::Information;
    QString m_mainInstruction;
    QString m_content;
    QLabel *m_iconLabel = nullptr;
    QLabel *m_headline = nullptr;
    QLabel *m_message = nullptr;
    QFrame *m_footer = nullptr;
    QHBoxLayout *m_buttonLayout = nullptr;
    QPushButton *m_defaultButton = nullptr;
};
