#pragma once

#include <QDialog>

class ProjectHost;
class QLineEdit;
class QPushButton;

// "Projectgegevens": who made the photo set, its description and the help
// text written on the map.
class TProjectGegForm : public QDialog
{
    Q_OBJECT
public:
    explicit TProjectGegForm(ProjectHost &host, QWidget *parent = nullptr);

    // Shows the dialog modally; the main window's menu handler.
    int Execute();

    bool Edited() const { return m_edited; }

    QLineEdit *Edit1 = nullptr; // Organisation
    QLineEdit *Edit2 = nullptr; // LogoFileName
    QLineEdit *Edit3 = nullptr; // WebAddress
    QLineEdit *Edit4 = nullptr; // Description1
    QLineEdit *Edit5 = nullptr; // Description2
    QLineEdit *Edit6 = nullptr; // Description3
    QLineEdit *Edit7 = nullptr; // UserHelpText
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void BitBtn1Click();

    ProjectHost &m_host;
    bool m_edited = false;
};
