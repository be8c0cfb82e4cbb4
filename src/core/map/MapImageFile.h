#pragma once

#include "core/map/MapDecorations.h"

#include <QPageLayout>
#include <QRectF>
#include <QSize>
#include <QString>

class MapMetafile;
class QPainter;
struct MapScene;

// The map as a picture file (PNG, SVG, PDF or the enhanced metafile) and on
// paper, all painted by MapPainter from the one scene of the last redraw.
class MapImageFile
{
public:
    enum class Format { Unknown, Png, Svg, Pdf, Emf };

    // By the name's extension, in any letter case.
    static Format FormatOf(const QString &fileName);

    // Writes the drawing in the format the name's extension gives. The file
    // is replaced only once it is complete. Throws TolvekError naming the
    // file when it cannot be written or the extension is none of these, and
    // for a PNG, SVG or PDF without a map (see RefuseWithoutMap); the
    // metafile keeps its one-pixel map.
    // markerMm > 0: numbered markers of that size (a map pixel taken as a
    // 96th of an inch); 0 leaves the drawing as the screen shows it. Marks
    // (north arrow, scale bar) only when given; an EMF file takes none.
    static void Save(const MapMetafile &metafile, const QString &fileName, double markerMm = 0,
                     const MapDecorations::Marks &marks = {});

    // A picture of the map without the map would be a single white pixel:
    // throws TolvekError saying which map is missing.
    static void RefuseWithoutMap(const MapScene &scene);

    // Paints the scene on a white ground within target, as large as fits
    // with its proportions kept, centred; nothing outside the map shows.
    // markerMm > 0: with numbered markers of that size on the device.
    static void PaintFitted(QPainter &painter, const MapScene &scene, const QRectF &target, double markerMm = 0,
                            const MapDecorations::Marks &marks = {});

    // Numbered markers (each photo's number) over a scene painted at
    // mapScale device pixels per map pixel, on a device of dpi.
    static void PaintNumbers(QPainter &painter, const MapScene &scene, double markerMm, double mapScale, double dpi);

    // The page orientation in which a map of this size comes out largest.
    static QPageLayout::Orientation BestOrientation(const QSize &mapSize);
};
