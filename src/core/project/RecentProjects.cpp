#include "core/project/RecentProjects.h"

#include "core/platform/AppSettings.h"
#include "core/platform/DesktopRecentFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString Key = QStringLiteral("RecentProjects/Files");
}

QStringList RecentProjects::Files()
{
    QStringList files = AppSettings::Open()->value(Key).toStringList();
    files.removeAll(QString());
    return files.mid(0, MaxCount);
}

QStringList RecentProjects::With(QStringList list, const QString &fileName)
{
    const QString path = QDir::cleanPath(QFileInfo(fileName).absoluteFilePath());
    list.removeAll(path);
    list.prepend(path);
    return list.mid(0, MaxCount);
}

void RecentProjects::Add(const QString &fileName)
{
    const QStringList files = With(Files(), fileName);
    AppSettings::Open()->setValue(Key, files);
    DesktopRecentFiles::Add(files.first(), MimeType());
}

void RecentProjects::Clear()
{
    AppSettings::Open()->remove(Key);
}
