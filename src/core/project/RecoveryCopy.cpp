#include "core/project/RecoveryCopy.h"

#include "core/platform/XdgFolders.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

const QString kInfo = QStringLiteral(".info");
const QString kCopy = QStringLiteral(".tvk");
const QString kLock = QStringLiteral(".lock");

} // namespace

QString RecoveryCopy::Folder()
{
    return XdgFolders::StateFolder() + QStringLiteral("/recovery");
}

QString RecoveryCopy::FileOf(const QString &id, const QString &ending)
{
    return Folder() + QLatin1Char('/') + id + ending;
}

bool RecoveryCopy::IsUntitled() const
{
    return m_projectFileName.isEmpty() || m_projectFileName == ProjectDocument::UntitledFileName();
}

QByteArray RecoveryCopy::InfoBytes(const QString &projectFileName, const QDateTime &lastChange, const FileStamp &onDisk)
{
    QJsonObject o;
    o.insert(QStringLiteral("project"), projectFileName);
    o.insert(QStringLiteral("changed"), lastChange.toString(Qt::ISODateWithMs));
    if (!onDisk.IsEmpty()) {
        o.insert(QStringLiteral("diskSize"), qint64(onDisk.Size()));
        o.insert(QStringLiteral("diskDigest"), QString::fromLatin1(onDisk.Digest().toHex()));
    }
    return QJsonDocument(o).toJson();
}

bool RecoveryCopy::ReadInfo()
{
    QFile file(FileOf(m_id, kInfo));
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return false;
    const QJsonObject o = QJsonDocument::fromJson(file.readAll()).object();
    m_projectFileName = o.value(QStringLiteral("project")).toString();
    m_lastChange = QDateTime::fromString(o.value(QStringLiteral("changed")).toString(), Qt::ISODateWithMs);
    const QByteArray digest = QByteArray::fromHex(o.value(QStringLiteral("diskDigest")).toString().toLatin1());
    if (!digest.isEmpty())
        m_diskStamp = FileStamp::FromDigest(o.value(QStringLiteral("diskSize")).toInteger(), digest);
    return true;
}

std::vector<RecoveryCopy> RecoveryCopy::FindAbandoned()
{
    std::vector<RecoveryCopy> found;
    const QDir dir(Folder());
    for (const QString &name : dir.entryList({QStringLiteral("*") + kLock}, QDir::Files)) {
        RecoveryCopy copy;
        copy.m_id = name.chopped(kLock.size());
        // Held: its program is running.
        if (copy.m_lock.Take(FileOf(copy.m_id, kLock)) != ProcessLock::Result::Taken)
            continue;
        if (!QFileInfo::exists(copy.CopyFileName())) {
            // A run that ended before its first copy, or a copy done with.
            QFile::remove(FileOf(copy.m_id, kInfo));
            copy.m_lock.Remove();
            continue;
        }
        // A copy without its info still holds the work: offered unnamed.
        if (!copy.ReadInfo())
            copy.m_lastChange = QFileInfo(copy.CopyFileName()).lastModified();
        if (!copy.m_lastChange.isValid())
            copy.m_lastChange = QFileInfo(copy.CopyFileName()).lastModified();
        found.push_back(std::move(copy));
    }
    std::sort(found.begin(), found.end(),
              [](const RecoveryCopy &a, const RecoveryCopy &b) { return a.m_lastChange > b.m_lastChange; });
    return found;
}

void RecoveryCopy::Discard()
{
    QFile::remove(CopyFileName());
    QFile::remove(FileOf(m_id, kInfo));
    m_lock.Remove();
}
