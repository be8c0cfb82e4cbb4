#include "core/platform/FileStamp.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

std::int64_t nanoseconds(const struct timespec &t)
{
    return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

FileStamp FileStamp::Of(const QString &fileName)
{
    FileStamp stamp;
    // Not blocked by a named pipe in the file's place.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return stamp;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return stamp;
    }
    QCryptographicHash hash(QCryptographicHash::Sha1);
    std::int64_t total = 0;
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), size_t(buffer.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return stamp;
        }
        if (n == 0)
            break;
        hash.addData(QByteArrayView(buffer.constData(), n));
        total += n;
    }
    // The times from before the read: a change during it shows next time.
    stamp.m_metaKnown = total == st.st_size;
    stamp.m_device = st.st_dev;
    stamp.m_inode = st.st_ino;
    stamp.m_size = total;
    stamp.m_modified = nanoseconds(st.st_mtim);
    stamp.m_changed = nanoseconds(st.st_ctim);
    stamp.m_digest = hash.result();
    ::close(fd);
    return stamp;
}

FileStamp FileStamp::FromDigest(std::int64_t size, const QByteArray &digest)
{
    FileStamp stamp;
    stamp.m_size = size;
    stamp.m_digest = digest;
    return stamp;
}

bool FileStamp::OnNetworkFileSystem(const QString &fileName)
{
    struct statfs fs;
    if (::statfs(QFile::encodeName(fileName).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0x6969UL:     // NFS
    case 0x517BUL:     // SMB
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs and the like)
    case 0x00C36400UL: // Ceph
    case 0x5346414FUL: // AFS
    case 0x01021997UL: // 9P
    case 0x564CUL:     // NCP
    case 0x73757245UL: // Coda
        return true;
    default:
        return false;
    }
}

FileStamp::Comparison FileStamp::Compare(const QString &fileName, FileStamp *now) const
{
    struct stat st;
    if (::stat(QFile::encodeName(fileName).constData(), &st) != 0)
        return Comparison::Missing;
    if (m_metaKnown && std::uint64_t(st.st_dev) == m_device && std::uint64_t(st.st_ino) == m_inode
        && st.st_size == m_size && nanoseconds(st.st_mtim) == m_modified && nanoseconds(st.st_ctim) == m_changed
        && !OnNetworkFileSystem(fileName))
        return Comparison::Same;
    const FileStamp present = Of(fileName);
    if (present.IsEmpty())
        return Comparison::Missing;
    if (now)
        *now = present;
    return present.m_size == m_size && present.m_digest == m_digest ? Comparison::Same : Comparison::Changed;
}
