#include "platform/SafeFileWriter.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const char *data, size_t size, int &error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool SafeFileWriter::Write(const QString &fileName, const QByteArray &bytes, QString *reason)
{
    auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };

    // Replace the file a symbolic link points to, not the link.
    QString target = fileName;
    const QFileInfo info(fileName);
    if (info.isSymLink())
        target = info.symLinkTarget();
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() && !targetInfo.isFile())
        return fail(QStringLiteral("geen gewoon bestand"));

    const QByteArray finalName = QFile::encodeName(target);
    // A file marked read-only is not replaced behind its owner's back (the
    // rename below would otherwise succeed wherever the folder is writable,
    // and root passes every permission check).
    struct stat existing;
    if (::stat(finalName.constData(), &existing) == 0
        && ((existing.st_mode & 0222) == 0 || ::access(finalName.constData(), W_OK) != 0))
        return fail(errorText(EACCES));

    QByteArray tempName = QFile::encodeName(targetInfo.absolutePath() + QStringLiteral("/.") + targetInfo.fileName()
                                            + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tempName.data());
    if (fd < 0)
        return fail(errorText(errno));

    int error = 0;
    bool ok = writeAll(fd, bytes.constData(), static_cast<size_t>(bytes.size()), error);
    if (ok && ::fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (ok) {
        // Keep the old file's permissions; a new file gets the usual ones.
        struct stat old;
        mode_t mode;
        if (::stat(finalName.constData(), &old) == 0) {
            mode = old.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        ::fchmod(fd, mode);
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && ::rename(tempName.constData(), finalName.constData()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(tempName.constData());
        return fail(errorText(error));
    }
    return true;
}
