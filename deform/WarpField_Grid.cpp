// SPDX-License-Identifier: GPL-3.0-or-later
// A displacement given on a coarse grid (the automatic caricature's smooth
// warp) applied to the map. Like the carried deformation, every pixel of the
// disc takes the restore point's entry at its displaced position, the
// displacement truncated toward zero and the position clamped into the
// picture; every pixel of the disc's box outside the disc takes the restore
// point's own entry, so that a later call with another grid needs no restore
// first. Only entries that change are written and rendered.
//
// A slider step changes the displacement a little: wherever the four nodes of
// a cell truncate to the same whole pixels in the old grid and the new one,
// every pixel between them does too (the interval of one truncated value is
// convex), and the cell is left as it is.
#include <climits>
#include <cmath>

#include "deform/DisplacementGrid.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"
#include "image/RowBands.h"

namespace {

// Which whole pixel v truncates to, or a value no truncation gives when v
// lies too near the next one for float rounding to be safe.
std::int32_t TruncationClass(float v)
{
    constexpr float kSafety = 1e-3f;
    const float whole = std::trunc(v);
    const float rest = std::fabs(v - whole);
    if (rest > 1 - kSafety || (rest < kSafety && whole != 0))
        return INT32_MIN;
    return static_cast<std::int32_t>(whole);
}

}  // namespace

void CWarpField::ApplyDisplacementGrid(const DisplacementGrid& grid, const AppliedGrid& before)
{
    MapChanges();
    FlushMovePointPreview();
    if (grid.IsIdentity() || !(grid.radius > 0))
        return;
    m_mapEqualsUndoOutsideDirty = false;
    const double cx = grid.centreX, cy = grid.centreY, r = grid.radius;
    std::int32_t x0, y0, x1, y1;
    grid.Box(m_width, m_height, x0, y0, x1, y1);
    if (x0 > x1 || y0 > y1)
        return;
    const MapEntry* restore = RestorePoint();
    const std::int32_t step = grid.step;
    const float perStep = 1.0f / static_cast<float>(step);
    const std::size_t columns = static_cast<std::size_t>(grid.columns);
    const std::int32_t lastCell = std::max(grid.columns - 2, 0), lastCellRow = std::max(grid.rows - 2, 0);

    // The cells both grids move alike.
    std::vector<char> same;
    if (before.grid && before.grid->SameNodes(grid) && grid.columns > 1 && grid.rows > 1) {
        same.assign(static_cast<std::size_t>(grid.columns) * grid.rows, 0);
        const DisplacementGrid& old = *before.grid;
        for (std::int32_t j = 0; j + 1 < grid.rows; ++j)
            for (std::int32_t i = 0; i + 1 < grid.columns; ++i) {
                const std::int32_t left = grid.left + i * step, bottom = grid.bottom + j * step;
                if (left <= before.x1 && left + step >= before.x0 && bottom <= before.y1 && bottom + step >= before.y0)
                    continue;  // holds something else
                bool alike = true;
                for (const std::vector<float>* values : {&grid.dx, &grid.dy}) {
                    const std::vector<float>& oldValues = values == &grid.dx ? old.dx : old.dy;
                    const std::size_t at = static_cast<std::size_t>(j) * columns + i;
                    const std::int32_t cls = TruncationClass((*values)[at]);
                    for (const std::size_t k : {at, at + 1, at + columns, at + columns + 1})
                        alike = alike && cls != INT32_MIN && TruncationClass((*values)[k]) == cls &&
                                TruncationClass(oldValues[k]) == cls;
                }
                same[static_cast<std::size_t>(j) * columns + i] = alike;
            }
    }

    // Each row reads the restore point and the grids only and writes its own
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
            // The grid's row at y, between its two node rows.
            const double gy = static_cast<double>(y - grid.bottom) / step;
            const std::int32_t j = std::clamp(static_cast<std::int32_t>(std::floor(gy)), 0, lastCellRow);
            const std::int32_t j1 = std::min(j + 1, grid.rows - 1);
            const float fy = static_cast<float>(std::clamp(gy - j, 0.0, 1.0));
            const char* sameRow = same.empty() ? nullptr : same.data() + static_cast<std::size_t>(j) * columns;
            if (first <= last) {
                const float* dxLow = grid.dx.data() + static_cast<std::size_t>(j) * columns;
                const float* dxHigh = grid.dx.data() + static_cast<std::size_t>(j1) * columns;
                const float* dyLow = grid.dy.data() + static_cast<std::size_t>(j) * columns;
                const float* dyHigh = grid.dy.data() + static_cast<std::size_t>(j1) * columns;
                for (std::size_t i = 0; i < columns; ++i) {
                    rowDx[i] = dxLow[i] + fy * (dxHigh[i] - dxLow[i]);
                    rowDy[i] = dyLow[i] + fy * (dyHigh[i] - dyLow[i]);
                }
            }
            // Cell by cell along the row.
            for (std::int32_t x = x0; x <= x1;) {
                const std::int32_t i = std::clamp((x - grid.left) / step, 0, lastCell);
                const std::int32_t i1 = std::min(i + 1, grid.columns - 1);
                const std::int32_t cellLeft = grid.left + i * step;
                const std::int32_t end = i == lastCell ? x1 : std::min(cellLeft + step - 1, x1);
                if (sameRow && sameRow[i]) {
                    x = end + 1;
                    continue;
                }
                const float dxLeft = rowDx[static_cast<std::size_t>(i)], dyLeft = rowDy[static_cast<std::size_t>(i)];
                const float dxSpan = rowDx[static_cast<std::size_t>(i1)] - dxLeft;
                const float dySpan = rowDy[static_cast<std::size_t>(i1)] - dyLeft;
                for (; x <= end; ++x) {
                    if (x < first || x > last) {
                        put(x, y, restore[IndexOf(x, y)]);
                        continue;
                    }
                    const float fx = std::min(static_cast<float>(x - cellLeft) * perStep, 1.0f);
                    // Small and finite: the plain conversion truncates toward zero.
                    const auto dx = static_cast<std::int32_t>(dxLeft + fx * dxSpan);
                    const auto dy = static_cast<std::int32_t>(dyLeft + fx * dySpan);
                    const std::int32_t sx = ClampToRange(std::int64_t{x} + dx, m_width);
                    const std::int32_t sy = ClampToRange(std::int64_t{y} + dy, m_height);
                    put(x, y, restore[IndexOf(sx, sy)]);
                }
            }
        }
    });
}
