#pragma once

#include "core/photos/CameraRecord.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <deque>

// What the camera recorded in each photo (CameraRecord: time, direction,
// position), read off the GUI thread and kept for the program run, so that
// the photo list, the hover, the photo window and the reports never wait
// for a file. Asked for like the thumbnails: by the name the project
// stores and the folder of relative names. A record belongs to the file as
// it was (path, size, modification time); a request some seconds after the
// last look has the file looked at again, and a changed file is read again.
class PhotoMetadataCache : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Loading, // being read; Ready follows
        Ready,   // record holds what the file recorded (perhaps nothing)
        Missing, // no such file
    };

    struct Metadata
    {
        State state = State::Loading;
        CameraRecord record;
    };

    explicit PhotoMetadataCache(QObject *parent = nullptr);
    ~PhotoMetadataCache() override;

    // What is known now; asks for it when nothing is, or when it was last
    // looked at long enough ago. Touches no file.
    Metadata Request(const QString &name, const QString &folder);
    // What is known, without asking for anything.
    Metadata Known(const QString &name, const QString &folder) const;
    // What is known; asks only when nothing is. For whole-list work (an
    // order, a period) that would otherwise have every file looked at again
    // each time; the rows on screen ask with Request and stay fresh.
    Metadata Peek(const QString &name, const QString &folder);

    // How many files were read (for tests and benchmarks).
    int ReadCount() const { return m_reads; }
    // Waits until nothing is being read (tests, benchmarks, commands that
    // need every photo's record); false when that took longer.
    bool WaitForIdle(int milliseconds);

    // A record this old is looked at again when asked for.
    static constexpr int RecheckMilliseconds = 5000;

signals:
    // What is known of name in folder changed.
    void Ready(const QString &name, const QString &folder);

private:
    struct Stamp
    {
        QString path;
        qint64 size = -1;
        qint64 modified = 0;
        bool operator==(const Stamp &) const = default;
    };
    struct Key
    {
        QString name, folder;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0) { return qHashMulti(seed, key.name, key.folder); }
    };
    struct Entry
    {
        Stamp stamp;
        Metadata metadata;
        bool queued = false;
        QDeadlineTimer fresh; // expired: look at the file again when asked
    };
    struct Job
    {
        Key key;
        Stamp known;
    };
    struct Result
    {
        Stamp stamp;
        Metadata metadata;
        bool unchanged = false;
    };

    static Result Make(const Job &job);
    void Work();
    void Store(const Job &job, const Result &result);

    QThreadPool m_pool;
    QHash<Key, Entry> m_entries; // GUI thread only
    int m_reads = 0;

    QMutex m_mutex;            // guards what follows
    std::deque<Job> m_waiting; // newest first
    int m_workers = 0;
    bool m_stopping = false;
};
