#pragma once

#include "core/map/EarthProjection.h"

#include <QList>
#include <QPointF>
#include <QString>

#include <array>
#include <optional>

// Where a map lies on Earth: control points (a map point and its WGS84
// position) and the transform fitted to them, from map pixels to metres
// in a transverse Mercator centred on the points (never in raw degrees).
// Two points give a similarity (scale, rotation, shift), which always
// passes through both and so cannot show its own error; three or more a
// least-squares similarity or, when chosen, an affine transform (which
// also takes up a map drawn with unequal scales or a slight shear). Map
// points are in map pixels with (0, 0) the top-left corner of the map's
// first pixel, as GDAL counts them.
class MapGeoreference
{
public:
    enum class Kind { Similarity, Affine };

    struct ControlPoint
    {
        QPointF map;
        EarthProjection::LonLat earth;
        bool enabled = true; // switched off: shown with its residual, not fitted
        bool operator==(const ControlPoint &o) const
        {
            return map == o.map && earth.longitude == o.earth.longitude && earth.latitude == o.earth.latitude
                && enabled == o.enabled;
        }
    };

    QList<ControlPoint> points;
    Kind kind = Kind::Similarity;

    static constexpr int MaxPoints = 100;
    // Closer than this on the map or on Earth, two points are one.
    static constexpr double SameMapPixels = 1.0;
    static constexpr double SameEarthMetres = 0.05;

    bool IsEmpty() const { return points.isEmpty(); }
    // Fits the switched-on points; false with problem (Dutch, for the
    // user) when they give no transform: fewer than two (three for an
    // affine one), two at one place, or all on one line for an affine one.
    bool Fit(QString *problem);
    bool IsFitted() const { return m_fitted; }

    // Only after a successful Fit:
    // The distance in metres between each point's position and where the
    // fit puts its map point (switched-off points too).
    const QList<double> &Residuals() const { return m_residuals; }
    // The root mean square of the switched-on points' residuals.
    double Rms() const { return m_rms; }
    // Whether the residuals say anything: more points than the transform
    // needs (two for a similarity, three for an affine one fit exactly).
    bool ShowsError() const;
    // North's arrow in degrees clockwise from up, at the points' centre.
    double North() const;
    double MetresPerPixel() const;
    EarthProjection::LonLat Centre() const { return m_centre; }

    std::optional<EarthProjection::LonLat> ToEarth(QPointF map) const;
    // Many map points at once (one call into PROJ).
    QList<std::optional<EarthProjection::LonLat>> ToEarth(const QList<QPointF> &map) const;
    std::optional<QPointF> ToMap(EarthProjection::LonLat earth) const;
    // Map pixels to the local system's metres and back.
    QPointF ToLocal(QPointF map) const;
    QPointF FromLocal(QPointF local) const;
    // GDAL's geotransform of the map in the local system: x = t0 + t1 col +
    // t2 row, y = t3 + t4 col + t5 row, (col, row) from the top-left corner.
    std::array<double, 6> GeoTransform() const;
    const std::optional<EarthProjection> &Projection() const { return m_projection; }

    // The sidecar's text of one point: "x,y,latitude,longitude" with ",off"
    // when switched off; and back (nothing when it is not one).
    static QString PointText(const ControlPoint &point);
    // A number as the sidecar keeps it: the shortest form that reads back
    // exactly (below 0.1 that takes up to 20 decimals); and read back, with
    // no blanks, hex or infinities, and at most integerDigits before the
    // point.
    static QString NumberText(double value);
    static std::optional<double> ParseNumber(const QString &text, int integerDigits);
    static std::optional<ControlPoint> ParsePoint(const QString &text);
    static QString KindText(Kind kind);
    static std::optional<Kind> ParseKind(const QString &text);

    // Equal control points and kind: the fit follows from them.
    bool operator==(const MapGeoreference &o) const { return points == o.points && kind == o.kind; }

private:
    bool m_fitted = false;
    EarthProjection::LonLat m_centre;
    std::optional<EarthProjection> m_projection;
    // local = linear * map + shift
    double m_a = 0, m_b = 0, m_d = 0, m_e = 0, m_c = 0, m_f = 0;
    QList<double> m_residuals;
    double m_rms = 0;
    int m_used = 0;
};
