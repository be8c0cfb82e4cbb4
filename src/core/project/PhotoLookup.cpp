#include "core/project/PhotoLookup.h"

#include "core/base/TextRoutines.h"
#include "core/base/TolvekError.h"
#include "core/project/DataFile.h"
#include "core/project/PhotoEntry.h"

qsizetype PhotoLookup::HitIndex(const QList<QByteArray> &positions, std::int32_t triangleSize, std::int32_t x,
                                std::int32_t y)
{
    return HitIndex(positions, Area::Around(x, y, triangleSize));
}

qsizetype PhotoLookup::HitIndex(const QList<QByteArray> &positions, const Area &area)
{
    // An empty area still reads every entry: a bad number is reported as
    // when the square has room.
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const PhotoEntry::PositionViews t = PhotoEntry::SplitPositionView(positions[i]);
        const std::int64_t px = TextRoutines::StrToInt(t.x);
        const std::int64_t py = TextRoutines::StrToInt(t.y);
        if (area.Contains(px, py))
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
        if (PhotoEntry::TryInt(PhotoEntry::KeyView(entries[i]), value) && value == key)
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
    return index < 0 ? QByteArray() : PhotoEntry::DecodeNotes(PhotoEntry::Value(notes[index]));
}

void PhotoLookup::StoreNotes(QList<QByteArray> &notes, std::int32_t key, const QByteArray &text)
{
    const QByteArray entry = PhotoEntry::Make(PhotoEntry::StoredKeyText(key), PhotoEntry::EncodeNotes(text));
    const qsizetype i = FindByKeySkippingBad(notes, key);
    if (i >= 0)
        notes[i] = entry;
    else
        notes.append(entry);
}
