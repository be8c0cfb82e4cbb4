#include "core/map/MapMetafile.h"

#include "core/base/TolvekError.h"
#include "core/map/EmfPaintDevice.h"
#include "core/map/MapPainter.h"
#include "core/platform/SafeFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>

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
    // The metafile streams into the safe writer, so a big map is not held
    // in memory a second time, and an export cut short by a full disk
    // leaves an earlier file of that name as it was.
    class WriterDevice : public QIODevice
    {
    public:
        explicit WriterDevice(SafeFileWriter &writer) : m_writer(writer) {}

        qint64 size() const override { return m_end; }

    protected:
        qint64 readData(char *, qint64) override { return -1; }
        qint64 writeData(const char *data, qint64 length) override
        {
            // The header's totals are written last, over what is there.
            const qint64 at = pos();
            const bool ok = at == m_end ? m_writer.Append(data, std::size_t(length))
                                        : at + length <= m_end && m_writer.Overwrite(at, data, std::size_t(length));
            if (!ok)
                return -1;
            m_end = std::max(m_end, at + length);
            return length;
        }

    private:
        SafeFileWriter &m_writer;
        qint64 m_end = 0;
    };

    SafeFileWriter writer(fileName);
    auto fail = [&](const QString &reason) {
        throw TolvekError(QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2.")
                              .arg(QDir::toNativeSeparators(fileName), reason));
    };
    if (!writer.Open())
        fail(writer.Reason());
    WriterDevice device(writer);
    device.open(QIODevice::WriteOnly);
    const bool written = WriteEmf(device);
    if (!writer.Reason().isEmpty())
        fail(writer.Reason());
    if (!written)
        fail(QStringLiteral("de tekening kan niet als metafile worden vastgelegd"));
    if (!writer.Commit())
        fail(writer.Reason());
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
