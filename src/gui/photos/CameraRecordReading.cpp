#include "gui/photos/CameraRecordReading.h"

#include "core/photos/PhotoMetadataCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"
#include "gui/widgets/BusyCursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QProgressDialog>
#include <QThread>

bool CameraRecordReading::ReadAll(PhotoMetadataCache &metadata, const QStringList &names, const QString &folder,
                                  QWidget *parent, const QString &caption, const QString &text)
{
    const auto pendingCount = [&] {
        int pending = 0;
        for (const QString &name : names)
            if (!name.isEmpty() && metadata.Known(name, folder).state == PhotoMetadataCache::State::Loading)
                ++pending;
        return pending;
    };
    for (const QString &name : names)
        if (!name.isEmpty())
            metadata.Request(name, folder);
    int pending = pendingCount();
    if (pending == 0)
        return true;
    BusyCursor busy;
    QProgressDialog progress(text, QStringLiteral("&Annuleren"), 0, pending, parent);
    progress.setWindowTitle(caption);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    const int total = pending;
    while (pending > 0) {
        if (progress.wasCanceled())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
        pending = pendingCount();
        progress.setValue(total - pending);
    }
    return true;
}

QString CameraRecordReading::Folder(const ProjectDocument &doc)
{
    const QString folder = doc.ProjectFolder();
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

QStringList CameraRecordReading::StoredNames(const ProjectDocument &doc)
{
    QHash<QByteArray, QString> names;
    for (const QByteArray &entry : doc.NameList) {
        const QByteArray key = PhotoEntry::KeyText(entry);
        if (!names.contains(key))
            names.insert(key, AnsiCodec::toUnicode(PhotoEntry::Value(entry)));
    }
    QStringList result;
    result.reserve(doc.PositionList.size());
    for (const QByteArray &entry : doc.PositionList)
        result << names.value(PhotoEntry::KeyText(entry));
    return result;
}
