#include "core/photos/ProjectRelocation.h"

#include "core/photos/PhotoCopyPlan.h"
#include "core/photos/PhotoFileNames.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

bool isFullPath(const QByteArray &stored)
{
    return stored.startsWith('/') || stored.startsWith('\\') || (stored.size() > 1 && stored[1] == ':');
}

std::optional<QByteArray> hashOf(const QString &path, QString *reason)
{
    QFile file;
    if (!InputFile::Open(file, path, reason))
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) {
        if (reason)
            *reason = file.errorString();
        return std::nullopt;
    }
    return hash.result();
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QList<ProjectRelocation::File> ProjectRelocation::Concerned(const ProjectDocument &doc, const QString &from,
                                                            const QString &to, bool firstSave)
{
    QList<File> files;
    const auto consider = [&](qsizetype nameIndex, const QByteArray &stored) {
        if (stored.isEmpty() || PhotoEntry::IsNoName(stored))
            return;
        const QString now = PathResolver::Resolve(stored, from);
        if (InputFile::KindOf(now) != InputFile::Kind::File)
            return;
        const QString there = canonical(PathResolver::Resolve(stored, to));
        const bool resolves = !there.isEmpty() && there == canonical(now);
        const bool outside = firstSave && isFullPath(stored) && PhotoFileNames::RelativeInside(to, now).isEmpty();
        if (resolves && !outside)
            return;
        File f;
        f.nameIndex = nameIndex;
        f.isMap = nameIndex < 0;
        f.storedName = stored;
        f.path = QFileInfo(now).absoluteFilePath();
        files.append(f);
    };
    consider(-1, doc.MapFileName);
    for (qsizetype i = 0; i < doc.NameList.size(); ++i)
        consider(i, PhotoEntry::Value(doc.NameList[i]));
    return files;
}

bool ProjectRelocation::Verified(const QString &source, const QString &copy, QString *reason)
{
    if (QFileInfo(source).size() != QFileInfo(copy).size()) {
        if (reason)
            *reason = QStringLiteral("de kopie is niet even groot als het origineel");
        return false;
    }
    const std::optional<QByteArray> a = hashOf(source, reason);
    if (!a)
        return false;
    const std::optional<QByteArray> b = hashOf(copy, reason);
    if (!b)
        return false;
    if (*a != *b) {
        if (reason)
            *reason = QStringLiteral("de kopie verschilt van het origineel");
        return false;
    }
    return true;
}

namespace {

// Sets the stored name of f in outcome; false (with the error) when the data
// file cannot hold it.
bool store(ProjectRelocation::Outcome &outcome, const ProjectRelocation::File &f, const QString &to,
           const QString &path)
{
    const QString stored = PhotoFileNames::StoredName(to, path);
    const std::optional<QByteArray> bytes = PhotoFileNames::Encoded(stored);
    if (!bytes) {
        outcome.error = QStringLiteral("%1: de naam bevat tekens die een Tolvek-bestand niet kan bewaren (%2)")
                            .arg(shown(path), AnsiCodec::unencodableCharacters(stored));
        return false;
    }
    if (f.isMap)
        outcome.mapFileName = *bytes;
    else
        outcome.renames.append(RenamePhotosEdit::Rename{f.nameIndex, *bytes});
    return true;
}

} // namespace

ProjectRelocation::Outcome ProjectRelocation::Carry(const QList<File> &files, const QString &to)
{
    Outcome outcome;
    const QString fotos = QDir(to).filePath(PhotoFileNames::CopyFolderName());
    if (!QFileInfo(fotos).isDir())
        outcome.madeFolder = fotos;
    PhotoCopyPlan photos(fotos);
    PhotoCopyPlan beside(to);
    // One copy for a file that several photos name.
    QHash<QString, QString> copyOf;
    for (const File &f : files) {
        QString path = copyOf.value(canonical(f.path));
        if (path.isEmpty()) {
            bool copied = false;
            QString reason;
            PhotoCopyPlan &plan = f.isMap ? beside : photos;
            path = PhotoCopyPlan::Carry(f.path, plan.Plan(f.path), &copied, &reason);
            if (!path.isEmpty() && copied)
                outcome.made << path;
            if (!path.isEmpty() && !Verified(f.path, path, &reason))
                path.clear();
            if (path.isEmpty()) {
                outcome.error = QStringLiteral("%1 kan niet worden gekopieerd: %2").arg(shown(f.path), reason);
                Discard(outcome);
                return outcome;
            }
            copyOf.insert(canonical(f.path), path);
        }
        if (!store(outcome, f, to, path)) {
            Discard(outcome);
            return outcome;
        }
    }
    outcome.ok = true;
    return outcome;
}

ProjectRelocation::Outcome ProjectRelocation::Repath(const QList<File> &files, const QString &to)
{
    Outcome outcome;
    for (const File &f : files)
        if (!store(outcome, f, to, f.path))
            return outcome;
    outcome.ok = true;
    return outcome;
}

std::unique_ptr<RenamePhotosEdit> ProjectRelocation::Edit(const ProjectDocument &doc, const Outcome &outcome)
{
    return std::make_unique<RenamePhotosEdit>(doc, outcome.renames, outcome.mapFileName,
                                              outcome.made.isEmpty() ? QStringLiteral("paden aanpassen")
                                                                     : QStringLiteral("bestanden meenemen"));
}

void ProjectRelocation::Discard(Outcome &outcome)
{
    for (const QString &path : std::as_const(outcome.made))
        QFile::remove(path);
    // The "fotos" folder, when it was made for these copies (only if empty).
    if (!outcome.madeFolder.isEmpty())
        QDir().rmdir(outcome.madeFolder);
    outcome.made.clear();
    outcome.renames.clear();
    outcome.mapFileName.reset();
}
