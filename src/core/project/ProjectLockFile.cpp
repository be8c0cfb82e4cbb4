#include "core/project/ProjectLockFile.h"

#include "core/project/ProjectLock.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock file is a few lines; anything bigger is not one of ours.
constexpr qint64 MaxLockBytes = 4096;

QByteArray readLock(const QString &lockName)
{
    const int fd = ::open(QFile::encodeName(lockName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.resize(MaxLockBytes);
        const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), 0);
        bytes.resize(n > 0 ? n : 0);
    }
    ::close(fd);
    return bytes;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    return ::pwrite(fd, bytes.constData(), size_t(bytes.size()), 0) == bytes.size();
}

// Puts a lock file holding contents under name, only when none is there
// (then EEXIST); 0 or the error. Written unnamed and linked in whole, so no
// reader meets a half-written lock and a program killed meanwhile leaves no
// file behind. Where the folder takes no unnamed files, created exclusively.
int linkNew(const QByteArray &name, const QByteArray &contents)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(name)).absolutePath());
    int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) {
        int error = 0;
        if (!writeAll(fd, contents)) {
            error = errno ? errno : EIO;
        } else {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) != 0)
                error = errno;
        }
        ::close(fd);
        return error;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return errno;
    fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return errno;
    const bool ok = writeAll(fd, contents);
    const int error = ok ? 0 : (errno ? errno : EIO);
    if (!ok)
        ::unlink(name.constData());
    ::close(fd);
    return error;
}

} // namespace

QString ProjectLockFile::FileName(const QString &projectFileName)
{
    const QFileInfo info(projectFileName);
    // Beside the file itself when the name is a link to it.
    const QString canonical = info.canonicalFilePath();
    const QFileInfo real(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
    return real.absolutePath() + QStringLiteral("/.~lock.") + real.fileName() + QLatin1Char('#');
}

std::optional<ProcessLock::Holder> ProjectLockFile::Read(const QString &projectFileName)
{
    const QByteArray text = readLock(FileName(projectFileName));
    if (text.isEmpty())
        return std::nullopt;
    ProcessLock::Holder holder = ProcessLock::Parse(text);
    if (holder.host.isEmpty())
        return std::nullopt;
    return holder;
}

bool ProjectLockFile::IsStale(const ProcessLock::Holder &holder)
{
    if (holder.host != ProcessLock::HostName())
        return false;
    return holder.processId <= 0 || (::kill(pid_t(holder.processId), 0) != 0 && errno == ESRCH);
}

bool ProjectLockFile::IsOld(const ProcessLock::Holder &holder, const QDateTime &now)
{
    return holder.host != ProcessLock::HostName() && holder.since.isValid() && holder.since.secsTo(now) > 24 * 3600;
}

std::optional<ProcessLock::Holder> ProjectLockFile::OtherHolder(const QString &projectFileName)
{
    auto holder = Read(projectFileName);
    if (!holder || holder->IsThisProcess() || IsStale(*holder))
        return std::nullopt;
    // Same host and user: the runtime lock knows whether that process is
    // a Tolvek with this project open, or only got the old process id.
    if (holder->host == ProcessLock::HostName() && holder->user == ProcessLock::UserName()) {
        const auto running = ProcessLock::HolderOf(ProjectLock::LockFileName(projectFileName));
        if (!running || running->processId != holder->processId)
            return std::nullopt;
    }
    return holder;
}

ProjectLockFile::Result ProjectLockFile::Take(const QString &projectFileName)
{
    const QString lockName = FileName(projectFileName);
    if (lockName == m_fileName && readLock(lockName) == m_contents)
        return Result::Written;
    Remove();
    const QByteArray name = QFile::encodeName(lockName);
    const QByteArray contents = ProcessLock::DescribeThisProcess();

    Result result = Result::NotWritten;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int error = linkNew(name, contents);
        if (error == 0) {
            result = Result::Written;
            break;
        }
        // A folder that cannot be written (a disc) gets no lock; that is all.
        if (error != EEXIST)
            break;
        if (OtherHolder(projectFileName)) {
            result = Result::HeldByOther;
            break;
        }
        // Stale, or unreadable: removed, and ours put in its place unless
        // another program was quicker.
        ::unlink(name.constData());
    }
    if (result == Result::Written) {
        m_fileName = lockName;
        m_contents = contents;
    }
    return result;
}

void ProjectLockFile::Remove()
{
    if (m_fileName.isEmpty())
        return;
    // Only our own: another program may have broken ours and taken it.
    if (readLock(m_fileName) == m_contents)
        ::unlink(QFile::encodeName(m_fileName).constData());
    m_fileName.clear();
    m_contents.clear();
}

bool ProjectLockFile::Break(const QString &projectFileName)
{
    const QByteArray name = QFile::encodeName(FileName(projectFileName));
    return ::unlink(name.constData()) == 0 || errno == ENOENT;
}
