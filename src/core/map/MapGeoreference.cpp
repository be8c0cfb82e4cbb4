#include "core/map/MapGeoreference.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <numbers>

namespace {

bool Refuse(QString *problem, const QString &why)
{
    if (problem)
        *problem = why;
    return false;
}

} // namespace

bool MapGeoreference::Fit(QString *problem)
{
    m_fitted = false;
    m_residuals.clear();
    m_projection.reset();
    if (points.size() > MaxPoints)
        return Refuse(problem, QStringLiteral("er zijn meer dan %1 paspunten").arg(MaxPoints));
    QList<qsizetype> used;
    for (qsizetype i = 0; i < points.size(); ++i)
        if (points[i].enabled)
            used.append(i);
    const qsizetype needed = kind == Kind::Affine ? 3 : 2;
    if (used.size() < needed)
        return Refuse(problem,
                      kind == Kind::Affine ? QStringLiteral("een affiene ijking vraagt minstens drie paspunten")
                                           : QStringLiteral("de ijking vraagt minstens twee paspunten"));

    // The system is centred on all points, so that switching one off does
    // not move it.
    double lat = 0, lon = 0;
    for (const ControlPoint &p : points) {
        lat += p.earth.latitude;
        lon += p.earth.longitude;
    }
    // Rounded, so that the same points give the same system, byte for byte.
    m_centre.latitude = std::round(lat / double(points.size()) * 1e7) / 1e7;
    m_centre.longitude = std::round(lon / double(points.size()) * 1e7) / 1e7;
    m_projection = EarthProjection::LocalTransverseMercator(m_centre.latitude, m_centre.longitude);
    if (!m_projection)
        return Refuse(problem, QStringLiteral("de paspunten liggen niet waar een kaart kan liggen"));

    QList<QPointF> local(points.size());
    for (qsizetype i = 0; i < points.size(); ++i) {
        const std::optional<QPointF> p = m_projection->ToProjected(points[i].earth);
        // Half the Earth away from the centre: no site plan spans that.
        if (!p || std::hypot(p->x(), p->y()) > 2e6) {
            m_projection.reset();
            return Refuse(problem, QStringLiteral("paspunt %1 ligt te ver van de andere").arg(i + 1));
        }
        local[i] = *p;
    }
    for (qsizetype i = 0; i < used.size(); ++i)
        for (qsizetype j = i + 1; j < used.size(); ++j) {
            const qsizetype a = used[i], b = used[j];
            const QPointF dm = points[a].map - points[b].map;
            if (std::hypot(dm.x(), dm.y()) < SameMapPixels)
                return Refuse(
                    problem,
                    QStringLiteral("paspunt %1 en %2 liggen op dezelfde plek van de kaart").arg(a + 1).arg(b + 1));
            const QPointF de = local[a] - local[b];
            if (std::hypot(de.x(), de.y()) < SameEarthMetres)
                return Refuse(problem,
                              QStringLiteral("paspunt %1 en %2 hebben dezelfde plek op aarde").arg(a + 1).arg(b + 1));
        }

    // Centred sums keep the normal equations well conditioned.
    double xm = 0, ym = 0, em = 0, nm = 0;
    for (qsizetype i : used) {
        xm += points[i].map.x();
        ym += points[i].map.y();
        em += local[i].x();
        nm += local[i].y();
    }
    const double n = double(used.size());
    xm /= n, ym /= n, em /= n, nm /= n;
    double sxx = 0, syy = 0, sxy = 0, sxe = 0, sye = 0, sxn = 0, syn = 0;
    for (qsizetype i : used) {
        const double dx = points[i].map.x() - xm, dy = points[i].map.y() - ym;
        const double de = local[i].x() - em, dn = local[i].y() - nm;
        sxx += dx * dx, syy += dy * dy, sxy += dx * dy;
        sxe += dx * de, sye += dy * de, sxn += dx * dn, syn += dy * dn;
    }
    if (kind == Kind::Similarity) {
        // East grows with x and north with -y (the map's y runs down): a
        // rotation and scale without mirroring is
        // E = A x + B y, N = B x - A y.
        const double s = sxx + syy;
        m_a = (sxe - syn) / s;
        m_b = (sye + sxn) / s;
        m_d = m_b;
        m_e = -m_a;
    } else {
        const double det = sxx * syy - sxy * sxy;
        // Points along one line leave the affine transform's second axis free.
        if (det <= 1e-6 * (sxx + syy) * (sxx + syy))
            return Refuse(problem,
                          QStringLiteral("de paspunten liggen op één lijn; een affiene ijking vraagt "
                                         "punten die een vlak opspannen"));
        m_a = (sxe * syy - sye * sxy) / det;
        m_b = (sye * sxx - sxe * sxy) / det;
        m_d = (sxn * syy - syn * sxy) / det;
        m_e = (syn * sxx - sxn * sxy) / det;
    }
    m_c = em - m_a * xm - m_b * ym;
    m_f = nm - m_d * xm - m_e * ym;
    if (!(std::abs(m_a * m_e - m_b * m_d) > 1e-18) || !std::isfinite(m_a + m_b + m_c + m_d + m_e + m_f))
        return Refuse(problem, QStringLiteral("de paspunten geven geen schaal"));

    double sum = 0;
    for (qsizetype i = 0; i < points.size(); ++i) {
        const QPointF d = ToLocal(points[i].map) - local[i];
        const double r = std::hypot(d.x(), d.y());
        m_residuals.append(r);
        if (points[i].enabled)
            sum += r * r;
    }
    m_rms = std::sqrt(sum / n);
    m_used = int(used.size());
    m_fitted = true;
    return true;
}

bool MapGeoreference::ShowsError() const
{
    return m_fitted && m_used > (kind == Kind::Affine ? 3 : 2);
}

double MapGeoreference::North() const
{
    // North (0, 1) in local metres, taken back to the map: the inverse
    // linear part's second column, (-b, a) / det.
    const double det = m_a * m_e - m_b * m_d;
    const double px = -m_b / det, py = m_a / det;
    double degrees = std::atan2(px, -py) * 180 / std::numbers::pi;
    degrees = std::fmod(degrees + 360, 360.0);
    return degrees >= 360 ? 0 : degrees;
}

double MapGeoreference::MetresPerPixel() const
{
    return std::sqrt(std::abs(m_a * m_e - m_b * m_d));
}

QPointF MapGeoreference::ToLocal(QPointF map) const
{
    return QPointF(m_a * map.x() + m_b * map.y() + m_c, m_d * map.x() + m_e * map.y() + m_f);
}

QPointF MapGeoreference::FromLocal(QPointF local) const
{
    const double det = m_a * m_e - m_b * m_d;
    const double u = local.x() - m_c, v = local.y() - m_f;
    return QPointF((m_e * u - m_b * v) / det, (-m_d * u + m_a * v) / det);
}

std::optional<EarthProjection::LonLat> MapGeoreference::ToEarth(QPointF map) const
{
    if (!m_fitted)
        return std::nullopt;
    return m_projection->ToEarth(ToLocal(map));
}

QList<std::optional<EarthProjection::LonLat>> MapGeoreference::ToEarth(const QList<QPointF> &map) const
{
    if (!m_fitted)
        return QList<std::optional<EarthProjection::LonLat>>(map.size());
    QList<QPointF> local;
    local.reserve(map.size());
    for (const QPointF p : map)
        local.append(ToLocal(p));
    return m_projection->ToEarth(local);
}

std::optional<QPointF> MapGeoreference::ToMap(EarthProjection::LonLat earth) const
{
    if (!m_fitted)
        return std::nullopt;
    const std::optional<QPointF> local = m_projection->ToProjected(earth);
    if (!local)
        return std::nullopt;
    return FromLocal(*local);
}

std::array<double, 6> MapGeoreference::GeoTransform() const
{
    return {m_c, m_a, m_b, m_f, m_d, m_e};
}

QString MapGeoreference::PointText(const ControlPoint &point)
{
    QString text = QStringLiteral("%1,%2,%3,%4")
                       .arg(NumberText(point.map.x()), NumberText(point.map.y()), NumberText(point.earth.latitude),
                            NumberText(point.earth.longitude));
    if (!point.enabled)
        text += QStringLiteral(",off");
    return text;
}

QString MapGeoreference::NumberText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

std::optional<double> MapGeoreference::ParseNumber(const QString &text, int integerDigits)
{
    static const QRegularExpression form(QStringLiteral("^-?(\\d+)(\\.\\d{1,24})?([eE][-+]?\\d{1,3})?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || m.capturedLength(1) > integerDigits)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<MapGeoreference::ControlPoint> MapGeoreference::ParsePoint(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4 && !(parts.size() == 5 && parts[4].trimmed() == QLatin1String("off")))
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const std::optional<double> n = ParseNumber(parts[i].trimmed(), 9);
        if (!n)
            return std::nullopt;
        v[i] = *n;
    }
    if (std::abs(v[0]) > 1e7 || std::abs(v[1]) > 1e7 || std::abs(v[2]) > 90 || std::abs(v[3]) > 180)
        return std::nullopt;
    ControlPoint point;
    point.map = QPointF(v[0], v[1]);
    point.earth = {v[3], v[2]};
    point.enabled = parts.size() == 4;
    return point;
}

QString MapGeoreference::KindText(Kind kind)
{
    return kind == Kind::Affine ? QStringLiteral("affine") : QStringLiteral("similarity");
}

std::optional<MapGeoreference::Kind> MapGeoreference::ParseKind(const QString &text)
{
    if (text == QLatin1String("affine"))
        return Kind::Affine;
    if (text == QLatin1String("similarity"))
        return Kind::Similarity;
    return std::nullopt;
}
