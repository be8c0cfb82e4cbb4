#include "map/MapPainter.h"

#include "map/MapDrawing.h"
#include "map/MapScene.h"

#include <QFontMetrics>
#include <QPainter>

void MapPainter::Paint(QPainter &painter, const MapScene &scene, const QRect &exposed, MapBitmap bitmap)
{
    // With no exposed area everything is drawn, also what lies off the map:
    // a metafile records it all.
    const bool cull = !exposed.isEmpty();
    const QRect area = cull ? exposed : QRect(QPoint(0, 0), scene.size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (bitmap == MapBitmap::Draw && !scene.map.isNull()) {
        const QRect part = area & scene.map.rect();
        if (!part.isEmpty())
            painter.drawImage(part.topLeft(), scene.map, part);
    }

    const QFont font = MapDrawing::MapFont(scene.fontPixelSize);
    const QFontMetrics metrics(font);
    painter.setFont(font);

    // A triangle: 1-pixel outline in the triangle colour, filled white.
    QPen outline(scene.triangleColour);
    outline.setWidth(1);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    // Labels lie on the map as they are: no background behind the letters.
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBackground(QBrush(Qt::white));

    // Anything that cannot reach the exposed area is skipped; the margin
    // covers the pen and the letters' overhang.
    const QRect reach = area.adjusted(-2, -2, 2, 2);
    for (const MapPhotoShape &photo : scene.photos) {
        if (photo.triangle.size() >= 3 && (!cull || photo.triangle.boundingRect().intersects(reach))) {
            painter.setPen(outline);
            painter.drawPolygon(photo.triangle);
        }
        if (photo.hasLabel) {
            const QRect box(photo.labelTopLeft, QSize(metrics.horizontalAdvance(photo.label) + metrics.maxWidth(),
                                                      metrics.height()));
            if (!cull || box.intersects(reach)) {
                painter.setPen(scene.triangleColour);
                painter.drawText(photo.labelTopLeft + QPoint(0, metrics.ascent()), photo.label);
            }
        }
    }

    // The help text last, above everything: black on an opaque white background.
    if (!scene.helpText.isEmpty()) {
        const QRect box(scene.helpTopLeft, QSize(metrics.horizontalAdvance(scene.helpText), metrics.height()));
        if (!cull || box.adjusted(0, 0, metrics.maxWidth(), 0).intersects(reach)) {
            painter.setPen(Qt::black);
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.setBackground(QBrush(Qt::white));
            painter.drawText(scene.helpTopLeft + QPoint(0, metrics.ascent()), scene.helpText);
            painter.setBackgroundMode(Qt::TransparentMode);
        }
    }
    painter.restore();
}
