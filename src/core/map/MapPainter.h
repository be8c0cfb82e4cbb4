#pragma once

#include <QRect>

class QPainter;
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
};
