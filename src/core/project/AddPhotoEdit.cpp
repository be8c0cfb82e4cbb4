#include "core/project/AddPhotoEdit.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

std::unique_ptr<AddPhotoEdit> AddPhotoEdit::Make(const ProjectDocument &doc, const QList<Photo> &photos)
{
    const std::int32_t first = PhotoEntry::NextKey(doc);
    if (first == 0 || std::int64_t(first) + photos.size() - 1 > PhotoEntry::MaxKey)
        return nullptr;
    std::unique_ptr<AddPhotoEdit> edit(new AddPhotoEdit);
    edit->m_firstKey = first;
    std::int32_t key = first;
    for (const Photo &photo : photos) {
        const QByteArray keyText = PhotoEntry::KeyTextFor(key++);
        edit->m_positions.append(PhotoEntry::MakePosition(keyText, photo.x, photo.y, photo.direction));
        edit->m_names.append(PhotoEntry::Make(keyText, photo.fileName));
        edit->m_notes.append(PhotoEntry::Make(keyText, ProjectDocument::NewPhotoNotes()));
    }
    return edit;
}

void AddPhotoEdit::Apply(ProjectDocument &doc)
{
    m_positionsAt = doc.PositionList.size();
    m_namesAt = doc.NameList.size();
    m_notesAt = doc.NotesList.size();
    doc.PositionList.append(m_positions);
    doc.NameList.append(m_names);
    doc.NotesList.append(m_notes);
}

void AddPhotoEdit::Revert(ProjectDocument &doc)
{
    doc.PositionList.remove(m_positionsAt, m_positions.size());
    doc.NameList.remove(m_namesAt, m_names.size());
    doc.NotesList.remove(m_notesAt, m_notes.size());
}

ProjectChanges AddPhotoEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString AddPhotoEdit::Name() const
{
    return m_positions.size() == 1 ? QStringLiteral("foto toevoegen") : QStringLiteral("foto's toevoegen");
}
