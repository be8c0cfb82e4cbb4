#pragma once

#include "core/info/ConfigReport.h"

#include <QDialog>

class QAction;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// "Configuration info": the plain-text report for support, rebuilt each time
// the window is shown, with a button that copies it to the clipboard.
class TConfigGegevensForm : public QDialog
{
    Q_OBJECT
public:
    explicit TConfigGegevensForm(QWidget *parent = nullptr);

    // Shows the window (not modal) and writes the report anew.
    void ShowConfigurationReport(const QString &appTitle, int major, int minor, int release, int build,
                                 const QString &productVersion, bool logMarker, const QString &configFolder);

    // Where the printer facts come from (the print system unless replaced).
    void SetPrinterQuery(ConfigReport::PrinterQuery query);
    void SetSpeedQuery(ConfigReport::SpeedQuery query);

    QString ReportText() const;

    void SpeedButton1Click();
    void Button1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    ConfigReport m_report;
    QGroupBox *GroupBox2;
    QPlainTextEdit *Memo1;
    QToolButton *SpeedButton1;
    QPushButton *Button1;
    QAction *ActionClose;
};
