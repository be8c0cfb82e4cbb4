#include "core/platform/PathResolver.h"

#include "core/platform/AnsiCodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A key under which names equal without regard to case meet: the simple
// case folding of each code point, as a case-insensitive compare uses.
QString Folded(const QString &name)
{
    QString key;
    key.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        const char32_t f = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(f)) {
            key += QChar(QChar::highSurrogate(f));
            key += QChar(QChar::lowSurrogate(f));
        } else {
            key += QChar(f);
        }
    }
    return key;
}

} // namespace

QString PathResolver::Resolve(const QByteArray &storedName, const QString &base)
{
    return PathResolver().Find(storedName, base);
}

QString PathResolver::ResolveText(const QString &name, const QString &base)
{
    return PathResolver().FindText(name, base);
}

QString PathResolver::Find(const QByteArray &storedName, const QString &base)
{
    return FindText(AnsiCodec::toUnicode(storedName), base);
}

QString PathResolver::FindText(const QString &name, const QString &base)
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
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return path;
    const QString leaf = parts.takeLast();
    const QString folder = Folder(parts);
    if (folder.isEmpty())
        return path;
    const QString found = Step(folder, leaf);
    return found.isEmpty() ? path : found;
}

QString PathResolver::Folder(const QStringList &parts)
{
    const QString key = parts.join(QLatin1Char('/'));
    const auto known = m_folders.constFind(key);
    if (known != m_folders.constEnd())
        return *known;
    QString current = QStringLiteral("/");
    for (const QString &part : parts) {
        current = Step(current, part);
        if (current.isEmpty())
            break;
    }
    m_folders.insert(key, current);
    return current;
}

QString PathResolver::Step(const QString &folder, const QString &part)
{
    const QString exact = QDir(folder).filePath(part);
    if (QFileInfo::exists(exact))
        return exact;
    auto listing = m_listings.find(folder);
    if (listing == m_listings.end()) {
        QHash<QString, QStringList> byKey;
        const QStringList entries =
            QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &e : entries)
            byKey[Folded(e)].append(e);
        listing = m_listings.insert(folder, byKey);
    }
    // The fold only narrows the search; the compare decides, in listing order.
    for (const QString &e : listing->value(Folded(part))) {
        if (e.compare(part, Qt::CaseInsensitive) == 0)
            return QDir(folder).filePath(e);
    }
    return QString();
}
