#pragma once

#include <QByteArray>
#include <QDialog>

class ProjectHost;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;

// The delete-photo dialog: the user picks a photo's triangle on the map and
// "&Verwijderen" removes that photo's entries from the three photo lists.
// The photo file itself stays.
class TFotoVerwijderenForm : public QDialog
{
    Q_OBJECT
public:
    TFotoVerwijderenForm(ProjectHost &host, QWidget *parent);

    // The menu item and tool button: nothing picked, then the dialog.
    void Verwijderen1Click();

    // After a delete pick: the hit photo's file name and its key text as
    // written in its name entry, then the dialog again.
    void ShowWithPickedPhoto(const QByteArray &fileName, const QByteArray &keyText);

    QByteArray SelectedPhotoKey;

    QGroupBox *GroupBox1 = nullptr;
    QPushButton *SpeedButton1 = nullptr;
    QGroupBox *GroupBox2 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QToolButton *HelpSpeedButton = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

public slots:
    void SpeedButton1Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    bool PhotoPicked() const { return !SelectedPhotoKey.isEmpty(); }

    ProjectHost &m_host;
};
