#include "core/platform/SafeFileWriter.h"

#include "core/platform/FileErrors.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

std::atomic<bool> g_noUnnamedFiles{false};

constexpr int kSuffixLength = 6; // as mkstemp makes them

// What open(O_TMPFILE) answers on a file system without unnamed files (and
// on kernels that predate them).
bool refusesUnnamed(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

QByteArray randomSuffix()
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray s(kSuffixLength, Qt::Uninitialized);
    for (char &c : s)
        c = letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return s;
}

} // namespace

SafeFileWriter::SafeFileWriter(const QString &fileName) : m_fileName(fileName)
{
}

SafeFileWriter::~SafeFileWriter()
{
    // An unnamed file disappears with its descriptor.
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_committed && !m_tempName.isEmpty())
        ::unlink(m_tempName.constData());
}

void SafeFileWriter::SimulateNoUnnamedFiles(bool simulate)
{
    g_noUnnamedFiles = simulate;
}

bool SafeFileWriter::IsTemporaryName(const QString &name, const QString &targetName)
{
    const qsizetype prefix = targetName.size() + 2;
    if (name.size() != prefix + kSuffixLength || !name.startsWith(QLatin1Char('.'))
        || name.at(prefix - 1) != QLatin1Char('.') || QStringView(name).sliced(1, targetName.size()) != targetName)
        return false;
    for (const QChar c : QStringView(name).sliced(prefix))
        if (c.unicode() > 127 || !c.isLetterOrNumber())
            return false;
    return true;
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

void SafeFileWriter::RemoveStaleTemporaries(const QString &folder, const QString &targetName) const
{
    // Only this file's own pattern: other hidden files in the folder may be
    // anyone's. (No name filter: the file's name may hold wildcards.)
    const QString prefix = QLatin1Char('.') + targetName + QLatin1Char('.');
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if (!name.startsWith(prefix) || !IsTemporaryName(name, targetName))
            continue;
        const QByteArray path = QFile::encodeName(it.filePath());
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (QDateTime::fromSecsSinceEpoch(st.st_mtim.tv_sec, Qt::UTC).secsTo(now) > StaleSeconds)
            ::unlink(path.constData());
    }
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

    m_finalName = QFile::encodeName(targetInfo.absoluteFilePath());
    // A file marked read-only is not replaced behind its owner's back (the
    // rename below would otherwise succeed wherever the folder is writable,
    // and root passes every permission check).
    struct stat existing;
    if (::stat(m_finalName.constData(), &existing) == 0
        && ((existing.st_mode & 0222) == 0 || ::access(m_finalName.constData(), W_OK) != 0))
        return Fail(EACCES);

    RemoveStaleTemporaries(targetInfo.absolutePath(), targetInfo.fileName());

    const QByteArray folder = QFile::encodeName(targetInfo.absolutePath());
    if (!g_noUnnamedFiles) {
        m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            m_unnamed = true;
            return true;
        }
        if (!refusesUnnamed(errno))
            return Fail(errno);
    }
    return OpenNamed(folder);
}

bool SafeFileWriter::OpenNamed(const QByteArray &folder)
{
    QByteArray tempName = folder + "/." + QFile::encodeName(QFileInfo(QFile::decodeName(m_finalName)).fileName()) + '.'
        + QByteArray(kSuffixLength, 'X');
    m_fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (m_fd < 0)
        return Fail(errno);
    m_unnamed = false;
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

namespace {

// Gives the unnamed file of fd a name from candidates (the first that is
// free) and renames that over target. Only system calls and no memory
// allocation: it also runs in a vfork child. Returns 0, or the errno of
// the step that failed; *named tells which candidate was taken (-1: none).
int linkAndRename(int fd, const char *self, char *const *candidates, int count, const char *target, int *named)
{
    *named = -1;
    for (int i = 0; i < count; ++i) {
        // Through /proc no privilege is needed; without /proc, AT_EMPTY_PATH
        // works where the process may use it.
        int result = ::linkat(AT_FDCWD, self, AT_FDCWD, candidates[i], AT_SYMLINK_FOLLOW);
        if (result != 0 && errno == ENOENT)
            result = ::linkat(fd, "", AT_FDCWD, candidates[i], AT_EMPTY_PATH);
        if (result != 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        *named = i;
        if (::rename(candidates[i], target) != 0) {
            const int error = errno;
            ::unlink(candidates[i]);
            return error;
        }
        return 0;
    }
    return EEXIST;
}

} // namespace

bool SafeFileWriter::LinkUnnamed()
{
    const qsizetype slash = m_finalName.lastIndexOf('/');
    const QByteArray base = m_finalName.left(slash + 1) + '.' + m_finalName.mid(slash + 1) + '.';
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
    constexpr int kCandidates = 8;
    QByteArray names[kCandidates];
    char *candidates[kCandidates];
    for (int i = 0; i < kCandidates; ++i) {
        names[i] = base + randomSuffix();
        candidates[i] = names[i].data();
    }

    // The file has its temporary name only between the two steps; were the
    // program killed there, that name would stay. So both steps run in a
    // child process that the program waits for, and that finishes them
    // even when the program is killed meanwhile. vfork: the child borrows
    // the program's memory and only makes system calls.
    volatile int error = 0;
    volatile int named = -1;
    const pid_t child = ::vfork();
    if (child == 0) {
        int taken = -1;
        const int result =
            linkAndRename(m_fd, self.constData(), candidates, kCandidates, m_finalName.constData(), &taken);
        error = result;
        named = taken;
        ::_exit(result == 0 ? 0 : 1);
    }
    int result;
    int taken;
    if (child < 0) {
        // No process to spare: the two steps here.
        result = linkAndRename(m_fd, self.constData(), candidates, kCandidates, m_finalName.constData(), &taken);
    } else {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        result = error;
        taken = named;
        if (result == 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            result = EIO;
    }
    if (result != 0)
        return Fail(result);
    m_tempName = names[taken];
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

    if (m_unnamed) {
        if (!LinkUnnamed())
            return false;
        m_committed = true;
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            return Fail(errno);
    } else {
        // A network file system may report a failed write only here.
        const int fd = std::exchange(m_fd, -1);
        if (::close(fd) != 0)
            return Fail(errno);
        if (::rename(m_tempName.constData(), m_finalName.constData()) != 0)
            return Fail(errno);
        m_committed = true;
    }

    // The rename itself must reach the disk too.
    const QByteArray folder = m_finalName.left(qMax<qsizetype>(m_finalName.lastIndexOf('/'), 1));
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
