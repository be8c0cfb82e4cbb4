#include "core/photos/ThumbnailCache.h"

#include "core/base/TolvekError.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/BackgroundPriority.h"
#include "core/platform/PathResolver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <utility>

ThumbnailCache::ThumbnailCache(int maxSide, QObject *parent) : QObject(parent), m_maxSide(std::max(1, maxSide))
{
    // Half the cores at most: the GUI thread keeps one of its own.
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

ThumbnailCache::Thumbnail ThumbnailCache::Request(const QString &name, const QString &folder)
{
    const Key key{name, folder};
    auto it = m_entries.find(key);
    if (it == m_entries.end())
        it = m_entries.insert(key, Entry());
    else if (it->queued)
        return it->thumbnail;
    it->lastUse = ++m_uses;
    it->queued = true;
    const Job job{key, it->thumbnail.state == State::Loading ? Stamp() : it->stamp};
    const Thumbnail known = it->thumbnail;

    bool startWorker = false;
    QList<Key> gaveWay;
    {
        QMutexLocker lock(&m_mutex);
        m_waiting.push_front(job);
        // The oldest requests give way; they are made again when asked again.
        while (m_waiting.size() > size_t(MaxWaiting)) {
            auto dropped = m_entries.find(m_waiting.back().key);
            if (dropped != m_entries.end()) {
                dropped->queued = false;
                if (dropped->thumbnail.state == State::Loading) {
                    m_entries.erase(dropped);
                    gaveWay.append(m_waiting.back().key);
                }
            }
            m_waiting.pop_back();
        }
        if (m_workers < m_pool.maxThreadCount()) {
            ++m_workers;
            startWorker = true;
        }
    }
    if (startWorker)
        m_pool.start([this] { Work(); });
    // Whoever still shows one of them (a row of the photo list) asks again;
    // after this call, as it may come while a view paints. A burst of
    // requests (the pointer swept over many triangles) is told in one call,
    // not in one posted event, and one wake-up of the event loop, each.
    if (!gaveWay.isEmpty()) {
        const bool post = m_gaveWay.isEmpty();
        m_gaveWay += gaveWay;
        if (post)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    const QList<Key> keys = std::exchange(m_gaveWay, {});
                    for (const Key &key : keys)
                        emit Ready(key.name, key.folder);
                },
                Qt::QueuedConnection);
    }
    return known;
}

ThumbnailCache::Thumbnail ThumbnailCache::Known(const QString &name, const QString &folder) const
{
    const auto it = m_entries.constFind(Key{name, folder});
    return it == m_entries.constEnd() ? Thumbnail() : it->thumbnail;
}

ThumbnailCache::Result ThumbnailCache::Make(const Job &job) const
{
    Result result;
    const QString path = PathResolver::ResolveText(job.key.name, job.key.folder);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        result.thumbnail.state = State::Missing;
        return result;
    }
    result.stamp = Stamp{path, info.size(), info.lastModified().toMSecsSinceEpoch()};
    if (result.stamp == job.known) {
        result.unchanged = true;
        return result;
    }
    try {
        const PhotoPicture picture = PhotoPicture::Load(path, m_maxSide);
        result.thumbnail.image = picture.Scaled(FittedSize(picture.Size(), m_maxSide));
        result.thumbnail.state = State::Ready;
    } catch (const TolvekError &e) {
        result.thumbnail.state = State::Broken;
        result.thumbnail.problem = e.message();
    } catch (const std::bad_alloc &) {
        result.thumbnail.state = State::Broken;
    }
    return result;
}

void ThumbnailCache::Work()
{
    BackgroundPriority::LowerCurrentThread();
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
        const Result result = Make(job);
        QMetaObject::invokeMethod(
            this, [this, job, result] { Store(job, result); }, Qt::QueuedConnection);
    }
}

void ThumbnailCache::Store(const Job &job, const Result &result)
{
    auto it = m_entries.find(job.key);
    if (it == m_entries.end())
        return; // given up meanwhile
    it->queued = false;
    if (result.unchanged)
        return;
    if (result.thumbnail.state == State::Ready || result.thumbnail.state == State::Broken)
        ++m_decodes;
    m_bytes += result.thumbnail.image.sizeInBytes() - it->thumbnail.image.sizeInBytes();
    it->stamp = result.stamp;
    it->thumbnail = result.thumbnail;
    Trim();
    emit Ready(job.key.name, job.key.folder);
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
            if (!it->thumbnail.image.isNull() && !it->queued
                && (oldest == m_entries.end() || it->lastUse < oldest->lastUse))
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
