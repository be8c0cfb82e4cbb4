#include "core/project/PhotoEntry.h"

#include "core/project/ProjectDocument.h"

#include <charconv>

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

namespace {

// An integer's decimal text in a buffer of the caller's: thousands of
// entries are made at once, and each temporary QByteArray is an allocation.
struct IntText
{
    char digits[12];
    QByteArrayView view;

    explicit IntText(std::int32_t value)
    {
        const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
        view = QByteArrayView(digits, r.ptr - digits);
    }
    IntText(const IntText &) = delete;
};

} // namespace

QByteArray MakePosition(QByteArrayView keyText, std::int32_t x, std::int32_t y, std::int32_t direction)
{
    const IntText xs(x), ys(y), ds(direction);
    return ComposePosition(keyText, xs.view, ys.view, ds.view);
}

QByteArray MovedPosition(QByteArrayView entry, std::int32_t x, std::int32_t y)
{
    const IntText xs(x), ys(y);
    return ComposePosition(KeyView(entry), xs.view, ys.view, SplitPositionView(entry).direction);
}

QByteArray ComposePosition(QByteArrayView keyText, QByteArrayView x, QByteArrayView y, QByteArrayView direction)
{
    QByteArray entry;
    entry.reserve(keyText.size() + x.size() + y.size() + direction.size() + 3);
    entry.append(keyText).append('=').append(x).append(',').append(y).append(',').append(direction);
    return entry;
}

std::int32_t NextKey(const ProjectDocument &doc)
{
    std::int32_t largest = 0;
    for (const QByteArray &entry : doc.PositionList) {
        const std::int32_t k =
            TextRoutines::StrToInt(QByteArrayView(entry).first(std::min<qsizetype>(KeyDigits, entry.size())));
        if (k > largest)
            largest = k;
    }
    if (largest >= MaxKey)
        return 0;
    return largest + 1;
}

QByteArray KeyTextFor(std::int32_t key)
{
    return TextRoutines::PadText(QStringLiteral("R"), QString::number(key), QStringLiteral("0"), KeyDigits).toLatin1();
}

QByteArray StoredKeyText(std::int32_t key)
{
    return key >= 0 && key <= MaxKey ? KeyTextFor(key) : QByteArray::number(key);
}

QByteArray EncodeNotes(const QByteArray &notes)
{
    if (!notes.contains('\r') && !notes.contains('\n'))
        return notes;
    QByteArray out(notes.size(), Qt::Uninitialized);
    out.resize(EncodeNotesInto(notes, out.data()) - out.constData());
    return out;
}

QByteArray DecodeNotes(const QByteArray &stored)
{
    const char *p = stored.constData();
    const char *const end = p + stored.size();
    const void *hit = std::memchr(p, NotesLineBreak, size_t(end - p));
    if (!hit)
        return stored;
    QByteArray out;
    out.reserve(stored.size() + 16);
    while (hit) {
        const char *at = static_cast<const char *>(hit);
        out.append(p, at - p).append("\r\n", 2);
        p = at + 1;
        hit = std::memchr(p, NotesLineBreak, size_t(end - p));
    }
    out.append(p, end - p);
    return out;
}

} // namespace PhotoEntry
