#pragma once

#include <QDialog>

class ProjectHost;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Eigenschappen alle foto's wijzigen": shifts or scales every photo
// position at once. Its settings last for the program run.
class TAlleFotoEigenschappenForm : public QDialog
{
    Q_OBJECT
public:
    explicit TAlleFotoEigenschappenForm(ProjectHost &host, QWidget *parent = nullptr);

    int Execute();

    QRadioButton *RadioButton1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QSpinBox *SpinEdit1 = nullptr;
    QSpinBox *SpinEdit2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void RadioButton1Click();
    void BitBtn1Click();

    ProjectHost &m_host;
};
