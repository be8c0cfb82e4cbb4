#include "core/platform/PathResolver.h"

#include "core/platform/AnsiCodec.h"

#include <QDir>
#include <QFileInfo>

QString PathResolver::Resolve(const QByteArray &storedName, const QString &base)
{
    return ResolveText(AnsiCodec::toUnicode(storedName), base);
}

QString PathResolver::ResolveText(const QString &name, const QString &base)
{
    if (name.isEmpty())
        return name;
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString root = base.isEmpty() ? QDir::currentPath() : base;
    if (QDir::isRelativePath(path))
        path = QDir(root).filePath(path);
    path = QDir::cleanPath(path);
    if (QFileInfo::exists(path))
        return path;

    // Walk the components, taking each exactly when it exists and otherwise
    // the first entry of the folder that matches it without regard to case.
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = QStringLiteral("/");
    for (const QString &part : parts) {
        const QString exact = QDir(current).filePath(part);
        if (QFileInfo::exists(exact)) {
            current = exact;
            continue;
        }
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        QString match;
        for (const QString &e : entries) {
            if (e.compare(part, Qt::CaseInsensitive) == 0) {
                match = e;
                break;
            }
        }
        if (match.isEmpty())
            return path;
        current = QDir(current).filePath(match);
    }
    return current;
}
