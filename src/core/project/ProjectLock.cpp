#include "core/project/ProjectLock.h"

#include "core/platform/XdgFolders.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace {

// Two names of one file (a link, "..") give one key.
QString keyPath(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

QString ProjectLock::LockFileName(const QString &projectFileName)
{
    const QByteArray key = QCryptographicHash::hash(keyPath(projectFileName).toUtf8(), QCryptographicHash::Sha1);
    return XdgFolders::RuntimeFolder() + QStringLiteral("/project-") + QString::fromLatin1(key.toHex())
        + QStringLiteral(".lock");
}

std::optional<ProcessLock::Holder> ProjectLock::OtherHolder(const QString &projectFileName)
{
    auto holder = ProcessLock::HolderOf(LockFileName(projectFileName));
    if (holder && holder->IsThisProcess())
        return std::nullopt;
    if (holder)
        return holder;
    return ProjectLockFile::OtherHolder(projectFileName);
}

bool ProjectLock::Take(const QString &projectFileName)
{
    const QString path = keyPath(projectFileName);
    if (!m_project.isEmpty() && path == m_project && m_lock.Held())
        return true;
    Release();
    if (!XdgFolders::MakePrivateFolder(XdgFolders::RuntimeFolder()))
        return false;
    if (m_lock.Take(LockFileName(path)) != ProcessLock::Result::Taken)
        return false;
    m_project = path;
    m_beside.Take(path);
    return true;
}

void ProjectLock::Release()
{
    m_beside.Remove();
    m_lock.Remove();
    m_project.clear();
}
