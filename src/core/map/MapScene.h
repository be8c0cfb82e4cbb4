#pragma once

#include "core/platform/AnsiCodec.h"
#include "core/project/PhotoEntry.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>

// A photo's triangle as drawn, held in place rather than on the heap: a
// redraw makes one per photo. P1, P2 and the apex, or what is left of a huge
// triangle cut down to the map's surroundings (a triangle cut by a rectangle
// keeps at most seven corners); no corners when nothing is left.
struct MapPolygon
{
    static constexpr int MaxCorners = 7;
    std::array<QPoint, MaxCorners> corners{};
    int count = 0;

    int size() const { return count; }
    const QPoint *begin() const { return corners.data(); }
    const QPoint *end() const { return corners.data() + count; }
    void append(const QPoint &p)
    {
        if (count < MaxCorners)
            corners[size_t(count++)] = p;
    }
    // As QPolygon::boundingRect.
    QRect boundingRect() const
    {
        if (count == 0)
            return QRect();
        int left = corners[0].x(), right = left, top = corners[0].y(), bottom = top;
        for (int i = 1; i < count; ++i) {
            left = std::min(left, corners[size_t(i)].x());
            right = std::max(right, corners[size_t(i)].x());
            top = std::min(top, corners[size_t(i)].y());
            bottom = std::max(bottom, corners[size_t(i)].y());
        }
        return QRect(QPoint(left, top), QPoint(right, bottom));
    }
    QPolygon toPolygon() const { return QPolygon(QList<QPoint>(begin(), end())); }
    bool operator==(const MapPolygon &other) const { return std::equal(begin(), end(), other.begin(), other.end()); }
};

// One photo on the map as it is drawn: its triangle and, when labels are on
// and the photo has a file name, the label above and right of its position.
struct MapPhotoShape
{
    QPoint position; // the photo's x and y, the middle of the triangle's base
    std::int32_t key = 0;
    std::int32_t direction = 0; // degrees counter-clockwise from pointing right
    MapPolygon triangle;        // P1, P2, apex; empty when it lies far outside the map
    bool hasLabel = false;
    QPoint labelTopLeft;
    // The label's name entry in MapScene::names; its text is made when it is
    // painted, as most labels of a big project lie outside the painted part.
    qsizetype nameEntry = -1;
};

// Everything one redraw of the map puts on the picture, computed once from
// the project. Painting it (on screen, into a PNG, a metafile or an SVG) is
// MapPainter's job, so all outputs show the same drawing.
struct MapScene
{
    QSize size{1, 1}; // the picture's size: the map bitmap's, or 1 by 1
    QImage map;       // the decoded map (shared with the cache); null without one
    // Without a map: why, as a sentence naming the file. Picture files and
    // print refuse such a scene; the view, the metafile and copy do not.
    QString mapProblem;
    QColor triangleColour;
    std::int32_t triangleSize = 0;
    int fontPixelSize = 11;   // labels and help text
    int textHeight = 0;       // of the font, which sets a label's height above the position
    bool fontClamped = false; // the project's size asked for an absurd font
    QList<MapPhotoShape> photos;
    QList<QByteArray> names; // the project's name list (shared, not copied)
    QString helpText;        // as drawn, with its surrounding blanks; empty: none
    QPoint helpTopLeft{10, 10};

    // The label text of a photo: its name entry's value, as the file's bytes.
    QByteArrayView LabelBytes(const MapPhotoShape &photo) const
    {
        if (!photo.hasLabel || photo.nameEntry < 0 || photo.nameEntry >= names.size())
            return QByteArrayView();
        return PhotoEntry::ValueView(names[photo.nameEntry]);
    }

    // At least the length of LabelBytes, found without reading the entry.
    qsizetype LabelLengthBound(const MapPhotoShape &photo) const
    {
        return photo.nameEntry >= 0 && photo.nameEntry < names.size() ? names[photo.nameEntry].size() : 0;
    }

    // The same in Unicode.
    QString Label(const MapPhotoShape &photo) const
    {
        const QByteArrayView bytes = LabelBytes(photo);
        return AnsiCodec::toUnicode(QByteArray::fromRawData(bytes.data(), bytes.size()));
    }
};
