#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

// "Brimol @ internet": where newer versions of the program are announced,
// with the web address that opens in the browser.
class TOpInternetForm : public QDialog
{
    Q_OBJECT
public:
    explicit TOpInternetForm(QWidget *parent = nullptr);

    void FormActivate();
    void Label4Click();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGroupBox *GroupBox1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label5;
    QLabel *Label4;
    QPushButton *Button1;
};
