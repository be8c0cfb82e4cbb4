#include "core/map/EarthProjection.h"

#include "core/map/ProjectionGrid.h"

#include <QMutex>

#include <proj.h>
#include <proj_experimental.h>

#include <cmath>

namespace {

// One PROJ context for every system, never freed (nothing of PROJ is torn
// down after PROJ itself at exit). A context of its own per system opened
// PROJ's database anew for each: most of the time of finding a system, and
// of every map whose .aux.xml or GeoTIFF names one. A context is not for two
// threads at once, so every call into PROJ holds the one lock.
struct SharedContext
{
    QMutex lock;
    PJ_CONTEXT *context = nullptr;
};

SharedContext &Shared()
{
    static SharedContext *shared = [] {
        auto *made = new SharedContext;
        made->context = proj_context_create();
        if (made->context) {
            // PROJ writes its complaints to stderr; ours go to the user in words.
            proj_log_level(made->context, PJ_LOG_NONE);
            proj_context_set_enable_network(made->context, 0);
        }
        return made;
    }();
    return *shared;
}

} // namespace

struct EarthProjection::Handle
{
    PJ_CONTEXT *context = nullptr;
    PJ *crs = nullptr;
    PJ *transform = nullptr; // WGS84 longitude, latitude -> easting, northing
    QMutex &lock;

    Handle() : context(Shared().context), lock(Shared().lock) {}
    ~Handle()
    {
        QMutexLocker locker(&lock);
        proj_destroy(transform);
        proj_destroy(crs);
    }
};

namespace {

QString LastError(PJ_CONTEXT *context)
{
    const int code = proj_context_errno(context);
    return code ? QString::fromUtf8(proj_context_errno_string(context, code)) : QStringLiteral("onbekend stelsel");
}

} // namespace

EarthProjection::EarthProjection(std::shared_ptr<Handle> handle) : m_handle(std::move(handle))
{
}

std::shared_ptr<EarthProjection::Handle> EarthProjection::NewHandle()
{
    auto handle = std::make_shared<Handle>();
    if (!handle->context)
        return nullptr;
    return handle;
}

std::optional<EarthProjection> EarthProjection::FromName(const QString &name, QString *problem)
{
    // Finding a system and its operation in PROJ's database takes tens of
    // milliseconds, for every point typed in RD or UTM coordinates in the
    // calibration dialog and every map loaded with a GIS's system beside it.
    // The last few found are kept (never freed, so nothing of PROJ is torn
    // down after PROJ itself at exit).
    struct Found
    {
        QString name;
        std::shared_ptr<Handle> handle;
    };
    static QMutex foundLock;
    static auto *found = new QList<Found>; // the most recent first
    {
        QMutexLocker locker(&foundLock);
        for (qsizetype i = 0; i < found->size(); ++i) {
            if ((*found)[i].name == name) {
                found->move(i, 0);
                return EarthProjection(found->first().handle);
            }
        }
    }
    std::optional<EarthProjection> made = Find(name, problem);
    if (made) {
        QMutexLocker locker(&foundLock);
        found->prepend(Found{name, made->m_handle});
        if (found->size() > 4)
            found->removeLast();
    }
    return made;
}

std::optional<EarthProjection> EarthProjection::Find(const QString &name, QString *problem)
{
    std::shared_ptr<Handle> handle = NewHandle();
    if (!handle)
        return std::nullopt;
    QMutexLocker locker(&handle->lock);
    const QByteArray definition = name.toUtf8();
    handle->crs = proj_create(handle->context, definition.constData());
    if (handle->crs && !proj_is_crs(handle->crs)) {
        proj_destroy(handle->crs);
        handle->crs = nullptr;
    }
    PJ *raw =
        handle->crs ? proj_create_crs_to_crs(handle->context, "EPSG:4326", definition.constData(), nullptr) : nullptr;
    if (raw) {
        // EPSG:4326 is latitude first; PROJ's "visualisation" order is
        // longitude, latitude and easting, northing, whatever the system says.
        handle->transform = proj_normalize_for_visualization(handle->context, raw);
        proj_destroy(raw);
    }
    if (!handle->transform) {
        if (problem)
            *problem = LastError(handle->context);
        return std::nullopt;
    }
    return EarthProjection(std::move(handle));
}

std::optional<EarthProjection> EarthProjection::LocalTransverseMercator(double latitude, double longitude)
{
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || std::abs(latitude) > 89 || std::abs(longitude) > 180)
        return std::nullopt;
    const QString centre =
        QStringLiteral("+lat_0=%1 +lon_0=%2 +k=1 +x_0=0 +y_0=0").arg(latitude, 0, 'f', 9).arg(longitude, 0, 'f', 9);
    const QByteArray definition =
        (QStringLiteral("+proj=tmerc ") + centre + QStringLiteral(" +datum=WGS84 +units=m +no_defs +type=crs"))
            .toUtf8();
    // The operation PROJ itself finds from WGS84 to this system, written out:
    // asking PROJ to find it searches its database, some milliseconds for
    // each map that is loaded or fitted.
    const QByteArray operation = (QStringLiteral("+proj=pipeline +step +proj=unitconvert +xy_in=deg +xy_out=rad "
                                                 "+step +proj=tmerc ")
                                  + centre + QStringLiteral(" +ellps=WGS84"))
                                     .toUtf8();
    std::shared_ptr<Handle> handle = NewHandle();
    if (!handle)
        return std::nullopt;
    QMutexLocker locker(&handle->lock);
    handle->crs = proj_create(handle->context, definition.constData());
    handle->transform = handle->crs ? proj_create(handle->context, operation.constData()) : nullptr;
    if (!handle->crs || !handle->transform)
        return std::nullopt;
    // A name GIS users recognise in a layer's properties.
    if (PJ *named = proj_alter_name(handle->context, handle->crs, "Tolvek lokaal (TM)")) {
        proj_destroy(handle->crs);
        handle->crs = named;
    }
    return EarthProjection(std::move(handle));
}

std::optional<QPointF> EarthProjection::ToProjected(LonLat position) const
{
    QMutexLocker locker(&m_handle->lock);
    const PJ_COORD out =
        proj_trans(m_handle->transform, PJ_FWD, proj_coord(position.longitude, position.latitude, 0, 0));
    if (!std::isfinite(out.xy.x) || !std::isfinite(out.xy.y) || out.xy.x == HUGE_VAL)
        return std::nullopt;
    return QPointF(out.xy.x, out.xy.y);
}

std::function<void(double *, std::size_t)> EarthProjection::Exact(int direction) const
{
    // Called with the lock held.
    PJ *transform = m_handle->transform;
    return [transform, direction](double *xy, std::size_t count) {
        proj_trans_generic(transform, PJ_DIRECTION(direction), xy, 2 * sizeof(double), count, xy + 1,
                           2 * sizeof(double), count, nullptr, 0, 0, nullptr, 0, 0);
    };
}

QList<QPointF> EarthProjection::ToProjected(const QList<LonLat> &positions) const
{
    QList<QPointF> out(positions.size());
    if (positions.isEmpty())
        return out;
    // LonLat and QPointF are both two doubles: PROJ reads from one array
    // and writes into the other, strided.
    static_assert(sizeof(LonLat) == 2 * sizeof(double) && sizeof(QPointF) == 2 * sizeof(double));
    for (qsizetype i = 0; i < positions.size(); ++i)
        out[i] = QPointF(positions[i].longitude, positions[i].latitude);
    QMutexLocker locker(&m_handle->lock);
    double *data = reinterpret_cast<double *>(out.data());
    // A micrometre: far below any map's pixel and any GPS.
    if (!ProjectionGrid::Transform(data, size_t(out.size()), Exact(PJ_FWD), 1e-6))
        Exact(PJ_FWD)(data, size_t(out.size()));
    for (QPointF &p : out)
        if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
            p = QPointF(NAN, NAN);
    return out;
}

QList<std::optional<EarthProjection::LonLat>> EarthProjection::ToEarth(const QList<QPointF> &projected) const
{
    QList<std::optional<LonLat>> result(projected.size());
    if (projected.isEmpty())
        return result;
    QList<QPointF> out = projected;
    {
        QMutexLocker locker(&m_handle->lock);
        double *data = reinterpret_cast<double *>(out.data());
        // 1e-11 degree is about a micrometre on the ground.
        if (!ProjectionGrid::Transform(data, size_t(out.size()), Exact(PJ_INV), 1e-11))
            Exact(PJ_INV)(data, size_t(out.size()));
    }
    // The same refusals as one point at a time.
    for (qsizetype i = 0; i < out.size(); ++i) {
        const double lam = out[i].x(), phi = out[i].y();
        if (std::isfinite(lam) && std::isfinite(phi) && std::abs(phi) <= 90)
            result[i] = LonLat{lam, phi};
    }
    return result;
}

std::optional<EarthProjection::LonLat> EarthProjection::ToEarth(QPointF projected) const
{
    QMutexLocker locker(&m_handle->lock);
    const PJ_COORD out = proj_trans(m_handle->transform, PJ_INV, proj_coord(projected.x(), projected.y(), 0, 0));
    if (!std::isfinite(out.lp.lam) || !std::isfinite(out.lp.phi) || std::abs(out.lp.phi) > 90)
        return std::nullopt;
    return LonLat{out.lp.lam, out.lp.phi};
}

QByteArray EarthProjection::Wkt() const
{
    QMutexLocker locker(&m_handle->lock);
    const char *options[] = {"MULTILINE=NO", nullptr};
    const char *wkt = proj_as_wkt(m_handle->context, m_handle->crs, PJ_WKT1_GDAL, options);
    return wkt ? QByteArray(wkt) : QByteArray();
}

QString EarthProjection::Name() const
{
    QMutexLocker locker(&m_handle->lock);
    const char *name = proj_get_name(m_handle->crs);
    return name ? QString::fromUtf8(name) : QString();
}
