#include "core/map/ProjectionGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

struct Box
{
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0;
    double x1 = -x0, y1 = -x0;
};

bool Finite(const double *p)
{
    return std::isfinite(p[0]) && std::isfinite(p[1]);
}

} // namespace

bool ProjectionGrid::Transform(double *xy, std::size_t count, const Exact &exact, double tolerance)
{
    if (count < MinPoints)
        return false;
    Box box;
    for (std::size_t i = 0; i < count; ++i) {
        const double *p = xy + 2 * i;
        if (!Finite(p))
            continue;
        box.x0 = std::min(box.x0, p[0]);
        box.x1 = std::max(box.x1, p[0]);
        box.y0 = std::min(box.y0, p[1]);
        box.y1 = std::max(box.y1, p[1]);
    }
    if (!(box.x0 <= box.x1))
        return false;
    // A box of no width still needs cells to interpolate in.
    const double pad = 1e-9 * std::max({1.0, std::abs(box.x0), std::abs(box.y0), std::abs(box.x1), std::abs(box.y1)});
    if (box.x1 - box.x0 < pad)
        box.x1 = box.x0 + pad;
    if (box.y1 - box.y0 < pad)
        box.y1 = box.y0 + pad;
    constexpr int cells = Nodes - 1;
    const double cw = (box.x1 - box.x0) / cells, ch = (box.y1 - box.y0) / cells;

    // The nodes, then the cells' centres, in one exact call.
    std::vector<double> grid(2 * (Nodes * Nodes + cells * cells));
    double *node = grid.data();
    double *centre = node + 2 * Nodes * Nodes;
    for (int r = 0; r < Nodes; ++r)
        for (int c = 0; c < Nodes; ++c) {
            node[2 * (r * Nodes + c)] = c == cells ? box.x1 : box.x0 + c * cw;
            node[2 * (r * Nodes + c) + 1] = r == cells ? box.y1 : box.y0 + r * ch;
        }
    for (int r = 0; r < cells; ++r)
        for (int c = 0; c < cells; ++c) {
            centre[2 * (r * cells + c)] = box.x0 + (c + 0.5) * cw;
            centre[2 * (r * cells + c) + 1] = box.y0 + (r + 0.5) * ch;
        }
    exact(grid.data(), grid.size() / 2);
    for (std::size_t i = 0; i < grid.size(); i += 2)
        if (!Finite(grid.data() + i))
            return false;

    // Quadratic through the three nodes nearest u along each axis: the
    // projections bend (the meridians converge), and a straight line
    // between two nodes would miss by micrometres already across a site.
    struct Stencil
    {
        int first;
        double w[3];
    };
    const auto stencil = [](double u) {
        Stencil s;
        // u lies in the box, so from 0 up: truncation rounds it.
        s.first = std::clamp(int(u + 0.5) - 1, 0, Nodes - 3);
        const double t = u - s.first;
        s.w[0] = (t - 1) * (t - 2) / 2;
        s.w[1] = -t * (t - 2);
        s.w[2] = t * (t - 1) / 2;
        return s;
    };
    const auto interpolate = [node](const Stencil &sx, const Stencil &sy, double *out) {
        double sum[2] = {0, 0};
        for (int j = 0; j < 3; ++j) {
            const double *row = node + 2 * ((sy.first + j) * Nodes + sx.first);
            const double x = sx.w[0] * row[0] + sx.w[1] * row[2] + sx.w[2] * row[4];
            const double y = sx.w[0] * row[1] + sx.w[1] * row[3] + sx.w[2] * row[5];
            sum[0] += sy.w[j] * x;
            sum[1] += sy.w[j] * y;
        }
        out[0] = sum[0];
        out[1] = sum[1];
    };
    // Between nodes, where the interpolation strays furthest.
    for (int r = 0; r < cells; ++r)
        for (int c = 0; c < cells; ++c) {
            double guess[2];
            interpolate(stencil(c + 0.5), stencil(r + 0.5), guess);
            const double *truth = centre + 2 * (r * cells + c);
            if (!(std::abs(guess[0] - truth[0]) <= tolerance && std::abs(guess[1] - truth[1]) <= tolerance))
                return false;
        }

    for (std::size_t i = 0; i < count; ++i) {
        double *p = xy + 2 * i;
        if (!Finite(p)) {
            p[0] = p[1] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        interpolate(stencil((p[0] - box.x0) / cw), stencil((p[1] - box.y0) / ch), p);
    }
    return true;
}
