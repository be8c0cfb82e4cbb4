#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// A lock file that says "a running program holds this": the file carries a
// lock of the operating system, which disappears by itself when the process
// ends, however it ends, so a lock left by a crash is recognised as stale
// even when its process id has been given to another program since. The
// file holds the host name, process id, user and time, for the user.
class ProcessLock
{
public:
    ProcessLock() = default;
    // Releases the lock; the file stays.
    ~ProcessLock();
    ProcessLock(ProcessLock &&other) noexcept;
    ProcessLock &operator=(ProcessLock &&other) noexcept;
    ProcessLock(const ProcessLock &) = delete;
    ProcessLock &operator=(const ProcessLock &) = delete;

    enum class Result { Taken, HeldByOther, Failed };

    // Takes the lock of fileName, creating the file, and writes this
    // process's host and id into it.
    Result Take(const QString &fileName);
    // Releases the lock without removing the file.
    void Release();
    // Removes the file and releases the lock.
    void Remove();
    bool Held() const { return m_fd >= 0; }
    QString FileName() const { return m_fileName; }

    struct Holder
    {
        QString host;
        qint64 processId = 0;
        QString user;    // empty in files of older versions
        QDateTime since; // UTC; invalid in files of older versions
        // The holder is this very process.
        bool IsThisProcess() const;
    };
    // Who holds the lock of fileName now; nothing when no running process
    // does (the file is missing or stale).
    static std::optional<Holder> HolderOf(const QString &fileName);

    static QString HostName();
    static QString UserName();

    // A lock file's text for this process, written now: host, process id,
    // user and time (UTC), one a line; and such a text read back.
    static QByteArray DescribeThisProcess();
    static Holder Parse(const QByteArray &text);

private:
    int m_fd = -1;
    QString m_fileName;
};
