#include "core/project/PhotoEntry.h"

#include "core/project/ProjectDocument.h"

namespace PhotoEntry {

PositionTexts SplitPosition(const QByteArray &entry)
{
    const PositionViews v = SplitPositionView(entry);
    return PositionTexts{v.x.toByteArray(), v.y.toByteArray(), v.direction.toByteArray()};
}

Position ParsePosition(QByteArrayView entry)
{
    const PositionViews t = SplitPositionView(entry);
    Position p;
    p.x = TextRoutines::StrToInt(t.x);
    p.y = TextRoutines::StrToInt(t.y);
    p.direction = TextRoutines::StrToInt(t.direction);
    return p;
}

QByteArray MakePosition(QByteArrayView keyText, std::int32_t x, std::int32_t y, std::int32_t direction)
{
    return Make(keyText, QByteArray::number(x) + ',' + QByteArray::number(y) + ',' + QByteArray::number(direction));
}

std::int32_t NextKey(const ProjectDocument &doc)
{
    std::int32_t largest = 0;
    for (const QByteArray &entry : doc.PositionList) {
        const std::int32_t k =
            TextRoutines::StrToInt(QByteArrayView(entry).first(std::min<qsizetype>(5, entry.size())));
        if (k > largest)
            largest = k;
    }
    if (largest >= 99999)
        return 0;
    return largest + 1;
}

QByteArray KeyTextFor(std::int32_t key)
{
    return TextRoutines::PadText(QStringLiteral("R"), QString::number(key), QStringLiteral("0"), 5).toLatin1();
}

} // namespace PhotoEntry
