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
// of photos) never waits for a decoder. A JPEG is decoded straight at the
// small size (libjpeg-turbo's DCT scaling), the other kinds as the photo
// window reads them, then scaled down.
//
// A thumbnail belongs to the file as it was: path, size and modification
// time. A file that changed is read again. The newest requests are served
// first, and only a bounded number wait, so sweeping the mouse over many
// photos decodes the ones it rests on, not every one it passed.
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

    // What is known of path now; when nothing is, it is requested. Costs a
    // look at the file's size and time, never a decode.
    Thumbnail Request(const QString &path);

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

    // How many requests wait at most.
    static constexpr int MaxWaiting = 32;

signals:
    // The thumbnail of path is ready (or broken).
    void Ready(const QString &path);

private:
    struct Stamp
    {
        qint64 size = -1;
        qint64 modified = 0; // milliseconds since the epoch
        bool operator==(const Stamp &) const = default;
    };
    struct Entry
    {
        Stamp stamp;
        Thumbnail thumbnail;
        quint64 lastUse = 0;
    };
    struct Job
    {
        QString path;
        Stamp stamp;
    };

    void Work();
    void Store(const QString &path, Stamp stamp, Thumbnail thumbnail);
    void Trim();

    const int m_maxSide;
    QThreadPool m_pool;
    QHash<QString, Entry> m_entries; // GUI thread only
    quint64 m_uses = 0;
    qint64 m_bytes = 0;
    qint64 m_memoryLimit = qint64(64) << 20;
    int m_decodes = 0;

    QMutex m_mutex; // guards what follows
    std::deque<Job> m_waiting; // newest first
    int m_workers = 0;
    bool m_stopping = false;
};
