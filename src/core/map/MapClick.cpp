#include "core/map/MapClick.h"

#include "core/project/PhotoEntry.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
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
    target.number = PhotoEntry::Key(doc.PositionList[hit]);
    found = index ? index->NameIndex(target.number) : std::nullopt;
    const qsizetype nameIndex = found ? *found : PhotoLookup::FindByKey(doc.NameList, target.number);
    if (nameIndex < 0)
        return target;
    const QByteArray &nameEntry = doc.NameList[nameIndex];
    target.found = true;
    target.fileName = PhotoEntry::Value(nameEntry);
    if (deletePick)
        target.deleteKey = PhotoEntry::KeyText(nameEntry);
    else
        target.notes = index ? PhotoLookup::NotesAt(doc.NotesList, index->NotesIndex(target.number))
                             : PhotoLookup::NotesFor(doc.NotesList, target.number);
    return target;
}
