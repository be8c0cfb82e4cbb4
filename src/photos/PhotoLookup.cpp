#include "photos/PhotoLookup.h"

#include "project/DataFile.h"
#include "project/PhotoEntry.h"
#include "support/TextRoutines.h"
#include "support/TolvekError.h"

namespace {

// Converts the bytes [begin, end) of an entry without copying them.
std::int32_t toInt(const char *begin, const char *end)
{
    const QByteArray view = QByteArray::fromRawData(begin, end - begin);
    std::int32_t value = 0;
    if (!TextRoutines::TryStrToInt(view, value))
        throw TolvekError::notValidInteger(QByteArray(begin, end - begin));
    return value;
}

bool keyOf(const QByteArray &entry, std::int32_t &value)
{
    const qsizetype eq = entry.indexOf('=');
    const QByteArray view = QByteArray::fromRawData(entry.constData(), eq < 0 ? entry.size() : eq);
    return TextRoutines::TryStrToInt(view, value);
}

} // namespace

qsizetype PhotoLookup::HitIndex(const QList<QByteArray> &positions, std::int32_t triangleSize, std::int32_t x,
                                std::int32_t y)
{
    const std::int64_t s = triangleSize;
    const std::int64_t X = x;
    const std::int64_t Y = y;
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const QByteArray &entry = positions[i];
        const char *const begin = entry.constData();
        const char *const end = begin + entry.size();
        const char *p = begin;
        while (p < end && *p != '=')
            ++p;
        const char *xBegin = p < end ? p + 1 : end;
        const char *c1 = xBegin;
        while (c1 < end && *c1 != ',')
            ++c1;
        const char *yBegin = c1 < end ? c1 + 1 : end;
        const char *c2 = yBegin;
        while (c2 < end && *c2 != ',')
            ++c2;
        const std::int64_t px = toInt(xBegin, c1);
        const std::int64_t py = toInt(yBegin, c2);
        if (px - s < X && X < px + s && py - s < Y && Y < py + s)
            return i;
    }
    return -1;
}

qsizetype PhotoLookup::FindByKey(const QList<QByteArray> &entries, std::int32_t key)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (PhotoEntry::Key(entries[i]) == key)
            return i;
    }
    return -1;
}

qsizetype PhotoLookup::FindByKeySkippingBad(const QList<QByteArray> &entries, std::int32_t key)
{
    for (qsizetype i = 0; i < entries.size(); ++i) {
        std::int32_t value = 0;
        if (keyOf(entries[i], value) && value == key)
            return i;
    }
    return -1;
}

QByteArray PhotoLookup::NotesFor(const QList<QByteArray> &notes, std::int32_t key)
{
    return NotesAt(notes, FindByKeySkippingBad(notes, key));
}

QByteArray PhotoLookup::NotesAt(const QList<QByteArray> &notes, qsizetype index)
{
    return index < 0 ? QByteArray() : DataFile::DecodeNotes(PhotoEntry::Value(notes[index]));
}

void PhotoLookup::StoreNotes(QList<QByteArray> &notes, std::int32_t key, const QByteArray &text)
{
    // Five digits as every key is written; a number outside them (only a
    // hand-edited file has one) is written whole rather than cut short.
    const QByteArray keyText = key >= 0 && key <= 99999 ? PhotoEntry::KeyTextFor(key) : QByteArray::number(key);
    const QByteArray entry = keyText + '=' + DataFile::EncodeNotes(text);
    const qsizetype i = FindByKeySkippingBad(notes, key);
    if (i >= 0)
        notes[i] = entry;
    else
        notes.append(entry);
}
