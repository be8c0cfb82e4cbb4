#include "core/project/MapFileEdit.h"

#include "core/project/ProjectDocument.h"

MapFileEdit::MapFileEdit(const QByteArray &mapFileName, bool edited) : m_name(mapFileName), m_edited(edited)
{
}

void MapFileEdit::Apply(ProjectDocument &doc)
{
    m_old = doc.MapFileName;
    doc.MapFileName = m_name;
}

void MapFileEdit::Revert(ProjectDocument &doc)
{
    doc.MapFileName = m_old;
}

ProjectChanges MapFileEdit::Changes() const
{
    return ProjectChange::State | ProjectChange::Map;
}

QString MapFileEdit::Name() const
{
    return QStringLiteral("overzichtskaart wijzigen");
}
