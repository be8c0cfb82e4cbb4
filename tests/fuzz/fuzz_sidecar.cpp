// The map's sidecar reader: a refused file gives nothing, and whatever is
// accepted is written back and read again to the same calibration and the
// same bytes, including a fitted georeference.

#include "FuzzCheck.h"

#include "core/map/MapCalibration.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString problem;
    const MapCalibration calibration = MapCalibration::Parse(bytes, &problem);
    if (!problem.isEmpty()) {
        FUZZ_CHECK(calibration.IsEmpty());
        return 0;
    }
    if (calibration.north)
        FUZZ_CHECK(*calibration.north >= 0 && *calibration.north < 360);
    if (calibration.metresPerPixel)
        FUZZ_CHECK(std::isfinite(*calibration.metresPerPixel) && *calibration.metresPerPixel > 0);
    if (calibration.HasPosition())
        FUZZ_CHECK(std::abs(*calibration.latitude) <= 90 && std::abs(*calibration.longitude) <= 180);

    const QByteArray written = calibration.Serialize();
    QString again;
    const MapCalibration reread = MapCalibration::Parse(written, &again);
    FUZZ_CHECK(again.isEmpty());
    FUZZ_CHECK(reread == calibration);
    FUZZ_CHECK(reread.Serialize() == written);
    if (calibration.IsGeoreferenced()) {
        (void)calibration.North();
        (void)calibration.Distance(0, 0, 100, 100);
        (void)calibration.Bearing(0, 0, 100, 100);
    }
    return 0;
}
