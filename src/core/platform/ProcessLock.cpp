#include "core/platform/ProcessLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Open-file-description locks: unlike the older per-process ones they are
// not dropped when some other descriptor of the same file is closed, and
// they also keep apart two holders inside one process.
struct flock wholeFile(short type)
{
    struct flock l = {};
    l.l_type = type;
    l.l_whence = SEEK_SET;
    l.l_start = 0;
    l.l_len = 0;
    l.l_pid = 0;
    return l;
}

QByteArray contentsOf(int fd)
{
    QByteArray bytes(256, Qt::Uninitialized);
    const ssize_t n = ::pread(fd, bytes.data(), size_t(bytes.size()), 0);
    bytes.resize(n > 0 ? n : 0);
    return bytes;
}

} // namespace

ProcessLock::~ProcessLock()
{
    Release();
}

ProcessLock::ProcessLock(ProcessLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_fileName(std::move(other.m_fileName))
{
}

ProcessLock &ProcessLock::operator=(ProcessLock &&other) noexcept
{
    if (this != &other) {
        Release();
        m_fd = std::exchange(other.m_fd, -1);
        m_fileName = std::move(other.m_fileName);
    }
    return *this;
}

QString ProcessLock::HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

QString ProcessLock::UserName()
{
    if (const struct passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QByteArray ProcessLock::DescribeThisProcess()
{
    // Names with a line break would spoil the lines; nobody has one.
    auto line = [](QString text) { return text.replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8() + '\n'; };
    return line(HostName()) + QByteArray::number(qint64(::getpid())) + '\n' + line(UserName())
        + QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toLatin1() + '\n';
}

ProcessLock::Holder ProcessLock::Parse(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    Holder h;
    h.host = QString::fromUtf8(lines.value(0));
    h.processId = lines.value(1).toLongLong();
    h.user = QString::fromUtf8(lines.value(2));
    h.since = QDateTime::fromString(QString::fromLatin1(lines.value(3)), Qt::ISODate);
    return h;
}

bool ProcessLock::Holder::IsThisProcess() const
{
    return processId == ::getpid() && host == HostName();
}

ProcessLock::Result ProcessLock::Take(const QString &fileName)
{
    Release();
    const QByteArray name = QFile::encodeName(fileName);
    // A holder that removes its file between our open and our lock leaves
    // us a lock on a file nobody else sees: then start again.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return Result::Failed;
        struct flock l = wholeFile(F_WRLCK);
        if (::fcntl(fd, F_OFD_SETLK, &l) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EAGAIN || error == EACCES ? Result::HeldByOther : Result::Failed;
        }
        struct stat opened;
        struct stat named;
        if (::fstat(fd, &opened) != 0 || ::stat(name.constData(), &named) != 0 || opened.st_ino != named.st_ino
            || opened.st_dev != named.st_dev) {
            ::close(fd);
            continue;
        }
        const QByteArray text = DescribeThisProcess();
        if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, text.constData(), size_t(text.size()), 0) != text.size()) {
            ::close(fd);
            return Result::Failed;
        }
        m_fd = fd;
        m_fileName = fileName;
        return Result::Taken;
    }
    return Result::Failed;
}

void ProcessLock::Release()
{
    if (m_fd >= 0)
        ::close(std::exchange(m_fd, -1));
    m_fileName.clear();
}

void ProcessLock::Remove()
{
    // Removed while still held, so nobody takes the file in between.
    if (m_fd >= 0)
        ::unlink(QFile::encodeName(m_fileName).constData());
    Release();
}

std::optional<ProcessLock::Holder> ProcessLock::HolderOf(const QString &fileName)
{
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    struct flock l = wholeFile(F_WRLCK);
    const bool asked = ::fcntl(fd, F_OFD_GETLK, &l) == 0;
    std::optional<Holder> holder;
    if (asked && l.l_type != F_UNLCK)
        holder = Parse(contentsOf(fd));
    ::close(fd);
    return holder;
}
