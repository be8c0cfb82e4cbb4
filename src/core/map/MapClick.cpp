#include "core/map/MapClick.h"

#include "core/project/PhotoEntry.h"
#include "core/project/PhotoIndex.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"

MapClick::Target MapClick::Find(const ProjectDocument &doc, std::int32_t x, std::int32_t y, bool deletePick,
                                const PhotoIndex *index)
{
    if (index && !index->IsCurrent(doc))
        index = nullptr;
    Target target;
    std::optional<qsizetype> found = index ? index->HitIndex(x, y) : std::nullopt;
    const qsizetype hit = found ? *found : PhotoLookup::HitIndex(doc.PositionList, doc.TriangleSize, x, y);
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
