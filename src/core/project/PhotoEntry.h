#pragma once

#include "core/base/TextRoutines.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

class ProjectDocument;

// The one place that knows how a photo-list entry is written: "key=value",
// and for a position "key=x,y,direction". Entries stay text in the lists;
// every user converts the parts it needs on the spot, so a bad number is
// found (and reported) by the command that trips over it. The view functions
// are inline and copy nothing: the redraw and the hit test call them for
// every photo.
namespace PhotoEntry {

// The first c in [begin, end), or end. Entries are a few bytes long: a plain
// loop beats calling memchr.
inline const char *FindByte(const char *begin, const char *end, char c)
{
    while (begin != end && *begin != c)
        ++begin;
    return begin;
}

// The text before the first "=" (the whole entry when there is none).
inline QByteArrayView KeyView(QByteArrayView entry)
{
    const char *begin = entry.data();
    return QByteArrayView(begin, FindByte(begin, begin + entry.size(), '='));
}

// Everything after the first "=" (empty when there is none).
inline QByteArrayView ValueView(QByteArrayView entry)
{
    const char *end = entry.data() + entry.size();
    const char *eq = FindByte(entry.data(), end, '=');
    return eq == end ? QByteArrayView() : QByteArrayView(eq + 1, end);
}

// The three texts of a position entry, split as the file stores them: x up
// to the first "," after the "=", y up to the next ",", direction the rest.
// A part that is missing is empty.
struct PositionViews
{
    QByteArrayView x;
    QByteArrayView y;
    QByteArrayView direction;
};
inline PositionViews SplitPositionView(QByteArrayView entry)
{
    const char *end = entry.data() + entry.size();
    const char *eq = FindByte(entry.data(), end, '=');
    if (eq == end)
        return {};
    const char *x = eq + 1;
    const char *c1 = FindByte(x, end, ',');
    if (c1 == end)
        return {QByteArrayView(x, end), {}, {}};
    const char *c2 = FindByte(c1 + 1, end, ',');
    if (c2 == end)
        return {QByteArrayView(x, c1), QByteArrayView(c1 + 1, end), {}};
    return {QByteArrayView(x, c1), QByteArrayView(c1 + 1, c2), QByteArrayView(c2 + 1, end)};
}

// A part converted as the data file's integers are; false when it is none.
inline bool TryInt(QByteArrayView text, std::int32_t &value)
{
    return TextRoutines::TryStrToInt(text, value);
}

// "key=value".
inline QByteArray Make(QByteArrayView keyText, QByteArrayView value)
{
    QByteArray entry;
    entry.reserve(keyText.size() + 1 + value.size());
    entry.append(keyText).append('=').append(value);
    return entry;
}

// Copies of KeyView and ValueView.
inline QByteArray KeyText(const QByteArray &entry)
{
    return KeyView(entry).toByteArray();
}
inline QByteArray Value(const QByteArray &entry)
{
    return ValueView(entry).toByteArray();
}

// The key as an integer; throws TolvekError when it is not one.
inline std::int32_t Key(QByteArrayView entry)
{
    return TextRoutines::StrToInt(KeyView(entry));
}

struct Position
{
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t direction = 0;
};

// Copies of SplitPositionView's parts.
struct PositionTexts
{
    QByteArray x;
    QByteArray y;
    QByteArray direction;
};
PositionTexts SplitPosition(const QByteArray &entry);

// x, y and direction converted; throws TolvekError on the first that is not
// an integer (x, then y, then direction).
Position ParsePosition(QByteArrayView entry);

// The same without throwing: false when one of the parts is not an integer.
inline bool TryParsePosition(QByteArrayView entry, Position &p)
{
    const PositionViews t = SplitPositionView(entry);
    return TryInt(t.x, p.x) && TryInt(t.y, p.y) && TryInt(t.direction, p.direction);
}

// "key=x,y,direction" with the key text kept as given.
QByteArray MakePosition(QByteArrayView keyText, std::int32_t x, std::int32_t y, std::int32_t direction);

// The key for a new photo: one above the largest key of PositionList, read
// from the first five characters of each entry; 0 when no five-digit key is
// left (the largest key is already 99999). Throws on a bad key.
std::int32_t NextKey(const ProjectDocument &doc);

// Five digits with leading zeros.
QByteArray KeyTextFor(std::int32_t key);

} // namespace PhotoEntry
