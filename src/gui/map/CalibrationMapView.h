#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include <optional>

// The map in the calibration dialog, fitted in the widget, with the north
// arrow and scale bar of the calibration being made and the line the user
// draws on it: pressing the left button and dragging draws a line from the
// press to the pointer (in map pixels), which the dialog turns into north
// or scale. In point mode (control points) a click picks a map point
// instead, and the control points show as numbered marks. The wheel and
// the keys + and - zoom in (about the pointer, up to MaxZoom times the
// fitted size) so that a point of a big plan is picked to the pixel; the
// right or middle button drags and the arrow keys move the map when it is
// larger than the view; 0 fits it again.
class CalibrationMapView : public QWidget
{
    Q_OBJECT
public:
    explicit CalibrationMapView(QWidget *parent = nullptr);

    void SetMap(const QImage &map);
    QSize MapSize() const { return m_mapSize; }
    // What to show over the map.
    void SetCalibration(std::optional<double> north, std::optional<double> metresPerPixel);
    void SetLine(std::optional<QLineF> line);
    std::optional<QLineF> Line() const { return m_line; }

    struct Mark
    {
        QPointF map;
        QString label;
        bool enabled = true;
    };
    // Point mode: a click emits PointPicked; the marks show instead of the line.
    void SetPointMode(bool on);
    bool PointMode() const { return m_pointMode; }
    void SetMarks(const QList<Mark> &marks, std::optional<QPointF> picked);

    // How much larger than fitted the map is shown: 1 to MaxZoom.
    double Zoom() const { return m_zoom; }
    // Zooms by factor about a widget point (the map point there stays).
    void ZoomAbout(double factor, QPointF widgetPoint);
    static constexpr double MaxZoom = 64;

    // Between map pixels and this widget's points.
    QPointF ToWidget(QPointF mapPoint) const;
    QPointF ToMap(QPointF widgetPoint) const;

    QSize sizeHint() const override { return QSize(560, 420); }
    QSize minimumSizeHint() const override { return QSize(240, 180); }

signals:
    // During a drag, and once more at its end (finished).
    void LineDrawn(QLineF line, bool finished);
    void PointPicked(QPointF mapPoint);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRectF Shown() const;
    // Keeps the map over the whole view where it is large enough to.
    void KeepInView();

    QSize m_mapSize;
    QImage m_map;   // the map itself, for zooming in beyond m_shown
    QImage m_shown; // the map at about the widget's size
    double m_zoom = 1;
    QPointF m_centre; // the map point at the widget's centre
    std::optional<QPointF> m_panFrom;
    std::optional<double> m_north, m_metresPerPixel;
    std::optional<QLineF> m_line;
    bool m_dragging = false;
    bool m_pointMode = false;
    QList<Mark> m_marks;
    std::optional<QPointF> m_picked;
};
