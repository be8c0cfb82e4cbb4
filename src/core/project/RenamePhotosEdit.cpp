#include "core/project/RenamePhotosEdit.h"

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

RenamePhotosEdit::RenamePhotosEdit(const ProjectDocument &doc, const QList<Rename> &renames,
                                   const std::optional<QByteArray> &mapFileName, const QString &name)
    : m_name(name)
{
    if (mapFileName)
        m_map.emplace(doc.MapFileName, *mapFileName);
    for (const Rename &r : renames) {
        if (r.nameIndex < 0 || r.nameIndex >= doc.NameList.size())
            continue;
        const QByteArray &entry = doc.NameList[r.nameIndex];
        m_changes.append(Change{r.nameIndex, entry, PhotoEntry::Make(PhotoEntry::KeyView(entry), r.fileName)});
    }
}

void RenamePhotosEdit::Apply(ProjectDocument &doc)
{
    for (const Change &c : m_changes)
        doc.NameList[c.index] = c.after;
    if (m_map)
        doc.MapFileName = m_map->second;
}

void RenamePhotosEdit::Revert(ProjectDocument &doc)
{
    for (const Change &c : m_changes)
        doc.NameList[c.index] = c.before;
    if (m_map)
        doc.MapFileName = m_map->first;
}

ProjectChanges RenamePhotosEdit::Changes() const
{
    // The map shows file names when its labels are on.
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString RenamePhotosEdit::Name() const
{
    return m_name;
}
