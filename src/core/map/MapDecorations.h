#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;

// The north arrow and the scale bar of a calibrated map, painted the same
// way wherever they appear: over the map view, in the calibration dialog,
// and (when asked for) in exports and prints.
namespace MapDecorations {

// The side of the square the north arrow takes, in painter units.
constexpr double ArrowSide = 56;

// A north arrow in the square of side ArrowSide with its top-left corner at
// (x, y), pointing north at north degrees clockwise from up.
void PaintNorthArrow(QPainter &painter, double x, double y, double north);

// A bar that stands for a round length (1, 2 or 5 times a power of ten
// metres), as close to preferredWidth painter units as that allows, with its
// label; pixelsPerMetre: painter units per metre. Its lower left corner at
// (x, bottom). Returns the rectangle it took.
QRectF PaintScaleBar(QPainter &painter, double x, double bottom, double pixelsPerMetre, double preferredWidth = 120);

// The round length in metres the scale bar shows for a preferred width.
double RoundLength(double metres);
// A length as the bar labels it: "50 m", "1,5 km", "20 cm".
QString LengthText(double metres);

// What an output adds when asked: the arrow (north degrees clockwise from
// up) and the bar (metres per map pixel).
struct Marks
{
    std::optional<double> north;
    std::optional<double> metresPerPixel;
    bool IsEmpty() const { return !north && !metresPerPixel; }
};

// The marks over a map of mapSize painted in map pixels: the arrow in the
// top right corner, the bar in the bottom left one; unit is how many map
// pixels one of the marks' own pixels takes (1 at the map's own size).
void PaintOnMap(QPainter &painter, const Marks &marks, QSizeF mapSize, double unit);

} // namespace MapDecorations
