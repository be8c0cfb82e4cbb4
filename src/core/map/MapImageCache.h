#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// Keeps the last decoded overview map. A scanned floor plan can take half a
// gigabyte once decoded, so it is decoded again only when the file itself
// changed (another path, size or modification time).
class MapImageCache
{
public:
    MapImageCache();

    // The decoded map at path (already resolved), or a null image when path
    // is empty or names no file. Throws TolvekError when the file exists but
    // cannot be read as a picture (see MapImageDecoder).
    QImage Load(const QString &path);

    // Forgets the cached map.
    void Clear();

    // How many times a file was actually decoded (for tests and benchmarks).
    int DecodeCount() const { return m_decodeCount; }

    // Qt's default limit refuses big scans; raised once for the whole process.
    static void RaiseAllocationLimit();

private:
    QString m_path;
    qint64 m_size = -1;
    QDateTime m_modified;
    QImage m_image;
    int m_decodeCount = 0;
};
