#pragma once

#include "core/project/PhotoLookup.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <cstdint>

// How far the map view is zoomed, and what that means for points: which
// map pixel lies under a pixel of the view, where a photo is shown, and
// which photos a click hits.
//
// A view pixel v shows the map pixel under its centre: floor((v + 0.5) / z).
// A map pixel p is shown in the view pixel that holds its centre:
// floor((p + 0.5) * z). At 1:1 both are the identity.
//
// Zoomed in (z >= 1) the whole map is drawn at its scale and a click hits
// the photos whose hit square (in map pixels) holds the map pixel under
// the pointer. Zoomed out, triangles keep their size on the screen down to
// 1/4 and shrink with the map below it (to a size still seen and read), so
// the hit square is taken in screen pixels around the triangle as shown.
class MapZoom
{
public:
    static constexpr double Smallest = 1.0 / 32;
    static constexpr double Largest = 8;

    MapZoom() = default;
    explicit MapZoom(double factor) : m_factor(Clamp(factor)) {}

    double Factor() const { return m_factor; }
    bool IsActualSize() const { return m_factor == 1; }
    bool IsZoomedOut() const { return m_factor < 1; }
    bool operator==(const MapZoom &) const = default;

    static double Clamp(double factor);

    // The next step of the ladder (1/32 ... 1/2, 2/3, 1, 1.5, 2, 3, 4, 6, 8)
    // in and out from any factor; the end of the ladder stays.
    static double StepIn(double factor);
    static double StepOut(double factor);

    // The factor at which the whole map fits in a view of the given size.
    static double Fit(QSize mapSize, QSize viewSize);

    std::int64_t ToMap(std::int64_t viewPixel) const;
    std::int64_t ToView(std::int64_t mapPixel) const;
    QPoint ToMap(QPoint viewPixel) const;
    QPoint ToView(QPoint mapPixel) const;

    // The size of the view showing a map of mapSize (at least 1 by 1).
    QSize ViewSize(QSize mapSize) const;

    // The map positions of the photos that a click on viewPixel hits, for
    // triangles of size triangleSize.
    PhotoLookup::Area HitArea(QPoint viewPixel, std::int32_t triangleSize) const;

    // Below 1/4 the triangles and texts shrink with the map, so that they
    // never dwarf it, but not below 3 pixels a triangle and 8 a text.
    static constexpr double ShrinkBelow = 1.0 / 4;
    std::int32_t ShownTriangleSize(std::int32_t triangleSize) const;
    int ShownFontPixels(int fontPixels) const;
    // A triangle's corners and a text's place, seen from the photo's
    // position, are scaled by these when shown.
    double TriangleScale(std::int32_t triangleSize) const;
    double TextScale(int fontPixels) const;

    // For the status bar: "100%", "25%", "3,1%".
    QString Percent() const;

private:
    double m_factor = 1;
};
