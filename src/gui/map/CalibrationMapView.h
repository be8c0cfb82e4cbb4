#pragma once

#include <QImage>
#include <QLineF>
#include <QWidget>

#include <optional>

// The map in the calibration dialog, fitted in the widget, with the north
// arrow and scale bar of the calibration being made and the line the user
// draws on it: pressing the left button and dragging draws a line from the
// press to the pointer (in map pixels), which the dialog turns into north
// or scale.
class CalibrationMapView : public QWidget
{
    Q_OBJECT
public:
    explicit CalibrationMapView(QWidget *parent = nullptr);

    void SetMap(const QImage &map);
    // What to show over the map.
    void SetCalibration(std::optional<double> north, std::optional<double> metresPerPixel);
    void SetLine(std::optional<QLineF> line);
    std::optional<QLineF> Line() const { return m_line; }

    // Between map pixels and this widget's points.
    QPointF ToWidget(QPointF mapPoint) const;
    QPointF ToMap(QPointF widgetPoint) const;

    QSize sizeHint() const override { return QSize(560, 420); }
    QSize minimumSizeHint() const override { return QSize(240, 180); }

signals:
    // During a drag, and once more at its end (finished).
    void LineDrawn(QLineF line, bool finished);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRectF Shown() const;

    QSize m_mapSize;
    QImage m_shown; // the map at about the widget's size
    std::optional<double> m_north, m_metresPerPixel;
    std::optional<QLineF> m_line;
    bool m_dragging = false;
};
