#pragma once

#include <QByteArray>

class ProjectSession;

// Guards the project's file against changes made outside the program (a
// second program, a synchronised folder, a text editor): before Save writes
// over it, and when the main window becomes active again, it checks
// whether the file still is as it was read or last saved, and if not asks
// whether to overwrite it, reload it or leave it.
class OutsideChangeGuard
{
public:
    explicit OutsideChangeGuard(ProjectSession &session) : m_session(session) {}

    enum class Action {
        Save,   // write the project (unchanged on disk, or overwrite chosen)
        Reload, // read the file again, dropping the changes here
        None,   // leave both as they are
    };

    // Before Save writes over the project's own file.
    Action BeforeSave();
    // When the main window becomes active again. A change the user chose
    // to leave is not asked about again until it changes once more (Save
    // still asks).
    Action OnActivation();

private:
    Action Ask();

    ProjectSession &m_session;
    QByteArray m_leftAlone; // the digest of the change last left alone
    bool m_asking = false;
};
