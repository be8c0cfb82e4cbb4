#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>

// Sets the project data of the project data dialog: organisation, logo
// file, web address, the three description lines and the help text on the
// map. The dialog stores what it shows even when nothing was typed; only
// when something was typed does that count as a change (and the map, which
// shows the help text, is drawn again).
class ProjectDataEdit : public ProjectEdit
{
public:
    struct Fields
    {
        QByteArray organisation, logoFileName, webAddress, description1, description2, description3, userHelpText;
    };

    ProjectDataEdit(const Fields &fields, bool edited);

    static Fields Of(const ProjectDocument &doc);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    bool Modifies() const override { return m_edited; }
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    static void Store(ProjectDocument &doc, const Fields &fields);

    Fields m_fields;
    bool m_edited;
    Fields m_old;
};
