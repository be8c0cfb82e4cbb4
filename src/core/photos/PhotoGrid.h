#pragma once

#include <QList>
#include <QPoint>
#include <QSize>
#include <cstdint>

// Where photos taken in together (an import, files dropped on the map) are
// put: a compact square grid, row by row, so that each triangle stays
// visible and clickable until the user drags it to its place. Neighbours
// stand three triangle sizes apart: a triangle spans at most 2.4 sizes, so
// triangles never touch and no hit square overlaps another.
class PhotoGrid
{
public:
    // The distance between neighbours for a triangle size.
    static int Pitch(std::int32_t triangleSize);

    // count points around centre (an import: the middle of what the map
    // view shows) or from topLeft onwards (a drop: the first photo where the
    // files were let go). They are kept on the map (mapSize; 1 by 1 means no
    // map) where it is large enough, and never on 0 or below, which the
    // add-photo dialog refuses as a position.
    static QList<QPoint> Centred(int count, QPoint centre, std::int32_t triangleSize, QSize mapSize);
    static QList<QPoint> From(int count, QPoint topLeft, std::int32_t triangleSize, QSize mapSize);

private:
    static QList<QPoint> Lay(int count, std::int64_t left, std::int64_t top, int pitch, int columns, QSize mapSize);
    static int Columns(int count);
};
