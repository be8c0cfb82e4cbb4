#pragma once

#include "core/project/ProjectEdit.h"

#include <QByteArray>

// Sets the overview map's file name, as the overview-map dialog's OK does.
// It counts as a change only when the name was typed or chosen; the map is
// drawn again either way (the file itself may have changed on disk).
class MapFileEdit : public ProjectEdit
{
public:
    MapFileEdit(const QByteArray &mapFileName, bool edited);

    void Apply(ProjectDocument &doc) override;
    void Revert(ProjectDocument &doc) override;
    bool Modifies() const override { return m_edited; }
    ProjectChanges Changes() const override;
    QString Name() const override;

private:
    QByteArray m_name;
    bool m_edited;
    QByteArray m_old;
};
