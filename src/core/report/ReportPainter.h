#pragma once

#include "core/report/ReportLayout.h"

#include <QImage>
#include <QRectF>
#include <functional>

class QPainter;
struct MapScene;

// Paints the pages of a laid-out report, on the PDF and on the preview's
// pictures alike: the text lines, the photos in their boxes (a placeholder
// for one that could not be read), the key maps and the overview map with
// numbered markers, all through the map's own painter.
class ReportPainter
{
public:
    // A photo of the content, fitted to its box; a null image: the photo
    // could not be read. problem (may be null) receives why.
    using PhotoSource = std::function<QImage(int photo, QString *problem)>;

    ReportPainter(const ReportLayout &layout, const MapScene &scene);

    // Paints page index in dots of ReportLayout::Dpi (the caller scales
    // the painter to its device). mapPpi: the overview's pixel density.
    void PaintPage(QPainter &painter, int index, const PhotoSource &photos) const;

    // The photo's pixel size for its box at ppi, the photo's own size at the most.
    static QSize FitSize(QSize photo, const QRectF &box, int ppi);

private:
    void PaintMap(QPainter &painter, const QRectF &target) const;
    void PaintLegend(QPainter &painter, const QRectF &target) const;
    void PaintKeyMap(QPainter &painter, const ReportLayout::Cell &cell) const;
    void PaintPhoto(QPainter &painter, const ReportLayout::Cell &cell, const PhotoSource &photos) const;
    double MarkerSize(double dotsPerMapPixel) const;

    const ReportLayout &m_layout;
    const MapScene &m_scene;
};
