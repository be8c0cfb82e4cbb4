#include "core/project/PhotoNotes.h"

#include "core/project/ProjectDocument.h"

bool PhotoNotes::IsPrompt(QByteArrayView notes)
{
    // Compared as the bytes are: a prompt the user edited, even by one
    // letter, is the user's note.
    return notes == ProjectDocument::NewPhotoNotes();
}
