#include "core/photos/MagneticModel.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <numbers>

// Resources live in the static library; the initializer must be named.
static void InitModelResources()
{
    Q_INIT_RESOURCE(magneticmodel);
}

namespace {

std::vector<double> Numbers(const QJsonObject &model, const char *key)
{
    std::vector<double> numbers;
    for (const QJsonValue &v : model.value(QLatin1String(key)).toArray())
        numbers.push_back(v.toDouble());
    return numbers;
}

} // namespace

const MagneticModel &MagneticModel::Wmm2025()
{
    static const MagneticModel model = [] {
        MagneticModel m;
        InitModelResources();
        QFile file(QStringLiteral(":/tolvek/photos/wmm-2025.json"));
        if (!file.open(QIODevice::ReadOnly))
            return m;
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        const int degree = json.value(QLatin1String("n_max")).toInt();
        const size_t count = size_t((degree + 1) * (degree + 2) / 2);
        m.m_g = Numbers(json, "main_field_coeff_g");
        m.m_h = Numbers(json, "main_field_coeff_h");
        m.m_gRate = Numbers(json, "secular_var_coeff_g");
        m.m_hRate = Numbers(json, "secular_var_coeff_h");
        m.m_epoch = json.value(QLatin1String("epoch")).toDouble();
        m.m_maxDegree = degree;
        if (degree < 1 || m.m_g.size() != count || m.m_h.size() != count || m.m_gRate.size() != count
            || m.m_hRate.size() != count)
            m.m_g.clear();
        return m;
    }();
    return model;
}

double MagneticModel::Declination(double latitude, double longitude, double year, double heightKm) const
{
    if (!IsValid())
        return 0;
    constexpr double degree = std::numbers::pi / 180;
    // WGS84 ellipsoid, and the model's reference radius.
    constexpr double a = 6378.137, f = 1 / 298.257223563, e2 = f * (2 - f), reference = 6371.2;

    // Geodetic to geocentric spherical coordinates.
    const double phi = latitude * degree, lambda = longitude * degree;
    const double rc = a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    const double p = (rc + heightKm) * std::cos(phi);
    const double z = (rc * (1 - e2) + heightKm) * std::sin(phi);
    const double r = std::hypot(p, z);
    const double phiC = std::asin(z / r);

    const int N = m_maxDegree;
    const double x = std::sin(phiC), s = std::cos(phiC);
    // Schmidt semi-normalised Legendre functions of sin(phiC) and their
    // derivatives by phiC, by the usual recursions.
    std::vector<double> P(size_t((N + 1) * (N + 2) / 2)), dP(P.size());
    const auto at = [](int n, int m) { return size_t(n * (n + 1) / 2 + m); };
    P[0] = 1;
    dP[0] = 0;
    for (int n = 1; n <= N; ++n) {
        for (int m = 0; m <= n; ++m) {
            if (m == n) {
                const double k = n == 1 ? 1 : std::sqrt((2.0 * n - 1) / (2.0 * n));
                P[at(n, n)] = k * s * P[at(n - 1, n - 1)];
                dP[at(n, n)] = k * (s * dP[at(n - 1, n - 1)] - x * P[at(n - 1, n - 1)]);
            } else {
                const double k = std::sqrt(double(n * n - m * m));
                const double back = n >= 2 ? std::sqrt(double((n - 1) * (n - 1) - m * m)) : 0;
                const double p2 = n >= 2 && m <= n - 2 ? P[at(n - 2, m)] : 0;
                const double dp2 = n >= 2 && m <= n - 2 ? dP[at(n - 2, m)] : 0;
                P[at(n, m)] = ((2 * n - 1) * x * P[at(n - 1, m)] - back * p2) / k;
                dP[at(n, m)] = ((2 * n - 1) * (s * P[at(n - 1, m)] + x * dP[at(n - 1, m)]) - back * dp2) / k;
            }
        }
    }

    const double dt = year - m_epoch;
    double north = 0, east = 0, down = 0;
    for (int n = 1; n <= N; ++n) {
        const double ratio = std::pow(reference / r, n + 2);
        for (int m = 0; m <= n; ++m) {
            const size_t i = at(n, m);
            const double g = m_g[i] + dt * m_gRate[i], h = m_h[i] + dt * m_hRate[i];
            const double c = std::cos(m * lambda), sn = std::sin(m * lambda);
            north -= ratio * (g * c + h * sn) * dP[i];
            east += ratio * m * (g * sn - h * c) * P[i];
            down -= ratio * (n + 1) * (g * c + h * sn) * P[i];
        }
    }
    // At the poles east is undefined; the model's own answer is the limit.
    east = s > 1e-12 ? east / s : east;
    // Back from the sphere to the ellipsoid: only north and down turn.
    const double turn = phiC - phi;
    const double northGeodetic = north * std::cos(turn) - down * std::sin(turn);
    return std::atan2(east, northGeodetic) / degree;
}
