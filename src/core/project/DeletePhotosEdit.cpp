#include "core/project/DeletePhotosEdit.h"

DeletePhotosEdit::DeletePhotosEdit(const QList<QByteArray> &keyTexts)
{
    for (const QByteArray &key : keyTexts)
        m_deletes.push_back(std::make_unique<DeletePhotoEdit>(key));
}

void DeletePhotosEdit::Apply(ProjectDocument &doc)
{
    for (auto &d : m_deletes)
        d->Apply(doc);
}

void DeletePhotosEdit::Revert(ProjectDocument &doc)
{
    // Each one put back where it was taken from: the last taken first.
    for (auto it = m_deletes.rbegin(); it != m_deletes.rend(); ++it)
        (*it)->Revert(doc);
}

ProjectChanges DeletePhotosEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString DeletePhotosEdit::Name() const
{
    return QStringLiteral("foto's verwijderen");
}
