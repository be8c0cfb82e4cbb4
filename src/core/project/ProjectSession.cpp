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

void ProjectSession::Withdraw()
{
    if (!m_undo.canUndo())
        return;
    Undo();
    // A command pushed obsolete is dropped at once, and the push drops the
    // step above the index with it.
    auto *drop = new QUndoCommand;
    drop->setObsolete(true);
    m_undo.push(drop);
}

void ProjectSession::FollowStack(ProjectChanges changes)
{
    m_document.Modified = !m_undo.isClean();
    emit Changed(changes | ProjectChange::State);
}

void ProjectSession::Settle(const QString &fileName, bool readOnly, const FileStamp &onDisk)
{
    m_diskStamp = onDisk;
    m_readOnly = readOnly;
    // Without a lock when another program holds it: that one is left alone.
    if (fileName.isEmpty() || readOnly)
        m_lock.Release();
    else
        m_lock.Take(fileName);
}

void ProjectSession::Reset()
{
    m_document.Reset();
    m_undo.clear();
    Settle(QString(), false, FileStamp());
    emit Changed(ProjectChange::Whole);
}

DataFile::ReadResult ProjectSession::Load(const QString &fileName, bool readOnly)
{
    // Taken before reading: a change made meanwhile shows as a change.
    const FileStamp onDisk = FileStamp::Of(fileName);
    const DataFile::ReadResult result = DataFile::Read(m_document, fileName);
    if (result == DataFile::ReadResult::Ok) {
        m_document.CurrentFileName = fileName;
        m_document.Modified = false;
        m_undo.clear();
        Settle(fileName, readOnly, onDisk);
    }
    emit Changed(ProjectChange::Whole);
    return result;
}

DataFile::ReadResult ProjectSession::Recover(const QString &copyFileName, const QString &originalName,
                                             const FileStamp &onDisk, bool readOnly)
{
    const DataFile::ReadResult result = DataFile::Read(m_document, copyFileName);
    if (result == DataFile::ReadResult::Ok) {
        m_document.CurrentFileName = originalName;
        m_document.Modified = true;
        // The recovered changes are not on disk: no step back makes the
        // project unmodified until it is saved.
        m_undo.clear();
        m_undo.resetClean();
        Settle(m_document.IsUntitled() ? QString() : originalName, readOnly, onDisk);
    }
    emit Changed(ProjectChange::Whole);
    return result;
}

DataFile::WriteResult ProjectSession::Save(const QString &fileName, QString *reason)
{
    const DataFile::WriteResult result = DataFile::Write(m_document, fileName, reason);
    if (result == DataFile::WriteResult::Ok) {
        m_document.CurrentFileName = fileName;
        m_document.Modified = false;
        m_undo.setClean();
        Settle(fileName, false, FileStamp::Of(fileName));
        emit Changed(ProjectChange::State);
    }
    return result;
}

void ProjectSession::MarkClean()
{
    m_document.Modified = false;
    m_undo.setClean();
    emit Changed(ProjectChange::State);
}

FileStamp::Comparison ProjectSession::CheckDisk(FileStamp *now)
{
    if (m_document.IsUntitled() || m_diskStamp.IsEmpty())
        return FileStamp::Comparison::Same;
    FileStamp present;
    const FileStamp::Comparison result = m_diskStamp.Compare(m_document.CurrentFileName, &present);
    // Touched but the same bytes: the next check is quick again.
    if (result == FileStamp::Comparison::Same && !present.IsEmpty())
        m_diskStamp = present;
    if (now)
        *now = present.IsEmpty() ? m_diskStamp : present;
    return result;
}

void ProjectSession::EnterProjectFolder() const
{
    const QString folder = m_document.ProjectFolder();
    if (!folder.isEmpty())
        QDir::setCurrent(folder);
}
