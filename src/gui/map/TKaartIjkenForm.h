#pragma once

#include "core/map/MapCalibration.h"

#include <QDialog>

#include <optional>

class CalibrationMapView;
class MapCommands;
class ProjectHost;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// "Kaart i&jken...": north and scale of the map now shown. North is typed
// as the north arrow's angle, or taken from a line dragged on the map that
// points north or has a known bearing; the scale from a line of known
// length. The map shows the result as it will look. OK writes the map's
// sidecar file (MapCalibration); the project does not change.
class TKaartIjkenForm : public QDialog
{
    Q_OBJECT
public:
    TKaartIjkenForm(ProjectHost &host, MapCommands &map, QWidget *parent = nullptr);

    // Shows the dialog for the map now shown; Accepted when the calibration
    // was changed (also when its file could not be written: it holds for
    // this run, and the user was told).
    int Execute();

    // A number as the user types it: "12,5" or "12.5"; nothing when it is
    // not one.
    static std::optional<double> ParseNumber(const QString &text);
    // A number as the dialog shows it: up to two decimals, decimal comma.
    static QString NumberText(double value, int decimals = 2);

    static QString Caption() { return QStringLiteral("Kaart ijken"); }
    static QString NoMapText();

    CalibrationMapView *KaartBeeld = nullptr;
    QLineEdit *NoordpijlEdit = nullptr;
    QRadioButton *NoordLijnRadio = nullptr;
    QRadioButton *RichtingLijnRadio = nullptr;
    QLineEdit *RichtingEdit = nullptr;
    QRadioButton *SchaalLijnRadio = nullptr;
    QLineEdit *LengteEdit = nullptr;
    QLabel *SchaalLabel = nullptr;
    QPushButton *SchaalWissenButton = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Annuleren

private:
    void LineDrawn(QLineF line, bool finished);
    void NorthTyped();
    void ApplyLine();
    void ShowResult();
    void OkClick();

    ProjectHost &m_host;
    MapCommands &m_map;
    MapCalibration m_calibration;
};
