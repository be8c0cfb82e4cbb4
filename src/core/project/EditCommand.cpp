#include "core/project/EditCommand.h"

EditCommand::EditCommand(ProjectDocument &doc, std::unique_ptr<ProjectEdit> edit) : m_doc(doc), m_edit(std::move(edit))
{
    setText(m_edit->Name());
}

void EditCommand::undo()
{
    m_edit->Revert(m_doc);
    m_applied = false;
}

void EditCommand::redo()
{
    if (m_applied)
        return;
    m_edit->Apply(m_doc);
    m_applied = true;
}
