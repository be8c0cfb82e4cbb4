#pragma once

#include "core/map/EarthProjection.h"

#include <QString>

#include <optional>

// Positions on Earth as users type or paste them, read into WGS84 degrees:
//  - degrees: "52.09074, 5.12142" (latitude first, as map sites copy it),
//    "52,09074 5,12142", degrees-minutes-seconds "52°5'26.7"N 5°7'17.1"E",
//    with N/S/Z and E/O/W or signs;
//  - Dutch RD New (EPSG:28992): "155000 463000" (x, then y, in metres);
//  - UTM: "31N 645334 5773254" (zone, hemisphere N or S/Z, easting,
//    northing; a latitude band letter from C to X is taken as its
//    hemisphere), converted by PROJ.
namespace EarthCoordinates {

enum class System { Degrees, RdNew, Utm };

// The position in text; nothing with problem saying why (in Dutch, for
// the user) when the text is not one.
std::optional<EarthProjection::LonLat> Parse(const QString &text, System system, QString *problem);

// "52.090740, 5.121420": latitude and longitude with a decimal point, as
// map sites take it back.
QString DegreesText(EarthProjection::LonLat position, int decimals = 6);

} // namespace EarthCoordinates
