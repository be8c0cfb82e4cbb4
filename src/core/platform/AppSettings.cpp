#include "core/platform/AppSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

std::unique_ptr<QSettings> AppSettings::Open()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tolvek"),
                                       QStringLiteral("tolvek"));
}

void AppSettings::Remember(const QString &key, const QVariant &value)
{
    // One object for the program's life: QSettings writes its changes when
    // its posted update arrives, when it is destroyed with the application,
    // or when another settings object is made (which reads the file anew,
    // and so writes what is pending first). Settings objects of one process
    // share what is unwritten, so Open() reads the new value at once.
    static QPointer<QSettings> kept;
    QCoreApplication *app = QCoreApplication::instance();
    if (!kept && app) {
        kept = Open().release();
        kept->setParent(app);
    }
    if (kept)
        kept->setValue(key, value);
    else
        Open()->setValue(key, value);
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
