#include "core/photos/PhotoCopyPlan.h"

#include "core/photos/PhotoFileNames.h"
#include "core/platform/FileErrors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

PhotoCopyPlan::PhotoCopyPlan(const QString &folder) : m_folder(QDir::cleanPath(folder))
{
    const QDir dir(m_folder);
    for (const QString &name : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        m_existing.insert(name.toCaseFolded(), name);
}

PhotoCopyPlan::Target PhotoCopyPlan::Plan(const QString &source)
{
    const QString name = PhotoFileNames::SafeFileName(QFileInfo(source).fileName());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? name.left(dot) : name;
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    const qint64 size = QFileInfo(source).size();

    Target target;
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? name : stem + QStringLiteral("_%1").arg(n) + extension;
        const QString key = candidate.toCaseFolded();
        if (m_planned.contains(key))
            continue;
        const auto existing = m_existing.constFind(key);
        if (existing != m_existing.constEnd()) {
            const QString path = m_folder + QLatin1Char('/') + *existing;
            if (target.sameSize.isEmpty() && QFileInfo(path).isFile() && QFileInfo(path).size() == size)
                target.sameSize = path;
            continue;
        }
        m_planned.insert(key, true);
        target.fresh = m_folder + QLatin1Char('/') + candidate;
        return target;
    }
}

bool PhotoCopyPlan::SameContents(const QString &a, const QString &b)
{
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    constexpr qint64 Chunk = 1 << 20;
    while (!fa.atEnd()) {
        const QByteArray x = fa.read(Chunk);
        const QByteArray y = fb.read(Chunk);
        if (x != y || x.isEmpty())
            return false;
    }
    return true;
}

QString PhotoCopyPlan::Carry(const QString &source, const Target &target, bool *copied, QString *error)
{
    *copied = false;
    if (!target.sameSize.isEmpty() && SameContents(source, target.sameSize))
        return target.sameSize;
    const QString folder = QFileInfo(target.fresh).path();
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("de map \"%1\" kan niet worden gemaakt").arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    // QFile::copy writes a temporary file and renames it: a failed copy
    // leaves no half file under the planned name.
    QFile file(source);
    errno = 0;
    if (!file.copy(target.fresh)) {
        // Qt's own text is English and ends in a full stop; the cause is
        // told in the program's words where it is known.
        const int cause = errno;
        *error = cause != 0 ? FileErrors::Text(cause) : file.errorString();
        return QString();
    }
    *copied = true;
    return target.fresh;
}
