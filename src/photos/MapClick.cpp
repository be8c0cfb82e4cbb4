#include "photos/MapClick.h"

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

    bool showDelete = false;
    bool openPhoto = false;
    std::int32_t number = 0;
    QByteArray fileName;
    QByteArray notes;
    QByteArray deleteKey;
    {
        BusyCursor busy;
        const ProjectDocument &doc = host.Document();
        const qsizetype hit = PhotoLookup::HitIndex(doc.PositionList, doc.TriangleSize, x, y);
        if (hit >= 0) {
            number = PhotoEntry::Key(doc.PositionList[hit]);
            const qsizetype nameIndex = PhotoLookup::FindByKey(doc.NameList, number);
            if (nameIndex >= 0) {
                const QByteArray &nameEntry = doc.NameList[nameIndex];
                fileName = PhotoEntry::Value(nameEntry);
                if (host.DeletePickMode()) {
                    deleteKey = PhotoEntry::KeyText(nameEntry);
                    showDelete = true;
                } else {
                    notes = PhotoLookup::NotesFor(doc.NotesList, number);
                    openPhoto = true;
                }
            }
        }
    }
    // Opened once the click's busy pointer is gone, so that a picture that
    // cannot be shown is reported with the normal pointer; the window shows
    // its own busy pointer while it loads.
    if (openPhoto)
        TFotoForm::OpenPhotoWindow(host, number, fileName, notes);
    if (showDelete)
        deleteForm.ShowWithPickedPhoto(fileName, deleteKey);
}

void MapClick::UpdatePointer(const ProjectHost &host, QWidget *map)
{
    const Qt::CursorShape shape = host.AddPickMode() || host.DeletePickMode() ? Qt::CrossCursor : Qt::ArrowCursor;
    if (map && map->cursor().shape() != shape)
        map->setCursor(shape);
}
