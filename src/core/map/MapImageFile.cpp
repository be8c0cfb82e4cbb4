#include "core/map/MapImageFile.h"

#include "core/base/TolvekError.h"
#include "core/map/MapMetafile.h"
#include "core/map/MapPainter.h"
#include "core/map/MapScene.h"
#include "core/platform/SafeFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>

namespace {

[[noreturn]] void cannotWrite(const QString &fileName, const QString &reason)
{
    throw TolvekError(
        QStringLiteral("Kan het bestand \"%1\" niet schrijven: %2.").arg(QDir::toNativeSeparators(fileName), reason));
}

// Through the safe writer, so that a failed export leaves an earlier file
// of that name as it was.
void writeBytes(const QString &fileName, const QByteArray &bytes)
{
    SafeFileWriter writer(fileName);
    if (!writer.Open() || !writer.Append(bytes.constData(), std::size_t(bytes.size())) || !writer.Commit())
        cannotWrite(fileName, writer.Reason());
}

QByteArray pngBytes(const MapMetafile &metafile, double markerMm, const MapDecorations::Marks &marks)
{
    QImage image = metafile.RenderImage();
    if ((markerMm > 0 || !marks.IsEmpty()) && !image.isNull()) {
        QPainter painter(&image);
        if (markerMm > 0)
            MapImageFile::PaintNumbers(painter, metafile.Scene(), markerMm, 1, 96);
        MapDecorations::PaintOnMap(painter, marks, QSizeF(image.size()), 1);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        throw TolvekError(QStringLiteral("De overzichtskaart kan niet als PNG-afbeelding worden vastgelegd."));
    return bytes;
}

QByteArray svgBytes(const MapMetafile &metafile, double markerMm, const MapDecorations::Marks &marks)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(metafile.Size());
    svg.setViewBox(QRect(QPoint(0, 0), metafile.Size()));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Overzichtskaart"));
    QPainter painter;
    if (!painter.begin(&svg))
        throw TolvekError(QStringLiteral("De overzichtskaart kan niet als SVG-tekening worden vastgelegd."));
    painter.fillRect(QRect(QPoint(0, 0), metafile.Size()), Qt::white);
    MapPainter::Paint(painter, metafile.Scene());
    if (markerMm > 0)
        MapImageFile::PaintNumbers(painter, metafile.Scene(), markerMm, 1, 96);
    MapDecorations::PaintOnMap(painter, marks, QSizeF(metafile.Size()), 1);
    painter.end();
    return bytes;
}

// One page the size of the map, one map pixel a 96th of an inch; a map too
// big for a PDF page (200 inches) is scaled down to fit on one.
QByteArray pdfBytes(const MapMetafile &metafile, double markerMm, const MapDecorations::Marks &marks)
{
    constexpr double MaxPoints = 14400;
    const QSize size = metafile.Size();
    double width = size.width() * 0.75;
    double height = size.height() * 0.75;
    const double shrink = std::min(1.0, MaxPoints / std::max(width, height));
    width = std::max(1.0, width * shrink);
    height = std::max(1.0, height * shrink);

    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(QStringLiteral("Overzichtskaart"));
        pdf.setCreator(QStringLiteral("Tolvek"));
        const QPageLayout::Orientation orientation = MapImageFile::BestOrientation(size);
        const QSizeF portrait(std::min(width, height), std::max(width, height));
        pdf.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                      orientation, QMarginsF()));
        pdf.setResolution(96);
        QPainter painter;
        if (!painter.begin(&pdf))
            throw TolvekError(QStringLiteral("De overzichtskaart kan niet als PDF-document worden vastgelegd."));
        MapImageFile::PaintFitted(painter, metafile.Scene(), QRectF(QPointF(0, 0), QSizeF(pdf.width(), pdf.height())),
                                  markerMm, marks);
        painter.end();
    }
    return bytes;
}

} // namespace

MapImageFile::Format MapImageFile::FormatOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    if (suffix == QLatin1String("emf"))
        return Format::Emf;
    return Format::Unknown;
}

void MapImageFile::Save(const MapMetafile &metafile, const QString &fileName, double markerMm,
                        const MapDecorations::Marks &marks)
{
    const Format format = FormatOf(fileName);
    if (format != Format::Emf && format != Format::Unknown)
        RefuseWithoutMap(metafile.Scene());
    switch (format) {
    case Format::Png:
        writeBytes(fileName, pngBytes(metafile, markerMm, marks));
        return;
    case Format::Svg:
        writeBytes(fileName, svgBytes(metafile, markerMm, marks));
        return;
    case Format::Pdf:
        writeBytes(fileName, pdfBytes(metafile, markerMm, marks));
        return;
    case Format::Emf:
        if (!marks.IsEmpty())
            throw TolvekError(QStringLiteral("Een noordpijl of schaalbalk kan niet in het EMF-bestand \"%1\"; kies "
                                             ".png, .svg of .pdf.")
                                  .arg(QDir::toNativeSeparators(fileName)));
        metafile.SaveToFile(fileName);
        return;
    case Format::Unknown:
        break;
    }
    throw TolvekError(QStringLiteral("Onbekend bestandstype \"%1\": gebruik .png, .svg, .pdf of .emf.")
                          .arg(QDir::toNativeSeparators(fileName)));
}

void MapImageFile::RefuseWithoutMap(const MapScene &scene)
{
    if (!scene.map.isNull())
        return;
    throw TolvekError(scene.mapProblem
                      + QStringLiteral(" Zonder overzichtskaart wordt geen afbeelding van de kaart gemaakt."));
}

void MapImageFile::PaintFitted(QPainter &painter, const MapScene &scene, const QRectF &target, double markerMm,
                               const MapDecorations::Marks &marks)
{
    if (scene.size.isEmpty() || target.isEmpty())
        return;
    const double scale = std::min(target.width() / scene.size.width(), target.height() / scene.size.height());
    const QSizeF shown = QSizeF(scene.size) * scale;
    const QPointF origin = target.center() - QPointF(shown.width() / 2, shown.height() / 2);
    painter.save();
    painter.translate(origin);
    painter.scale(scale, scale);
    const QRect map(QPoint(0, 0), scene.size);
    painter.setClipRect(map);
    painter.fillRect(map, Qt::white);
    MapPainter::Paint(painter, scene);
    if (markerMm > 0 && painter.device())
        PaintNumbers(painter, scene, markerMm, scale, painter.device()->logicalDpiX());
    // The marks as large on paper as on a screen of 96 dpi.
    if (!marks.IsEmpty() && painter.device())
        MapDecorations::PaintOnMap(painter, marks, QSizeF(scene.size), painter.device()->logicalDpiX() / 96.0 / scale);
    painter.restore();
}

void MapImageFile::PaintNumbers(QPainter &painter, const MapScene &scene, double markerMm, double mapScale, double dpi)
{
    if (mapScale <= 0 || dpi <= 0)
        return;
    const double devicePerMm = dpi / 25.4;
    MapPainter::Markers markers;
    // The project's own triangles where they are larger than asked.
    markers.size = std::max(double(scene.triangleSize), markerMm * devicePerMm / mapScale);
    // Numbers about as tall as the markers, and readable however small those are.
    markers.fontPixels = std::max(markerMm, 2.5) * 0.8 * devicePerMm / mapScale;
    markers.penWidth = std::max(1.0, 0.3 * devicePerMm) / mapScale;
    markers.number = [](const MapPhotoShape &shape) { return QString::number(shape.key); };
    MapPainter::PaintMarkers(painter, scene, markers);
}

QPageLayout::Orientation MapImageFile::BestOrientation(const QSize &mapSize)
{
    return mapSize.width() > mapSize.height() ? QPageLayout::Landscape : QPageLayout::Portrait;
}
