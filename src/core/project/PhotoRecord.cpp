#include "core/project/PhotoRecord.h"

#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoNotes.h"

PhotoRecord PhotoRecord::FromPosition(const ProjectDocument &doc, qsizetype position)
{
    PhotoRecord r;
    if (position < 0 || position >= doc.PositionList.size())
        return r;
    r.position = position;
    const QByteArray &entry = doc.PositionList[position];
    const QByteArrayView key = PhotoEntry::KeyView(entry);
    r.keyText = key.toByteArray();
    r.hasKey = PhotoEntry::TryInt(key, r.key);
    r.hasPlace = PhotoEntry::TryParsePosition(entry, r.place);
    return r;
}

void PhotoRecord::ReadEntries(const ProjectDocument &doc)
{
    if (nameIndex >= doc.NameList.size())
        nameIndex = -1;
    if (notesIndex >= doc.NotesList.size())
        notesIndex = -1;
    if (nameIndex >= 0)
        storedName = PhotoEntry::Value(doc.NameList[nameIndex]);
    if (notesIndex >= 0)
        notesLine = AnsiCodec::toUnicode(
            PhotoEntry::NotesFirstLine(PhotoNotes::Meaningful(PhotoEntry::ValueView(doc.NotesList[notesIndex])))
                .toByteArray());
}

QString PhotoRecord::ResolvedFile(const QString &folder) const
{
    return HasFile() ? PathResolver::Resolve(storedName, folder) : QString();
}

QString PhotoRecord::ResolvedFile(const QString &folder, PathResolver &resolver) const
{
    return HasFile() ? resolver.Find(storedName, folder) : QString();
}

QByteArray PhotoRecord::NameKeyText(const ProjectDocument &doc) const
{
    return nameIndex >= 0 ? PhotoEntry::KeyText(doc.NameList[nameIndex]) : keyText;
}

QByteArray PhotoRecord::Notes(const ProjectDocument &doc) const
{
    return notesIndex >= 0 ? PhotoEntry::DecodeNotes(PhotoEntry::Value(doc.NotesList[notesIndex])) : QByteArray();
}
