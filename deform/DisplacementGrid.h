#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A smooth backward displacement sampled on a coarse grid inside a disc: the
// pixel (x, y) of the deformed picture shows the pixel of the map before at
// (x + dx, y + dy), where (dx, dy) is interpolated bilinearly between the four
// grid nodes around it. Outside the disc nothing moves. Coordinates as the
// warp field's: x from the left, y from the bottom row.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "deform/WarpArithmetic.h"

struct DisplacementGrid {
    double centreX = 0, centreY = 0, radius = 0;  // the disc; nothing beyond it moves
    std::int32_t left = 0, bottom = 0;            // the position of node (0, 0)
    std::int32_t step = 8;                        // pixels between two nodes
    std::int32_t columns = 0, rows = 0;           // nodes; row after row from the bottom
    std::vector<float> dx, dy;                    // finite, at most 65536 pixels either way

    // No displacement at all: applying it changes no entry.
    bool IsIdentity() const { return columns == 0 || rows == 0; }
    // The box of pixels an application writes in a picture of width x height:
    // the disc's, clipped (x0 > x1 or y0 > y1 when empty).
    void Box(std::int32_t width, std::int32_t height, std::int32_t& x0, std::int32_t& y0, std::int32_t& x1,
             std::int32_t& y1) const
    {
        x0 = std::max(ClampedFloor(centreX - radius), 0);
        x1 = std::min(ClampedCeil(centreX + radius), width - 1);
        y0 = std::max(ClampedFloor(centreY - radius), 0);
        y1 = std::min(ClampedCeil(centreY + radius), height - 1);
    }
    float& Dx(std::int32_t column, std::int32_t row) { return dx[static_cast<std::size_t>(row) * columns + column]; }
    float& Dy(std::int32_t column, std::int32_t row) { return dy[static_cast<std::size_t>(row) * columns + column]; }
    // The same disc and nodes (whatever the displacements).
    bool SameNodes(const DisplacementGrid& other) const
    {
        return centreX == other.centreX && centreY == other.centreY && radius == other.radius && left == other.left &&
               bottom == other.bottom && step == other.step && columns == other.columns && rows == other.rows;
    }
    friend bool operator==(const DisplacementGrid&, const DisplacementGrid&) = default;
};

// What the map holds in a grid's box before another grid is applied there:
// grid applied to the restore point, except inside the box x0..x1, y0..y1
// (anything there; x0 > x1 for none). A cell whose pixels both grids move
// alike then needs no work.
struct AppliedGrid {
    const DisplacementGrid* grid = nullptr;
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
};
