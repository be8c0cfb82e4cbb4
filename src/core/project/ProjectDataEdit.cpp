#include "core/project/ProjectDataEdit.h"

#include "core/project/ProjectDocument.h"

ProjectDataEdit::ProjectDataEdit(const Fields &fields, bool edited) : m_fields(fields), m_edited(edited)
{
}

ProjectDataEdit::Fields ProjectDataEdit::Of(const ProjectDocument &doc)
{
    return Fields{doc.Organisation, doc.LogoFileName, doc.WebAddress,  doc.Description1,
                  doc.Description2, doc.Description3, doc.UserHelpText};
}

void ProjectDataEdit::Store(ProjectDocument &doc, const Fields &fields)
{
    doc.Organisation = fields.organisation;
    doc.LogoFileName = fields.logoFileName;
    doc.WebAddress = fields.webAddress;
    doc.Description1 = fields.description1;
    doc.Description2 = fields.description2;
    doc.Description3 = fields.description3;
    doc.UserHelpText = fields.userHelpText;
}

void ProjectDataEdit::Apply(ProjectDocument &doc)
{
    m_old = Of(doc);
    Store(doc, m_fields);
}

void ProjectDataEdit::Revert(ProjectDocument &doc)
{
    Store(doc, m_old);
}

ProjectChanges ProjectDataEdit::Changes() const
{
    if (!m_edited)
        return {};
    return ProjectChange::State | ProjectChange::Map;
}

QString ProjectDataEdit::Name() const
{
    return QStringLiteral("projectgegevens wijzigen");
}
