#pragma once

#include "core/platform/ProcessLock.h"

#include <QDateTime>
#include <QString>

#include <optional>

// The lock beside a project, as office suites keep one: a small hidden file
// ".~lock.NAME#" in the project's folder that says who has the project open
// for editing (host, process, user, time). Unlike the runtime lock it lies
// where every computer that shares the folder sees it. Written atomically,
// so that of two programs taking it at once only one succeeds; where the
// folder cannot be written (a disc, a read-only share) there is simply none.
class ProjectLockFile
{
public:
    ProjectLockFile() = default;
    // Removes the lock, if it is ours.
    ~ProjectLockFile() { Remove(); }
    ProjectLockFile(const ProjectLockFile &) = delete;
    ProjectLockFile &operator=(const ProjectLockFile &) = delete;

    // ".~lock.huis.tvk#" beside huis.tvk.
    static QString FileName(const QString &projectFileName);

    // Who the lock file of a project names; nothing when there is none or
    // it cannot be read.
    static std::optional<ProcessLock::Holder> Read(const QString &projectFileName);

    // A lock left by a program of this host that has ended (a crash): it
    // protects nothing and is taken over.
    static bool IsStale(const ProcessLock::Holder &holder);
    // A lock from another host older than a day: its program most likely
    // ended without removing it, but only the user can know.
    static bool IsOld(const ProcessLock::Holder &holder, const QDateTime &now = QDateTime::currentDateTimeUtc());

    // The project's lock file, when another program's (not stale).
    static std::optional<ProcessLock::Holder> OtherHolder(const QString &projectFileName);

    enum class Result {
        Written,     // the lock is ours
        HeldByOther, // another program's lock is there and was left alone
        NotWritten,  // the folder cannot be written: no lock, no error
    };
    // Writes this program's lock beside the project, taking over a stale
    // lock. Gives up a lock held for another project first.
    Result Take(const QString &projectFileName);

    // Removes the lock file when it is still ours.
    void Remove();

    // Removes whatever lock lies beside the project (the user chose to
    // break an old one). False when it could not be removed.
    static bool Break(const QString &projectFileName);

    // The lock file held (empty: none).
    const QString &Held() const { return m_fileName; }

private:
    QString m_fileName;
    QByteArray m_contents;
};
