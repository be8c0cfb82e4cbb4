#include "core/project/ProjectSession.h"

#include "core/project/EditCommand.h"
#include "core/project/ProjectDocument.h"

#include <QDir>

ProjectSession::ProjectSession(ProjectDocument &document, QObject *parent) : QObject(parent), m_document(document)
{
}

void ProjectSession::Perform(std::unique_ptr<ProjectEdit> edit)
{
    edit->Apply(m_document);
    const ProjectChanges changes = edit->Changes();
    if (edit->Modifies()) {
        m_document.Modified = true;
        m_undo.push(new EditCommand(m_document, std::move(edit)));
    }
    if (changes)
        emit Changed(changes);
}

void ProjectSession::Undo()
{
    if (!m_undo.canUndo())
        return;
    const ProjectChanges changes =
        static_cast<const EditCommand *>(m_undo.command(m_undo.index() - 1))->Edit().Changes();
    m_undo.undo();
    FollowStack(changes);
}

void ProjectSession::Redo()
{
    if (!m_undo.canRedo())
        return;
    const ProjectChanges changes = static_cast<const EditCommand *>(m_undo.command(m_undo.index()))->Edit().Changes();
    m_undo.redo();
    FollowStack(changes);
}

void ProjectSession::FollowStack(ProjectChanges changes)
{
    m_document.Modified = !m_undo.isClean();
    emit Changed(changes | ProjectChange::State);
}

void ProjectSession::Reset()
{
    m_document.Reset();
    m_undo.clear();
    emit Changed(ProjectChange::State | ProjectChange::Photos | ProjectChange::Whole);
}

DataFile::ReadResult ProjectSession::Load(const QString &fileName)
{
    const DataFile::ReadResult result = DataFile::Read(m_document, fileName);
    if (result == DataFile::ReadResult::Ok) {
        m_document.CurrentFileName = fileName;
        m_document.Modified = false;
        m_undo.clear();
    }
    emit Changed(ProjectChange::State | ProjectChange::Photos | ProjectChange::Whole);
    return result;
}

DataFile::WriteResult ProjectSession::Save(const QString &fileName, QString *reason)
{
    const DataFile::WriteResult result = DataFile::Write(m_document, fileName, reason);
    if (result == DataFile::WriteResult::Ok) {
        m_document.CurrentFileName = fileName;
        m_document.Modified = false;
        m_undo.setClean();
        emit Changed(ProjectChange::State);
    }
    return result;
}

void ProjectSession::EnterProjectFolder() const
{
    const QString folder = m_document.ProjectFolder();
    if (!folder.isEmpty())
        QDir::setCurrent(folder);
}
