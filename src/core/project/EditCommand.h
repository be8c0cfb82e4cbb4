#pragma once

#include "core/project/ProjectEdit.h"

#include <QUndoCommand>
#include <memory>

// One step on the undo stack: an edit that has already been carried out.
// Undo reverts it; redo applies it again. The session carries the edit out
// itself before pushing this, so that an edit that throws never reaches
// the stack; the stack's first redo (on push) therefore does nothing.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(ProjectDocument &doc, std::unique_ptr<ProjectEdit> edit);

    void undo() override;
    void redo() override;

    const ProjectEdit &Edit() const { return *m_edit; }

private:
    ProjectDocument &m_doc;
    std::unique_ptr<ProjectEdit> m_edit;
    bool m_applied = true;
};
