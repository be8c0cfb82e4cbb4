#include "core/map/PdfMapRenderer.h"

#include "core/base/TolvekError.h"
#include "core/platform/IsolatedCall.h"

#include <QDataStream>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <memory>

#include <poppler/qt6/poppler-qt6.h>

namespace {

// What the helper sends back: '1', width and height (32 bits each, little
// endian), then the rows of 32-bit pixels; or '0' and the reason in UTF-8.
constexpr int HeaderBytes = 1 + 8;

QByteArray Refusal(const QString &reason)
{
    return '0' + reason.toUtf8();
}

void Quiet(const QString &, const QVariant &)
{
}

// Runs in the helper: everything Poppler does stays there.
QByteArray RenderInHelper(const QString &path, double dpiForFit, QSize box, qint64 maxPixels)
{
    // Poppler's complaints about a damaged file are the reason given to the
    // user, not lines on the terminal.
    Poppler::setDebugErrorFunction(&Quiet, QVariant());
    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return Refusal(QStringLiteral("geen geldig of een beschadigd PDF-document"));
    if (document->isLocked())
        return Refusal(QStringLiteral("het PDF-document is met een wachtwoord beveiligd"));
    if (document->numPages() < 1)
        return Refusal(QStringLiteral("het PDF-document heeft geen pagina's"));
    std::unique_ptr<Poppler::Page> page = document->page(0);
    if (!page)
        return Refusal(QStringLiteral("de eerste pagina van het PDF-document kan niet worden gelezen"));
    const QSizeF points = page->pageSizeF();
    double dpi = dpiForFit;
    if (box.isValid()) {
        if (points.width() <= 0 || points.height() <= 0)
            return Refusal(QString());
        dpi = std::min(box.width() * 72.0 / points.width(), box.height() * 72.0 / points.height());
    }
    const QSize size(int(std::floor(points.width() * dpi / 72.0 + 0.5)),
                     int(std::floor(points.height() * dpi / 72.0 + 0.5)));
    if (size.width() < 1 || size.height() < 1)
        return Refusal(QStringLiteral("de eerste pagina heeft geen afmetingen"));
    if (qint64(size.width()) * size.height() > maxPixels)
        return Refusal(QStringLiteral("de pagina is te groot (%1 x %2 beeldpunten bij %3 dpi)")
                           .arg(size.width())
                           .arg(size.height())
                           .arg(PdfMapRenderer::DotsPerInch));
    document->setPaperColor(Qt::white);
    document->setRenderHint(Poppler::Document::Antialiasing, true);
    document->setRenderHint(Poppler::Document::TextAntialiasing, true);
    QImage image = page->renderToImage(dpi, dpi);
    if (image.isNull())
        return Refusal(QStringLiteral("de eerste pagina kan niet worden getekend (onvoldoende geheugen?)"));
    image = image.convertToFormat(QImage::Format_RGB32);
    QByteArray out;
    const qsizetype rowBytes = qsizetype(image.width()) * 4;
    out.resize(HeaderBytes + rowBytes * image.height());
    out[0] = '1';
    qToLittleEndian<qint32>(image.width(), out.data() + 1);
    qToLittleEndian<qint32>(image.height(), out.data() + 5);
    char *to = out.data() + HeaderBytes;
    for (int y = 0; y < image.height(); ++y, to += rowBytes)
        std::memcpy(to, image.constScanLine(y), size_t(rowBytes));
    return out;
}

// Runs the renderer in the helper; dpi is used without a box, else the page
// is fitted to the box.
QImage RunRenderer(const QString &path, double dpi, QSize box, qint64 maxPixels)
{
    IsolatedCall::Limits limits;
    limits.milliseconds = PdfMapRenderer::Milliseconds;
    // Poppler's page, its copy as a Qt image and working room.
    limits.memoryBytes = 2 * 4 * maxPixels + (qint64(1) << 30);
    limits.outputBytes = HeaderBytes + 4 * maxPixels;
    QByteArray request;
    QDataStream stream(&request, QIODevice::WriteOnly);
    stream << path << dpi << box << maxPixels;
    const IsolatedCall::Result r = IsolatedCall::Run(PdfMapRenderer::Job, request, limits);
    switch (r.status) {
    case IsolatedCall::Status::Ok:
        break;
    case IsolatedCall::Status::TimedOut:
        throw TolvekError(QStringLiteral("het PDF-document is beschadigd of te ingewikkeld (het lezen duurde langer "
                                         "dan %1 seconden)")
                              .arg(PdfMapRenderer::Milliseconds / 1000));
    case IsolatedCall::Status::NoChild:
        throw TolvekError(QStringLiteral("er kon geen proces worden gestart om het PDF-document te lezen"));
    default:
        throw TolvekError(QStringLiteral("geen geldig of een beschadigd PDF-document (het lezen is mislukt)"));
    }
    const QByteArray &out = r.output;
    if (out.isEmpty() || out.at(0) != '1' || out.size() < HeaderBytes)
        throw TolvekError(out.size() > 1 ? QString::fromUtf8(out.mid(1))
                                         : QStringLiteral("geen geldig of een beschadigd PDF-document"));
    const qint32 width = qFromLittleEndian<qint32>(out.constData() + 1);
    const qint32 height = qFromLittleEndian<qint32>(out.constData() + 5);
    if (width < 1 || height < 1 || qint64(width) * height * 4 != out.size() - HeaderBytes)
        throw TolvekError(QStringLiteral("geen geldig of een beschadigd PDF-document"));
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        throw TolvekError(
            QStringLiteral("onvoldoende geheugen voor een pagina van %1 x %2 beeldpunten").arg(width).arg(height));
    const char *from = out.constData() + HeaderBytes;
    for (int y = 0; y < height; ++y, from += qsizetype(width) * 4)
        std::memcpy(image.scanLine(y), from, size_t(width) * 4);
    return image;
}

} // namespace

bool PdfMapRenderer::RenderJob(const QByteArray &request, QByteArray &out)
{
    QString path;
    double dpi = 0;
    QSize box;
    qint64 maxPixels = 0;
    QDataStream in(request);
    in >> path >> dpi >> box >> maxPixels;
    if (in.status() != QDataStream::Ok)
        return false;
    out = RenderInHelper(path, dpi, box, maxPixels);
    return true;
}

QSize PdfMapRenderer::PixelSize(double widthPoints, double heightPoints)
{
    return QSize(int(std::floor(widthPoints * DotsPerInch / 72.0 + 0.5)),
                 int(std::floor(heightPoints * DotsPerInch / 72.0 + 0.5)));
}

QImage PdfMapRenderer::Render(const QString &path, qint64 maxPixels)
{
    return RunRenderer(path, DotsPerInch, QSize(), maxPixels);
}

QImage PdfMapRenderer::RenderFitted(const QString &path, QSize box)
{
    if (box.isEmpty())
        return QImage();
    try {
        return RunRenderer(path, 0, box, qint64(box.width() + 1) * (box.height() + 1));
    } catch (const TolvekError &) {
        return QImage();
    }
}
