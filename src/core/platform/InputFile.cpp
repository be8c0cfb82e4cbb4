#include "core/platform/InputFile.h"

#include "core/platform/FileErrors.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

InputFile::Kind kindOfMode(mode_t mode)
{
    if (S_ISREG(mode))
        return InputFile::Kind::File;
    if (S_ISDIR(mode))
        return InputFile::Kind::Folder;
    if (S_ISFIFO(mode))
        return InputFile::Kind::Pipe;
    if (S_ISSOCK(mode))
        return InputFile::Kind::Socket;
    return InputFile::Kind::Device;
}

} // namespace

InputFile::Kind InputFile::KindOf(const QString &path)
{
    if (path.isEmpty())
        return Kind::Missing;
    const QByteArray name = QFile::encodeName(path);
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        return errno == EACCES ? Kind::Unreadable : Kind::Missing;
    const Kind kind = kindOfMode(st.st_mode);
    if (kind == Kind::File && ::access(name.constData(), R_OK) != 0)
        return Kind::Unreadable;
    return kind;
}

QString InputFile::Problem(Kind kind)
{
    switch (kind) {
    case Kind::File:
        return QString();
    case Kind::Missing:
        return QStringLiteral("het bestand bestaat niet");
    case Kind::Folder:
        return QStringLiteral("het is een map, geen bestand");
    case Kind::Device:
        return QStringLiteral("het is een apparaat, geen bestand");
    case Kind::Pipe:
        return QStringLiteral("het is een pijp (FIFO), geen bestand");
    case Kind::Socket:
        return QStringLiteral("het is een socket, geen bestand");
    case Kind::Unreadable:
        return QStringLiteral("geen toestemming om het te lezen");
    }
    return QString();
}

bool InputFile::Open(QFile &file, const QString &path, QString *problem)
{
    const auto fail = [problem](const QString &why) {
        if (problem)
            *problem = why;
        return false;
    };
    if (path.isEmpty())
        return fail(Problem(Kind::Missing));
    // Non-blocking: opening a pipe for reading would otherwise wait for a
    // writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return fail(Problem(Kind::Missing));
        if (error == EACCES || error == EPERM)
            return fail(Problem(Kind::Unreadable));
        if (error == EISDIR)
            return fail(Problem(Kind::Folder));
        return fail(FileErrors::Text(error));
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(FileErrors::Text(error));
    }
    const Kind kind = kindOfMode(st.st_mode);
    if (kind != Kind::File) {
        ::close(fd);
        return fail(Problem(kind));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    // Named first, so that its errors name the file.
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(file.errorString());
    }
    return true;
}
