#pragma once

#include "core/base/TextRoutines.h"
#include "core/project/DataFile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstdint>
#include <cstring>

class ProjectDocument;

// The one place that knows how a photo-list entry is written: "key=value",
// and for a position "key=x,y,direction"; keys of five digits; the name of
// a photo without a file; line breaks in notes; how long an entry may be. Entries stay text in the lists;
// every user converts the parts it needs on the spot, so a bad number is
// found (and reported) by the command that trips over it. The view functions
// are inline and copy nothing: the redraw and the hit test call them for
// every photo.
namespace PhotoEntry {

// Keys are written with five digits, so the largest is 99999.
constexpr int KeyDigits = 5;
constexpr std::int32_t MaxKey = 99999;

// The stored name of a photo that has no file.
constexpr char NoName[] = "++GeenNaam++";
inline bool IsNoName(QByteArrayView storedName)
{
    return storedName == QByteArrayView(NoName);
}

// Stored notes hold each line break as this one byte (a CR; the LF is left
// out), so that an entry stays one line of the file.
constexpr char NotesLineBreak = char(0x9D);

// The most bytes a notes entry with a five-digit key can hold: the data
// file refuses longer lines when it is read again.
constexpr qsizetype MaxNotesBytes = DataFile::MaxLineBytes - KeyDigits - 1;

// Whether "keyText=value" is a line the data file reads back.
inline bool FitsLine(QByteArrayView keyText, QByteArrayView value)
{
    return keyText.size() + 1 + value.size() <= DataFile::MaxLineBytes;
}

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
// The same from the parts' texts, each kept as given.
QByteArray ComposePosition(QByteArrayView keyText, QByteArrayView x, QByteArrayView y, QByteArrayView direction);
// The entry moved to (x, y), its key and direction kept exactly as written.
QByteArray MovedPosition(QByteArrayView entry, std::int32_t x, std::int32_t y);

// The key for a new photo: one above the largest key of PositionList, read
// from the first five characters of each entry; 0 when no five-digit key is
// left (the largest key is already 99999). Throws on a bad key.
std::int32_t NextKey(const ProjectDocument &doc);

// Five digits with leading zeros.
QByteArray KeyTextFor(std::int32_t key);
// The key text an entry written for key gets: five digits, or for a number
// outside them (only a hand-edited file has one) the number whole rather
// than cut short.
QByteArray StoredKeyText(std::int32_t key);

// Notes as the file stores them (CR becomes NotesLineBreak, LF is left
// out), written at d; returns the end. The spans between line breaks are
// copied whole.
inline char *EncodeNotesInto(QByteArrayView notes, char *d)
{
    const char *p = notes.data();
    const char *const end = p + notes.size();
    auto next = [end](const char *from, char c) {
        const void *hit = std::memchr(from, c, size_t(end - from));
        return hit ? static_cast<const char *>(hit) : end;
    };
    const char *cr = next(p, '\r');
    const char *lf = next(p, '\n');
    while (p < end) {
        const char *stop = std::min(cr, lf);
        d = std::copy(p, stop, d);
        if (stop == end)
            break;
        if (stop == cr) {
            *d++ = NotesLineBreak;
            cr = next(stop + 1, '\r');
        } else {
            lf = next(stop + 1, '\n');
        }
        p = stop + 1;
    }
    return d;
}
// The same as a copy; and back, each stored line break as CR LF. Either
// works on a whole entry too: key and "=" have no line breaks.
QByteArray EncodeNotes(const QByteArray &notes);
QByteArray DecodeNotes(const QByteArray &stored);

// The first line of notes, stored or not: up to the first line break
// (stored, CR or LF).
inline QByteArrayView NotesFirstLine(QByteArrayView notes)
{
    qsizetype end = 0;
    while (end < notes.size() && notes[end] != NotesLineBreak && notes[end] != '\r' && notes[end] != '\n')
        ++end;
    return notes.first(end);
}

} // namespace PhotoEntry
