#include "core/map/MapImageCache.h"

#include "core/map/MapImageDecoder.h"

#include <QFileInfo>

MapImageCache::MapImageCache()
{
    RaiseAllocationLimit();
}

void MapImageCache::RaiseAllocationLimit()
{
    MapImageDecoder::RaiseAllocationLimit();
}

void MapImageCache::Clear()
{
    m_path.clear();
    m_size = -1;
    m_modified = QDateTime();
    m_image = QImage();
}

QImage MapImageCache::Load(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    const QFileInfo info(path);
    if (!info.isFile())
        return QImage();
    const QString key = info.absoluteFilePath();
    const qint64 size = info.size();
    const QDateTime modified = info.lastModified();
    if (!m_image.isNull() && key == m_path && size == m_size && modified == m_modified)
        return m_image;

    // Let go of the old map first, so that at most the picture on screen and
    // the new one are in memory while decoding.
    Clear();
    ++m_decodeCount;
    QImage image = MapImageDecoder::Decode(path);
    m_path = key;
    m_size = size;
    m_modified = modified;
    m_image = image;
    return m_image;
}
