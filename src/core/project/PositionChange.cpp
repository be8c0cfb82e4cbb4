#include "core/project/PositionChange.h"

#include "core/base/TextRoutines.h"
#include "core/project/PhotoEntry.h"

#include <cmath>
#include <limits>

std::int64_t PositionChange::Scale(std::int32_t factorThousandths, std::int32_t value)
{
    const double quotient = static_cast<double>(factorThousandths) / 1000.0;
    return static_cast<std::int64_t>(std::nearbyint(quotient * static_cast<double>(value)));
}

PositionChange::Result PositionChange::Apply(const QList<QByteArray> &positions, Mode mode, std::int32_t x,
                                             std::int32_t y)
{
    constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
    Result r;
    r.entries = positions;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const QByteArray &entry = positions[i];
        const PhotoEntry::PositionTexts t = PhotoEntry::SplitPosition(entry);
        std::int32_t px = 0, py = 0, d = 0;
        // The first part that is not an integer stops the change there.
        for (auto [text, target] : {std::pair{&t.x, &px}, std::pair{&t.y, &py}, std::pair{&t.direction, &d}}) {
            if (!TextRoutines::TryStrToInt(*text, *target)) {
                r.badEntry = true;
                r.badText = *text;
                return r;
            }
        }
        std::int64_t nx, ny;
        if (mode == Mode::Shift) {
            nx = std::int64_t(px) + x;
            ny = std::int64_t(py) + y;
        } else {
            nx = Scale(x, px);
            ny = Scale(y, py);
        }
        if (nx < lo || nx > hi || ny < lo || ny > hi) {
            r.overflow = true;
            r.overflowIndex = i;
            return r;
        }
        r.entries[i] = PhotoEntry::MakePosition(PhotoEntry::KeyText(entry), std::int32_t(nx), std::int32_t(ny), d);
        r.changed = i + 1;
    }
    return r;
}
