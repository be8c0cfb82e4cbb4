#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QPolygon>
#include <QSize>
#include <QString>

// One photo on the map as it is drawn: its triangle and, when labels are on
// and the photo has a file name, the label above and right of its position.
struct MapPhotoShape
{
    QPolygon triangle;   // P1, P2, apex; empty when it lies far outside the map
    bool hasLabel = false;
    QPoint labelTopLeft;
    QString label;
};

// Everything one redraw of the map puts on the picture, computed once from
// the project. Painting it (on screen, into a PNG, a metafile or an SVG) is
// MapPainter's job, so all outputs show the same drawing.
struct MapScene
{
    QSize size{1, 1};          // the picture's size: the map bitmap's, or 1 by 1
    QImage map;                // the decoded map (shared with the cache); null without one
    QColor triangleColour;
    int fontPixelSize = 11;    // labels and help text
    bool fontClamped = false;  // the project's size asked for an absurd font
    QList<MapPhotoShape> photos;
    QString helpText;          // as drawn, with its surrounding blanks; empty: none
    QPoint helpTopLeft{10, 10};
};
