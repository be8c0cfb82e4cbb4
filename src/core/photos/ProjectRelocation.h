#pragma once

#include "core/project/RenamePhotosEdit.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ProjectDocument;

// A project saved where its stored names no longer lead to its files (Save
// As into another folder, the first save of a new project): which files
// that concerns, and the two ways to keep them. Carry copies them into the
// new folder (photos into "fotos", the map beside the project) and stores
// them relative to it; Repath stores names that resolve from the new place.
// Either gives the new names as one edit; nothing is changed on failure.
class ProjectRelocation
{
public:
    struct File
    {
        qsizetype nameIndex = -1; // in the name list; -1 for the map
        bool isMap = false;
        QByteArray storedName; // as the project stores it now
        QString path;          // the file it leads to now
    };

    // The files whose names, saved in folder to, would no longer lead to
    // them (or would lead to another file); from is the folder they
    // resolve against now (for an untitled project, the current folder).
    // A first save (firstSave) also counts files stored by a full path
    // outside to: they came in without the question a saved project asks.
    // Files that are missing already are not concerned: there is nothing
    // to keep.
    static QList<File> Concerned(const ProjectDocument &doc, const QString &from, const QString &to,
                                 bool firstSave = false);

    struct Outcome
    {
        bool ok = false;
        QString error; // names the file and the reason
        QList<RenamePhotosEdit::Rename> renames;
        std::optional<QByteArray> mapFileName;
        QStringList made;   // copies made, removed by Discard
        QString madeFolder; // "fotos", when it was not there before
    };

    // Copies each file into to: a photo into "fotos", the map beside the
    // project, under a name no other file there has (an identical file
    // already there is used). Every copy is checked, size and SHA-256,
    // before a name refers to it. On any failure the copies made so far
    // are removed and the outcome names the file and why.
    static Outcome Carry(const QList<File> &files, const QString &to);

    // Names that lead to the same files from to: relative where the file
    // lies in or below to, else its full path.
    static Outcome Repath(const QList<File> &files, const QString &to);

    // The new names as one edit of doc.
    static std::unique_ptr<RenamePhotosEdit> Edit(const ProjectDocument &doc, const Outcome &outcome);

    // Removes the copies an outcome made (the save that was to use them
    // failed).
    static void Discard(Outcome &outcome);

    // Whether two files have the same size and SHA-256; false when either
    // cannot be read.
    static bool Verified(const QString &source, const QString &copy, QString *reason = nullptr);
};
