#pragma once

#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

class PathResolver;

// One photo as the windows and the web export show it: its position entry
// read together with its name and notes entries. Everything that shows a
// photo makes it with Read, so that each reads the entries alike.
struct PhotoRecord
{
    qsizetype position = -1;    // the entry in PositionList
    QByteArray keyText;         // the position entry's key, as written
    std::int32_t key = 0;       // valid when hasKey
    bool hasKey = false;        // the key is an integer
    PhotoEntry::Position place; // valid when hasPlace
    bool hasPlace = false;      // x, y and direction are integers
    qsizetype nameIndex = -1;   // -1: the photo has no name entry
    qsizetype notesIndex = -1;  // -1: no notes entry
    QByteArray storedName;      // the name entry's value (empty without one)
    QString notesLine;          // the first line of the notes

    // Whether there is a file to look for: a name that is not the mark of a
    // photo without one.
    bool HasFile() const { return !storedName.isEmpty() && !PhotoEntry::IsNoName(storedName); }
    // Where the file is looked for: a relative name against folder, the
    // current folder when folder is empty. Empty without a file.
    QString ResolvedFile(const QString &folder) const;
    // The same through a resolver kept for many photos.
    QString ResolvedFile(const QString &folder, PathResolver &resolver) const;
    // The name entry's key text, or the position entry's without one.
    QByteArray NameKeyText(const ProjectDocument &doc) const;
    // The whole notes, line breaks as CR LF (empty without an entry).
    QByteArray Notes(const ProjectDocument &doc) const;

    // The photo at position. The caller finds the name and notes entries
    // for a key (-1 for none): look-ups differ in speed and in what a key
    // that is no integer means (an error, or an entry passed over), and a
    // caller may leave the notes out. Neither is asked without an integer key.
    template <class FindName, class FindNotes>
    static PhotoRecord Read(const ProjectDocument &doc, qsizetype position, FindName &&findName, FindNotes &&findNotes)
    {
        PhotoRecord r = FromPosition(doc, position);
        if (r.hasKey) {
            r.nameIndex = findName(r.key);
            r.notesIndex = findNotes(r.key);
        }
        r.ReadEntries(doc);
        return r;
    }

    // A look-up for Read that finds nothing (the notes of a delete pick).
    static qsizetype None(std::int32_t) { return -1; }

private:
    static PhotoRecord FromPosition(const ProjectDocument &doc, qsizetype position);
    void ReadEntries(const ProjectDocument &doc);
};
