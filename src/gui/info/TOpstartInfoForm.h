#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;
class QWidget;

// The version figures the information screen shows, taken from the
// program's version reader.
struct InfoScreenVersion
{
    int Major = 0;
    int Minor = 0;
    int Release = 0;
    int Build = 0;
    QString ProductVersion;

    // From a version reader with GetVersionNumber() (Major, Minor, Release,
    // Build) and StringValueByIndex(10) (the product version).
    template <class Reader>
    static InfoScreenVersion From(const Reader &reader)
    {
        const auto number = reader.GetVersionNumber();
        InfoScreenVersion v;
        v.Major = int(number.Major);
        v.Minor = int(number.Minor);
        v.Release = int(number.Release);
        v.Build = int(number.Build);
        v.ProductVersion = reader.StringValueByIndex(10);
        return v;
    }
};

// The start-up and information screen: the program's title, version and
// web address and the organisation of the loaded photo set. At start-up it
// shows without blocking and its own timer hides it; on request it shows
// modally with its close button.
class TOpstartInfoForm : public QDialog
{
    Q_OBJECT
public:
    explicit TOpstartInfoForm(QWidget *parent = nullptr);

    // Restarts the start-up timer with this interval (1800 ms at start-up).
    void SetTimerInterval(int milliseconds);

    // Sets every text and shows the window: modally when modal is true (and
    // returns its result), else without blocking (and returns 0).
    int ShowInfo(bool modal, const InfoScreenVersion &version, const QString &title, const QString &versionFormat,
                 const QString &lineText, const QString &webAddress, const QString &photoSetCaption,
                 const QString &bottomNote, const QString &organisation, const QString &photoSetWebAddress,
                 const QString &buildFormat);

    // True when the plain layout is used (themes off): no border, a white
    // strip at the top.
    bool PlainLayout() const { return m_plainLayout; }
    bool TimerFired() const { return m_timerFired; }

    void Timer1Timer();
    void Button1Click();
    void ntLabel3Click();
    void ntLabel8DblClick();

    // "%s" in a format replaced by the value, once.
    static QString FormatOne(const QString &format, const QString &value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate();
    void FormKeyPress();
    void PlaceLabel(QLabel *label, const QString &text, int maxWidth);

    bool m_plainLayout = false;
    bool m_timerFired = false;
    bool m_modal = false;
    QString m_caption;
    QString m_productVersion;
    QString m_webAddress;
    QString m_buildFormat;

    QWidget *TopPanel;
    QWidget *BackPanel;
    QFrame *BlueShape;
    QWidget *WhitePanel;
    QLabel *LogoImage;
    QLabel *IconImage;
    QLabel *ntLabel8;
    QLabel *ntLabel1;
    QLabel *ntLabel2;
    QLabel *ntLabel3;
    QLabel *ntLabel4;
    QLabel *ntLabel6;
    QLabel *ntLabel7;
    QLabel *ntLabel5;
    QLabel *HalfCircleImage;
    QPushButton *Button1;
    QTimer *Timer1;
};
