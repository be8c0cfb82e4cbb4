#pragma once

#include <QByteArray>
#include <QString>

// File names inside a project may come from Windows: "fotos\kerk.jpg" with
// "\" as separator, in any letter case. This turns such a name into a path
// of this file system.
class PathResolver
{
public:
    // The stored (Windows-1252) name as a path: "\" read as a separator,
    // relative names against base (the current folder when base is empty).
    // When that file does not exist, each component is matched without
    // regard to letter case; when nothing matches, the plain path is returned.
    static QString Resolve(const QByteArray &storedName, const QString &base = QString());

    // The same for a name already in Unicode.
    static QString ResolveText(const QString &name, const QString &base = QString());
};
