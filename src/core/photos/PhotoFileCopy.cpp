#include "core/photos/PhotoFileCopy.h"

#include "core/platform/FileErrors.h"
#include "core/platform/PathResolver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

bool sameBytes(const QString &a, const QString &b)
{
    QFile fa(a);
    QFile fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    constexpr qint64 Piece = 1 << 20;
    while (!fa.atEnd()) {
        if (fa.read(Piece) != fb.read(Piece))
            return false;
    }
    return fb.atEnd();
}

} // namespace

bool PhotoFileCopy::Resolves(const QByteArray &storedName, const QString &folder, const QString &chosen)
{
    const QString resolved = PathResolver::Resolve(storedName, folder);
    const QString a = QFileInfo(resolved).canonicalFilePath();
    return !a.isEmpty() && a == QFileInfo(chosen).canonicalFilePath();
}

PhotoFileCopy::Result PhotoFileCopy::CopyInto(const QString &chosen, const QString &folder, QString *target,
                                              QString *reason)
{
    const QString to = QDir(folder).filePath(QFileInfo(chosen).fileName());
    if (target)
        *target = to;
    if (QFileInfo::exists(to))
        return sameBytes(chosen, to) ? Result::AlreadyThere : Result::Occupied;
    // QFile::copy writes a temporary file and refuses to replace one that
    // appeared meanwhile.
    QFile source(chosen);
    errno = 0;
    if (!source.copy(to)) {
        // In the program's words where the cause is known (Qt's are English).
        const int cause = errno;
        if (reason)
            *reason = cause != 0 ? FileErrors::Text(cause) : source.errorString();
        return Result::Failed;
    }
    return Result::Copied;
}
