#pragma once

#include "core/map/MapDecorations.h"

#include <QLabel>
#include <QLineF>
#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>

class MapCommands;
class MapOverlay;
class MapView;
class PhotoMetadataCache;
class ProjectHost;
class QAction;
class QMouseEvent;
class QScrollArea;
class TKaartIjkenForm;
class TPlaatsOvernemenForm;
class TRichtingOvernemenForm;

// The commands that use the map's north and scale: "Kaart i&jken...", the
// north arrow and scale bar over the view (switched in the view menu,
// remembered between runs), measuring on the map (the tool's switch, or a
// drag with Ctrl held) and "&Richting uit foto's overnemen...". The main
// window owns one and puts its actions in its menus.
class MapCalibrationCommands : public QObject
{
    Q_OBJECT
public:
    MapCalibrationCommands(ProjectHost &host, MapCommands &map, QScrollArea *scrollBox, MapView *view,
                           PhotoMetadataCache &metadata, QObject *parent = nullptr);
    ~MapCalibrationCommands() override;

    QAction *CalibrateAction() const { return m_calibrate; }
    QAction *TakeDirectionsAction() const { return m_takeDirections; }
    QAction *TakePlacesAction() const { return m_takePlaces; }
    QAction *NorthArrowAction() const { return m_showNorth; }
    QAction *ScaleBarAction() const { return m_showScale; }
    QAction *MeasureAction() const { return m_measure; }
    // "&Met noordpijl en schaalbalk": whether printing and the image export
    // add them (remembered), and what they add now.
    QAction *OutputMarksAction() const { return m_outputMarks; }
    // For the status bar: where on Earth the pointer is, on a
    // georeferenced map ("52.090740, 5.121420"); hidden otherwise.
    QLabel *PositionLabel() const { return m_position; }
    // The text for a map point (map pixels); empty when the map is not
    // georeferenced.
    QString PositionText(QPointF mapPoint) const;
    MapDecorations::Marks OutputMarks() const;

    // The photos "Richting uit foto's overnemen" works on: those selected
    // in the photo list (positions); none means all.
    void SetSelectionSource(std::function<QList<qsizetype>()> source) { m_selection = std::move(source); }

    // Shows the map's calibration as it is now (after a redraw, or a zoom:
    // the view changes its size).
    void Refresh();

    void Calibrate();
    void TakeDirections();
    void TakePlaces();

    // What the status line says of a measured line (map pixels).
    QString MeasureText(const QLineF &line) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool MouseEvent(QMouseEvent *event);
    void EndMeasure();

    ProjectHost &m_host;
    MapCommands &m_map;
    QPointer<MapView> m_view;
    // Compared by address only: during the view's destruction its events still
    // arrive here, when it is no longer a MapView.
    const QObject *m_watched;
    PhotoMetadataCache &m_metadata;
    MapOverlay *m_north = nullptr;
    MapOverlay *m_scale = nullptr;
    MapOverlay *m_line = nullptr;
    QAction *m_calibrate = nullptr;
    QAction *m_takeDirections = nullptr;
    QAction *m_takePlaces = nullptr;
    QAction *m_showNorth = nullptr;
    QAction *m_showScale = nullptr;
    QAction *m_measure = nullptr;
    QAction *m_outputMarks = nullptr;
    QPointer<QLabel> m_position;
    QPointer<TKaartIjkenForm> m_dialog;
    QPointer<TRichtingOvernemenForm> m_directions;
    QPointer<TPlaatsOvernemenForm> m_places;
    std::function<QList<qsizetype>()> m_selection;
    bool m_measuring = false;
    QPointF m_from;
};
