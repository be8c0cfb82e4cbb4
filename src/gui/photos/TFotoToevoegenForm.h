#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

class BrowseFileRow;
class ProjectHost;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;

// The add-photo dialog: position (typed or picked on the map), viewing
// direction on a clock face and the photo's file name. OK appends one entry
// to each of the project's three photo lists under a new key.
class TFotoToevoegenForm : public QDialog
{
    Q_OBJECT
public:
    TFotoToevoegenForm(ProjectHost &host, QWidget *parent);

    // The menu item and tool button: starts at position 0, 0 with an empty
    // file name, then shows the dialog modally.
    void Toevoegen1Click();

    // After a position pick: the clicked map point, then the dialog again.
    void ShowWithPickedPosition(std::int32_t x, std::int32_t y);

    // The direction written for the checked clock-face button.
    std::int32_t SelectedDirection() const;

    // The file-name part of a path: after the last "/", "\" or drive colon.
    static QString FileNamePart(const QString &path);

    static QString PhotoFilter()
    {
        return QStringLiteral("Afbeeldingen (*.jpg;*.jpeg;*.bmp;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf");
    }

    // The file last chosen with the browse button (empty when none).
    const QString &BrowsedPhotoPath() const;

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QSpinBox *xSpinEdit = nullptr;
    QSpinBox *ySpinEdit = nullptr;
    QPushButton *SpeedButton2 = nullptr;
    QGroupBox *GroupBox3 = nullptr;
    QFrame *Shape1 = nullptr;
    // RadioButtons[h - 1] is RadioButtonh (hour h on the clock face).
    std::array<QRadioButton *, 12> RadioButtons{};
    QGroupBox *GroupBox2 = nullptr;
    QLineEdit *Edit3 = nullptr;
    QToolButton *SpeedButton1 = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QCheckBox *CheckBox2 = nullptr;
    QToolButton *HelpSpeedButton = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;

public slots:
    void SpeedButton2Click();
    void SpeedButton1Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormActivate();
    // OK with a browsed name that does not lead back to the browsed photo:
    // asks whether to copy the photo into the project's folder, keep the
    // name, or go back. False: back to the dialog. name becomes what is to
    // be stored.
    bool CheckBrowsedName(QByteArray &name);
    static std::int32_t SpinValue(const QSpinBox *spin);

    ProjectHost &m_host;
    BrowseFileRow *m_row = nullptr;
};
