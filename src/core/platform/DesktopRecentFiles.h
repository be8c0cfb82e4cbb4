#pragma once

#include <QString>

// The desktop's own list of recently used files, which file managers and
// the open dialogs of other programs show: $XDG_DATA_HOME/recently-used.xbel
// (~/.local/share when unset), kept through GLib's bookmark file as GTK
// programs keep it.
class DesktopRecentFiles
{
public:
    // Adds or refreshes a file with its MIME type, used by this program.
    // False when the list could not be read or written; an unreadable list
    // is left as it is rather than replaced.
    static bool Add(const QString &path, const QString &mimeType);

    static QString FileName();
};
