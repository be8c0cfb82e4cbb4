#pragma once

#include <QLineF>
#include <QPointer>
#include <QWidget>

#include <optional>

class MapView;

// What the map view shows over the map on the screen only, held still while
// the map scrolls: a widget on the scroll box's viewport, above the view,
// that the mouse passes through. One kind each: the north arrow (top
// right), the scale bar (bottom left) or the measuring line (the whole
// viewport, while measuring).
class MapOverlay : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { NorthArrow, ScaleBar, Measure };

    MapOverlay(Kind kind, QWidget *viewport, MapView *view);

    void SetNorth(std::optional<double> north);
    void SetMetresPerPixel(std::optional<double> metresPerPixel);
    // The measuring line in map pixels.
    void SetLine(std::optional<QLineF> line);

    // Takes its place in the viewport again (after a resize or zoom).
    void Place();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QSize ScaleBarSize() const;

    Kind m_kind;
    QPointer<MapView> m_view;
    std::optional<double> m_north, m_metresPerPixel;
    std::optional<QLineF> m_line;
};
