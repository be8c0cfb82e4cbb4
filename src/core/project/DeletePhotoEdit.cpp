#include "core/project/DeletePhotoEdit.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

namespace {

std::array<QList<QByteArray> *, 3> lists(ProjectDocument &doc)
{
    return {&doc.PositionList, &doc.NameList, &doc.NotesList};
}

} // namespace

DeletePhotoEdit::DeletePhotoEdit(const QByteArray &keyText) : m_keyText(keyText)
{
}

void DeletePhotoEdit::Apply(ProjectDocument &doc)
{
    const auto all = lists(doc);
    for (size_t l = 0; l < all.size(); ++l) {
        QList<QByteArray> &list = *all[l];
        m_removed[l] = Removed();
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (PhotoEntry::KeyView(list[i]) == m_keyText) {
                m_removed[l] = Removed{i, list.takeAt(i)};
                break;
            }
        }
    }
}

void DeletePhotoEdit::Revert(ProjectDocument &doc)
{
    const auto all = lists(doc);
    for (size_t l = 0; l < all.size(); ++l)
        if (m_removed[l].index >= 0)
            all[l]->insert(m_removed[l].index, m_removed[l].entry);
}

ProjectChanges DeletePhotoEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString DeletePhotoEdit::Name() const
{
    return QStringLiteral("foto verwijderen");
}
