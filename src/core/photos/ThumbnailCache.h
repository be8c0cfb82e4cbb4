#pragma once

#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <deque>

// Small pictures of photo files, made off the GUI thread and kept for the
// program run, so that whatever shows many photos (the map's hover, a list
// of photos) never waits for a decoder or the file system. A JPEG is decoded
// straight at the small size (libjpeg-turbo's DCT scaling), the other kinds
// as the photo window reads them, then scaled down.
//
// A photo is asked for by its name as the project stores it and the folder
// a relative name is taken against; finding the file (PathResolver) and
// looking at it happen on the decoder thread too. A thumbnail belongs to
// the file as it was: path, size and modification time. Each later request
// has the file looked at again in the background, and a file that changed
// is read again (the old picture is shown meanwhile). The newest requests
// are served first and only a bounded number wait, so sweeping the mouse
// over many photos decodes the ones it rests on, not every one it passed.
class ThumbnailCache : public QObject
{
    Q_OBJECT
public:
    enum class State {
        Loading, // being made; Ready follows
        Ready,   // image holds the thumbnail
        Missing, // no such file
        Broken,  // the file cannot be read as a picture; problem says why
    };

    struct Thumbnail
    {
        State state = State::Loading;
        QImage image;
        QString problem;
    };

    // maxSide: the longest side of a thumbnail; smaller pictures keep their size.
    explicit ThumbnailCache(int maxSide = 256, QObject *parent = nullptr);
    ~ThumbnailCache() override;

    // What is known of the photo name (relative names against folder) now;
    // it is looked for when nothing is known, and looked at again when it
    // is. Touches no file.
    Thumbnail Request(const QString &name, const QString &folder);
    // What is known, without asking for anything.
    Thumbnail Known(const QString &name, const QString &folder) const;

    int MaxSide() const { return m_maxSide; }

    // The memory the pictures may take together; the least recently asked
    // for go first.
    void SetMemoryLimit(qint64 bytes);

    // How many files were decoded (for tests and benchmarks).
    int DecodeCount() const { return m_decodes; }

    // Waits until nothing is being made (tests and benchmarks); false when
    // that took longer than milliseconds.
    bool WaitForIdle(int milliseconds);

    // The size a picture of size is shown at: within maxSide by maxSide,
    // its proportions kept, never enlarged.
    static QSize FittedSize(QSize size, int maxSide);

    // How many requests wait at most: more than a list shows rows on any
    // screen. One that gives way is announced with Ready (still Loading).
    static constexpr int MaxWaiting = 128;

signals:
    // What is known of name in folder changed (a thumbnail made, a file
    // found missing or broken, or its request gave way to newer ones).
    void Ready(const QString &name, const QString &folder);

private:
    struct Stamp
    {
        QString path;
        qint64 size = -1;
        qint64 modified = 0; // milliseconds since the epoch
        bool operator==(const Stamp &) const = default;
    };
    struct Entry
    {
        Stamp stamp; // of the file the thumbnail was made from
        Thumbnail thumbnail;
        bool queued = false;
        quint64 lastUse = 0;
    };
    // A photo as asked for: its name and the folder of relative names.
    struct Key
    {
        QString name, folder;
        bool operator==(const Key &) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0) { return qHashMulti(seed, key.name, key.folder); }
    };
    struct Job
    {
        Key key;
        Stamp known; // a look that finds the file so needs no decode
    };
    struct Result
    {
        Stamp stamp;
        Thumbnail thumbnail;
        bool unchanged = false;
    };

    Result Make(const Job &job) const;
    void Work();
    void Store(const Job &job, const Result &result);
    void Trim();

    const int m_maxSide;
    QThreadPool m_pool;
    QHash<Key, Entry> m_entries; // GUI thread only
    QList<Key> m_gaveWay;        // GUI thread only: told in one queued call
    quint64 m_uses = 0;
    qint64 m_bytes = 0;
    qint64 m_memoryLimit = qint64(64) << 20;
    int m_decodes = 0;

    QMutex m_mutex;            // guards what follows
    std::deque<Job> m_waiting; // newest first
    int m_workers = 0;
    bool m_stopping = false;
};
