#pragma once

#include <cstddef>
#include <functional>

// Carries many points through a smooth map projection at a fraction of the
// cost of transforming each exactly: the exact transform is taken on a grid
// over the points' bounding box, and each point is interpolated between
// the nine nodes around it (quadratic along each axis). Before any point is interpolated the grid is
// checked at every cell's centre against the exact transform; when the
// interpolation strays further than the tolerance there (a spread too wide
// for the grid), nothing is done and the caller transforms exactly.
class ProjectionGrid
{
public:
    // Transforms count interleaved (x, y) pairs in place, exactly.
    using Exact = std::function<void(double *xy, std::size_t count)>;

    // Below this many points the grid costs more than it saves.
    static constexpr std::size_t MinPoints = 4096;
    // Nodes along each side of the grid.
    static constexpr int Nodes = 33;

    // Transforms the pairs in place and returns true, or leaves them as
    // they are and returns false (too few points, a spread the grid cannot
    // follow within tolerance, or a node the exact transform refuses). A
    // pair that is not finite comes back as NaN.
    static bool Transform(double *xy, std::size_t count, const Exact &exact, double tolerance);
};
