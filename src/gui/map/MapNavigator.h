#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QString>

class MapScrollBox;
class MapView;
class QAction;
class QLabel;
class QNativeGestureEvent;
class QWheelEvent;

// Zooming and moving about the map view: the commands of the menu "Beeld"
// (zoom in and out about the view's centre, actual size, the whole map in
// the window), Ctrl + wheel about the point under the mouse, Shift + wheel
// sideways, dragging with the middle button, a touchpad's pinch, and the
// zoom factor in the status bar. The zoom is remembered per project for the
// program run. The main window puts the actions in its menu and tool bar.
class MapNavigator : public QObject
{
    Q_OBJECT
public:
    MapNavigator(MapScrollBox *scrollArea, MapView *view, QObject *parent = nullptr);

    QAction *ZoomInAction() const { return m_zoomIn; }
    QAction *ZoomOutAction() const { return m_zoomOut; }
    QAction *ActualSizeAction() const { return m_actualSize; }
    QAction *FitAction() const { return m_fit; }
    // "Zoom: 100%", for the status bar.
    QLabel *ZoomLabel() const { return m_label; }

    // Zooms to factor (kept within 1/32 and 8) so that the map point under
    // anchor (a point of the scroll box's viewport) stays there; steps about
    // one anchor keep its first point, so that rounding does not add up.
    void ZoomAbout(double factor, QPointF anchor);
    void ZoomIn();
    void ZoomOut();
    void ActualSize();
    void Fit();

    // Moves the view by delta screen pixels (a drag with the middle button).
    void PanBy(QPoint delta);

    // Ctrl + wheel zooms about the mouse, Shift + wheel scrolls sideways;
    // false for a wheel event that is the scroll box's. position is in the
    // viewport's coordinates.
    bool Wheel(QWheelEvent *event, QPointF position);
    // A touchpad's pinch, about position in the viewport's coordinates.
    bool Gesture(QNativeGestureEvent *event, QPointF position);

    // A project was started or opened: the zoom it had in this program run
    // (when it is new to it, its map fitted when larger than the window,
    // else 1:1), the view at its top left. A project saved under another
    // name keeps its zoom under that name. Another map of another size is
    // shown fitted or 1:1 in the same way.
    void ProjectOpened(const QString &fileName);
    void ProjectRenamed(const QString &fileName);

    static QString ZoomText(double factor);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointF ViewportCentre() const;
    void ZoomChanged();
    void PictureShown(QSize size);

    QPointer<MapScrollBox> m_area;
    // Compared in the event filter, never used: events sent while the
    // scroll box is being destroyed are passed by.
    const QObject *m_viewport;
    QPointer<MapView> m_view;
    QAction *m_zoomIn = nullptr;
    QAction *m_zoomOut = nullptr;
    QAction *m_actualSize = nullptr;
    QAction *m_fit = nullptr;
    QLabel *m_label = nullptr;
    int m_wheelRest = 0; // a wheel's turn not yet a whole step
    bool m_panning = false;
    QPoint m_panFrom;
    QString m_project;
    QHash<QString, double> m_zoomOf;
    bool m_fitNext = false; // the next map shown decides its zoom
    QSize m_shownSize;      // of the map shown
    // The last zoom about a point: where, the map point there, and where
    // that left the view.
    QPointF m_anchor, m_anchorOnMap;
    QPoint m_anchorViewAt;
    double m_anchorZoom = 0;
};
