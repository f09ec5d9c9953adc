// SPDX-License-Identifier: GPL-3.0-or-later
// A displacement given on a coarse grid (the automatic caricature's smooth
// warp) applied to the map. Like the carried deformation, every pixel of the
// disc takes the restore point's entry at its displaced position, the
// displacement truncated toward zero and the position clamped into the
// picture; every pixel of the disc's box outside the disc takes the restore
// point's own entry, so that a later call with another grid needs no restore
// first. Only entries that change are written and rendered.
#include <cmath>

#include "deform/DisplacementGrid.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"
#include "image/RowBands.h"

void CWarpField::ApplyDisplacementGrid(const DisplacementGrid& grid)
{
    MapChanges();
    FlushMovePointPreview();
    CatchUpUndoMap();
    if (grid.IsIdentity() || !(grid.radius > 0))
        return;
    m_mapEqualsUndoOutsideDirty = false;
    const double cx = grid.centreX, cy = grid.centreY, r = grid.radius;
    std::int32_t x0, y0, x1, y1;
    grid.Box(m_width, m_height, x0, y0, x1, y1);
    if (x0 > x1 || y0 > y1)
        return;
    const MapEntry* restore = m_pUndoMap.data();
    const double step = grid.step;
    const std::size_t columns = static_cast<std::size_t>(grid.columns);
    // Each row reads the restore point and the grid only and writes its own
    // entries and pixels, so bands of rows are independent.
    ForEachRowBand(y0, y1 + 1, std::int64_t{x1 - x0 + 1} * (y1 - y0 + 1), [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        std::vector<float> rowDx(columns), rowDy(columns);
        auto put = [&](std::int32_t x, std::int32_t y, MapEntry entry) {
            MapEntry& at = m_pMap[IndexOf(x, y)];
            if (at == entry)
                return;
            at = entry;
            CopySample(x, y, entry.x, entry.y);
        };
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            // The run of columns strictly inside the disc (first > last for none).
            const double ey = y - cy, inside = r * r - ey * ey;
            std::int32_t first = x1 + 1, last = x1;
            if (inside > 0) {
                const double half = std::sqrt(inside);
                first = std::max(ClampedFloor(cx - half), x0);
                last = std::min(ClampedCeil(cx + half), x1);
                while (first <= last && (first - cx) * (first - cx) + ey * ey >= r * r)
                    ++first;
                while (last >= first && (last - cx) * (last - cx) + ey * ey >= r * r)
                    --last;
            }
            for (std::int32_t x = x0; x <= x1; ++x) {
                if (x == first) {
                    x = last;
                    continue;
                }
                put(x, y, restore[IndexOf(x, y)]);
            }
            if (first > last)
                continue;
            // The grid's row at y, between its two node rows.
            const double gy = (y - grid.bottom) / step;
            const std::int32_t j = std::clamp(static_cast<std::int32_t>(std::floor(gy)), 0, std::max(grid.rows - 2, 0));
            const std::int32_t j1 = std::min(j + 1, grid.rows - 1);
            const float fy = static_cast<float>(std::clamp(gy - j, 0.0, 1.0));
            const float* dxLow = grid.dx.data() + static_cast<std::size_t>(j) * columns;
            const float* dxHigh = grid.dx.data() + static_cast<std::size_t>(j1) * columns;
            const float* dyLow = grid.dy.data() + static_cast<std::size_t>(j) * columns;
            const float* dyHigh = grid.dy.data() + static_cast<std::size_t>(j1) * columns;
            for (std::size_t i = 0; i < columns; ++i) {
                rowDx[i] = dxLow[i] + fy * (dxHigh[i] - dxLow[i]);
                rowDy[i] = dyLow[i] + fy * (dyHigh[i] - dyLow[i]);
            }
            for (std::int32_t x = first; x <= last; ++x) {
                const double gx = (x - grid.left) / step;
                const std::int32_t i = std::clamp(static_cast<std::int32_t>(std::floor(gx)), 0, std::max(grid.columns - 2, 0));
                const std::int32_t i1 = std::min(i + 1, grid.columns - 1);
                const float fx = static_cast<float>(std::clamp(gx - i, 0.0, 1.0));
                const float dx = rowDx[static_cast<std::size_t>(i)] + fx * (rowDx[static_cast<std::size_t>(i1)] - rowDx[static_cast<std::size_t>(i)]);
                const float dy = rowDy[static_cast<std::size_t>(i)] + fx * (rowDy[static_cast<std::size_t>(i1)] - rowDy[static_cast<std::size_t>(i)]);
                const std::int32_t sx = ClampToRange(std::int64_t{x} + TruncToInt32(dx), m_width);
                const std::int32_t sy = ClampToRange(std::int64_t{y} + TruncToInt32(dy), m_height);
                put(x, y, restore[IndexOf(sx, sy)]);
            }
        }
    });
}
