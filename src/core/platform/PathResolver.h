#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

// File names inside a project may come from Windows: "fotos\kerk.jpg" with
// "\" as separator, in any letter case. This turns such a name into a path
// of this file system.
//
// An object remembers the folders it has walked and listed, so a caller that
// resolves many names in one go (an export) lists each folder once instead of
// once per missing photo. It does not see files made or renamed after it
// looked: keep one only for the length of one such job.
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

    // Resolve and ResolveText, remembering folders between calls.
    QString Find(const QByteArray &storedName, const QString &base = QString());
    QString FindText(const QString &name, const QString &base = QString());

private:
    // The folder the components lead to, walked from "/"; empty when one of
    // them matches nothing.
    QString Folder(const QStringList &parts);
    // Part inside folder: exactly when it exists, else the folder's first
    // entry equal to it without regard to case; empty when none is.
    QString Step(const QString &folder, const QString &part);

    QHash<QString, QString> m_folders;                      // components joined -> Folder
    QHash<QString, QHash<QString, QStringList>> m_listings; // folder -> folded name -> entries
};
