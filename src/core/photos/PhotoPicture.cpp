#include "core/photos/PhotoPicture.h"

#include "core/base/TolvekError.h"
#include "core/photos/HevcPictureDecoder.h"
#include "core/photos/JpegDecoder.h"
#include "core/photos/WmfDecoder.h"
#include "core/platform/InputFile.h"
#include "core/platform/IsolatedCall.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <emf2svg.h>
#include <libheif/heif.h>
#include <vector>

namespace {

QString fileNameOf(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Metafiles are drawn on white, as on paper.
QImage renderSvg(QSvgRenderer &renderer, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace

PhotoPicture::PhotoPicture() = default;
PhotoPicture::~PhotoPicture() = default;
PhotoPicture::PhotoPicture(PhotoPicture &&) noexcept = default;
PhotoPicture &PhotoPicture::operator=(PhotoPicture &&) noexcept = default;

namespace {

// libemf2svg reads the header's description as two UTF-16 strings, each up
// to its terminating zero, wherever the description's offset points, even
// past the file's end. A description that does not end within the file is
// damaged.
bool EmfDescriptionSound(const QByteArray &emf)
{
    constexpr qsizetype fixedHeader = 88;
    if (emf.size() < fixedHeader)
        return false;
    const quint32 offset = qFromLittleEndian<quint32>(emf.constData() + 64);
    if (offset == 0)
        return true;
    int ends = 0;
    for (qint64 at = offset; at + 2 <= emf.size(); at += 2)
        if (emf.at(at) == 0 && emf.at(at + 1) == 0 && ++ends == 2)
            return true;
    return false;
}

} // namespace

bool PhotoPicture::EmfToSvg(const QByteArray &emf, QByteArray &svgData)
{
    if (!EmfDescriptionSound(emf))
        return false;
    char *svg = nullptr;
    size_t svgLength = 0;
    generatorOptions options{};
    char noNamespace[] = "";
    options.nameSpace = noNamespace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    // emf2svg reads only; its interface is not const.
    QByteArray copy = emf;
    const int ok = emf2svg(copy.data(), static_cast<size_t>(copy.size()), &svg, &svgLength, &options);
    if (ok == 1 && svg)
        svgData = QByteArray(svg, static_cast<qsizetype>(svgLength));
    std::free(svg);
    return !svgData.isEmpty();
}

bool PhotoPicture::WmfToPng(const QByteArray &wmf, QByteArray &out)
{
    // At most 40 million pixels; fewer where photos are limited to fewer (a
    // fuzz build).
    const WmfDecoder::Result d = WmfDecoder::Decode(reinterpret_cast<const unsigned char *>(wmf.constData()),
                                                    static_cast<std::size_t>(wmf.size()),
                                                    std::uint64_t(std::min<qint64>(40'000'000, MaxPixels)));
    if (d.ok)
        out = '1' + QByteArray(reinterpret_cast<const char *>(d.png.data()), qsizetype(d.png.size()));
    else
        out = '0' + QByteArray::fromStdString(d.problem);
    return true;
}

std::optional<PhotoPicture::Kind> PhotoPicture::KindForFileName(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return std::nullopt;
    const QString ext = name.mid(dot + 1).toLower();
    if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg"))
        return Kind::Jpeg;
    if (ext == QLatin1String("bmp"))
        return Kind::Bitmap;
    if (ext == QLatin1String("ico"))
        return Kind::Icon;
    if (ext == QLatin1String("emf"))
        return Kind::Emf;
    if (ext == QLatin1String("wmf"))
        return Kind::Wmf;
    if (ext == QLatin1String("png"))
        return Kind::Png;
    if (ext == QLatin1String("tif") || ext == QLatin1String("tiff"))
        return Kind::Tiff;
    if (ext == QLatin1String("webp"))
        return Kind::WebP;
    if (ext == QLatin1String("gif"))
        return Kind::Gif;
    if (ext == QLatin1String("heic") || ext == QLatin1String("heif") || ext == QLatin1String("hif"))
        return Kind::Heif;
    return std::nullopt;
}

QString PhotoPicture::FilePatterns()
{
    return QStringLiteral("*.jpg;*.jpeg;*.png;*.tif;*.tiff;*.webp;*.gif;*.heic;*.heif;*.hif;*.bmp;*.ico;*.emf;*.wmf");
}

namespace {

// What the Qt reader of a kind is called, and how a message names the file.
const char *QtFormat(PhotoPicture::Kind kind)
{
    switch (kind) {
    case PhotoPicture::Kind::Png:
        return "png";
    case PhotoPicture::Kind::Tiff:
        return "tiff";
    case PhotoPicture::Kind::WebP:
        return "webp";
    case PhotoPicture::Kind::Gif:
        return "gif";
    default:
        return "";
    }
}

QString KindName(PhotoPicture::Kind kind)
{
    switch (kind) {
    case PhotoPicture::Kind::Png:
        return QStringLiteral("PNG-bestand");
    case PhotoPicture::Kind::Tiff:
        return QStringLiteral("TIFF-bestand");
    case PhotoPicture::Kind::WebP:
        return QStringLiteral("WebP-bestand");
    case PhotoPicture::Kind::Gif:
        return QStringLiteral("GIF-bestand");
    case PhotoPicture::Kind::Heif:
        return QStringLiteral("HEIC/HEIF-bestand");
    default:
        return QString();
    }
}

QString TooLarge(qint64 width, qint64 height)
{
    return QStringLiteral("de afbeelding is te groot (%1 x %2 beeldpunten)").arg(width).arg(height);
}

void PutUint32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

quint32 GetUint32(const QByteArray &in, qsizetype at)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | quint8(in.at(at + i));
    return v;
}

// The pixels a job sent back, or a null image when they do not add up.
QImage PixelsFromJob(const QByteArray &out)
{
    if (out.size() < 10)
        return QImage();
    const bool alpha = out.at(1) != 0;
    const quint32 width = GetUint32(out, 2), height = GetUint32(out, 6);
    const qint64 rowBytes = qint64(width) * (alpha ? 4 : 3);
    if (width == 0 || height == 0 || qint64(width) * height > PhotoPicture::MaxPixels
        || out.size() != 10 + rowBytes * qint64(height))
        return QImage();
    QImage image(int(width), int(height), alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (image.isNull())
        return image;
    const char *from = out.constData() + 10;
    for (int y = 0; y < int(height); ++y, from += rowBytes)
        std::memcpy(image.scanLine(y), from, size_t(rowBytes));
    return image.convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
}

quint32 BigEndian32(const QByteArray &in, qsizetype at)
{
    return quint32(quint8(in.at(at))) << 24 | quint32(quint8(in.at(at + 1))) << 16 | quint32(quint8(in.at(at + 2))) << 8
        | quint32(quint8(in.at(at + 3)));
}

// The EXIF block a PNG (its eXIf chunk) or a WebP file (its EXIF chunk)
// carries, as "Exif\0\0" and the TIFF structure; empty when there is none.
QByteArray EmbeddedExif(const QByteArray &data, PhotoPicture::Kind kind)
{
    QByteArray exif;
    if (kind == PhotoPicture::Kind::Png && data.startsWith("\x89PNG\r\n\x1a\n")) {
        for (qsizetype at = 8; at + 8 <= data.size();) {
            const qint64 length = BigEndian32(data, at);
            const QByteArray type = data.mid(at + 4, 4);
            if (length > data.size() - at - 12)
                break;
            if (type == "eXIf") {
                exif = data.mid(at + 8, length);
                break;
            }
            if (type == "IEND")
                break;
            at += 12 + length;
        }
    } else if (kind == PhotoPicture::Kind::WebP && data.size() >= 12 && data.startsWith("RIFF")
               && data.mid(8, 4) == "WEBP") {
        for (qsizetype at = 12; at + 8 <= data.size();) {
            const qint64 length = qint64(GetUint32(data, at + 4));
            if (length > data.size() - at - 8)
                break;
            if (data.mid(at, 4) == "EXIF") {
                exif = data.mid(at + 8, length);
                break;
            }
            at += 8 + length + (length & 1);
        }
    }
    if (exif.isEmpty())
        return exif;
    return exif.startsWith(QByteArray("Exif\0\0", 6)) ? exif : QByteArray("Exif\0\0", 6) + exif;
}

} // namespace

namespace {

// The thumbnail a HEIF photo is best decoded from for a longer side of
// longSide (0: the photo itself): the smallest the camera stored that is at
// least that large and of the photo's shape. Nothing means the photo; the
// caller releases what it gets.
heif_image_handle *ThumbnailFor(const heif_image_handle *primary, int longSide)
{
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (longSide <= 0 || count <= 0)
        return nullptr;
    std::vector<heif_item_id> ids(size_t(std::min(count, 16)));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), int(ids.size()));
    const double shape = double(heif_image_handle_get_width(primary)) / heif_image_handle_get_height(primary);
    heif_image_handle *best = nullptr;
    qint64 bestPixels = 0;
    for (const heif_item_id id : ids) {
        heif_image_handle *candidate = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &candidate).code != heif_error_Ok || !candidate)
            continue;
        const qint64 w = heif_image_handle_get_width(candidate), h = heif_image_handle_get_height(candidate);
        if (w > 0 && h > 0 && std::max(w, h) >= longSide && std::abs(double(w) / h / shape - 1) <= 0.02
            && (!best || w * h < bestPixels)) {
            std::swap(best, candidate);
            bestPixels = w * h;
        }
        if (candidate)
            heif_image_handle_release(candidate);
    }
    return best;
}

} // namespace

bool PhotoPicture::HeifToPixels(const QByteArray &heif, QByteArray &out)
{
    return HeifDecode(heif, 0, out);
}

bool PhotoPicture::HeifToFittedPixels(const QByteArray &in, QByteArray &out)
{
    if (in.size() < 4) {
        out = "0geen geldige opdracht";
        return true;
    }
    const int longSide = int(std::min<quint32>(GetUint32(in, 0), 1 << 16));
    // The file's bytes where they are: a photo of megabytes is not copied.
    return HeifDecode(QByteArray::fromRawData(in.constData() + 4, in.size() - 4), longSide, out);
}

bool PhotoPicture::HeifDecode(const QByteArray &heif, int longSide, QByteArray &out)
{
    auto problem = [&out](const QString &what) {
        out = '0' + what.toUtf8();
        return true;
    };
    HevcPictureDecoder::Register();
    std::unique_ptr<heif_context, void (*)(heif_context *)> context(heif_context_alloc(), heif_context_free);
    if (!context)
        return problem(QStringLiteral("onvoldoende geheugen"));
    heif_error error =
        heif_context_read_from_memory_without_copy(context.get(), heif.constData(), size_t(heif.size()), nullptr);
    if (error.code != heif_error_Ok)
        return problem(QStringLiteral("geen geldig of een beschadigd HEIC/HEIF-bestand (%1)")
                           .arg(QString::fromUtf8(error.message)));
    heif_image_handle *rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle *)> handle(rawHandle,
                                                                                   heif_image_handle_release);
    if (error.code != heif_error_Ok || !handle)
        return problem(QStringLiteral("het HEIC/HEIF-bestand bevat geen afbeelding"));
    const qint64 width = heif_image_handle_get_width(handle.get());
    const qint64 height = heif_image_handle_get_height(handle.get());
    if (width <= 0 || height <= 0)
        return problem(QStringLiteral("de afbeelding heeft geen afmetingen"));
    if (width * height > MaxPixels)
        return problem(TooLarge(width, height));
    if (heif_image_handle *thumbnail = ThumbnailFor(handle.get(), longSide))
        handle.reset(thumbnail);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get());
    // Its rotation and mirroring (irot, imir) are applied: the picture comes
    // out upright.
    heif_image *rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
    std::unique_ptr<heif_image, void (*)(const heif_image *)> image(rawImage, heif_image_release);
    if (error.code != heif_error_Ok || !image)
        return problem(QStringLiteral("geen geldig of een beschadigd HEIC/HEIF-bestand (%1)")
                           .arg(QString::fromUtf8(error.message)));
    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    const qint64 rowBytes = qint64(w) * (alpha ? 4 : 3);
    if (!plane || w <= 0 || h <= 0 || stride < rowBytes || qint64(w) * h > MaxPixels)
        return problem(QStringLiteral("geen geldig of een beschadigd HEIC/HEIF-bestand"));
    if (longSide > 0 && std::max(w, h) > longSide) {
        // Scaled down here: a photo of 12 million pixels need not cross
        // the pipe for a thumbnail.
        const QImage whole(plane, w, h, int(stride), alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        const QImage small = whole.scaled(longSide, longSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (small.isNull())
            return problem(QStringLiteral("onvoldoende geheugen"));
        const qint64 smallRow = qint64(small.width()) * (alpha ? 4 : 3);
        out.clear();
        out.reserve(10 + smallRow * small.height());
        out.append('1');
        out.append(alpha ? '\1' : '\0');
        PutUint32(out, quint32(small.width()));
        PutUint32(out, quint32(small.height()));
        for (int y = 0; y < small.height(); ++y)
            out.append(reinterpret_cast<const char *>(small.constScanLine(y)), smallRow);
        return true;
    }
    out.clear();
    out.reserve(10 + rowBytes * h);
    out.append('1');
    out.append(alpha ? '\1' : '\0');
    PutUint32(out, quint32(w));
    PutUint32(out, quint32(h));
    for (int y = 0; y < h; ++y)
        out.append(reinterpret_cast<const char *>(plane + qint64(y) * stride), rowBytes);
    return true;
}

QString PhotoPicture::Problem(const QString &what) const
{
    return QStringLiteral("De afbeelding \"%1\" kan niet worden getoond: %2.").arg(fileNameOf(m_fileName), what);
}

PhotoPicture PhotoPicture::Load(const QString &fileName)
{
    return Load(fileName, 0);
}

PhotoPicture PhotoPicture::Load(const QString &fileName, int longSide)
{
    PhotoPicture p;
    p.m_fileName = fileName;
    const std::optional<Kind> kind = KindForFileName(fileName);
    if (!kind) {
        throw TolvekError(QStringLiteral("Het bestand \"%1\" is geen afbeelding die dit programma kan tonen: de "
                                         "extensie \"%2\" is onbekend (bekend zijn jpg, jpeg, png, tif, tiff, webp, "
                                         "gif, heic, heif, hif, bmp, ico, emf en wmf).")
                              .arg(fileNameOf(fileName), QFileInfo(fileName).suffix()));
    }
    p.m_kind = *kind;

    QFile file;
    QString problem;
    if (!InputFile::Open(file, fileName, &problem))
        throw TolvekError(p.Problem(problem));

    switch (p.m_kind) {
    case Kind::Jpeg: {
        p.m_data = file.readAll();
        try {
            p.m_size = JpegDecoder::ReadHeader(p.m_data).shownSize();
        } catch (const TolvekError &e) {
            throw TolvekError(p.Problem(e.message()));
        }
        if (p.m_size.isEmpty())
            throw TolvekError(p.Problem(QStringLiteral("de afbeelding heeft geen afmetingen")));
        break;
    }
    case Kind::Bitmap:
    case Kind::Icon: {
        QImageReader reader(&file, p.m_kind == Kind::Bitmap ? "bmp" : "ico");
        reader.setAutoDetectImageFormat(false);
        const QSize size = reader.size();
        if (size.isValid() && qint64(size.width()) * size.height() > MaxPixels) {
            throw TolvekError(p.Problem(QStringLiteral("de afbeelding is te groot (%1 x %2 beeldpunten)")
                                            .arg(size.width())
                                            .arg(size.height())));
        }
        QImage image = reader.read();
        if (image.isNull())
            throw TolvekError(
                p.Problem(QStringLiteral("geen geldige of een beschadigde %1 (%2)")
                              .arg(p.m_kind == Kind::Bitmap ? QStringLiteral("bitmap") : QStringLiteral("pictogram"),
                                   reader.errorString())));
        p.m_image = std::move(image);
        p.m_size = p.m_image.size();
        break;
    }
    case Kind::Emf: {
        p.m_data = file.readAll();
        // libemf2svg reads outside its buffers on damaged files (found by
        // fuzzing): it only ever runs in the helper process.
        QByteArray svgData;
        if (p.m_data.size() >= 88) {
            IsolatedCall::Limits limits;
            limits.milliseconds = MetafileMilliseconds;
            const IsolatedCall::Result r = IsolatedCall::Run(EmfJob, p.m_data, limits);
            if (r.status == IsolatedCall::Status::TimedOut)
                throw TolvekError(p.Problem(QStringLiteral("het Enhanced-metabestand is beschadigd of te ingewikkeld "
                                                           "(het lezen duurde langer dan %1 seconden)")
                                                .arg(MetafileMilliseconds / 1000)));
            if (r.status == IsolatedCall::Status::Ok)
                svgData = r.output;
        }
        if (svgData.isEmpty())
            throw TolvekError(p.Problem(QStringLiteral("geen geldig of een beschadigd Enhanced-metabestand")));
        p.m_svg = std::make_unique<QSvgRenderer>(svgData);
        if (!p.m_svg->isValid() || p.m_svg->defaultSize().isEmpty())
            throw TolvekError(p.Problem(QStringLiteral("het Enhanced-metabestand kan niet worden getekend")));
        p.m_size = p.m_svg->defaultSize();
        if (qint64(p.m_size.width()) * p.m_size.height() > MaxPixels)
            p.m_size.scale(QSize(10000, 10000), Qt::KeepAspectRatio);
        break;
    }
    case Kind::Png:
    case Kind::Tiff:
    case Kind::WebP:
    case Kind::Gif: {
        // The first page of a TIFF, the first frame of a GIF; EXIF
        // orientation applied.
        QImageReader reader(&file, QtFormat(p.m_kind));
        reader.setAutoDetectImageFormat(false);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (!size.isValid())
            throw TolvekError(p.Problem(
                QStringLiteral("geen geldig of een beschadigd %1 (%2)").arg(KindName(p.m_kind), reader.errorString())));
        if (qint64(size.width()) * size.height() > MaxPixels)
            throw TolvekError(p.Problem(TooLarge(size.width(), size.height())));
        // Room for the largest photo allowed, in MB, four bytes a pixel.
        reader.setAllocationLimit(int(MaxPixels * 4 / (1024 * 1024)) + 1);
        const bool turnedByReader = reader.supportsOption(QImageIOHandler::ImageTransformation);
        QImage image = reader.read();
        if (image.isNull())
            throw TolvekError(p.Problem(
                QStringLiteral("geen geldig of een beschadigd %1 (%2)").arg(KindName(p.m_kind), reader.errorString())));
        // A GIF's frame may reach past the size its header gives.
        if (qint64(image.width()) * image.height() > MaxPixels)
            throw TolvekError(p.Problem(TooLarge(image.width(), image.height())));
        // Qt's PNG and WebP readers leave the EXIF orientation to us.
        if (!turnedByReader && file.seek(0)) {
            const QByteArray exif = EmbeddedExif(file.readAll(), p.m_kind);
            if (!exif.isEmpty())
                image = JpegDecoder::ApplyOrientation(
                    image,
                    JpegDecoder::OrientationFromExif(reinterpret_cast<const unsigned char *>(exif.constData()),
                                                     std::size_t(exif.size())));
        }
        image =
            image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
        if (image.isNull())
            throw TolvekError(p.Problem(QStringLiteral("onvoldoende geheugen")));
        p.m_image = std::move(image);
        p.m_size = p.m_image.size();
        break;
    }
    case Kind::Heif: {
        QByteArray data;
        if (longSide > 0)
            PutUint32(data, quint32(longSide));
        data += file.readAll();
        IsolatedCall::Limits limits;
        limits.milliseconds = HeifMilliseconds;
        limits.memoryBytes = qint64(3) << 30;
        limits.outputBytes = MaxPixels * 4 + 64;
        const IsolatedCall::Result r = IsolatedCall::Run(longSide > 0 ? HeifFitJob : HeifJob, data, limits);
        if (r.status == IsolatedCall::Status::TimedOut)
            throw TolvekError(p.Problem(QStringLiteral("het HEIC/HEIF-bestand is beschadigd of te ingewikkeld "
                                                       "(het lezen duurde langer dan %1 seconden)")
                                            .arg(HeifMilliseconds / 1000)));
        if (r.status == IsolatedCall::Status::NoChild)
            throw TolvekError(p.Problem(QStringLiteral("het hulpprogramma tolvek-decode kan niet worden gestart")));
        if (r.status != IsolatedCall::Status::Ok || r.output.isEmpty())
            throw TolvekError(p.Problem(QStringLiteral("geen geldig of een beschadigd HEIC/HEIF-bestand")));
        if (r.output.at(0) != '1')
            throw TolvekError(p.Problem(QString::fromUtf8(r.output.mid(1))));
        p.m_image = PixelsFromJob(r.output);
        if (p.m_image.isNull())
            throw TolvekError(p.Problem(QStringLiteral("onvoldoende geheugen")));
        p.m_size = p.m_image.size();
        break;
    }
    case Kind::Wmf: {
        p.m_data = file.readAll();
        // libwmf asks for gigabytes on damaged files (found by fuzzing): it
        // only ever runs in the helper process.
        IsolatedCall::Limits limits;
        limits.milliseconds = MetafileMilliseconds;
        const IsolatedCall::Result r = IsolatedCall::Run(WmfJob, p.m_data, limits);
        if (r.status == IsolatedCall::Status::TimedOut)
            throw TolvekError(p.Problem(QStringLiteral("het Windows-metabestand is beschadigd of te ingewikkeld "
                                                       "(het lezen duurde langer dan %1 seconden)")
                                            .arg(MetafileMilliseconds / 1000)));
        if (r.status != IsolatedCall::Status::Ok || r.output.isEmpty())
            throw TolvekError(p.Problem(QStringLiteral("geen geldig of een beschadigd Windows-metabestand")));
        if (r.output.at(0) != '1')
            throw TolvekError(p.Problem(QString::fromUtf8(r.output.mid(1))));
        const QByteArray png = r.output.mid(1);
        QImage image;
        if (!image.loadFromData(png, "PNG"))
            throw TolvekError(p.Problem(QStringLiteral("onvoldoende geheugen")));
        image = image.convertToFormat(QImage::Format_RGB32);
        p.m_image = std::move(image);
        p.m_size = p.m_image.size();
        break;
    }
    }
    return p;
}

QImage PhotoPicture::Scaled(QSize size) const
{
    if (IsNull() || size.isEmpty())
        return QImage();
    QImage result;
    switch (m_kind) {
    case Kind::Jpeg:
        try {
            result = JpegDecoder::Decode(m_data, size, MaxPixels);
        } catch (const TolvekError &e) {
            throw TolvekError(Problem(e.message()));
        }
        break;
    case Kind::Emf:
        result = renderSvg(*m_svg, size);
        break;
    default:
        result =
            size == m_image.size() ? m_image : m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        break;
    }
    if (result.isNull())
        throw TolvekError(Problem(QStringLiteral("onvoldoende geheugen")));
    return result;
}

QImage PhotoPicture::FullSize() const
{
    if (IsNull())
        return QImage();
    if (m_kind == Kind::Jpeg) {
        try {
            return JpegDecoder::Decode(m_data, QSize(), MaxPixels);
        } catch (const TolvekError &e) {
            throw TolvekError(Problem(e.message()));
        }
    }
    if (m_kind == Kind::Emf) {
        QImage image = renderSvg(*m_svg, m_size);
        if (image.isNull())
            throw TolvekError(Problem(QStringLiteral("onvoldoende geheugen")));
        return image;
    }
    return m_image;
}

QByteArray PhotoPicture::MetafileBytes() const
{
    return m_kind == Kind::Emf || m_kind == Kind::Wmf ? m_data : QByteArray();
}

QString PhotoPicture::MetafileMimeType() const
{
    if (m_kind == Kind::Emf)
        return QStringLiteral("image/x-emf");
    if (m_kind == Kind::Wmf)
        return QStringLiteral("image/x-wmf");
    return QString();
}

void PhotoPicture::Release()
{
    m_data = QByteArray();
    m_image = QImage();
    m_svg.reset();
    m_size = QSize();
}
