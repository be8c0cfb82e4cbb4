#include "gui/project/ProjectHost.h"

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
