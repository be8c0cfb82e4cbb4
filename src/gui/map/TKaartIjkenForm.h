#pragma once

#include "core/map/MapCalibration.h"

#include <QDialog>

#include <optional>

class CalibrationMapView;
class MapCommands;
class PhotoMetadataCache;
class ProjectHost;
class TFotoPaspuntForm;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

// "Kaart i&jken...": north and scale of the map now shown. North is typed
// as the north arrow's angle, or taken from a line dragged on the map that
// points north or has a known bearing; the scale from a line of known
// length. The map shows the result as it will look. On the tab
// "Coördinaten" the map gets control points instead: a point clicked on
// the map and its position on Earth typed (degrees, RD New or UTM), or a
// photo's place on the map and its camera's GPS position; their
// fit, with each point's residual and the RMS, then gives north and scale.
// OK writes the map's sidecar file (MapCalibration), and with points the
// world file for GIS programs; the project does not change.
class TKaartIjkenForm : public QDialog
{
    Q_OBJECT
public:
    TKaartIjkenForm(ProjectHost &host, MapCommands &map, PhotoMetadataCache &metadata, QWidget *parent = nullptr);

    // Shows the dialog for the map now shown; Accepted when the calibration
    // was changed (also when its file could not be written: it holds for
    // this run, and the user was told).
    int Execute();

    // A number as the user types it: "12,5" or "12.5"; nothing when it is
    // not one.
    static std::optional<double> ParseNumber(const QString &text);
    // A number as the dialog shows it: up to two decimals, decimal comma.
    static QString NumberText(double value, int decimals = 2);
    // An angle in [0, 360) as the dialog shows it.
    static QString AngleText(double degrees);

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
    QTabWidget *IjkTabs = nullptr;
    QGroupBox *NoordGroep = nullptr;
    QGroupBox *SchaalGroep = nullptr;
    // The "Coördinaten" tab.
    QLineEdit *KaartpuntEdit = nullptr;
    QComboBox *StelselCombo = nullptr;
    QLineEdit *PositieEdit = nullptr;
    QPushButton *ToevoegenButton = nullptr;
    QPushButton *FotoPuntButton = nullptr;
    QTableWidget *PuntenTabel = nullptr;
    QPushButton *PuntVerwijderenButton = nullptr;
    QRadioButton *GelijkvormigRadio = nullptr;
    QRadioButton *AffienRadio = nullptr;
    QLabel *ResultaatLabel = nullptr;
    QPushButton *Button1 = nullptr; // OK
    QPushButton *Button2 = nullptr; // Annuleren

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void LineDrawn(QLineF line, bool finished);
    void NorthTyped();
    void ApplyLine();
    void ShowResult();
    void OkClick();
    QWidget *MakeCoordinatesTab();
    void PointPicked(QPointF mapPoint);
    void AddPoint();
    void AddPhotoPoint();
    // Adds a point unless it repeats one; field gets the focus when not.
    void AddControlPoint(const MapGeoreference::ControlPoint &point, QWidget *mapField, QWidget *earthField);
    void RemovePoint();
    void Refit();
    void ShowPoints();
    void Refuse(const QString &text, QWidget *field);

    MapGeoreference m_georef;
    std::optional<QPointF> m_picked;
    bool m_filling = false;

    ProjectHost &m_host;
    MapCommands &m_map;
    PhotoMetadataCache &m_metadata;
    TFotoPaspuntForm *m_photoPoint = nullptr;
    MapCalibration m_calibration;
};
