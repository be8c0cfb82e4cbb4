#include "map/MapMetafile.h"

#include "map/EmfPaintDevice.h"
#include "map/MapPainter.h"
#include "support/TolvekError.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <QSaveFile>

void MapMetafile::SetScene(MapScene scene)
{
    m_scene = std::move(scene);
    m_empty = false;
}

void MapMetafile::Clear()
{
    m_scene = MapScene();
    m_empty = true;
}

bool MapMetafile::WriteEmf(QIODevice &out) const
{
    if (m_empty)
        return true;
    EmfPaintDevice device(&out, m_scene.size);
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    MapPainter::Paint(painter, m_scene);
    const bool ended = painter.end();
    return ended && device.Ok();
}

QByteArray MapMetafile::EmfBytes() const
{
    QByteArray bytes;
    if (m_empty)
        return bytes;
    if (!m_scene.map.isNull()) {
        const qint64 stride = (qint64(m_scene.map.width()) * 3 + 3) & ~qint64(3);
        bytes.reserve(stride * m_scene.map.height() + 64 * 1024);
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!WriteEmf(buffer))
        throw TolvekError(QStringLiteral("De overzichtskaart kan niet als metafile worden vastgelegd."));
    buffer.close();
    return bytes;
}

void MapMetafile::SaveToFile(const QString &fileName) const
{
    QSaveFile file(fileName);
    // Written in place when the folder does not allow a temporary file beside it.
    file.setDirectWriteFallback(true);
    auto fail = [&](const QString &reason) {
        file.cancelWriting();
        throw TolvekError(QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2.")
                              .arg(QDir::toNativeSeparators(fileName), reason));
    };
    if (!file.open(QIODevice::WriteOnly))
        fail(file.errorString());
    if (!WriteEmf(file))
        fail(file.error() != QFileDevice::NoError ? file.errorString()
                                                  : QStringLiteral("de tekening kan niet als metafile worden vastgelegd"));
    if (!file.commit())
        fail(file.errorString());
}

QImage MapMetafile::RenderImage() const
{
    if (m_empty)
        return QImage();
    const MapScene &s = m_scene;
    QImage image;
    MapPainter::MapBitmap bitmap = MapPainter::MapBitmap::Draw;
    if (!s.map.isNull() && !s.map.hasAlphaChannel()) {
        // Start from a copy of the map itself: one copy instead of a fill and a copy.
        image = s.map.convertToFormat(QImage::Format_RGB32);
        image.detach();
        bitmap = MapPainter::MapBitmap::AlreadyThere;
    } else {
        image = QImage(s.size, QImage::Format_RGB32);
        image.fill(Qt::white);
    }
    if (image.isNull())
        throw TolvekError(QStringLiteral("Onvoldoende geheugen om de overzichtskaart te tekenen."));
    QPainter painter(&image);
    MapPainter::Paint(painter, s, QRect(), bitmap);
    painter.end();
    return image;
}
