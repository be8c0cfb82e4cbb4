#include "core/map/MapClick.h"

#include "core/project/PhotoEntry.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
#include "core/project/PhotoRecord.h"
#include "core/project/ProjectDocument.h"

MapClick::Target MapClick::Find(const ProjectDocument &doc, std::int32_t x, std::int32_t y, bool deletePick,
                                const PhotoIndex *index)
{
    return Find(doc, PhotoLookup::Area::Around(x, y, doc.TriangleSize), deletePick, index);
}

std::optional<qsizetype> MapClick::TryHit(const ProjectDocument &doc, const PhotoLookup::Area &area,
                                          const PhotoIndex *index)
{
    if (index && index->IsCurrent(doc))
        if (const std::optional<qsizetype> found = index->HitIndex(area))
            return found;
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        const PhotoEntry::PositionViews t = PhotoEntry::SplitPositionView(doc.PositionList[i]);
        std::int32_t px = 0, py = 0;
        if (!PhotoEntry::TryInt(t.x, px) || !PhotoEntry::TryInt(t.y, py))
            return std::nullopt;
        if (area.Contains(px, py))
            return i;
    }
    return -1;
}

QList<qsizetype> MapClick::AllHits(const ProjectDocument &doc, const PhotoLookup::Area &area)
{
    QList<qsizetype> hits;
    for (qsizetype i = 0; i < doc.PositionList.size(); ++i) {
        const PhotoEntry::PositionViews t = PhotoEntry::SplitPositionView(doc.PositionList[i]);
        std::int32_t px = 0, py = 0;
        if (PhotoEntry::TryInt(t.x, px) && PhotoEntry::TryInt(t.y, py) && area.Contains(px, py))
            hits.append(i);
    }
    return hits;
}

MapClick::Target MapClick::Find(const ProjectDocument &doc, const PhotoLookup::Area &area, bool deletePick,
                                const PhotoIndex *index)
{
    if (index && !index->IsCurrent(doc))
        index = nullptr;
    Target target;
    std::optional<qsizetype> found = index ? index->HitIndex(area) : std::nullopt;
    const qsizetype hit = found ? *found : PhotoLookup::HitIndex(doc.PositionList, area);
    if (hit < 0)
        return target;
    // A key that is no integer ends the click with its message.
    target.number = PhotoEntry::Key(doc.PositionList[hit]);
    const PhotoRecord photo = PhotoRecord::Read(
        doc, hit,
        [&](std::int32_t key) {
            const std::optional<qsizetype> at = index ? index->NameIndex(key) : std::nullopt;
            return at ? *at : PhotoLookup::FindByKey(doc.NameList, key);
        },
        [&](std::int32_t key) -> qsizetype {
            if (deletePick)
                return -1;
            return index ? index->NotesIndex(key) : PhotoLookup::FindByKeySkippingBad(doc.NotesList, key);
        });
    if (photo.nameIndex < 0)
        return target;
    target.found = true;
    target.fileName = photo.storedName;
    if (deletePick)
        target.deleteKey = photo.NameKeyText(doc);
    else
        target.notes = photo.Notes(doc);
    return target;
}
