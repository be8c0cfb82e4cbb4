#pragma once

#include "core/project/ProjectDataEdit.h"
#include "core/project/ProjectDocument.h"
#include "core/project/ProjectSession.h"

#include <QByteArray>

#include <memory>

// Changes a test makes to a project as the user would: through the session,
// so that Save, the caption and the recovery copy follow as they do in use.
namespace SessionEdits {

// The organisation as the project data dialog stores it when typed.
inline void SetOrganisation(ProjectSession &session, const QByteArray &organisation)
{
    ProjectDataEdit::Fields fields = ProjectDataEdit::Of(session.Document());
    fields.organisation = organisation;
    session.Perform(std::make_unique<ProjectDataEdit>(fields, true));
}

// Modified without another difference: the project data typed over with
// what was there.
inline void MarkModified(ProjectSession &session)
{
    session.Perform(std::make_unique<ProjectDataEdit>(ProjectDataEdit::Of(session.Document()), true));
}

} // namespace SessionEdits
