#include "core/map/MapPainter.h"

#include "core/map/LabelImageCache.h"
#include "core/map/MapDrawing.h"
#include "core/map/MapPyramid.h"
#include "core/map/MapScene.h"
#include "core/map/MapZoom.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// The label pictures of this thread's recent paints (fonts belong to their
// thread, so each thread keeps its own).
LabelImageCache &Labels()
{
    thread_local LabelImageCache cache;
    return cache;
}

// Zoomed out, triangles keep their 1:1 shape, and a project has few of
// them (one per direction): each is drawn once as a small picture and then
// laid on, which costs a fraction of drawing the polygon every time.
class TriangleSprites
{
public:
    struct Sprite
    {
        QImage image;
        QPoint topLeft; // from the photo's position
    };

    // The pen and brush of the triangles to come.
    void Begin(const QPen &pen, const QBrush &brush)
    {
        if (pen != m_pen || brush != m_brush || m_sprites.size() > 4096) {
            m_sprites.clear();
            m_pen = pen;
            m_brush = brush;
        }
    }

    // The picture of triangle (corners around position); null for a shape
    // too big to be worth one.
    const Sprite *Get(const MapPolygon &triangle, QPoint position)
    {
        if (triangle.size() != 3)
            return nullptr;
        quint64 key = 0;
        for (const QPoint &corner : triangle) {
            const QPoint d = corner - position;
            if (d.x() < -MaxReach || d.x() > MaxReach || d.y() < -MaxReach || d.y() > MaxReach)
                return nullptr;
            key = key << 16 | quint64(quint8(d.x())) << 8 | quint8(d.y());
        }
        auto it = m_sprites.find(key);
        if (it == m_sprites.end()) {
            // The pen reaches a pixel beyond the corners.
            const QRect box = triangle.boundingRect().translated(-position).adjusted(-2, -2, 2, 2);
            Sprite sprite;
            sprite.topLeft = box.topLeft();
            sprite.image = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
            sprite.image.fill(Qt::transparent);
            QPainter on(&sprite.image);
            on.setRenderHint(QPainter::Antialiasing, false);
            on.setPen(m_pen);
            on.setBrush(m_brush);
            on.translate(-box.topLeft() - position);
            on.drawPolygon(triangle.begin(), triangle.size());
            on.end();
            Trim(sprite);
            it = m_sprites.insert(key, sprite);
        }
        return &*it;
    }

private:
    // Down to the pixels with ink: every pixel laid on is blended, also a
    // transparent one.
    static void Trim(Sprite &sprite)
    {
        const QImage &image = sprite.image;
        int left = image.width(), right = -1, top = image.height(), bottom = -1;
        for (int y = 0; y < image.height(); ++y) {
            const QRgb *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(row[x]) == 0)
                    continue;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
        if (right < 0) {
            sprite.image = QImage();
            return;
        }
        const QRect ink(QPoint(left, top), QPoint(right, bottom));
        if (ink != image.rect()) {
            sprite.image = image.copy(ink);
            sprite.topLeft += ink.topLeft();
        }
    }

    static constexpr int MaxReach = 100;
    QHash<quint64, Sprite> m_sprites;
    QPen m_pen;
    QBrush m_brush;
};

TriangleSprites &Sprites()
{
    thread_local TriangleSprites sprites;
    return sprites;
}

// Triangles, labels and the help text, with every photo's shape moved by
// where it is shown (zoomed out: shift, else as drawn).
void PaintOverlay(QPainter &painter, const MapScene &scene, bool cull, const QRect &area, const MapZoom *shift);

} // namespace

void MapPainter::Paint(QPainter &painter, const MapScene &scene, const QRect &exposed, MapBitmap bitmap)
{
    // With no exposed area everything is drawn, also what lies off the map:
    // a metafile records it all.
    const bool cull = !exposed.isEmpty();
    const QRect area = cull ? exposed : QRect(QPoint(0, 0), scene.size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);

    if (bitmap == MapBitmap::Draw && !scene.map.isNull()) {
        const QRect part = area & scene.map.rect();
        if (!part.isEmpty())
            painter.drawImage(part.topLeft(), scene.map, part);
    }
    PaintOverlay(painter, scene, cull, area, nullptr);
    painter.restore();
}

void MapPainter::PaintView(QPainter &painter, const MapScene &scene, const QRect &exposed, const MapZoom &zoom,
                           const MapPyramid *pyramid)
{
    if (zoom.IsActualSize()) {
        Paint(painter, scene, exposed);
        return;
    }
    const double z = zoom.Factor();
    // The part of the map under the exposed pixels.
    const QRectF mapArea = QRectF(exposed.x() / z, exposed.y() / z, exposed.width() / z, exposed.height() / z)
                               .intersected(QRectF(QPointF(0, 0), QSizeF(scene.size)));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (!zoom.IsZoomedOut()) {
        // Whole map pixels, each a block of z by z.
        const QRect part = mapArea.toAlignedRect() & scene.map.rect();
        if (!scene.map.isNull() && !part.isEmpty())
            painter.drawImage(QRectF(part.x() * z, part.y() * z, part.width() * z, part.height() * z), scene.map,
                              QRectF(part));
        // The shapes' pixels at the map's scale, each centred in its block
        // as a pixel is at 1:1.
        painter.scale(z, z);
        painter.translate(0.5, 0.5);
        Paint(painter, scene, mapArea.toAlignedRect().adjusted(-1, -1, 1, 1), MapBitmap::AlreadyThere);
        painter.restore();
        return;
    }
    if (!scene.map.isNull() && !mapArea.isEmpty()) {
        const bool levels = pyramid && !pyramid->IsEmpty() && pyramid->SourceKey() == scene.map.cacheKey();
        const int k = levels ? pyramid->LevelFor(z) : 0;
        const QImage &source = k > 0 ? pyramid->Level(k) : scene.map;
        const double scale = double(1 << k);
        const QRectF from(mapArea.x() / scale, mapArea.y() / scale, mapArea.width() / scale, mapArea.height() / scale);
        const QRectF to(mapArea.x() * z, mapArea.y() * z, mapArea.width() * z, mapArea.height() * z);
        // A level at exactly the view's scale is copied as it is.
        const QRect wholeFrom = from.toAlignedRect();
        if (levels && z * scale == 1 && QRectF(wholeFrom) == from && QRectF(wholeFrom) == to) {
            painter.drawImage(wholeFrom.topLeft(), source, wholeFrom);
        } else {
            painter.setRenderHint(QPainter::SmoothPixmapTransform, levels);
            painter.drawImage(to, source, from);
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
    }
    PaintOverlay(painter, scene, true, exposed, &zoom);
    painter.restore();
}

namespace {

// Shape moved to the view pixel that shows its position, its triangle and
// label scaled about that pixel.
void ShowShapeAt(MapPhotoShape &shape, const MapScene &scene, QPoint at, double triangleScale, double textScale)
{
    const QPoint from = shape.position;
    if (triangleScale == 1) {
        for (int i = 0; i < shape.triangle.count; ++i)
            shape.triangle.corners[size_t(i)] += at - from;
    } else {
        for (int i = 0; i < shape.triangle.count; ++i) {
            const QPoint d = shape.triangle.corners[size_t(i)] - from;
            shape.triangle.corners[size_t(i)] =
                at + QPoint(int(std::lround(d.x() * triangleScale)), int(std::lround(d.y() * triangleScale)));
        }
    }
    if (triangleScale == 1 && textScale == 1) {
        shape.labelTopLeft += at - from;
    } else {
        // Right of the triangle and a text's height above its apex's reach.
        const QPoint d = shape.labelTopLeft - from;
        const int s = scene.triangleSize;
        const int shown = int(std::lround(s * triangleScale));
        shape.labelTopLeft =
            at + QPoint(int(std::lround(d.x() * triangleScale)), int(std::lround((d.y() + s) * textScale)) - shown);
    }
}

} // namespace

MapPhotoShape MapPainter::ShownShape(const MapPhotoShape &shape, const MapScene &scene, const MapZoom &zoom)
{
    MapPhotoShape shown = shape;
    if (zoom.IsZoomedOut())
        ShowShapeAt(shown, scene, zoom.ToView(shape.position), zoom.TriangleScale(scene.triangleSize),
                    zoom.TextScale(scene.fontPixelSize));
    return shown;
}

namespace {

void PaintOverlay(QPainter &painter, const MapScene &scene, bool cull, const QRect &area, const MapZoom *shift)
{
    // Zoomed out far, the texts shrink with the triangles.
    const int fontPixels = shift ? shift->ShownFontPixels(scene.fontPixelSize) : scene.fontPixelSize;
    const double textScale = shift ? shift->TextScale(scene.fontPixelSize) : 1;
    const double triangleScale = shift ? shift->TriangleScale(scene.triangleSize) : 1;
    const QFont font = MapDrawing::MapFont(fontPixels);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    // Asked once: every call looks up the font engine again.
    const int textHeight = metrics.height();
    const int ascent = metrics.ascent();
    const int overhang = metrics.maxWidth();
    // On pixels, labels are laid on as pictures made from their glyphs; a
    // metafile or SVG gets them as text, which its reader lays out, and so
    // does a scaled painter (a high-density screen), whose text must not be
    // an enlarged picture.
    LabelImageCache *pictures = nullptr;
    if (painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster
        && painter.deviceTransform().type() <= QTransform::TxTranslate) {
        pictures = &Labels();
        pictures->BeginPaint(font);
    }
    const LabelGlyphs *glyphs = pictures ? pictures->Glyphs() : nullptr;
    // A label's coverage becomes the label colour at that strength in a
    // scratch picture that is reused for every label.
    std::array<QRgb, 256> tint{};
    if (glyphs) {
        const QRgb c = scene.triangleColour.rgb();
        for (uint a = 0; a < 256; ++a)
            tint[a] = qRgba(int((qRed(c) * a + 127) / 255), int((qGreen(c) * a + 127) / 255),
                            int((qBlue(c) * a + 127) / 255), int(a));
    }
    QImage tinted;
    auto layOn = [&](const QPoint &at, const LabelImage &picture) {
        const int w = picture.size.width(), h = picture.size.height();
        if (tinted.width() < w || tinted.height() < h) {
            tinted =
                QImage(std::max(w, tinted.width()), std::max(h, tinted.height()), QImage::Format_ARGB32_Premultiplied);
            if (tinted.isNull())
                return;
        }
        const uchar *from = picture.coverage;
        for (int y = 0; y < h; ++y, from += w) {
            auto *to = reinterpret_cast<QRgb *>(tinted.scanLine(y));
            for (int x = 0; x < w; ++x)
                to[x] = tint[from[x]];
        }
        painter.drawImage(at, tinted, QRect(0, 0, w, h));
    };

    // A triangle: 1-pixel outline in the triangle colour, filled white.
    QPen outline(scene.triangleColour);
    outline.setWidth(1);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
    // Labels lie on the map as they are: no background behind the letters.
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setBackground(QBrush(Qt::white));

    // Anything that cannot reach the exposed area is skipped; the margin
    // covers the pen and the letters' overhang.
    const QRect reach = area.adjusted(-2, -2, 2, 2);
    // The pen changes only between a triangle and a label: setting it anew
    // for every one of a hundred thousand photos showed in redraws.
    enum class Pen { Outline, Label } pen = Pen::Outline;
    auto setLabelPen = [&] {
        if (pen != Pen::Label) {
            painter.setPen(scene.triangleColour);
            pen = Pen::Label;
        }
    };
    TriangleSprites *sprites = nullptr;
    if (shift) {
        sprites = &Sprites();
        sprites->Begin(outline, painter.brush());
    }
    MapPhotoShape shifted;
    for (const MapPhotoShape &shape : scene.photos) {
        const MapPhotoShape *shown = &shape;
        QPoint offset;
        if (shift) {
            // Zoomed out: the shape as at 1:1 (or shrunk), around the pixel
            // that shows the position; most photos lie outside the area. A
            // shrunk triangle lies within its full-size bounds, which hold
            // the position.
            const QPoint at = shift->ToView(shape.position);
            offset = at - shape.position;
            QPoint label = shape.labelTopLeft + offset;
            if (textScale != 1 || triangleScale != 1) {
                const QPoint d = shape.labelTopLeft - shape.position;
                label = at
                    + QPoint(int(std::lround(d.x() * triangleScale)),
                             int(std::lround((d.y() + scene.triangleSize) * textScale))
                                 - int(std::lround(scene.triangleSize * triangleScale)));
            }
            if (cull
                && !(shape.triangle.size() >= 3 && shape.triangle.boundingRect().translated(offset).intersects(reach))
                && !(shape.hasLabel && label.y() <= reach.bottom() && label.y() + textHeight - 1 >= reach.top()
                     && label.x() <= reach.right()))
                continue;
            shifted = shape;
            ShowShapeAt(shifted, scene, at, triangleScale, textScale);
            shown = &shifted;
        }
        const MapPhotoShape &photo = *shown;
        if (photo.triangle.size() >= 3 && (!cull || photo.triangle.boundingRect().intersects(reach))) {
            const QPoint at = photo.position + offset;
            if (const TriangleSprites::Sprite *sprite = sprites ? sprites->Get(photo.triangle, at) : nullptr) {
                if (!sprite->image.isNull())
                    painter.drawImage(at + sprite->topLeft, sprite->image);
            } else {
                if (pen != Pen::Outline) {
                    painter.setPen(outline);
                    pen = Pen::Outline;
                }
                painter.drawPolygon(photo.triangle.begin(), photo.triangle.size());
            }
        }
        if (photo.hasLabel) {
            // Laying out the text is the dear part, so it is measured only
            // when that decides: the box's height, top and left edge are
            // known, and a box whose left edge lies within the reach meets
            // it whenever its rows do (it is never empty: maxWidth > 0).
            const QPoint &at = photo.labelTopLeft;
            const bool rowsMeet = textHeight > 0 && at.y() <= reach.bottom() && at.y() + textHeight - 1 >= reach.top();
            if (cull && (!rowsMeet || at.x() > reach.right()))
                continue;
            // Most labels in these rows lie wholly left of the area: a bound
            // on the width from the entry's length settles them unread.
            if (cull && glyphs && at.x() < reach.left()
                && qint64(at.x()) + scene.LabelLengthBound(photo) * qint64(glyphs->MaxAdvance()) + overhang
                    < reach.left())
                continue;
            const QPoint baseline = at + QPoint(0, ascent);
            if (const LabelImage *picture = glyphs ? pictures->Find(scene.LabelBytes(photo)) : nullptr) {
                const QRect ink(baseline + picture->offset, picture->size);
                if (picture->coverage && (!cull || ink.intersects(reach)))
                    layOn(ink.topLeft(), *picture);
                continue;
            }
            const QString label = scene.Label(photo);
            if (cull && at.x() < reach.left()
                && !QRect(at, QSize(metrics.horizontalAdvance(label) + overhang, textHeight)).intersects(reach))
                continue;
            setLabelPen();
            painter.drawText(baseline, label);
        }
    }

    // The help text last, above everything: black on an opaque white background.
    if (!scene.helpText.isEmpty()) {
        const QPoint helpTopLeft = textScale == 1 ? scene.helpTopLeft
                                                  : QPoint(int(std::lround(scene.helpTopLeft.x() * textScale)),
                                                           int(std::lround(scene.helpTopLeft.y() * textScale)));
        const QRect box(helpTopLeft, QSize(metrics.horizontalAdvance(scene.helpText), metrics.height()));
        if (!cull || box.adjusted(0, 0, metrics.maxWidth(), 0).intersects(reach)) {
            painter.setPen(Qt::black);
            painter.setBackgroundMode(Qt::OpaqueMode);
            painter.setBackground(QBrush(Qt::white));
            painter.drawText(helpTopLeft + QPoint(0, metrics.ascent()), scene.helpText);
            painter.setBackgroundMode(Qt::TransparentMode);
        }
    }
}

} // namespace

QPolygonF MapPainter::MarkerTriangle(QPointF position, int direction, double size)
{
    // The screen triangle's proportions: the base 2.4 sizes wide through
    // the position, the apex one size away in the viewing direction.
    const double a = double(direction) * M_PI / 180.0;
    const QPointF along(std::cos(a) * size, -std::sin(a) * size);
    const QPointF across(std::cos(a + M_PI / 2) * size * 1.2, -std::sin(a + M_PI / 2) * size * 1.2);
    return QPolygonF({position + across, position - across, position + along});
}

void MapPainter::PaintMarkers(QPainter &painter, const MapScene &scene, const Markers &markers, const QRectF &area)
{
    struct Marker
    {
        QPolygonF triangle;
        QString number;
    };
    std::vector<Marker> shown;
    shown.reserve(size_t(scene.photos.size()));
    for (const MapPhotoShape &shape : scene.photos) {
        if (!area.isEmpty() && !area.contains(shape.position))
            continue;
        QString number = markers.number ? markers.number(shape) : QString();
        if (number.isEmpty())
            continue;
        shown.push_back({MarkerTriangle(shape.position, shape.direction, markers.size), std::move(number)});
    }
    if (shown.empty())
        return;

    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(std::max(1, int(std::lround(markers.fontPixels))));
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    const QFontMetricsF metrics(font);

    // Taken places in a grid of cells about a number's size, so that a
    // plan with thousands of photos is laid out without comparing all pairs.
    const double cell = std::max(4.0, metrics.height() * 3);
    QHash<quint64, QList<QRectF>> taken;
    auto cellsOf = [cell](const QRectF &r, auto &&visit) {
        const qint64 x0 = qint64(std::floor(r.left() / cell)), x1 = qint64(std::floor(r.right() / cell));
        const qint64 y0 = qint64(std::floor(r.top() / cell)), y1 = qint64(std::floor(r.bottom() / cell));
        for (qint64 y = y0; y <= y1; ++y)
            for (qint64 x = x0; x <= x1; ++x)
                visit(quint64(quint32(qint32(x))) << 32 | quint32(qint32(y)));
    };
    auto take = [&](const QRectF &r) { cellsOf(r, [&](quint64 key) { taken[key].append(r); }); };
    auto covered = [&](const QRectF &r) {
        // A place in several cells is counted once per cell: only the
        // order of the candidates matters.
        double area = 0;
        cellsOf(r, [&](quint64 key) {
            const auto it = taken.constFind(key);
            if (it == taken.constEnd())
                return;
            for (const QRectF &other : *it) {
                const QRectF both = r & other;
                area += both.width() * both.height();
            }
        });
        return area;
    };
    for (const Marker &m : shown)
        take(m.triangle.boundingRect());

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen outline(scene.triangleColour, markers.penWidth);
    outline.setJoinStyle(Qt::MiterJoin);
    painter.setPen(outline);
    painter.setBrush(Qt::white);
    for (const Marker &m : shown)
        painter.drawPolygon(m.triangle);

    painter.setFont(font);
    const double pad = metrics.height() * 0.12;
    const QRectF mapArea(QPointF(0, 0), QSizeF(scene.size));
    for (const Marker &m : shown) {
        const QRectF box = m.triangle.boundingRect();
        const QSizeF label(metrics.horizontalAdvance(m.number) + 2 * pad, metrics.height());
        const double gap = markers.penWidth;
        const QPointF c = box.center();
        const std::array<QPointF, 8> places = {
            QPointF(box.right() + gap, c.y() - label.height() / 2),
            QPointF(box.left() - gap - label.width(), c.y() - label.height() / 2),
            QPointF(c.x() - label.width() / 2, box.top() - gap - label.height()),
            QPointF(c.x() - label.width() / 2, box.bottom() + gap),
            QPointF(box.right() + gap, box.top() - gap - label.height()),
            QPointF(box.right() + gap, box.bottom() + gap),
            QPointF(box.left() - gap - label.width(), box.top() - gap - label.height()),
            QPointF(box.left() - gap - label.width(), box.bottom() + gap),
        };
        QRectF best;
        double least = -1;
        for (const QPointF &at : places) {
            const QRectF r(at, label);
            // Its own triangle counts as taken too, but touches none of these.
            // A place that leaves the map would be cut off: the last resort.
            const QRectF inMap = r & mapArea;
            const double cost =
                covered(r) + (mapArea.contains(r) ? 0 : (r.width() * r.height() - inMap.width() * inMap.height()) * 4);
            if (least < 0 || cost < least) {
                least = cost;
                best = r;
            }
            if (cost == 0)
                break;
        }
        take(best);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 255));
        painter.drawRect(best);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(best.left() + pad, best.top() + metrics.ascent()), m.number);
    }
    painter.restore();
}
