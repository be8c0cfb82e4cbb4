#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class BrowseFileRow;
class ProjectHost;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QToolButton;

// The overview-map file: typed, or browsed with or without its folder.
class TKaartForm : public QDialog
{
    Q_OBJECT
public:
    explicit TKaartForm(ProjectHost &host, QWidget *parent = nullptr);

    int Execute();

    // The browse dialog's filter: every kind of map file the program reads
    // (PDF: the first page), each kind on its own, and every file.
    static QString MapFilter();

    QLineEdit *Edit1 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    void SpeedButton1Click();
    void BitBtn1Click();
    // The name to store: the edit's, unless a browsed map would not be
    // found by it (then the relocation question's answer); nothing when
    // the user cancelled or the copy failed.
    std::optional<QString> NameThatResolves();

    ProjectHost &m_host;
    BrowseFileRow *m_row = nullptr;
    bool m_mapNameEdited = false;
};
