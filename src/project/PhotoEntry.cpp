#include "project/PhotoEntry.h"

#include "project/ProjectDocument.h"
#include "support/TextRoutines.h"

namespace PhotoEntry {

QByteArray KeyText(const QByteArray &entry)
{
    const qsizetype eq = entry.indexOf('=');
    return eq < 0 ? entry : entry.left(eq);
}

QByteArray Value(const QByteArray &entry)
{
    const qsizetype eq = entry.indexOf('=');
    return eq < 0 ? QByteArray() : entry.mid(eq + 1);
}

std::int32_t Key(const QByteArray &entry)
{
    return TextRoutines::StrToInt(KeyText(entry));
}

PositionTexts SplitPosition(const QByteArray &entry)
{
    PositionTexts t;
    const QByteArray rest = Value(entry);
    const qsizetype c1 = rest.indexOf(',');
    if (c1 < 0) {
        t.x = rest;
        return t;
    }
    t.x = rest.left(c1);
    const qsizetype c2 = rest.indexOf(',', c1 + 1);
    if (c2 < 0) {
        t.y = rest.mid(c1 + 1);
        return t;
    }
    t.y = rest.mid(c1 + 1, c2 - c1 - 1);
    t.direction = rest.mid(c2 + 1);
    return t;
}

Position ParsePosition(const QByteArray &entry)
{
    const PositionTexts t = SplitPosition(entry);
    Position p;
    p.x = TextRoutines::StrToInt(t.x);
    p.y = TextRoutines::StrToInt(t.y);
    p.direction = TextRoutines::StrToInt(t.direction);
    return p;
}

QByteArray MakePosition(const QByteArray &keyText, std::int32_t x, std::int32_t y, std::int32_t direction)
{
    return keyText + '=' + QByteArray::number(x) + ',' + QByteArray::number(y) + ',' + QByteArray::number(direction);
}

std::int32_t NextKey(const ProjectDocument &doc)
{
    std::int32_t largest = 0;
    for (const QByteArray &entry : doc.PositionList) {
        const std::int32_t k = TextRoutines::StrToInt(entry.left(5));
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
