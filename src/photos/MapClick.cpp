#include "photos/MapClick.h"

#include "photos/PhotoIndex.h"
#include "photos/PhotoLookup.h"
#include "photos/TFotoForm.h"
#include "photos/TFotoToevoegenForm.h"
#include "photos/TFotoVerwijderenForm.h"
#include "project/PhotoEntry.h"
#include "project/ProjectDocument.h"
#include "project/ProjectHost.h"
#include "support/BusyCursor.h"

#include <QWidget>

void MapClick::Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm,
                      std::int32_t x, std::int32_t y)
{
    host.EnterProjectFolder();

    // The position pick; the same release is then handled as a normal click.
    if (host.AddPickMode())
        addForm.ShowWithPickedPosition(x, y);

    Target target;
    const bool deletePick = host.DeletePickMode();
    {
        BusyCursor busy;
        target = Find(host.Document(), x, y, deletePick, host.ClickIndex());
    }
    // Opened once the click's busy pointer is gone, so that a picture that
    // cannot be shown is reported with the normal pointer; the window shows
    // its own busy pointer while it loads.
    if (!target.found)
        return;
    if (deletePick)
        deleteForm.ShowWithPickedPhoto(target.fileName, target.deleteKey);
    else
        TFotoForm::OpenPhotoWindow(host, target.number, target.fileName, target.notes);
}

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

void MapClick::UpdatePointer(const ProjectHost &host, QWidget *map)
{
    const Qt::CursorShape shape = host.AddPickMode() || host.DeletePickMode() ? Qt::CrossCursor : Qt::ArrowCursor;
    if (map && map->cursor().shape() != shape)
        map->setCursor(shape);
}
