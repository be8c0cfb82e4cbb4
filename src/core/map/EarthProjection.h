#pragma once

#include <QByteArray>
#include <QList>
#include <QPointF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

// A projected coordinate system on the WGS84 datum, through PROJ: from
// longitude and latitude to easting and northing in metres and back. The
// map's fit works in a transverse Mercator centred on the site (scale 1 at
// its centre), so distances in it are true metres on the ground to well
// under a millimetre per hundred metres across a site. All systems share
// one PROJ context behind one lock, so a copy may be used on any thread.
class EarthProjection
{
public:
    // Longitude and latitude in degrees, east and north positive.
    struct LonLat
    {
        double longitude = 0;
        double latitude = 0;
    };

    // The transverse Mercator through (latitude, longitude); nothing when
    // PROJ refuses it (a position off the Earth).
    static std::optional<EarthProjection> LocalTransverseMercator(double latitude, double longitude);
    // A system PROJ knows by name ("EPSG:28992", "EPSG:32631"), with its
    // axes east then north; nothing when PROJ does not know it. problem
    // gets PROJ's words.
    static std::optional<EarthProjection> FromName(const QString &name, QString *problem = nullptr);

    // Easting and northing of a WGS84 position; nothing when it lies
    // outside what the system can show.
    std::optional<QPointF> ToProjected(LonLat position) const;
    std::optional<LonLat> ToEarth(QPointF projected) const;
    // Many at once (one call into PROJ; thousands through a grid checked
    // against PROJ to a micrometre): positions that cannot be shown come
    // back as NaN.
    QList<QPointF> ToProjected(const QList<LonLat> &positions) const;
    // Many at once the other way; nothing for a point off the Earth.
    QList<std::optional<LonLat>> ToEarth(const QList<QPointF> &projected) const;

    // The system as WKT, as GDAL writes it in a .aux.xml.
    QByteArray Wkt() const;
    QString Name() const;

private:
    struct Handle;
    explicit EarthProjection(std::shared_ptr<Handle> handle);
    // Objects in the one shared PROJ context, quiet and offline; null when
    // PROJ has no context.
    static std::shared_ptr<Handle> NewHandle();
    // FromName without the recently found ones.
    static std::optional<EarthProjection> Find(const QString &name, QString *problem);
    // PROJ's transform of interleaved pairs in place, PJ_FWD or PJ_INV.
    std::function<void(double *, std::size_t)> Exact(int direction) const;
    std::shared_ptr<Handle> m_handle;
};
