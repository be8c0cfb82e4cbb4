#pragma once

#include <QPolygonF>
#include <QRect>
#include <QRectF>
#include <QString>

#include <functional>

class MapPyramid;
class MapZoom;
class QPainter;
struct MapPhotoShape;
struct MapScene;

// The one drawing routine of the map. The map view, the PNG and SVG outputs
// and the enhanced metafile all paint through it, so they cannot differ.
class MapPainter
{
public:
    enum class MapBitmap {
        Draw,         // paint the map bitmap; the background is the caller's
        AlreadyThere, // the device already holds the map bitmap
    };

    // Paints scene in map coordinates. Only what touches exposed is drawn;
    // an empty exposed means the whole picture.
    static void Paint(QPainter &painter, const MapScene &scene, const QRect &exposed = QRect(),
                      MapBitmap bitmap = MapBitmap::Draw);

    // Paints scene as the map view shows it at zoom, in view pixels; only
    // what touches exposed (not empty) is drawn. At 1:1 this is Paint.
    // Zoomed in, everything is drawn at the map's scale, the bitmap's pixels
    // as blocks. Zoomed out, the bitmap comes from the pyramid's level
    // nearest above the zoom (when pyramid was made from this map; else
    // from the map itself, unsmoothed, which is quick but coarse), while the
    // triangles, labels and the help text keep their size on the screen,
    // each photo's at the view pixel that shows its position.
    static void PaintView(QPainter &painter, const MapScene &scene, const QRect &exposed, const MapZoom &zoom,
                          const MapPyramid *pyramid);

    // A photo's shape as the view shows it zoomed out, in view pixels:
    // around the pixel that shows its position, shrunk below 1/4.
    static MapPhotoShape ShownShape(const MapPhotoShape &shape, const MapScene &scene, const MapZoom &zoom);
    // Markers for paper, where the screen's triangles are too small to
    // find: each photo's triangle at size (map pixels, base to apex as the
    // project's triangle size), outlined with penWidth, and its number
    // beside it at fontPixels on a white ground. Each number goes to the
    // first place around its triangle that covers no other number or
    // triangle; where none is free, to the least covered one.
    struct Markers
    {
        // The number shown for a photo; empty: the photo is left out.
        std::function<QString(const MapPhotoShape &)> number;
        double size = 20;
        double fontPixels = 16;
        double penWidth = 2;
    };
    // Paints the markers of the photos whose position lies in area (map
    // pixels; empty: everywhere), over what the painter holds.
    static void PaintMarkers(QPainter &painter, const MapScene &scene, const Markers &markers,
                             const QRectF &area = QRectF());

    // The photo's marker triangle as PaintMarkers draws it.
    static QPolygonF MarkerTriangle(QPointF position, int direction, double size);
};
