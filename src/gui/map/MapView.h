#pragma once

#include "core/map/MapScene.h"

#include <QWidget>

// The map view inside the main window's scroll box (OverzichtsImage): it
// takes the size of its picture and shows it unscaled, so that a point on
// the widget is a map point. It paints only what is exposed, straight from
// the drawing's scene, so scrolling a huge map stays smooth and a redraw
// costs no copy of the map.
class MapView : public QWidget
{
    Q_OBJECT
public:
    explicit MapView(QWidget *parent = nullptr);

    // Shows scene (sharing its map bitmap) and takes its size.
    void SetScene(const MapScene &scene);

    // Back to no picture at all (the state at program start).
    void ClearPicture();

    bool HasPicture() const { return m_hasPicture; }
    const MapScene &Scene() const { return m_scene; }

    QSize sizeHint() const override;

    // Photos marked on the screen (those selected in the photo list), by
    // their place in the position list. The mark is drawn over the picture
    // by this view alone: exports, copies and the renderer never show it.
    void SetHighlightedPhotos(const QList<qsizetype> &positions);
    const QList<qsizetype> &HighlightedPhotos() const { return m_highlighted; }

    // Between map points and points on this widget (the same today; a
    // zoomed view scales them).
    QPoint MapToWidget(const QPoint &mapPoint) const { return mapPoint; }
    QPoint WidgetToMap(const QPoint &widgetPoint) const { return widgetPoint; }

    // The pointer tells what a click does: a crosshair while it picks a
    // position or a photo for a dialog, the arrow otherwise.
    void ShowPickPointer(bool picking);

signals:
    // A mouse button was released on the map, at a map point.
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &mapPoint);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Where a highlighted photo's mark is drawn, in widget pixels.
    QRect HighlightRect(qsizetype position) const;

    MapScene m_scene;
    QList<qsizetype> m_highlighted;
    bool m_hasPicture = false;
};
