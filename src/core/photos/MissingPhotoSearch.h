#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

class ProjectDocument;

// Mending a photo set whose files moved: which name entries name a file
// that cannot be found (resolved as the program finds photos: against the
// project's folder, "\" as a separator, letter case where the exact name is
// missing), and where files of the same names are in another folder.
class MissingPhotoSearch
{
public:
    struct Photo
    {
        qsizetype nameIndex = -1; // in the name list (-1 for the map)
        bool isMap = false;       // the overview map, which moves with the photos
        QByteArray keyText;
        QByteArray storedName;
        QString found; // a file of the same name, once searched; empty: none
    };

    // base: the project's folder (the current folder for a project without
    // a file). Entries without a name, or with the placeholder name for "no
    // file", are not photos that can be looked for. A map that is named but
    // not found comes first.
    static QList<Photo> FindMissing(const ProjectDocument &doc, const QString &base);

    // Looks through folder and all its sub-folders for files named as the
    // photos' files, letter case not counting. Where several files have the
    // name, the one whose folders match most of the stored name's folders
    // wins ("2019\kerk.jpg" over "2020\kerk.jpg"); then the first in name
    // order. Returns how many were found.
    static int Search(QList<Photo> &photos, const QString &folder);

    // The file-name part of a stored name: after its last "\" or "/".
    static QString FileNamePart(const QString &storedName);
};
