#pragma once

#include <QHash>
#include <QString>

// Where copies of photos go in the project's "fotos" folder. Names are
// planned one after the other on one thread, so the same files always get
// the same names; the copying itself may then run on any thread. A name in
// use gets "_2", "_3" ... before its extension, letters' case not counting
// (a set must also work on Windows). A file that is already there with the
// same contents is used instead of a second copy.
class PhotoCopyPlan
{
public:
    struct Target
    {
        QString fresh;    // a name no file has and no other planned copy takes
        QString sameSize; // an existing file of that name and size (maybe the same photo)
    };

    // Reads which names folder holds (it need not exist yet).
    explicit PhotoCopyPlan(const QString &folder);

    const QString &Folder() const { return m_folder; }

    Target Plan(const QString &source);

    // Copies source as planned. Returns where the photo is now: the existing
    // file with the same contents, or the new copy (*copied set). Empty, with
    // *error, when the copy failed; nothing is left behind then.
    static QString Carry(const QString &source, const Target &target, bool *copied, QString *error);

    static bool SameContents(const QString &a, const QString &b);

private:
    QString m_folder;
    QHash<QString, QString> m_existing; // case-folded name -> name on disk
    QHash<QString, bool> m_planned;     // case-folded names taken by this plan
};
