#include "core/project/ReplacePositionsEdit.h"

#include "core/project/ProjectDocument.h"

ReplacePositionsEdit::ReplacePositionsEdit(const QList<QByteArray> &positions, bool complete)
    : m_positions(positions),
      m_complete(complete)
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
    return QStringLiteral("posities van alle foto's wijzigen");
}
