#include "core/project/ReplacePositionsEdit.h"

#include "core/project/ProjectDocument.h"

ReplacePositionsEdit::ReplacePositionsEdit(const QList<QByteArray> &positions, bool complete, const QString &name)
    : m_positions(positions),
      m_complete(complete),
      m_name(name)
{
}

void ReplacePositionsEdit::Apply(ProjectDocument &doc)
{
    m_old = doc.PositionList;
    doc.PositionList = m_positions;
}

void ReplacePositionsEdit::Revert(ProjectDocument &doc)
{
    doc.PositionList = m_old;
}

ProjectChanges ReplacePositionsEdit::Changes() const
{
    if (!m_complete)
        return ProjectChange::Photos;
    return ProjectChange::State | ProjectChange::Map | ProjectChange::Photos;
}

QString ReplacePositionsEdit::Name() const
{
    return m_name.isEmpty() ? QStringLiteral("posities van alle foto's wijzigen") : m_name;
}
