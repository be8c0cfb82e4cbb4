#include "core/map/GpsPlacement.h"

#include <cmath>
#include <numbers>

std::optional<QPoint> GpsPlacement::Pixel(QPointF mapPoint, QSize mapSize)
{
    // The pixel is the one the point lies in: floor(x) lies on the map
    // exactly when 0 <= x < width, and there floor is truncation. NaN and
    // the infinities fail the comparisons.
    const double x = mapPoint.x(), y = mapPoint.y();
    if (!(x >= 0 && y >= 0 && x < mapSize.width() && y < mapSize.height()))
        return std::nullopt;
    return QPoint(int(x), int(y));
}

GpsPlacement::Result GpsPlacement::Place(const MapGeoreference &georeference, QSize mapSize,
                                         const QList<CameraRecord> &records)
{
    Result result;
    result.places.resize(records.size());
    if (!georeference.IsFitted()) {
        for (const CameraRecord &record : records)
            ++(record.HasPosition() ? result.outside : result.without);
        return result;
    }
    QList<EarthProjection::LonLat> positions;
    QList<qsizetype> of;
    positions.reserve(records.size());
    of.reserve(records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (!records[i].HasPosition()) {
            ++result.without;
            continue;
        }
        positions.append({*records[i].longitude, *records[i].latitude});
        of.append(i);
    }
    // One call into PROJ for all: an import may bring thousands.
    const QList<QPointF> local = georeference.Projection()->ToProjected(positions);
    for (qsizetype j = 0; j < local.size(); ++j) {
        const std::optional<QPoint> pixel = Pixel(georeference.FromLocal(local[j]), mapSize);
        result.places[of[j]] = pixel;
        ++(pixel ? result.placed : result.outside);
    }
    return result;
}

std::optional<QPoint> GpsPlacement::PlaceOf(const MapGeoreference &georeference, QSize mapSize,
                                            EarthProjection::LonLat position)
{
    // As an import places it, to the pixel.
    CameraRecord record;
    record.latitude = position.latitude;
    record.longitude = position.longitude;
    return Place(georeference, mapSize, {record}).places.value(0);
}

QPolygonF GpsPlacement::Outline(const MapGeoreference &georeference, EarthProjection::LonLat centre, double metres)
{
    QPolygonF outline;
    if (!georeference.IsFitted() || !(metres > 0))
        return outline;
    // Laid out in the local transverse Mercator, whose scale is one to a
    // part in a million across a site, and carried onto the map by the fit.
    const std::optional<QPointF> local = georeference.Projection()->ToProjected(centre);
    if (!local)
        return outline;
    constexpr int corners = 72;
    for (int i = 0; i <= corners; ++i) {
        const double a = 2 * std::numbers::pi * i / corners;
        outline << georeference.FromLocal(*local + metres * QPointF(std::cos(a), std::sin(a)));
    }
    return outline;
}
