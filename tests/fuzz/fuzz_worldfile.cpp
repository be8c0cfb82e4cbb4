// What a GIS leaves beside a map: the world file, a NUL byte, then the
// .aux.xml. Whatever is accepted must be a transform that spans an area, and
// a georeference made from it must survive the sidecar's own parser.

#include "FuzzCheck.h"

#include "core/map/MapCalibration.h"
#include "core/map/WorldFile.h"

#include <cmath>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype split = input.indexOf('\0');
    const QByteArray world = split < 0 ? input : input.left(split);
    const QByteArray aux = split < 0 ? QByteArray() : input.mid(split + 1);

    QString problem;
    const std::optional<std::array<double, 6>> transform = WorldFile::ParseText(world, &problem);
    FUZZ_CHECK(transform.has_value() == problem.isEmpty());
    if (transform) {
        const auto &t = *transform;
        for (double v : t)
            FUZZ_CHECK(std::isfinite(v));
        FUZZ_CHECK(t[1] * t[5] - t[2] * t[4] != 0);
    }
    problem.clear();
    const std::optional<WorldFile::AuxContent> content = WorldFile::ParseAux(aux, &problem);
    FUZZ_CHECK(content.has_value() == problem.isEmpty());
    if (!content)
        return 0;
    FUZZ_CHECK(content->srs.size() <= aux.size());
    const std::optional<std::array<double, 6>> used = transform ? transform : content->geoTransform;
    if (!used)
        return 0;
    const std::optional<MapGeoreference> georef = WorldFile::FromTransform(*used, content->srs, QSize(64, 48), nullptr);
    if (!georef)
        return 0;
    FUZZ_CHECK(georef->IsFitted() && georef->points.size() == 4);
    MapCalibration calibration;
    calibration.SetGeoreference(*georef);
    const MapCalibration back = MapCalibration::Parse(calibration.Serialize(), &problem);
    FUZZ_CHECK(back.IsGeoreferenced());
    return 0;
}
