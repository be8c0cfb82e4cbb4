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

    // For a choice the user may change many times in a row (an order, a
    // toggle): set at once for every reader in the program, written to the
    // file when the event loop next runs (and at the latest when the
    // program ends), so a run of changes costs one write, not a locked,
    // synced rewrite of the file each.
    static void Remember(const QString &key, const QVariant &value);

    // The folder last chosen in the file dialogs of this kind; empty when
    // none was, or when it has gone since.
    static QString LastFolder(const QString &kind);
    static void SetLastFolder(const QString &kind, const QString &folder);
};
