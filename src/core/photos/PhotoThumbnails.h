#pragma once

#include "core/photos/ThumbnailCache.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>

// The thumbnails the photo list shows: those of the program's shared
// ThumbnailCache, and beside them those an import made anyway while it
// checked every file on all cores, so that the list does not decode the
// new photos a second time on the cache's one worker. Those are kept as
// the cache keeps its own (path, size and time of the file) within a
// memory budget; the first ones of an import are kept, as the list shows
// those first.
class PhotoThumbnails : public QObject
{
    Q_OBJECT
public:
    explicit PhotoThumbnails(ThumbnailCache &shared, QObject *parent = nullptr);

    ThumbnailCache &Shared() { return m_shared; }
    int MaxSide() const { return m_shared.MaxSide(); }

    // As ThumbnailCache::Request.
    ThumbnailCache::Thumbnail Request(const QString &path);

    // A thumbnail of the file at path as it is now, made at MaxSide.
    void Put(const QString &path, const QImage &image);

    // Lets go of them all (another project took this one's place).
    void Clear();

    void SetMemoryLimit(qint64 bytes) { m_limit = bytes; }
    qint64 MemoryUsed() const { return m_bytes; }

signals:
    void Ready(const QString &path);

private:
    struct Made
    {
        qint64 size = -1;
        qint64 modified = 0;
        QImage image;
    };

    ThumbnailCache &m_shared;
    QHash<QString, Made> m_made;
    qint64 m_bytes = 0;
    qint64 m_limit = qint64(32) << 20;
};
