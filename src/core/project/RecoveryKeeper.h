#pragma once

#include "core/platform/ProcessLock.h"
#include "core/project/ProjectEdit.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

#include <memory>

class ProjectSession;
class QThread;
class RecoveryCopy;

// Keeps a recovery copy of the project while it has unsaved changes, so a
// crash or a power cut loses at most the last moment's work. It follows
// the session: a change of a modified project has the copy written a
// moment later (changes in between go into the same copy); once the
// project is no longer modified (saved, opened, started anew, changes
// dropped or undone) the copy is removed. The copy is written on a thread
// of its own, from a snapshot of the project that costs the window next to
// nothing, so a big project never makes the program stall.
class RecoveryKeeper : public QObject
{
    Q_OBJECT
public:
    explicit RecoveryKeeper(ProjectSession &session, QObject *parent = nullptr);
    // Removes the copy: the program ends normally.
    ~RecoveryKeeper() override;

    // How long after a change the copy is written.
    static constexpr int DefaultDelayMs = 1000;
    static void SetDelay(int milliseconds);

    // Goes on in a found copy's files after it was restored: it stays as it
    // is until the project is saved or dropped, or changed again.
    void Adopt(RecoveryCopy &&copy);

    // The copy being kept (empty before the first one).
    QString CopyFileName() const;
    // Waits until a copy being written is on disk.
    void Wait();

signals:
    // No copy could be kept (a full disk, a folder not writable); text says
    // where and why. Once, until a copy is written again.
    void Failed(const QString &text);

private:
    void Fail(const QString &reason);
    void Follow();
    void Write();
    void Written();
    // Removes the copy; the lock stays for the next one.
    void Drop();
    // Makes this run's lock in the recovery folder, once.
    bool Prepare();

    ProjectSession &m_session;
    QTimer m_timer;
    QThread *m_worker = nullptr;
    bool m_writeAgain = false;
    bool m_warned = false;
    std::shared_ptr<QString> m_failure; // the running write's reason, empty when it went well
    QDateTime m_lastChange;
    QString m_id;
    ProcessLock m_lock;
};
