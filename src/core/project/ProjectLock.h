#pragma once

#include "core/platform/ProcessLock.h"

#include <QString>

#include <optional>

// Tells other running copies of the program that a project is open here: a
// lock file in the runtime folder, named after the project's absolute path,
// held while the project is open and removed when it is closed.
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
    // The other running program that has the project open, if any.
    static std::optional<ProcessLock::Holder> OtherHolder(const QString &projectFileName);

    // Takes the project's lock, giving up the one held before; false when
    // another program holds it or no lock file can be made.
    bool Take(const QString &projectFileName);
    // Removes the lock file.
    void Release();
    // The project whose lock is held (empty: none).
    QString Project() const { return m_project; }

private:
    ProcessLock m_lock;
    QString m_project;
};
