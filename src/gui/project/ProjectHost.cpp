#include "gui/project/ProjectHost.h"

#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"

const ProjectDocument &ProjectHost::Document() const
{
    return m_session.Document();
}

void ProjectHost::SetAddPickMode(bool on)
{
    m_addPick = on;
    emit PickModesChanged();
}

void ProjectHost::SetDeletePickMode(bool on)
{
    m_deletePick = on;
    emit PickModesChanged();
}

QList<qsizetype> ProjectHost::PhotoOrder() const
{
    if (m_photoOrder)
        return m_photoOrder();
    QList<qsizetype> all;
    const qsizetype n = Document().PositionList.size();
    all.reserve(n);
    for (qsizetype i = 0; i < n; ++i)
        all.append(i);
    return all;
}
