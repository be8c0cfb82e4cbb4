#include "core/photos/ThumbnailCache.h"

#include "core/base/TolvekError.h"
#include "core/photos/PhotoPicture.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

ThumbnailCache::ThumbnailCache(int maxSide, QObject *parent) : QObject(parent), m_maxSide(std::max(1, maxSide))
{
    // One decoder at a time: the GUI thread keeps a core of its own.
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
}

ThumbnailCache::~ThumbnailCache()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_waiting.clear();
    }
    m_pool.waitForDone();
}

QSize ThumbnailCache::FittedSize(QSize size, int maxSide)
{
    if (size.isEmpty())
        return QSize();
    if (size.width() <= maxSide && size.height() <= maxSide)
        return size;
    return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

ThumbnailCache::Thumbnail ThumbnailCache::Request(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        Thumbnail missing;
        missing.state = State::Missing;
        return missing;
    }
    const Stamp stamp{info.size(), info.lastModified().toMSecsSinceEpoch()};
    auto it = m_entries.find(path);
    if (it != m_entries.end() && it->stamp == stamp) {
        it->lastUse = ++m_uses;
        return it->thumbnail;
    }
    if (it != m_entries.end()) {
        m_bytes -= it->thumbnail.image.sizeInBytes();
        m_entries.erase(it);
    }
    Entry entry;
    entry.stamp = stamp;
    entry.lastUse = ++m_uses;
    m_entries.insert(path, entry);

    bool startWorker = false;
    {
        QMutexLocker lock(&m_mutex);
        m_waiting.push_front(Job{path, stamp});
        // The oldest requests give way; they are asked again when the mouse
        // comes back to them.
        while (m_waiting.size() > size_t(MaxWaiting)) {
            m_entries.remove(m_waiting.back().path);
            m_waiting.pop_back();
        }
        if (m_workers < m_pool.maxThreadCount()) {
            ++m_workers;
            startWorker = true;
        }
    }
    if (startWorker)
        m_pool.start([this] { Work(); });
    return entry.thumbnail;
}

void ThumbnailCache::Work()
{
    for (;;) {
        Job job;
        {
            QMutexLocker lock(&m_mutex);
            if (m_stopping || m_waiting.empty()) {
                --m_workers;
                return;
            }
            job = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
        Thumbnail made;
        try {
            const PhotoPicture picture = PhotoPicture::Load(job.path);
            made.image = picture.Scaled(FittedSize(picture.Size(), m_maxSide));
            made.state = State::Ready;
        } catch (const TolvekError &e) {
            made.state = State::Broken;
            made.problem = e.message();
        } catch (const std::bad_alloc &) {
            made.state = State::Broken;
        }
        QMetaObject::invokeMethod(
            this, [this, path = job.path, stamp = job.stamp, made] { Store(path, stamp, made); },
            Qt::QueuedConnection);
    }
}

void ThumbnailCache::Store(const QString &path, Stamp stamp, Thumbnail thumbnail)
{
    ++m_decodes;
    auto it = m_entries.find(path);
    // Given up meanwhile, or the file changed again: the newer request decides.
    if (it == m_entries.end() || it->stamp != stamp || it->thumbnail.state != State::Loading)
        return;
    m_bytes += thumbnail.image.sizeInBytes();
    it->thumbnail = std::move(thumbnail);
    Trim();
    emit Ready(path);
}

void ThumbnailCache::SetMemoryLimit(qint64 bytes)
{
    m_memoryLimit = bytes;
    Trim();
}

void ThumbnailCache::Trim()
{
    while (m_bytes > m_memoryLimit) {
        auto oldest = m_entries.end();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->thumbnail.state == State::Ready && (oldest == m_entries.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        if (oldest == m_entries.end())
            break;
        m_bytes -= oldest->thumbnail.image.sizeInBytes();
        m_entries.erase(oldest);
    }
}

bool ThumbnailCache::WaitForIdle(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        {
            QMutexLocker lock(&m_mutex);
            if (m_workers == 0 && m_waiting.empty())
                break;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(2);
    }
    // What the workers posted last.
    QCoreApplication::sendPostedEvents(this);
    return true;
}
