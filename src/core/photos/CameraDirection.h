#pragma once

#include "core/photos/CameraRecord.h"

#include <optional>

// A photo's direction on the map from the way its camera looked: north's
// angle on the map less the camera's true bearing, in the program's
// convention (degrees counter-clockwise from pointing right), to a whole
// degree. Magnetic bearings are turned to true ones with the declination
// of the magnetic model at the photo's place and time, or at the map's
// place when the photo has none.
class CameraDirection
{
public:
    enum class Basis {
        None,         // no direction: the photo or the map lacks what is needed
        True,         // the camera gave a true bearing
        Magnetic,     // a magnetic bearing, corrected by the declination
        MagneticAsIs, // a magnetic bearing taken as it is: no place known
    };

    struct Result
    {
        std::optional<int> direction; // the map direction, [0, 360)
        Basis basis = Basis::None;
        double trueBearing = 0; // degrees clockwise from true north
        double declination = 0; // added to a magnetic bearing
    };

    // What the rule needs of the map: its north arrow (degrees clockwise
    // from up) and, when known, where on Earth it lies.
    struct MapNorth
    {
        std::optional<double> arrow;
        std::optional<double> latitude, longitude;
    };

    static Result FromCamera(const CameraRecord &record, const MapNorth &map);

    // The rule itself: the map direction of a true bearing with the north
    // arrow at northArrow degrees clockwise from up.
    static int MapAngle(double northArrow, double trueBearing);
};
