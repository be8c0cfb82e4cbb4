#include "core/photos/CameraDirection.h"

#include "core/photos/MagneticModel.h"

#include <QDate>

#include <cmath>

int CameraDirection::MapAngle(double northArrow, double trueBearing)
{
    // Rounded first, halves to even as every computed value; then into
    // [0, 360), so that 359.6 becomes 0 and not 360.
    const double angle = std::nearbyint((90 - northArrow) - trueBearing);
    double wrapped = std::fmod(angle, 360.0);
    if (wrapped < 0)
        wrapped += 360;
    return int(wrapped) % 360;
}

CameraDirection::Result CameraDirection::FromCamera(const CameraRecord &record, const MapNorth &map)
{
    Result result;
    if (!record.direction || !map.arrow)
        return result;
    result.trueBearing = *record.direction;
    result.basis = Basis::True;
    if (record.directionRef == 'M') {
        std::optional<double> lat = record.latitude, lon = record.longitude;
        if (!record.HasPosition()) {
            lat = map.latitude;
            lon = map.longitude;
        }
        if (lat && lon) {
            // Without a time the photo is taken as of today.
            const QDate today = QDate::currentDate();
            const double year =
                record.HasTime() ? record.DecimalYear() : today.year() + (today.dayOfYear() - 0.5) / today.daysInYear();
            result.declination = MagneticModel::Wmm2025().Declination(*lat, *lon, year);
            result.trueBearing = *record.direction + result.declination;
            result.basis = Basis::Magnetic;
        } else {
            result.basis = Basis::MagneticAsIs;
        }
    }
    result.direction = MapAngle(*map.arrow, result.trueBearing);
    return result;
}
