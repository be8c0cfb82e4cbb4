#include "core/report/ReportPainter.h"

#include "core/map/MapPainter.h"
#include "core/map/MapScene.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// The overview map's pixel density on paper: fine lines of a plan stay sharp.
constexpr int MapPpi = 200;

double Inches(double dots)
{
    return dots / ReportLayout::Dpi;
}

} // namespace

ReportPainter::ReportPainter(const ReportLayout &layout, const MapScene &scene) : m_layout(layout), m_scene(scene)
{
}

QSize ReportPainter::FitSize(QSize photo, const QRectF &box, int ppi)
{
    if (photo.isEmpty() || box.isEmpty())
        return QSize();
    const QSizeF room(Inches(box.width()) * ppi, Inches(box.height()) * ppi);
    QSizeF fitted = QSizeF(photo).scaled(room, Qt::KeepAspectRatio);
    if (fitted.width() > photo.width())
        fitted = QSizeF(photo);
    return QSize(std::max(1, int(std::lround(fitted.width()))), std::max(1, int(std::lround(fitted.height()))));
}

double ReportPainter::MarkerSize(double dotsPerMapPixel) const
{
    // The project's own size where that is large enough to see on paper.
    const double least = ReportLayout::Mm(ReportLayout::MarkerMm()) / dotsPerMapPixel;
    return std::max(double(m_scene.triangleSize), least);
}

void ReportPainter::PaintPage(QPainter &painter, int index, const PhotoSource &photos) const
{
    const ReportLayout::Page &page = m_layout.Pages().at(index);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);

    if (page.kind != ReportLayout::Page::Kind::Title) {
        const double margin = ReportLayout::Mm(15);
        const double y = margin + ReportLayout::Mm(5.5);
        painter.setPen(QPen(QColor(150, 150, 150), ReportLayout::Mm(0.2)));
        painter.drawLine(QPointF(margin, y), QPointF(m_layout.PageSize().width() - margin, y));
    }
    if (!page.map.isEmpty())
        PaintMap(painter, page.map);
    if (!page.legend.isEmpty())
        PaintLegend(painter, page.legend);
    for (const ReportLayout::Cell &cell : page.cells) {
        PaintPhoto(painter, cell, photos);
        if (!cell.keyMap.isEmpty())
            PaintKeyMap(painter, cell);
    }

    ReportLayout::Style style = ReportLayout::Style::Body;
    bool first = true;
    for (const ReportLayout::Run &run : page.runs) {
        if (first || run.style != style) {
            style = run.style;
            first = false;
            painter.setFont(ReportLayout::Font(style));
            painter.setPen(ReportLayout::Colour(style));
        }
        painter.drawText(run.baseline, run.text);
    }
    painter.restore();
}

void ReportPainter::PaintPhoto(QPainter &painter, const ReportLayout::Cell &cell, const PhotoSource &photos) const
{
    const ReportContent::Photo &photo = m_layout.Content().photos.at(cell.photo);
    QString problem;
    const QImage image = photos ? photos(cell.photo, &problem) : QImage();
    if (!image.isNull()) {
        const QSizeF shown = QSizeF(image.size()).scaled(cell.photoBox.size(), Qt::KeepAspectRatio);
        const QRectF at(cell.photoBox.left() + (cell.photoBox.width() - shown.width()) / 2, cell.photoBox.top(),
                        shown.width(), shown.height());
        painter.drawImage(at, image);
        painter.setPen(QPen(QColor(120, 120, 120), ReportLayout::Mm(0.15)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(at);
        return;
    }
    // A clear box in the photo's place, naming the file.
    const QRectF box = cell.photoBox.adjusted(0, 0, 0, -cell.photoBox.height() * 0.25);
    painter.setPen(QPen(QColor(150, 150, 150), ReportLayout::Mm(0.3), Qt::DashLine));
    painter.setBrush(QColor(242, 242, 242));
    painter.drawRect(box);
    const QString name = photo.fileName.isEmpty() ? QStringLiteral("(geen bestand)") : photo.fileName;
    QStringList lines;
    lines << QStringLiteral("Foto ontbreekt");
    lines << ReportLayout::Wrap(name, ReportLayout::Style::Small, box.width() - ReportLayout::Mm(6));
    if (!problem.isEmpty())
        lines << ReportLayout::Wrap(problem, ReportLayout::Style::Small, box.width() - ReportLayout::Mm(6));
    const QFontMetricsF heading(ReportLayout::Font(ReportLayout::Style::Heading));
    const QFontMetricsF small(ReportLayout::Font(ReportLayout::Style::Small));
    const double height = heading.lineSpacing() + (lines.size() - 1) * small.lineSpacing();
    double y = box.center().y() - height / 2;
    painter.save();
    painter.setClipRect(box);
    for (int i = 0; i < lines.size(); ++i) {
        const bool head = i == 0;
        const QFontMetricsF &m = head ? heading : small;
        painter.setFont(ReportLayout::Font(head ? ReportLayout::Style::Heading : ReportLayout::Style::Small));
        painter.setPen(head ? Qt::black : ReportLayout::Colour(ReportLayout::Style::Small));
        painter.drawText(QPointF(box.center().x() - m.horizontalAdvance(lines[i]) / 2, y + m.ascent()), lines[i]);
        y += m.lineSpacing();
    }
    painter.restore();
}

void ReportPainter::PaintMap(QPainter &painter, const QRectF &target) const
{
    if (m_scene.map.isNull() || m_scene.size.isEmpty())
        return;
    const double scale =
        std::min(target.width() / m_scene.size.width(), target.height() / m_scene.size.height()); // dots per map pixel
    const QSizeF shown = QSizeF(m_scene.size) * scale;
    const QRectF at(target.left() + (target.width() - shown.width()) / 2, target.top(), shown.width(), shown.height());
    // The map is handed over at the density it is printed at, not at its
    // own size: a plan of many megapixels would swell the PDF.
    const QSize pixels(std::max(1, int(std::lround(Inches(shown.width()) * MapPpi))),
                       std::max(1, int(std::lround(Inches(shown.height()) * MapPpi))));
    // Made once for a map and size on each thread: the preview shows the
    // title page again after every change of a choice.
    thread_local struct
    {
        qint64 key = 0;
        QSize pixels;
        QImage image;
    } scaled;
    if (scaled.key != m_scene.map.cacheKey() || scaled.pixels != pixels || scaled.image.isNull()) {
        scaled.image = pixels.width() < m_scene.map.width()
            ? m_scene.map.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            : m_scene.map;
        scaled.image = scaled.image.convertToFormat(QImage::Format_RGB32);
        scaled.key = m_scene.map.cacheKey();
        scaled.pixels = pixels;
    }
    painter.drawImage(at, scaled.image);
    painter.setPen(QPen(QColor(120, 120, 120), ReportLayout::Mm(0.2)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(at);

    painter.save();
    painter.setClipRect(at);
    painter.translate(at.topLeft());
    painter.scale(scale, scale);
    MapPainter::Markers markers;
    markers.size = MarkerSize(scale);
    markers.fontPixels = ReportLayout::Font(ReportLayout::Style::Body).pixelSize() / scale;
    markers.penWidth = ReportLayout::Mm(0.35) / scale;
    // Only the photos in the report, by the number the pages give them.
    QHash<qsizetype, QString> numbers;
    for (const ReportContent::Photo &p : m_layout.Content().photos)
        numbers.insert(p.position, p.number);
    const MapPhotoShape *base = m_scene.photos.constData();
    markers.number = [&](const MapPhotoShape &shape) { return numbers.value(&shape - base); };
    MapPainter::PaintMarkers(painter, m_scene, markers);
    painter.restore();
}

void ReportPainter::PaintLegend(QPainter &painter, const QRectF &target) const
{
    const QFont font = ReportLayout::Font(ReportLayout::Style::Small);
    const QFontMetricsF metrics(font);
    const double size = ReportLayout::Mm(ReportLayout::MarkerMm());
    const QPointF position(target.left() + size * 1.3, target.top() + size * 1.3);
    painter.save();
    painter.setPen(QPen(m_scene.triangleColour, ReportLayout::Mm(0.35)));
    painter.setBrush(Qt::white);
    painter.drawPolygon(MapPainter::MarkerTriangle(position, 90, size));
    painter.setFont(font);
    painter.setPen(ReportLayout::Colour(ReportLayout::Style::Small));
    const QString text = QStringLiteral("Standpunt van de foto met het nummer ernaast; de punt wijst de "
                                        "kijkrichting aan.");
    const double left = target.left() + size * 3;
    const QStringList lines = ReportLayout::Wrap(text, ReportLayout::Style::Small, target.right() - left);
    double y = position.y() - size / 2 + metrics.ascent();
    for (const QString &line : lines) {
        painter.drawText(QPointF(left, y), line);
        y += metrics.lineSpacing();
    }
    painter.restore();
}

void ReportPainter::PaintKeyMap(QPainter &painter, const ReportLayout::Cell &cell) const
{
    const ReportContent::Photo &photo = m_layout.Content().photos.at(cell.photo);
    if (m_scene.map.isNull())
        return;
    // A square of the plan around the viewpoint: a sixth of the plan's
    // larger side, so that the surroundings can be recognised.
    const int side = std::max(200, std::max(m_scene.map.width(), m_scene.map.height()) / 6);
    QRect crop(photo.mapPosition - QPoint(side / 2, side / 2), QSize(side, side));
    crop.moveLeft(std::clamp(crop.left(), 0, std::max(0, m_scene.map.width() - side)));
    crop.moveTop(std::clamp(crop.top(), 0, std::max(0, m_scene.map.height() - side)));
    crop &= m_scene.map.rect();
    if (crop.isEmpty())
        return;
    const double scale = std::min(cell.keyMap.width() / crop.width(), cell.keyMap.height() / crop.height());
    const QRectF at(cell.keyMap.topLeft(), QSizeF(crop.size()) * scale);
    const QSize pixels(std::max(1, int(std::lround(Inches(at.width()) * MapPpi))),
                       std::max(1, int(std::lround(Inches(at.height()) * MapPpi))));
    QImage part = m_scene.map.copy(crop);
    if (pixels.width() < part.width())
        part = part.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    painter.drawImage(at, part.convertToFormat(QImage::Format_RGB32));
    painter.setPen(QPen(QColor(120, 120, 120), ReportLayout::Mm(0.15)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(at);

    painter.save();
    painter.setClipRect(at);
    painter.translate(at.topLeft());
    painter.scale(scale, scale);
    painter.translate(-crop.topLeft());
    MapPainter::Markers markers;
    markers.size = MarkerSize(scale);
    markers.fontPixels = ReportLayout::Font(ReportLayout::Style::Small).pixelSize() / scale;
    markers.penWidth = ReportLayout::Mm(0.35) / scale;
    const MapPhotoShape *base = m_scene.photos.constData();
    markers.number = [&](const MapPhotoShape &shape) {
        return &shape - base == photo.position ? photo.number : QString();
    };
    MapPainter::PaintMarkers(painter, m_scene, markers, QRectF(crop));
    painter.restore();
}
