#pragma once

#include "core/platform/ProcessLock.h"
#include "core/project/ProjectLockFile.h"

#include <QString>

#include <optional>

// Tells other running copies of the program that a project is open here: a
// lock file in the runtime folder, named after the project's absolute path,
// held while the project is open and removed when it is closed; and, for
// programs on other computers that share the project's folder, the lock
// file beside the project (ProjectLockFile).
class ProjectLock
{
public:
    ProjectLock() = default;
    // The project is closed with the program.
    ~ProjectLock() { Release(); }
    ProjectLock(const ProjectLock &) = delete;
    ProjectLock &operator=(const ProjectLock &) = delete;

    // The lock file of a project file.
    static QString LockFileName(const QString &projectFileName);
    // The other running program that has the project open, if any: one of
    // this computer by the runtime lock, else whoever the lock beside the
    // project names (not a stale one).
    static std::optional<ProcessLock::Holder> OtherHolder(const QString &projectFileName);

    // Takes the project's lock, giving up the one held before; false when
    // another program holds it or no lock file can be made. The lock beside
    // the project is written too, unless another program's lock is there or
    // the folder cannot be written.
    bool Take(const QString &projectFileName);
    // Removes the lock files.
    void Release();

    // Removes an old lock beside the project that its owner left behind.
    static bool Break(const QString &projectFileName) { return ProjectLockFile::Break(projectFileName); }
    // The project whose lock is held (empty: none).
    QString Project() const { return m_project; }

private:
    ProcessLock m_lock;
    ProjectLockFile m_beside;
    QString m_project;
};
