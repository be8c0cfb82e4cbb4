#include "core/photos/PhotoMetadataCache.h"

#include "core/photos/ExifReader.h"
#include "core/platform/BackgroundPriority.h"
#include "core/platform/PathResolver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QThread>

#include <algorithm>

PhotoMetadataCache::PhotoMetadataCache(QObject *parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
}

PhotoMetadataCache::~PhotoMetadataCache()
{
    {
        QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_waiting.clear();
    }
    m_pool.waitForDone();
}

PhotoMetadataCache::Metadata PhotoMetadataCache::Request(const QString &name, const QString &folder)
{
    const Key key{name, folder};
    auto it = m_entries.find(key);
    if (it == m_entries.end())
        it = m_entries.insert(key, Entry());
    else if (it->queued || !it->fresh.hasExpired())
        return it->metadata;
    it->queued = true;
    const Job job{key, it->metadata.state == State::Loading ? Stamp() : it->stamp};
    bool startWorker = false;
    {
        QMutexLocker lock(&m_mutex);
        m_waiting.push_front(job);
        if (m_workers < m_pool.maxThreadCount()) {
            ++m_workers;
            startWorker = true;
        }
    }
    if (startWorker)
        m_pool.start([this] { Work(); });
    return it->metadata;
}

PhotoMetadataCache::Metadata PhotoMetadataCache::Peek(const QString &name, const QString &folder)
{
    const auto it = m_entries.constFind(Key{name, folder});
    return it == m_entries.constEnd() ? Request(name, folder) : it->metadata;
}

PhotoMetadataCache::Metadata PhotoMetadataCache::Known(const QString &name, const QString &folder) const
{
    const auto it = m_entries.constFind(Key{name, folder});
    return it == m_entries.constEnd() ? Metadata() : it->metadata;
}

PhotoMetadataCache::Result PhotoMetadataCache::Make(const Job &job)
{
    Result result;
    const QString path = PathResolver::ResolveText(job.key.name, job.key.folder);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        result.metadata.state = State::Missing;
        return result;
    }
    result.stamp = Stamp{path, info.size(), info.lastModified().toMSecsSinceEpoch()};
    if (result.stamp == job.known) {
        result.unchanged = true;
        return result;
    }
    result.metadata.record = ExifReader::Read(path);
    result.metadata.state = State::Ready;
    return result;
}

void PhotoMetadataCache::Work()
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

void PhotoMetadataCache::Store(const Job &job, const Result &result)
{
    auto it = m_entries.find(job.key);
    if (it == m_entries.end())
        return;
    it->queued = false;
    it->fresh.setRemainingTime(RecheckMilliseconds);
    if (result.unchanged)
        return;
    if (result.metadata.state == State::Ready)
        ++m_reads;
    const bool changed =
        it->metadata.state != result.metadata.state || !(it->metadata.record == result.metadata.record);
    it->stamp = result.stamp;
    it->metadata = result.metadata;
    if (changed)
        emit Ready(job.key.name, job.key.folder);
}

bool PhotoMetadataCache::WaitForIdle(int milliseconds)
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
    QCoreApplication::sendPostedEvents(this);
    return true;
}
