#include "core/platform/SafeFileWriter.h"

#include "core/platform/FileErrors.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SafeFileWriter::SafeFileWriter(const QString &fileName) : m_fileName(fileName)
{
}

SafeFileWriter::~SafeFileWriter()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_tempName.isEmpty())
        ::unlink(m_tempName.constData());
}

bool SafeFileWriter::Fail(int error)
{
    return Fail(FileErrors::Text(error));
}

bool SafeFileWriter::Fail(const QString &reason)
{
    m_failed = true;
    m_reason = reason;
    return false;
}

bool SafeFileWriter::Open()
{
    // Replace the file a symbolic link points to, not the link.
    QString target = m_fileName;
    const QFileInfo info(m_fileName);
    if (info.isSymLink())
        target = info.symLinkTarget();
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isFile())
        return Fail(QStringLiteral("geen gewoon bestand"));

    m_finalName = QFile::encodeName(target);
    // A file marked read-only is not replaced behind its owner's back (the
    // rename below would otherwise succeed wherever the folder is writable,
    // and root passes every permission check).
    struct stat existing;
    if (::stat(m_finalName.constData(), &existing) == 0
        && ((existing.st_mode & 0222) == 0 || ::access(m_finalName.constData(), W_OK) != 0))
        return Fail(EACCES);

    QByteArray tempName = QFile::encodeName(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
                                            + QStringLiteral(".XXXXXX"));
    m_fd = ::mkstemp(tempName.data());
    if (m_fd < 0)
        return Fail(errno);
    m_tempName = tempName;
    return true;
}

bool SafeFileWriter::Append(const char *data, std::size_t size)
{
    return WriteAt(-1, data, size);
}

bool SafeFileWriter::Overwrite(std::int64_t offset, const char *data, std::size_t size)
{
    return WriteAt(offset, data, size);
}

bool SafeFileWriter::WriteAt(std::int64_t offset, const char *data, std::size_t size)
{
    if (m_failed || m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t n = offset < 0 ? ::write(m_fd, data, size) : ::pwrite(m_fd, data, size, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail(errno);
        }
        if (n == 0)
            return Fail(ENOSPC);
        data += n;
        if (offset >= 0)
            offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool SafeFileWriter::Commit()
{
    if (m_failed || m_fd < 0)
        return false;
    if (::fsync(m_fd) != 0)
        return Fail(errno);
    // Keep the old file's permissions; a new file gets the usual ones.
    struct stat old;
    mode_t mode;
    if (::stat(m_finalName.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(m_fd, mode);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return Fail(errno);
    if (::rename(m_tempName.constData(), m_finalName.constData()) != 0)
        return Fail(errno);
    m_committed = true;
    return true;
}
