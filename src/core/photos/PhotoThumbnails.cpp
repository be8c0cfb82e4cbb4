#include "core/photos/PhotoThumbnails.h"

#include <QDateTime>
#include <QFileInfo>

PhotoThumbnails::PhotoThumbnails(ThumbnailCache &shared, QObject *parent) : QObject(parent), m_shared(shared)
{
    connect(&m_shared, &ThumbnailCache::Ready, this, &PhotoThumbnails::Ready);
}

ThumbnailCache::Thumbnail PhotoThumbnails::Request(const QString &path)
{
    auto it = m_made.find(path);
    if (it != m_made.end()) {
        const QFileInfo info(path);
        if (info.isFile() && info.size() == it->size && info.lastModified().toMSecsSinceEpoch() == it->modified) {
            ThumbnailCache::Thumbnail t;
            t.state = ThumbnailCache::State::Ready;
            t.image = it->image;
            return t;
        }
        // The file changed: the cache makes it anew.
        m_bytes -= it->image.sizeInBytes();
        m_made.erase(it);
    }
    return m_shared.Request(path);
}

void PhotoThumbnails::Put(const QString &path, const QImage &image)
{
    const QFileInfo info(path);
    if (image.isNull() || !info.isFile())
        return;
    if (auto it = m_made.find(path); it != m_made.end()) {
        m_bytes -= it->image.sizeInBytes();
        m_made.erase(it);
    }
    if (m_bytes + image.sizeInBytes() > m_limit)
        return;
    m_bytes += image.sizeInBytes();
    m_made.insert(path, Made{info.size(), info.lastModified().toMSecsSinceEpoch(), image});
}

void PhotoThumbnails::Clear()
{
    m_made.clear();
    m_bytes = 0;
}
