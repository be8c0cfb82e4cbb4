#include "core/map/MapDrawing.h"

#include "core/base/TextRoutines.h"
#include "core/map/MapImageCache.h"
#include "core/platform/AnsiCodec.h"
#include "core/platform/InputFile.h"
#include "core/platform/PathResolver.h"
#include "core/project/KeyTable.h"
#include "core/project/PhotoEntry.h"
#include "core/project/ProjectDocument.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Double precision: the half-pixel cases come out as the decimal values
// suggest (5 * 1.3 is exactly 6.5 and rounds to 6).
using Real = double;

std::int64_t R(Real v)
{
    // Default rounding mode: to nearest, exact halves to the even neighbour.
    return static_cast<std::int64_t>(std::nearbyint(v));
}

Real Radians(Real degrees)
{
    return degrees * (std::numbers::pi / 180);
}

// Sutherland-Hodgman against an axis-parallel rectangle, in floating point.
QPolygonF ClipToRect(const QList<QPointF> &in, const QRectF &r)
{
    QList<QPointF> poly = in;
    auto clipEdge = [&poly](auto inside, auto intersect) {
        QList<QPointF> out;
        for (qsizetype i = 0; i < poly.size(); ++i) {
            const QPointF cur = poly[i];
            const QPointF prev = poly[(i + poly.size() - 1) % poly.size()];
            const bool curIn = inside(cur);
            const bool prevIn = inside(prev);
            if (curIn) {
                if (!prevIn)
                    out << intersect(prev, cur);
                out << cur;
            } else if (prevIn) {
                out << intersect(prev, cur);
            }
        }
        poly = out;
    };
    auto atX = [](QPointF a, QPointF b, qreal x) {
        const qreal t = (x - a.x()) / (b.x() - a.x());
        return QPointF(x, a.y() + t * (b.y() - a.y()));
    };
    auto atY = [](QPointF a, QPointF b, qreal y) {
        const qreal t = (y - a.y()) / (b.y() - a.y());
        return QPointF(a.x() + t * (b.x() - a.x()), y);
    };
    clipEdge([&](QPointF p) { return p.x() >= r.left(); }, [&](QPointF a, QPointF b) { return atX(a, b, r.left()); });
    clipEdge([&](QPointF p) { return p.x() <= r.right(); }, [&](QPointF a, QPointF b) { return atX(a, b, r.right()); });
    clipEdge([&](QPointF p) { return p.y() >= r.top(); }, [&](QPointF a, QPointF b) { return atY(a, b, r.top()); });
    clipEdge([&](QPointF p) { return p.y() <= r.bottom(); },
             [&](QPointF a, QPointF b) { return atY(a, b, r.bottom()); });
    return QPolygonF(poly);
}

MapPolygon TrianglePolygon(const std::array<MapDrawing::Corner, 3> &c, const QSize &mapSize)
{
    const std::int64_t limit = MapDrawing::CoordinateLimit;
    const bool exact = std::all_of(c.begin(), c.end(), [limit](const MapDrawing::Corner &p) {
        return p.x >= -limit && p.x <= limit && p.y >= -limit && p.y <= limit;
    });
    MapPolygon out;
    if (exact) {
        for (const auto &p : c)
            out.append(QPoint(int(p.x), int(p.y)));
        return out;
    }

    // A triangle thousands of maps wide: only the part around the map can
    // ever be seen. Cut it down to the map plus a margin, so that the cut
    // edges stay off the picture and painters get sane coordinates.
    const qreal margin = 16;
    const QRectF around(-margin, -margin, mapSize.width() + 2 * margin, mapSize.height() + 2 * margin);
    QList<QPointF> pts;
    for (const auto &p : c)
        pts << QPointF(qreal(p.x), qreal(p.y));
    const QPolygonF clipped = ClipToRect(pts, around);
    for (const QPointF &p : clipped)
        out.append(QPoint(int(std::nearbyint(p.x())), int(std::nearbyint(p.y()))));
    return out;
}

// The key and position of an entry read as PhotoEntry::Key and ParsePosition
// read them, without making copies of the parts. False where one of them
// would throw; the caller then lets them report the bad number.
bool ParseEntry(const QByteArray &entry, std::int32_t &key, PhotoEntry::Position &p)
{
    return PhotoEntry::TryInt(PhotoEntry::KeyView(entry), key) && PhotoEntry::TryParsePosition(entry, p);
}

// The label's place: above and right of the position; none when that lies
// beyond the coordinates painters are given.
void PlaceLabel(MapPhotoShape &shape, std::int32_t x, std::int32_t y, std::int64_t s, std::int64_t h)
{
    const std::int64_t left = std::int64_t(x) + s;
    const std::int64_t top = std::int64_t(y) - s - h;
    shape.hasLabel = left >= -MapDrawing::CoordinateLimit && left <= MapDrawing::CoordinateLimit
        && top >= -MapDrawing::CoordinateLimit && top <= MapDrawing::CoordinateLimit;
    if (shape.hasLabel)
        shape.labelTopLeft = QPoint(int(left), int(top));
}

// Windows' standard system colours, for a stored colour with the high bit set.
QColor SystemColour(int index)
{
    static const QRgb table[] = {
        0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
        0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x434E54, 0xFFFFFF, 0x696969,
        0xE3E3E3, 0x000000, 0xFFFFE1, 0x000000, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
    };
    if (index < 0 || index >= int(std::size(table)))
        return QColor(Qt::black);
    return QColor(table[index]);
}

} // namespace

std::array<MapDrawing::Corner, 3> MapDrawing::TriangleCorners(std::int32_t x, std::int32_t y, std::int32_t direction,
                                                              std::int32_t size)
{
    // The usual directions come from a table of the very same values, made
    // once: the sines and cosines were the largest part of a redraw.
    struct Trig
    {
        Real cos90, sin90, cos, sin;
    };
    static constexpr int TableLimit = 720;
    static const std::vector<Trig> table = [] {
        std::vector<Trig> t;
        for (int d = -TableLimit; d <= TableLimit; ++d) {
            const Real a = d;
            t.push_back(
                {std::cos(Radians(a + 90)), std::sin(Radians(a + 90)), std::cos(Radians(a)), std::sin(Radians(a))});
        }
        return t;
    }();
    Trig trig;
    if (direction >= -TableLimit && direction <= TableLimit) {
        trig = table[size_t(direction + TableLimit)];
    } else {
        const Real a = direction;
        trig = {std::cos(Radians(a + 90)), std::sin(Radians(a + 90)), std::cos(Radians(a)), std::sin(Radians(a))};
    }
    const Real s = size;
    const std::int64_t u = R(trig.cos90 * s * Real(1.2));
    const std::int64_t v = R(trig.sin90 * s * Real(1.2));
    const std::int64_t ax = R(trig.cos * s);
    const std::int64_t ay = R(trig.sin * s);
    const std::int64_t px = x;
    const std::int64_t py = y;
    return {Corner{px + u, py - v}, Corner{px - u, py + v}, Corner{px + ax, py - ay}};
}

std::int64_t MapDrawing::FontPoints(std::int32_t size)
{
    return R(Real(size) * Real(1.3));
}

int MapDrawing::FontPixels(std::int64_t points, bool *clamped)
{
    // Windows: height = -MulDiv(points, 96, 72), rounded half away from zero.
    const std::int64_t magnitude = points < 0 ? -points : points;
    const std::int64_t pixels = (magnitude * 96 + 36) / 72;
    const bool outside = pixels < 1 || pixels > MaxFontPixels;
    if (clamped)
        *clamped = outside;
    return int(std::clamp<std::int64_t>(pixels, 1, MaxFontPixels));
}

QFont MapDrawing::MapFont(int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

QColor MapDrawing::WindowsColour(std::int32_t colour)
{
    const auto bits = static_cast<std::uint32_t>(colour);
    if (bits & 0x80000000u)
        return SystemColour(int(bits & 0xFFu));
    return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
}

QString MapDrawing::MapFilePath(const ProjectDocument &doc)
{
    if (doc.MapFileName.isEmpty())
        return QString();
    return PathResolver::Resolve(doc.MapFileName, doc.ProjectFolder());
}

QString MapDrawing::MapProblem(const ProjectDocument &doc, const QString &mapPath)
{
    if (doc.MapFileName.isEmpty())
        return QStringLiteral("Er is geen overzichtskaart gekozen.");
    const QString stored = AnsiCodec::toUnicode(doc.MapFileName);
    const QString path = QDir::toNativeSeparators(mapPath.isEmpty() ? stored : mapPath);
    const InputFile::Kind kind = InputFile::KindOf(mapPath);
    if (kind == InputFile::Kind::Missing)
        return QStringLiteral("De overzichtskaart \"%1\" is niet gevonden (%2).").arg(stored, path);
    return QStringLiteral("De overzichtskaart \"%1\" kan niet worden gelezen: %2 (%3).")
        .arg(stored, InputFile::Problem(kind), path);
}

MapScene MapDrawing::Build(const ProjectDocument &doc, bool labels, MapImageCache &cache, const QString &mapPath,
                           const KeyTable *nameKeys)
{
    MapScene scene;
    scene.map = cache.Load(mapPath);
    scene.size = scene.map.isNull() ? QSize(1, 1) : scene.map.size();
    if (scene.map.isNull())
        scene.mapProblem = MapProblem(doc, mapPath);
    AddPhotos(scene, doc, labels, nameKeys);
    return scene;
}

MapScene MapDrawing::Build(const ProjectDocument &doc, bool labels, QSize mapSize, const KeyTable *nameKeys)
{
    MapScene scene;
    scene.size = mapSize;
    AddPhotos(scene, doc, labels, nameKeys);
    return scene;
}

void MapDrawing::AddPhotos(MapScene &scene, const ProjectDocument &doc, bool labels, const KeyTable *nameKeys)
{
    scene.triangleColour = WindowsColour(doc.TriangleColour);

    const std::int32_t s = doc.TriangleSize;
    scene.fontPixelSize = FontPixels(FontPoints(s), &scene.fontClamped);
    const QFontMetrics metrics(MapFont(scene.fontPixelSize));
    const std::int64_t h = metrics.height(); // the height of "A" as a Windows text extent gives it
    scene.triangleSize = s;
    scene.textHeight = int(h);

    // Labels: the first NameEntry of each key wins. A name entry whose key is
    // no integer is reported when the search for a photo's name would run
    // into it, as a search from the top of the list would.
    KeyTable ownNames;
    if (labels && !nameKeys)
        ownNames.Build(doc.NameList, KeyTable::BadKeys::Stop);
    const KeyTable &names = nameKeys ? *nameKeys : ownNames;
    auto findName = [&](std::int32_t key) -> qsizetype {
        const qsizetype index = names.Find(key);
        if (index < 0 && names.FirstBad() < doc.NameList.size())
            PhotoEntry::Key(doc.NameList[names.FirstBad()]); // throws
        return index;
    };

    if (labels)
        scene.names = doc.NameList;
    scene.photos.reserve(doc.PositionList.size());
    for (const QByteArray &entry : doc.PositionList) {
        std::int32_t key = 0;
        PhotoEntry::Position p;
        if (!ParseEntry(entry, key, p)) {
            key = PhotoEntry::Key(entry);
            p = PhotoEntry::ParsePosition(entry);
        }
        MapPhotoShape shape;
        shape.position = QPoint(p.x, p.y);
        shape.key = key;
        shape.direction = p.direction;
        shape.triangle = TrianglePolygon(TriangleCorners(p.x, p.y, p.direction, s), scene.size);
        if (labels) {
            const qsizetype index = findName(key);
            if (index >= 0) {
                shape.nameEntry = index;
                PlaceLabel(shape, p.x, p.y, s, h);
            }
        }
        scene.photos.append(std::move(shape));
    }

    if (!doc.UserHelpText.isEmpty())
        scene.helpText = QLatin1Char(' ') + AnsiCodec::toUnicode(doc.UserHelpText) + QLatin1Char(' ');
}

void MapDrawing::PlacePhoto(MapPhotoShape &shape, const MapScene &scene, std::int32_t x, std::int32_t y,
                            std::int32_t direction)
{
    shape.position = QPoint(x, y);
    shape.direction = direction;
    shape.triangle = TrianglePolygon(TriangleCorners(x, y, direction, scene.triangleSize), scene.size);
    if (shape.nameEntry >= 0)
        PlaceLabel(shape, x, y, scene.triangleSize, scene.textHeight);
}
