#include "core/project/StoreNotesEdit.h"

#include "core/project/PhotoLookup.h"
#include "core/project/ProjectDocument.h"

StoreNotesEdit::StoreNotesEdit(std::int32_t key, const QByteArray &text) : m_key(key), m_text(text)
{
}

void StoreNotesEdit::Apply(ProjectDocument &doc)
{
    m_index = PhotoLookup::FindByKeySkippingBad(doc.NotesList, m_key);
    m_appended = m_index < 0;
    if (m_appended)
        m_index = doc.NotesList.size();
    else
        m_old = doc.NotesList[m_index];
    PhotoLookup::StoreNotes(doc.NotesList, m_key, m_text);
}

void StoreNotesEdit::Revert(ProjectDocument &doc)
{
    if (m_appended)
        doc.NotesList.removeAt(m_index);
    else
        doc.NotesList[m_index] = m_old;
}

ProjectChanges StoreNotesEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Photos;
}

QString StoreNotesEdit::Name() const
{
    return QStringLiteral("aantekeningen wijzigen");
}
