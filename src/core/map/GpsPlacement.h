#pragma once

#include "core/map/MapGeoreference.h"
#include "core/photos/CameraRecord.h"

#include <QList>
#include <QPoint>
#include <QPolygonF>
#include <QSize>

#include <optional>

// Where photos go on a georeferenced map by the GPS position their camera
// recorded: the map pixel under that position, when it lies on the map. A
// photo's position is a pixel; its point on the map is that pixel's centre.
class GpsPlacement
{
public:
    struct Result
    {
        // One per record: the pixel, or nothing (no position, off the map).
        QList<std::optional<QPoint>> places;
        int placed = 0;
        int outside = 0; // with a position that lies off the map
        int without = 0; // without a position
    };

    static Result Place(const MapGeoreference &georeference, QSize mapSize, const QList<CameraRecord> &records);

    // The pixel under one GPS position; nothing off the map or without a fit.
    static std::optional<QPoint> PlaceOf(const MapGeoreference &georeference, QSize mapSize,
                                         EarthProjection::LonLat position);
    // The circle of radius metres around a position on the ground, in map
    // points: an ellipse on a map fitted affinely, closed, 72 corners.
    static QPolygonF Outline(const MapGeoreference &georeference, EarthProjection::LonLat centre, double metres);

    // The map point of a photo's pixel, and the pixel under a map point.
    static QPointF PhotoPoint(QPoint pixel) { return QPointF(pixel) + QPointF(0.5, 0.5); }
    static std::optional<QPoint> Pixel(QPointF mapPoint, QSize mapSize);
};
