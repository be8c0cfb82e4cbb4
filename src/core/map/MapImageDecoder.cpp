#include "core/map/MapImageDecoder.h"

#include "core/base/TolvekError.h"
#include "core/map/PdfMapRenderer.h"
#include "core/photos/JpegDecoder.h"
#include "core/platform/InputFile.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <limits>

namespace {

// The size a bitmap file's header claims (info header or the old core
// header), read before any decoder sees the file; invalid for other files.
QSize ClaimedBitmapSize(const QByteArray &h)
{
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

QString TooLarge(QSize size)
{
    return QStringLiteral("de kaart is te groot (%1 x %2 beeldpunten)").arg(size.width()).arg(size.height());
}

bool TooManyPixels(QSize size)
{
    return size.isValid() && qint64(size.width()) * size.height() > MapImageDecoder::MaxPixels;
}

// Qt's own readers: bitmaps (kept as they always were read) and the
// formats of its image plugins.
QImage ReadWithQt(const QString &path, bool bitmap, const QByteArray &head)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    // Bitmaps have no orientation; TIFF and others may carry one.
    reader.setAutoTransform(!bitmap);
    if (!bitmap && !reader.canRead())
        throw TolvekError(QStringLiteral("het bestand is geen afbeelding in een bekend formaat (bekend zijn BMP, PNG, "
                                         "JPEG, TIFF, WebP, GIF en PDF)"));
    // A header may claim any size: refuse what could never be held, before
    // anything is allocated, with a message that says why.
    QSize claimed = bitmap ? ClaimedBitmapSize(head) : QSize();
    if (!claimed.isValid())
        claimed = reader.size();
    if (TooManyPixels(claimed))
        throw TolvekError(TooLarge(claimed));
    QImage image = reader.read();
    if (image.isNull()) {
        const QString format =
            bitmap ? QStringLiteral("BMP") : QString::fromLatin1(QImageReader::imageFormat(path)).toUpper();
        throw TolvekError(
            QStringLiteral("geen geldige of een beschadigde %1-afbeelding (%2)").arg(format, reader.errorString()));
    }
    if (bitmap)
        return image;
    image = MapImageDecoder::Normalised(std::move(image));
    if (image.isNull())
        throw TolvekError(QStringLiteral("onvoldoende geheugen"));
    return image;
}

QImage ReadJpeg(QFile &file)
{
    const QByteArray data = file.readAll();
    const JpegDecoder::Header header = JpegDecoder::ReadHeader(data);
    if (TooManyPixels(header.shownSize()))
        throw TolvekError(TooLarge(header.shownSize()));
    return JpegDecoder::Decode(data, QSize(), MapImageDecoder::MaxPixels);
}

QByteArray Head(QFile &file)
{
    const QByteArray head = file.read(1024);
    file.seek(0);
    return head;
}

} // namespace

MapImageDecoder::Kind MapImageDecoder::KindOf(const QByteArray &head)
{
    if (head.startsWith("BM"))
        return Kind::Bitmap;
    if (head.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    // Readers accept the header anywhere in the first kilobyte.
    if (head.left(1024).contains("%PDF-"))
        return Kind::Pdf;
    return Kind::Other;
}

QImage MapImageDecoder::Normalised(QImage image)
{
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        if (flat.isNull())
            return flat;
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        return flat;
    }
    if (image.depth() > 32)
        return image.convertToFormat(QImage::Format_RGB32);
    return image;
}

void MapImageDecoder::RaiseAllocationLimit()
{
    if (QImageReader::allocationLimit() < AllocationLimitMB)
        QImageReader::setAllocationLimit(AllocationLimitMB);
}

QImage MapImageDecoder::Decode(const QString &path)
{
    RaiseAllocationLimit();
    QFile file;
    try {
        QString problem;
        if (!InputFile::Open(file, path, &problem))
            throw TolvekError(problem);
        const QByteArray head = Head(file);
        switch (KindOf(head)) {
        case Kind::Bitmap:
            return ReadWithQt(path, true, head);
        case Kind::Jpeg:
            return ReadJpeg(file);
        case Kind::Pdf:
            return PdfMapRenderer::Render(path, MaxPixels);
        case Kind::Other:
            break;
        }
        return ReadWithQt(path, false, head);
    } catch (const TolvekError &e) {
        throw TolvekError(QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: %2.")
                              .arg(QDir::toNativeSeparators(path), e.message()));
    }
}

QImage MapImageDecoder::Preview(const QString &path, QSize box)
{
    if (box.isEmpty())
        return QImage();
    QFile file;
    if (!InputFile::Open(file, path))
        return QImage();
    try {
        switch (KindOf(Head(file))) {
        case Kind::Pdf:
            return PdfMapRenderer::RenderFitted(path, box);
        case Kind::Jpeg: {
            const QByteArray data = file.readAll();
            const QSize size = JpegDecoder::ReadHeader(data).shownSize();
            if (size.isEmpty())
                return QImage();
            // A strip of a map scales to no pixels across: one at least, or
            // the decoder would take the empty size for "full size".
            return JpegDecoder::Decode(data,
                                       size.scaled(box, Qt::KeepAspectRatio).boundedTo(size).expandedTo(QSize(1, 1)),
                                       JpegDecoder::DefaultMaxPixels);
        }
        case Kind::Bitmap:
        case Kind::Other:
            break;
        }
    } catch (const TolvekError &) {
        return QImage();
    }
    file.close();
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || TooManyPixels(size))
        return QImage();
    reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).boundedTo(size).expandedTo(QSize(1, 1)));
    return MapImageDecoder::Normalised(reader.read());
}
