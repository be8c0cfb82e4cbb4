#include "core/photos/PhotoPicture.h"

#include "core/base/TolvekError.h"
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

#include <cstdlib>
#include <cstring>
#include <emf2svg.h>

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

bool PhotoPicture::EmfToSvg(const QByteArray &emf, QByteArray &svgData)
{
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
    const WmfDecoder::Result d = WmfDecoder::Decode(reinterpret_cast<const unsigned char *>(wmf.constData()),
                                                    static_cast<std::size_t>(wmf.size()), 40'000'000);
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
    return std::nullopt;
}

QString PhotoPicture::Problem(const QString &what) const
{
    return QStringLiteral("De afbeelding \"%1\" kan niet worden getoond: %2.").arg(fileNameOf(m_fileName), what);
}

PhotoPicture PhotoPicture::Load(const QString &fileName)
{
    PhotoPicture p;
    p.m_fileName = fileName;
    const std::optional<Kind> kind = KindForFileName(fileName);
    if (!kind) {
        throw TolvekError(QStringLiteral("Het bestand \"%1\" is geen afbeelding die dit programma kan tonen: de "
                                         "extensie \"%2\" is onbekend (bekend zijn jpg, jpeg, bmp, ico, emf en wmf).")
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
