#pragma once

#include "core/map/MapPyramid.h"
#include "core/map/MapScene.h"
#include "core/map/MapZoom.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPolygonF>
#include <QThreadPool>
#include <QWidget>

class QPainter;

#include <atomic>
#include <memory>

// The map view inside the main window's scroll box (OverzichtsImage). It
// shows the drawing's scene at the view's zoom and takes the size of the
// picture at that zoom; at 1:1 a point on the widget is a map point. It
// paints only what is exposed, straight from the scene, so scrolling a huge
// map stays smooth and a redraw costs no copy of the map.
//
// Zoomed out it paints from a pyramid of halved copies of the map, made off
// the GUI thread once per map (until it is ready, from the map itself,
// coarsely). Zoomed out far it keeps the picture it painted, so that a
// repaint of an unchanged view is a copy.
class MapView : public QWidget
{
    Q_OBJECT
public:
    explicit MapView(QWidget *parent = nullptr);
    ~MapView() override;

    // Shows scene (sharing its map bitmap) and takes its size at the zoom.
    // Without its map the scene's one pixel would hide every photo: the
    // view alone then shows them on a plain ground (SizeWithoutMap).
    void SetScene(const MapScene &scene);
    static QSize SizeWithoutMap(const MapScene &scene);

    bool HasPicture() const { return m_hasPicture; }
    // The drawing shown; during a drag, with the dragged photo where the
    // mouse has it.
    const MapScene &Scene() const { return m_scene; }

    QSize sizeHint() const override;

    // The view pixels that photo position's triangle covers, with a margin.
    QRect ShownPhotoRect(qsizetype position) const { return HighlightRect(position); }

    // Photos marked on the screen (those selected in the photo list), by
    // their place in the position list. The mark is drawn over the picture
    // by this view alone: exports, copies and the renderer never show it.
    void SetHighlightedPhotos(const QList<qsizetype> &positions);
    const QList<qsizetype> &HighlightedPhotos() const { return m_highlighted; }

    // The circle of uncertainty of a photo placed by its GPS, in map points,
    // drawn over the picture by this view alone (like the marks); an empty
    // outline shows none.
    void SetUncertainty(const QPolygonF &mapOutline);
    const QPolygonF &Uncertainty() const { return m_uncertainty; }

    // Between map points and points on this widget, at the zoom.
    QPoint MapToWidget(const QPoint &mapPoint) const { return ToView(mapPoint); }
    QPoint WidgetToMap(const QPoint &widgetPoint) const { return ToMap(widgetPoint); }

    // The pointer tells what a click does: a crosshair while it picks a
    // position or a photo for a dialog, the arrow otherwise.
    void ShowPickPointer(bool picking);

    const MapZoom &Zoom() const { return m_zoom; }
    // Takes the size of the picture at zoom; the caller keeps the place in
    // view (MapNavigator).
    void SetZoom(const MapZoom &zoom);

    // The view pixel under a pointer position, and what lies there.
    static QPoint ViewPixel(QPointF position);
    QPoint ToMap(QPoint viewPixel) const { return m_zoom.ToMap(viewPixel); }
    // The view pixel that shows a map point.
    QPoint ToView(QPoint mapPoint) const { return m_zoom.ToView(mapPoint); }

    // Shows photo index of the scene at (x, y) pointing in direction, without
    // changing the drawing (a drag under way); RestoreScene puts it back.
    void ShowPhotoAt(qsizetype index, std::int32_t x, std::int32_t y, std::int32_t direction);
    void RestoreScene();

    // The pyramid of the map shown, once made (tests and benchmarks wait).
    const MapPyramid &Pyramid() const { return m_pyramid; }
    bool WaitForPyramid(int milliseconds);

signals:
    // A mouse button was released on the map (not ending a drag), at a map
    // point, on a view pixel (for the hit test at the zoom, MapZoom::HitArea).
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &mapPoint,
                 const QPoint &viewPixel);
    // The zoom changed (and with it the view's size).
    void ZoomChanged();
    // Another picture is shown whose size (in map pixels) differs.
    void PictureSizeChanged(QSize size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void TakeSize();
    void Changed();
    void StartPyramid();
    // The view pixels a photo's triangle and label cover.
    QRect ShownRect(const MapPhotoShape &shape) const;
    // Paints rect of the view (in view pixels) on painter.
    void PaintPart(QPainter &painter, const QRect &rect) const;
    bool KeepsPicture() const;
    // The largest view whose picture is kept (16 MB).
    static constexpr qint64 MaxKeptPixels = 4'000'000;

    // Where a highlighted photo's mark is drawn, in view pixels.
    QRect HighlightRect(qsizetype position) const;
    // A photo's triangle as the view shows it.
    QPolygonF ViewTriangle(const MapPhotoShape &shape) const;
    void PaintHighlights(QPainter &painter, const QRegion &region) const;
    QPolygonF ViewUncertainty() const;
    void PaintUncertainty(QPainter &painter, const QRegion &region) const;

    MapScene m_scene;
    QList<qsizetype> m_highlighted;
    QPolygonF m_uncertainty;
    MapScene m_drawing; // the scene as the last drawing made it
    bool m_hasPicture = false;
    bool m_preview = false;
    MapZoom m_zoom;

    MapPyramid m_pyramid;
    qint64 m_pyramidFor = 0; // the map (cache key) it is or will be made of
    bool m_pyramidRunning = false;
    std::shared_ptr<std::atomic<bool>> m_pyramidCancel;
    QFutureWatcher<MapPyramid> m_pyramidWatcher;
    QThreadPool m_pyramidPool; // its own: its thread runs at a lower priority

    // The whole view painted, zoomed out far, while the scene, zoom and
    // pyramid are what it was painted with (m_generation).
    QImage m_painted;
    quint64 m_generation = 0, m_paintedGeneration = ~quint64(0);
};
