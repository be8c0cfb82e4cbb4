#include "core/project/PhotoNotes.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

bool PhotoNotes::IsPrompt(QByteArrayView notes)
{
    // Blanks and line breaks around it are no writing; a prompt the user
    // edited, even by one letter, is the user's note.
    const auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == PhotoEntry::NotesLineBreak;
    };
    while (!notes.isEmpty() && blank(notes.front()))
        notes = notes.sliced(1);
    while (!notes.isEmpty() && blank(notes.back()))
        notes.chop(1);
    return notes == ProjectDocument::NewPhotoNotes();
}
