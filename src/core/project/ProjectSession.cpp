#include "core/project/ProjectSession.h"

#include "core/project/ProjectDocument.h"

#include <QDir>

ProjectSession::ProjectSession(ProjectDocument &document, QObject *parent) : QObject(parent), m_document(document)
{
}

void ProjectSession::Perform(std::unique_ptr<ProjectEdit> edit)
{
    edit->Apply(m_document);
    if (edit->Modifies())
        m_document.Modified = true;
    const ProjectChanges changes = edit->Changes();
    if (changes)
        emit Changed(changes);
}

void ProjectSession::Reset()
{
    m_document.Reset();
    emit Changed(ProjectChange::State | ProjectChange::Photos | ProjectChange::Whole);
}

DataFile::ReadResult ProjectSession::Load(const QString &fileName)
{
    const DataFile::ReadResult result = DataFile::Read(m_document, fileName);
    if (result == DataFile::ReadResult::Ok) {
        m_document.CurrentFileName = fileName;
        m_document.Modified = false;
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
