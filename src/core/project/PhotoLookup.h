#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <optional>

// Finding a photo's entries in the project's lists from a map point or a
// photo number.
class PhotoLookup
{
public:
    // The positions a click hits: from left to right and top to bottom, all
    // inclusive, in map pixels. For a map point (x, y) and triangle size s
    // it is the hit square x - s < px < x + s, y - s < py < y + s; a zoomed
    // map view makes its own (see MapZoom).
    struct Area
    {
        std::int64_t left = 0, right = -1, top = 0, bottom = -1;

        static Area Around(std::int32_t x, std::int32_t y, std::int32_t triangleSize)
        {
            const std::int64_t s = triangleSize;
            return {x - s + 1, x + s - 1, y - s + 1, y + s - 1};
        }
        bool IsEmpty() const { return right < left || bottom < top; }
        bool Contains(std::int64_t px, std::int64_t py) const
        {
            return left <= px && px <= right && top <= py && py <= bottom;
        }
        bool operator==(const Area &) const = default;
    };

    // The index in positions of the first entry whose hit square contains
    // (x, y): px - s < x < px + s and py - s < y < py + s, all strict, with
    // s the triangle size. -1 when none does. An entry reached before the
    // hit whose x or y is not an integer throws TolvekError. Allocates
    // nothing per entry, so it stays fast on very long lists.
    static qsizetype HitIndex(const QList<QByteArray> &positions, std::int32_t triangleSize, std::int32_t x,
                              std::int32_t y);

    // The same for any area: the first entry whose position lies in it.
    static qsizetype HitIndex(const QList<QByteArray> &positions, const Area &area);

    // The index of the first entry whose key, as an integer, is key; -1 when
    // there is none. A key that is not an integer throws TolvekError.
    static qsizetype FindByKey(const QList<QByteArray> &entries, std::int32_t key);

    // The same, skipping entries whose key is not an integer.
    static qsizetype FindByKeySkippingBad(const QList<QByteArray> &entries, std::int32_t key);

    // The notes for a photo, line breaks as CR LF: the text after the "="
    // of its first notes entry (entries with a key that is not an integer
    // are skipped), or empty when it has none.
    static QByteArray NotesFor(const QList<QByteArray> &notes, std::int32_t key);
    // The same for the entry at index (empty for -1).
    static QByteArray NotesAt(const QList<QByteArray> &notes, qsizetype index);

    // Puts edited notes (line breaks as CR LF) back: the first entry with
    // the photo's key is replaced in place, otherwise the entry is appended.
    // The entry's key is written as five digits. Entries whose key is not an
    // integer are passed over, as when the notes are looked up.
    static void StoreNotes(QList<QByteArray> &notes, std::int32_t key, const QByteArray &text);
};
