#include "gui/map/MapView.h"

#include "core/map/MapDrawing.h"
#include "core/map/MapPainter.h"
#include "core/platform/BackgroundPriority.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>

#include <algorithm>

MapView::MapView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("OverzichtsImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // The pointer shows what a press would do; a press takes the keyboard,
    // so that Escape reaches a drag.
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    resize(0, 0);
    m_pyramidPool.setMaxThreadCount(1);
    connect(&m_pyramidWatcher, &QFutureWatcher<MapPyramid>::finished, this, [this] {
        m_pyramidRunning = false;
        MapPyramid pyramid = m_pyramidWatcher.result();
        if (pyramid.IsEmpty() || pyramid.SourceKey() != m_scene.map.cacheKey())
            return;
        m_pyramid = std::move(pyramid);
        Changed();
    });
}

MapView::~MapView()
{
    if (m_pyramidCancel)
        m_pyramidCancel->store(true);
    m_pyramidWatcher.waitForFinished();
    m_pyramidPool.waitForDone();
}

QSize MapView::SizeWithoutMap(const MapScene &scene)
{
    // The photos stay reachable: a plain ground as far as their triangles
    // reach, from the map's origin (where map points keep their places),
    // with room for a label. Not beyond what any map could be.
    constexpr int Limit = 1 << 15;
    QRect extent(0, 0, 1, 1);
    for (const MapPhotoShape &shape : scene.photos)
        if (shape.triangle.size() > 0)
            extent |= shape.triangle.boundingRect();
    const int margin = std::max(scene.triangleSize, 0) + scene.textHeight + 10;
    return QSize(std::clamp(extent.right() + margin, 1, Limit), std::clamp(extent.bottom() + margin, 1, Limit));
}

void MapView::SetScene(const MapScene &scene)
{
    const bool resized = !m_hasPicture || scene.size != m_scene.size;
    m_scene = scene;
    if (m_scene.map.isNull() && !m_scene.photos.isEmpty())
        m_scene.size = SizeWithoutMap(m_scene);
    m_drawing = m_scene;
    m_preview = false;
    m_hasPicture = true;
    StartPyramid();
    TakeSize();
    Changed();
    if (resized)
        emit PictureSizeChanged(m_scene.size);
}

void MapView::StartPyramid()
{
    const qint64 key = m_scene.map.isNull() ? 0 : m_scene.map.cacheKey();
    if (key == m_pyramidFor)
        return;
    // Another map: the old levels go at once, so that they never share the
    // memory with the new map's.
    if (m_pyramidCancel)
        m_pyramidCancel->store(true);
    m_pyramid = MapPyramid();
    m_pyramidFor = key;
    if (key == 0) {
        m_pyramidRunning = false;
        return;
    }
    m_pyramidCancel = std::make_shared<std::atomic<bool>>(false);
    m_pyramidRunning = true;
    m_pyramidWatcher.setFuture(QtConcurrent::run(&m_pyramidPool, [map = m_scene.map, cancel = m_pyramidCancel] {
        BackgroundPriority::LowerCurrentThread();
        return MapPyramid::Build(map, cancel.get());
    }));
}

bool MapView::WaitForPyramid(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (m_pyramidRunning) {
        if (deadline.hasExpired())
            return false;
        m_pyramidWatcher.waitForFinished();
        QCoreApplication::processEvents();
    }
    return true;
}

void MapView::TakeSize()
{
    const QSize size = m_hasPicture ? m_zoom.ViewSize(m_scene.size) : QSize(0, 0);
    if (size != this->size())
        resize(size);
    updateGeometry();
}

void MapView::Changed()
{
    ++m_generation;
    update();
}

void MapView::SetZoom(const MapZoom &zoom)
{
    if (zoom == m_zoom)
        return;
    m_zoom = zoom;
    TakeSize();
    Changed();
    emit ZoomChanged();
}

QSize MapView::sizeHint() const
{
    return m_hasPicture ? m_zoom.ViewSize(m_scene.size) : QSize(0, 0);
}

QPoint MapView::ViewPixel(QPointF position)
{
    return QPoint(int(std::floor(position.x())), int(std::floor(position.y())));
}

QRect MapView::ShownRect(const MapPhotoShape &drawn) const
{
    // Zoomed out, where the view shows it (in view pixels already).
    const MapPhotoShape shape = m_zoom.IsZoomedOut() ? MapPainter::ShownShape(drawn, m_scene, m_zoom) : drawn;
    QRect rect = shape.triangle.boundingRect();
    if (shape.hasLabel) {
        const QFontMetrics metrics(MapDrawing::MapFont(m_zoom.ShownFontPixels(m_scene.fontPixelSize)));
        const QRect label(
            shape.labelTopLeft,
            QSize(metrics.horizontalAdvance(m_scene.Label(shape)) + metrics.maxWidth(), metrics.height()));
        rect = rect.isEmpty() ? label : rect.united(label);
    }
    if (rect.isEmpty())
        return rect;
    const double z = m_zoom.Factor();
    if (!m_zoom.IsZoomedOut() && z != 1)
        rect = QRectF(rect.x() * z, rect.y() * z, (rect.width() + 1) * z, (rect.height() + 1) * z).toAlignedRect();
    // The pen and the letters' overhang.
    const int margin = 2 + int(std::ceil(z > 1 ? z : 1));
    return rect.adjusted(-margin, -margin, margin, margin);
}

void MapView::ShowPhotoAt(qsizetype index, std::int32_t x, std::int32_t y, std::int32_t direction)
{
    if (index < 0 || index >= m_scene.photos.size())
        return;
    // The first change copies the drawing's list of shapes (once a drag);
    // each move repaints only where the photo was and where it is.
    m_preview = true;
    MapPhotoShape &shape = m_scene.photos[index];
    const QRect before = ShownRect(shape);
    MapDrawing::PlacePhoto(shape, m_scene, x, y, direction);
    const QRect changed = before.united(ShownRect(shape)) & rect();
    // A kept picture is painted again only there.
    const bool kept = m_paintedGeneration == m_generation && !m_painted.isNull();
    ++m_generation;
    if (kept && KeepsPicture()) {
        QPainter on(&m_painted);
        PaintPart(on, changed);
        m_paintedGeneration = m_generation;
    }
    update(changed);
}

void MapView::RestoreScene()
{
    if (!m_preview)
        return;
    m_scene = m_drawing;
    m_preview = false;
    Changed();
}

void MapView::PaintPart(QPainter &painter, const QRect &rect) const
{
    // White where the map has no pixels: beyond it, or no map, or
    // transparent ones.
    const QSizeF shown = QSizeF(m_scene.size) * m_zoom.Factor();
    const QRect covered = m_scene.map.isNull() || m_scene.map.hasAlphaChannel()
        ? QRect()
        : QRect(0, 0, int(shown.width()), int(shown.height()));
    for (const QRect &blank : QRegion(rect).subtracted(covered))
        painter.fillRect(blank, Qt::white);
    painter.save();
    painter.setClipRect(rect);
    MapPainter::PaintView(painter, m_scene, rect, m_zoom, &m_pyramid);
    painter.restore();
}

bool MapView::KeepsPicture() const
{
    // Zoomed out far, every photo may be in view at once while the whole
    // picture is small: it is kept, so that a repaint is a copy.
    return m_zoom.IsZoomedOut() && qint64(width()) * height() <= MaxKeptPixels;
}

void MapView::paintEvent(QPaintEvent *event)
{
    if (!m_hasPicture)
        return;
    QPainter painter(this);
    if (!KeepsPicture()) {
        m_painted = QImage();
        for (const QRect &rect : event->region())
            PaintPart(painter, rect);
        PaintHighlights(painter, event->region());
        PaintUncertainty(painter, event->region());
        return;
    }
    if (m_paintedGeneration != m_generation || m_painted.size() != size()) {
        if (m_painted.size() != size())
            m_painted = QImage(size(), QImage::Format_RGB32);
        QPainter on(&m_painted);
        PaintPart(on, rect());
        m_paintedGeneration = m_generation;
    }
    for (const QRect &rect : event->region())
        painter.drawImage(rect.topLeft(), m_painted, rect);
    PaintHighlights(painter, event->region());
    PaintUncertainty(painter, event->region());
}

QPolygonF MapView::ViewUncertainty() const
{
    QPolygonF outline = m_uncertainty;
    const double z = m_zoom.Factor();
    for (QPointF &p : outline)
        p *= z;
    return outline;
}

void MapView::PaintUncertainty(QPainter &painter, const QRegion &region) const
{
    if (m_uncertainty.isEmpty())
        return;
    // Translucent, so the map and the triangle stay readable under it; blue
    // on a white edge, as map programs show a GPS fix.
    painter.save();
    painter.setClipRegion(region);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF outline = ViewUncertainty();
    painter.setBrush(QColor(30, 110, 230, 45));
    painter.setPen(QPen(QColor(255, 255, 255, 200), 3.5));
    painter.drawPolygon(outline);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(30, 110, 230), 1.5));
    painter.drawPolygon(outline);
    painter.restore();
}

void MapView::SetUncertainty(const QPolygonF &mapOutline)
{
    if (mapOutline == m_uncertainty)
        return;
    const auto around = [this] { return ViewUncertainty().boundingRect().toAlignedRect().adjusted(-4, -4, 4, 4); };
    QRegion dirty;
    if (!m_uncertainty.isEmpty())
        dirty += around();
    m_uncertainty = mapOutline;
    if (!m_uncertainty.isEmpty())
        dirty += around();
    update(dirty);
}

void MapView::PaintHighlights(QPainter &painter, const QRegion &region) const
{
    if (m_highlighted.isEmpty())
        return;
    // One photo: a ring around its triangle, orange on a white edge, to be
    // seen on dark and light maps alike. Several (an import's grid): their
    // triangles drawn over in orange, as rings would run into each other.
    painter.save();
    painter.setClipRegion(region);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    const QColor orange(255, 120, 0);
    const QRect exposed = region.boundingRect();
    const bool one = m_highlighted.size() == 1;
    for (const qsizetype position : m_highlighted) {
        const QRect r = HighlightRect(position);
        if (r.isEmpty() || !r.intersects(exposed))
            continue;
        if (one) {
            painter.setPen(QPen(Qt::white, 5));
            painter.drawEllipse(r);
            painter.setPen(QPen(orange, 3));
            painter.drawEllipse(r);
        } else {
            painter.setPen(QPen(orange, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            painter.drawPolygon(ViewTriangle(m_scene.photos[position]));
        }
    }
    painter.restore();
}

QPolygonF MapView::ViewTriangle(const MapPhotoShape &shape) const
{
    // Zoomed out, triangles keep their size on the screen (or shrink far out).
    if (m_zoom.IsZoomedOut())
        return QPolygonF(MapPainter::ShownShape(shape, m_scene, m_zoom).triangle.toPolygon());
    QPolygonF triangle(shape.triangle.toPolygon());
    const double z = m_zoom.Factor();
    for (QPointF &p : triangle)
        p *= z;
    return triangle;
}

QRect MapView::HighlightRect(qsizetype position) const
{
    if (position < 0 || position >= m_scene.photos.size())
        return QRect();
    const MapPhotoShape &shape = m_scene.photos[position];
    if (shape.triangle.size() == 0)
        return QRect();
    const QRectF triangle = ViewTriangle(shape).boundingRect();
    const QPoint centre = triangle.center().toPoint();
    const int radius = int(std::ceil(std::max(triangle.width(), triangle.height()) / 2)) + 4;
    return QRect(centre.x() - radius, centre.y() - radius, 2 * radius + 1, 2 * radius + 1);
}

void MapView::SetHighlightedPhotos(const QList<qsizetype> &positions)
{
    if (positions == m_highlighted)
        return;
    QRegion dirty;
    // Few marks: repaint just around them; many: the whole view.
    if (positions.size() + m_highlighted.size() <= 64) {
        for (const qsizetype p : m_highlighted)
            dirty += HighlightRect(p).adjusted(-3, -3, 3, 3);
        for (const qsizetype p : positions)
            dirty += HighlightRect(p).adjusted(-3, -3, 3, 3);
    } else {
        dirty = rect();
    }
    m_highlighted = positions;
    update(dirty);
}

void MapView::mousePressEvent(QMouseEvent *event)
{
    // A press on the map is the map's, never the scroll box's.
    event->accept();
}

void MapView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}

void MapView::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pixel = ViewPixel(event->position());
    emit MouseUp(event->button(), event->modifiers(), ToMap(pixel), pixel);
    event->accept();
}

void MapView::ShowPickPointer(bool picking)
{
    const Qt::CursorShape shape = picking ? Qt::CrossCursor : Qt::ArrowCursor;
    if (cursor().shape() != shape)
        setCursor(shape);
}
