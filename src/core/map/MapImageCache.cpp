#include "core/map/MapImageCache.h"

#include "core/base/TolvekError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <limits>

namespace {
constexpr int AllocationLimitMB = 2048;

// The size a bitmap file's header claims (info header or the old core
// header), read before any decoder sees the file; invalid for other files.
QSize ClaimedBitmapSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QSize();
    const QByteArray h = file.read(26);
    if (h.size() < 26 || !h.startsWith("BM"))
        return QSize();
    const quint32 headerSize = qFromLittleEndian<quint32>(h.constData() + 14);
    if (headerSize == 12)
        return QSize(qFromLittleEndian<quint16>(h.constData() + 18), qFromLittleEndian<quint16>(h.constData() + 20));
    if (headerSize < 40)
        return QSize();
    // Height is negative for rows stored top-down.
    const qint32 width = qFromLittleEndian<qint32>(h.constData() + 18);
    const qint32 height = qFromLittleEndian<qint32>(h.constData() + 22);
    if (width <= 0 || height == 0 || height == std::numeric_limits<qint32>::min())
        return QSize();
    return QSize(width, height < 0 ? -height : height);
}
} // namespace

MapImageCache::MapImageCache()
{
    RaiseAllocationLimit();
}

void MapImageCache::RaiseAllocationLimit()
{
    if (QImageReader::allocationLimit() < AllocationLimitMB)
        QImageReader::setAllocationLimit(AllocationLimitMB);
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
    QImageReader reader(path);
    reader.setAutoTransform(false);
    // A header may claim any size: refuse what could never be held, before
    // anything is allocated, with a message that says why.
    QSize claimed = ClaimedBitmapSize(path);
    if (!claimed.isValid())
        claimed = reader.size();
    if (claimed.isValid() && qint64(claimed.width()) * claimed.height() > MaxPixels) {
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: de kaart is te groot "
                                         "(%2 x %3 beeldpunten).")
                              .arg(QDir::toNativeSeparators(path))
                              .arg(claimed.width())
                              .arg(claimed.height()));
    }
    QImage image = reader.read();
    ++m_decodeCount;
    if (image.isNull()) {
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: %2.")
                              .arg(QDir::toNativeSeparators(path), reader.errorString()));
    }
    m_path = key;
    m_size = size;
    m_modified = modified;
    m_image = image;
    return m_image;
}
