#include "core/platform/AppSettings.h"

#include <QFileInfo>

std::unique_ptr<QSettings> AppSettings::Open()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tolvek"),
                                       QStringLiteral("tolvek"));
}

QString AppSettings::LastFolder(const QString &kind)
{
    const QString folder = Open()->value(QStringLiteral("LastFolders/") + kind).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void AppSettings::SetLastFolder(const QString &kind, const QString &folder)
{
    Open()->setValue(QStringLiteral("LastFolders/") + kind, folder);
}
