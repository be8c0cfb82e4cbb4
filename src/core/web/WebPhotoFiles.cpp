#include "core/web/WebPhotoFiles.h"

#include "core/base/TolvekError.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/JpegEncoder.h"
#include "core/photos/JpegSegments.h"
#include "core/photos/PhotoPicture.h"
#include "core/platform/InputFile.h"
#include "core/web/WebExportFolder.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <sys/stat.h>

namespace {

QSize Fitted(QSize size, int side)
{
    if (size.width() <= side && size.height() <= side)
        return size;
    return size.scaled(side, side, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QByteArray Png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw TolvekError(QStringLiteral("de afbeelding kan niet als PNG worden opgeslagen"));
    return bytes;
}

// The thumbnail from the photo as written: a plain box reduction first,
// so that the smooth scaling has little left to do.
QImage Thumbnail(const QImage &photo)
{
    const QSize target = Fitted(photo.size(), WebPhotoFiles::ThumbnailSide);
    QImage source = photo;
    const int factor = std::min(source.width() / target.width(), source.height() / target.height()) / 2;
    if (factor >= 2)
        source = source.scaled(source.width() / factor, source.height() / factor, Qt::IgnoreAspectRatio,
                               Qt::FastTransformation);
    return source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Why the file at path cannot be a photo, before anything is read: empty
// when it is a regular file of a size a photo can have.
QString FileProblem(const QString &path)
{
    if (const InputFile::Kind kind = InputFile::KindOf(path); kind != InputFile::Kind::File)
        return InputFile::Problem(kind);
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("het bestand bestaat niet");
    if (st.st_size > WebPhotoFiles::MaxFileBytes)
        return QStringLiteral("het bestand is te groot voor een foto (%1 MB)").arg(st.st_size / (1024 * 1024));
    return QString();
}

} // namespace

WebPhotoFiles::Source WebPhotoFiles::Examine(const QString &path)
{
    Source s;
    const std::optional<PhotoPicture::Kind> kind = PhotoPicture::KindForFileName(path);
    s.problem = FileProblem(path);
    if (!s.problem.isEmpty())
        return s;
    if (!kind) {
        s.problem = QStringLiteral("de extensie \"%1\" is geen bekend soort afbeelding").arg(QFileInfo(path).suffix());
        return s;
    }
    QFile file;
    if (!InputFile::Open(file, path, &s.problem))
        return s;
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QByteArray piece = file.read(HeaderBytes);
    if (*kind == PhotoPicture::Kind::Jpeg) {
        try {
            if (JpegDecoder::ReadHeader(piece).storedSize.isEmpty())
                throw TolvekError(QStringLiteral("de afbeelding heeft geen afmetingen"));
        } catch (const TolvekError &e) {
            s.problem = e.message();
            return s;
        }
    }
    while (!piece.isEmpty()) {
        hash.addData(piece);
        piece = file.read(HeaderBytes);
    }
    if (file.error() != QFileDevice::NoError) {
        s.problem = QStringLiteral("het bestand kan niet worden gelezen (%1)").arg(file.errorString());
        return s;
    }
    s.contents = QString::fromLatin1(hash.result().toHex());
    s.ok = true;
    return s;
}

QSize WebPhotoFiles::JpegTarget(QSize stored)
{
    const int side = std::max(stored.width(), stored.height());
    if (side <= MaxSide)
        return stored;
    for (int num = 7; num >= 1; --num) {
        const QSize s(int((qint64(stored.width()) * num + 7) / 8), int((qint64(stored.height()) * num + 7) / 8));
        if (std::max(s.width(), s.height()) <= MaxSide) {
            // Decoding straight at a DCT scale is the cheapest; taken when it
            // keeps most of the size the page may show.
            if (std::max(s.width(), s.height()) >= MaxSide * 3 / 4)
                return s;
            break;
        }
    }
    return Fitted(stored, MaxSide);
}

WebPhotoFiles::Result WebPhotoFiles::Write(const QString &path, const QString &base, WebExportFolder &folder,
                                           bool keepMetadata)
{
    Result r;
    const std::optional<PhotoPicture::Kind> kind = PhotoPicture::KindForFileName(path);
    r.problem = FileProblem(path);
    if (!r.problem.isEmpty())
        return r;
    if (!kind) {
        r.problem = QStringLiteral("de extensie \"%1\" is geen bekend soort afbeelding").arg(QFileInfo(path).suffix());
        return r;
    }

    QByteArray photoBytes;
    QImage shown;
    QString ext = QStringLiteral("jpg");
    try {
        if (*kind == PhotoPicture::Kind::Jpeg) {
            QFile file;
            if (!InputFile::Open(file, path, &r.problem))
                return r;
            if (file.size() > MaxFileBytes) {
                r.problem = FileProblem(path);
                return r;
            }
            const QByteArray data = file.readAll();
            const JpegDecoder::Header header = JpegDecoder::ReadHeader(data);
            if (header.storedSize.isEmpty())
                throw TolvekError(QStringLiteral("de afbeelding heeft geen afmetingen"));
            const QSize stored = JpegTarget(header.storedSize);
            const QSize target = header.orientation >= 5 ? stored.transposed() : stored;
            if (stored == header.storedSize && header.orientation == 1) {
                // Small enough already: the original is smaller than anything
                // made from it. The thumbnail comes from a cheap DCT decode.
                photoBytes = keepMetadata ? data : JpegSegments::Strip(data);
                shown = JpegDecoder::Decode(data, Fitted(target, ThumbnailSide * 2));
            } else {
                shown = JpegDecoder::Decode(data, target);
                photoBytes = JpegEncoder::Encode(shown, Quality);
                if (keepMetadata)
                    photoBytes = JpegSegments::Insert(photoBytes, JpegSegments::Metadata(data));
            }
            r.size = target;
        } else {
            const PhotoPicture picture = PhotoPicture::Load(path);
            const QSize target = Fitted(picture.Size(), MaxSide);
            shown = target == picture.Size() ? picture.FullSize() : picture.Scaled(target);
            r.size = shown.size();
            // Photos become JPEG; drawings, screenshots and what has
            // transparency stay PNG.
            const bool photo = *kind == PhotoPicture::Kind::Bitmap || *kind == PhotoPicture::Kind::Tiff
                || *kind == PhotoPicture::Kind::WebP || *kind == PhotoPicture::Kind::Heif;
            if (photo && !shown.hasAlphaChannel()) {
                photoBytes = JpegEncoder::Encode(shown, Quality);
            } else {
                // Drawings and icons stay sharp (and keep transparency) as PNG.
                ext = QStringLiteral("png");
                photoBytes = Png(shown);
            }
        }
    } catch (const TolvekError &e) {
        r.problem = e.message();
        return r;
    }

    const QImage thumbnail = Thumbnail(shown);
    const QByteArray thumbnailBytes =
        ext == QLatin1String("png") ? Png(thumbnail) : JpegEncoder::Encode(thumbnail, ThumbnailQuality);
    r.photo = QStringLiteral("fotos/") + base + QLatin1Char('.') + ext;
    r.thumbnail = QStringLiteral("fotos/") + base + QStringLiteral("-klein.") + ext;
    folder.Write(r.photo, photoBytes);
    folder.Write(r.thumbnail, thumbnailBytes);
    r.ok = true;
    return r;
}
