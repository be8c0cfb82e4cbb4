#include "gui/map/MapClickHandler.h"

#include "core/map/MapClick.h"
#include "core/map/MapZoom.h"
#include "core/project/PhotoEntry.h"
#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"
#include "gui/map/TFotoKeuzeForm.h"
#include "gui/photos/TFotoForm.h"
#include "gui/photos/TFotoToevoegenForm.h"
#include "gui/photos/TFotoVerwijderenForm.h"
#include "gui/project/ProjectHost.h"
#include "gui/widgets/BusyCursor.h"
#include "gui/widgets/UserInteraction.h"

void MapClickHandler::Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm,
                             std::int32_t x, std::int32_t y, const PhotoIndex *index)
{
    Handle(host, addForm, deleteForm, MapZoom(), QPoint(x, y), index);
}

void MapClickHandler::Handle(ProjectHost &host, TFotoToevoegenForm &addForm, TFotoVerwijderenForm &deleteForm,
                             const MapZoom &zoom, QPoint viewPixel, const PhotoIndex *index)
{
    const QPoint mapPoint = zoom.ToMap(viewPixel);
    const std::int32_t x = mapPoint.x(), y = mapPoint.y();
    host.Session().EnterProjectFolder();

    // The position pick; the same release is then handled as a normal click.
    if (host.AddPickMode())
        addForm.ShowWithPickedPosition(x, y);

    MapClick::Target target;
    const bool deletePick = host.DeletePickMode();
    {
        BusyCursor busy;
        target =
            MapClick::Find(host.Document(), zoom.HitArea(viewPixel, host.Document().TriangleSize), deletePick, index);
    }
    // Opened once the click's busy pointer is gone, so that a picture that
    // cannot be shown is reported with the normal pointer; the window shows
    // its own busy pointer while it loads.
    if (!target.found)
        return;
    if (deletePick) {
        deleteForm.ShowWithPickedPhoto(target.fileName, target.deleteKey);
        return;
    }
    // Photos on top of each other: the user says which one is meant.
    const QList<qsizetype> hits =
        MapClick::AllHits(host.Document(), zoom.HitArea(viewPixel, host.Document().TriangleSize));
    if (hits.size() > 1) {
        TFotoKeuzeForm chooser(host.Document(), hits, host.Thumbnails(), host.MainWindow());
        if (UserInteraction::ExecModal(&chooser) != QDialog::Accepted)
            return;
        const ProjectDocument &doc = host.Document();
        const qsizetype chosen = chooser.Chosen();
        if (chosen < 0 || chosen >= doc.PositionList.size())
            return;
        host.ChosePhoto(chosen);
        const std::int32_t key = PhotoEntry::Key(doc.PositionList[chosen]);
        const qsizetype nameIndex = PhotoLookup::FindByKey(doc.NameList, key);
        if (nameIndex < 0)
            return;
        TFotoForm::OpenPhotoWindow(host, key, PhotoEntry::Value(doc.NameList[nameIndex]),
                                   PhotoLookup::NotesFor(doc.NotesList, key));
        return;
    }
    TFotoForm::OpenPhotoWindow(host, target.number, target.fileName, target.notes);
}
