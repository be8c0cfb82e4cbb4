#pragma once

#include <QSettings>
#include <QString>
#include <memory>

// The program's own settings between runs: recent projects, the main
// window's layout and the folders last used in file dialogs. One file in the
// XDG config folder, $XDG_CONFIG_HOME/tolvek/tolvek.conf (~/.config when
// unset). Projects never hold these: their files stay the same.
class AppSettings
{
public:
    static std::unique_ptr<QSettings> Open();

    // The folder last chosen in the file dialogs of this kind; empty when
    // none was, or when it has gone since.
    static QString LastFolder(const QString &kind);
    static void SetLastFolder(const QString &kind, const QString &folder);
};
