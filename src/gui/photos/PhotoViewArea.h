#pragma once

#include "core/photos/PhotoPicture.h"

#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QWidget>

#include <memory>

// The photo in the photo viewer: fitted into the area (never enlarged) when
// it is shown, or at a zoom about a point (wheel, + and -) or at its own
// size, dragged about with the mouse when larger than the area. A fitted
// picture made elsewhere (decoded ahead) is used as it is; after a resize
// the fitted picture is made again once the resizing stops.
class PhotoViewArea : public QWidget
{
    Q_OBJECT
public:
    explicit PhotoViewArea(QWidget *parent = nullptr);

    // Shows picture; fitted (may be null) is the picture at FittedSize().
    void SetPicture(std::shared_ptr<const PhotoPicture> picture, const QImage &fitted);
    // No picture, a line of text in its place.
    void ShowText(const QString &text);

    bool IsFitted() const { return m_fit; }
    // The picture's scale on the screen (1: its own size).
    double Scale() const;
    void Fit();
    void ActualSize();
    void ZoomBy(double factor, QPointF about);
    void ZoomIn() { ZoomBy(1.25, rect().center()); }
    void ZoomOut() { ZoomBy(1 / 1.25, rect().center()); }

    // The size the picture of ownSize takes fitted into an area of area.
    static QSize FittedSize(QSize ownSize, QSize area);
    QSize FittedSize() const;
    // Where the picture is drawn, in this widget's pixels.
    QRectF PictureRect() const;

signals:
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void Refit();
    void KeepInView();
    const QImage &Full();

    std::shared_ptr<const PhotoPicture> m_picture;
    QImage m_fitted; // the picture at the fitted size (or near it, until refitted)
    QImage m_full;   // at its own size, made when zoomed
    QString m_text;
    bool m_fit = true;
    double m_scale = 1;
    QPointF m_topLeft; // of the picture when not fitted
    QPointF m_dragFrom;
    bool m_dragging = false;
    QTimer m_refit;
};
