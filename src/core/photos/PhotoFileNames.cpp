#include "core/photos/PhotoFileNames.h"

#include "core/platform/AnsiCodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString realPath(const QString &path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

} // namespace

QString PhotoFileNames::RelativeInside(const QString &folder, const QString &path)
{
    if (folder.isEmpty())
        return QString();
    const QString base = realPath(folder);
    const QString file = realPath(path);
    const QString relative = QDir(base).relativeFilePath(file);
    if (relative.isEmpty() || relative == QLatin1String(".") || relative == QLatin1String("..")
        || relative.startsWith(QLatin1String("../")) || QDir::isAbsolutePath(relative))
        return QString();
    return QString(relative).replace(QLatin1Char('/'), QLatin1Char('\\'));
}

QString PhotoFileNames::StoredName(const QString &projectFolder, const QString &path)
{
    const QString relative = RelativeInside(projectFolder, path);
    return relative.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : relative;
}

std::optional<QByteArray> PhotoFileNames::Encoded(const QString &storedName)
{
    if (!AnsiCodec::unencodableCharacters(storedName).isEmpty())
        return std::nullopt;
    return AnsiCodec::fromUnicode(storedName);
}

QString PhotoFileNames::SafeFileName(const QString &fileName)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    QString out;
    out.reserve(fileName.size());
    for (qsizetype i = 0; i < fileName.size(); ++i) {
        const QChar c = fileName[i];
        // A surrogate pair is one character: one "_".
        if (c.isHighSurrogate() && i + 1 < fileName.size() && fileName[i + 1].isLowSurrogate())
            ++i;
        const bool bad = c.unicode() < 0x20 || forbidden.contains(c) || c.isSurrogate() || !AnsiCodec::canEncode(c);
        out.append(bad ? QChar(QLatin1Char('_')) : c);
    }
    // Windows drops trailing dots and blanks from names.
    while (out.endsWith(QLatin1Char('.')) || out.endsWith(QLatin1Char(' ')))
        out.chop(1);
    return out.isEmpty() ? QStringLiteral("foto") : out;
}

QString PhotoFileNames::Comparable(const QString &storedName)
{
    return QString(storedName).replace(QLatin1Char('/'), QLatin1Char('\\')).toCaseFolded();
}
