#include "core/photos/MissingPhotoSearch.h"

#include "core/platform/AnsiCodec.h"
#include "core/platform/PathResolver.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

// The name the photo window treats as "this photo has no file".
const QByteArray kNoName = QByteArrayLiteral("++GeenNaam++");

QStringList folderParts(const QString &path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QStringList parts = p.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        parts.removeLast();
    return parts;
}

// How many folders at the end of the stored name's folder part match the
// end of the found file's folder part, letter case not counting.
int agreement(const QStringList &stored, const QStringList &found)
{
    int n = 0;
    while (n < stored.size() && n < found.size()
           && stored[stored.size() - 1 - n].compare(found[found.size() - 1 - n], Qt::CaseInsensitive) == 0)
        ++n;
    return n;
}

} // namespace

QString MissingPhotoSearch::FileNamePart(const QString &storedName)
{
    const qsizetype cut = std::max(storedName.lastIndexOf(QLatin1Char('\\')), storedName.lastIndexOf(QLatin1Char('/')));
    return storedName.mid(cut + 1);
}

QList<MissingPhotoSearch::Photo> MissingPhotoSearch::FindMissing(const ProjectDocument &doc, const QString &base)
{
    QList<Photo> missing;
    if (!doc.MapFileName.isEmpty() && !QFileInfo(PathResolver::Resolve(doc.MapFileName, base)).isFile()) {
        Photo map;
        map.isMap = true;
        map.storedName = doc.MapFileName;
        missing.append(map);
    }
    for (qsizetype i = 0; i < doc.NameList.size(); ++i) {
        const QByteArray &entry = doc.NameList[i];
        const QByteArray name = PhotoEntry::Value(entry);
        if (name.isEmpty() || name == kNoName)
            continue;
        if (QFileInfo(PathResolver::Resolve(name, base)).isFile())
            continue;
        Photo photo;
        photo.nameIndex = i;
        photo.keyText = PhotoEntry::KeyText(entry);
        photo.storedName = name;
        missing.append(photo);
    }
    return missing;
}

int MissingPhotoSearch::Search(QList<Photo> &photos, const QString &folder)
{
    QHash<QString, QStringList> byName; // case-folded file name -> paths
    for (const Photo &p : photos)
        byName.insert(FileNamePart(AnsiCodec::toUnicode(p.storedName)).toCaseFolded(), {});
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const auto slot = byName.find(it.fileName().toCaseFolded());
        if (slot != byName.end())
            slot->append(path);
    }
    QCollator order;
    order.setNumericMode(true);
    order.setCaseSensitivity(Qt::CaseInsensitive);

    int found = 0;
    for (Photo &p : photos) {
        const QString stored = AnsiCodec::toUnicode(p.storedName);
        QStringList candidates = byName.value(FileNamePart(stored).toCaseFolded());
        p.found.clear();
        if (candidates.isEmpty())
            continue;
        std::sort(candidates.begin(), candidates.end(),
                  [&order](const QString &a, const QString &b) { return order.compare(a, b) < 0; });
        const QStringList wanted = folderParts(stored);
        int best = -1;
        for (const QString &c : candidates) {
            const int score = agreement(wanted, folderParts(c));
            if (score > best) {
                best = score;
                p.found = c;
            }
        }
        ++found;
    }
    return found;
}
