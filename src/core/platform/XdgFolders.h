#pragma once

#include <QString>

// The folders of the user's session where the program keeps what belongs
// to the user and not to a project: recovery copies in the state folder,
// lock files in the runtime folder. Both are the program's own subfolder.
class XdgFolders
{
public:
    // $XDG_STATE_HOME/tolvek, by default ~/.local/state/tolvek.
    static QString StateFolder();
    // $XDG_RUNTIME_DIR/tolvek; the state folder where there is no runtime
    // folder.
    static QString RuntimeFolder();
    // Makes the folder (with its parents) readable for the user alone;
    // true when it exists afterwards.
    static bool MakePrivateFolder(const QString &folder);
};
