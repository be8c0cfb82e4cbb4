#include "core/map/GpsPlacement.h"

#include <cmath>

std::optional<QPoint> GpsPlacement::Pixel(QPointF mapPoint, QSize mapSize)
{
    if (!std::isfinite(mapPoint.x()) || !std::isfinite(mapPoint.y()))
        return std::nullopt;
    const double x = std::floor(mapPoint.x()), y = std::floor(mapPoint.y());
    if (x < 0 || y < 0 || x >= mapSize.width() || y >= mapSize.height())
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
