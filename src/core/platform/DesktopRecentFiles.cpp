#include "core/platform/DesktopRecentFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include <glib.h>

QString DesktopRecentFiles::FileName()
{
    // Qt reads XDG_DATA_HOME each time; GLib would keep the first value.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/recently-used.xbel");
}

bool DesktopRecentFiles::Add(const QString &path, const QString &mimeType)
{
    const QString fileName = FileName();
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    const QByteArray file = QFile::encodeName(fileName);
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();

    GBookmarkFile *bookmarks = g_bookmark_file_new();
    GError *error = nullptr;
    bool ok = true;
    if (!g_bookmark_file_load_from_file(bookmarks, file.constData(), &error)) {
        ok = g_error_matches(error, G_FILE_ERROR, G_FILE_ERROR_NOENT);
        g_clear_error(&error);
    }
    if (ok) {
        g_bookmark_file_set_mime_type(bookmarks, uri.constData(), mimeType.toUtf8().constData());
        // Also sets the time it was last used.
        g_bookmark_file_add_application(bookmarks, uri.constData(), "Tolvek", "tolvek %u");
        ok = g_bookmark_file_to_file(bookmarks, file.constData(), &error);
        g_clear_error(&error);
    }
    g_bookmark_file_free(bookmarks);
    return ok;
}
