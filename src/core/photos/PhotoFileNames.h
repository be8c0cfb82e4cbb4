#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// How the project names a photo file it takes in (import, files dropped on
// the map, mended names). A file in the project's folder or below it is
// named relative to that folder with "\" between folders, as sets made on
// Windows hold them, so the set still works when copied elsewhere as a
// whole; any other file by its full path.
class PhotoFileNames
{
public:
    // projectFolder: empty for a project that has no file yet (then every
    // name is a full path).
    static QString StoredName(const QString &projectFolder, const QString &path);

    // path relative to folder with "\" separators when it lies in folder or
    // below it; empty otherwise. Links are followed on both sides.
    static QString RelativeInside(const QString &folder, const QString &path);

    // The name as the data file holds it; nothing when Windows-1252 cannot
    // hold one of its characters.
    static std::optional<QByteArray> Encoded(const QString &storedName);

    // A file name that Windows-1252 can hold and Windows accepts: other
    // characters become "_".
    static QString SafeFileName(const QString &fileName);

    // Stored names compared the way the files are found: letter case and
    // the kind of separator do not count.
    static QString Comparable(const QString &storedName);

    // The project's sub-folder that takes copies of photos from elsewhere.
    static QString CopyFolderName() { return QStringLiteral("fotos"); }
};
