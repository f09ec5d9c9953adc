// SPDX-License-Identifier: GPL-3.0-or-later
// Enlarge and shrink of a circular region, and the live-call bookkeeping shared
// with the rotate tool: each call of a gesture replaces the previous one by
// starting again from the restore point, the map before the gesture.
#include <algorithm>
#include <utility>
#include <vector>

#include "deform/CircleRun.h"
#include "deform/OffsetTable.h"
#include "image/RowBands.h"
#include "deform/TileOrder.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

bool CWarpField::BeginRegionCall(std::int32_t cx, std::int32_t cy, double radius,
                                 std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1)
{
    FlushMovePointPreview();

    // The previous live call is taken back from the undo map. During a region
    // gesture the map differs from the undo map only inside the previous box, so
    // restoring that box is the same as copying the whole undo map, at a cost
    // independent of the picture. The part of it that the new call rewrites is
    // left to that call (RestoreStaleRow), as the new call reads only the undo map.
    m_staleMinX = 0;
    m_staleMaxX = -1;
    m_staleMinY = 0;
    m_staleMaxY = -1;
    if (m_mapEqualsUndoOutsideDirty) {
        m_staleMinX = std::max(m_dirtyMinX, 0);
        m_staleMinY = std::max(m_dirtyMinY, 0);
        m_staleMaxX = std::min(m_dirtyMaxX, m_width - 1);
        m_staleMaxY = std::min(m_dirtyMaxY, m_height - 1);
    } else {
        // The map was changed outside a region gesture: fall back to the full copy
        // and keep the picture in step with it everywhere.
        RestoreFromUndo(0, m_width - 1, 0, m_height);
        m_mapEqualsUndoOutsideDirty = true;
    }
    const bool stale = m_staleMinX <= m_staleMaxX && m_staleMinY <= m_staleMaxY;

    // A region of radius 0 (or a meaningless one) changes nothing.
    x0 = y0 = 0;
    x1 = y1 = -1;
    if (radius > 0.0) {
        // Box of the circle, rounded half up and clipped to the picture.
        x0 = std::max(TruncToInt32(cx - radius + 0.5), 0);
        y0 = std::max(TruncToInt32(cy - radius + 0.5), 0);
        x1 = std::min(TruncToInt32(cx + radius + 0.5), m_width - 1);
        y1 = std::min(TruncToInt32(cy + radius + 0.5), m_height - 1);
    }
    m_dirtyMinX = x0;
    m_dirtyMaxX = x1;
    m_dirtyMaxY = y1;
    m_dirtyMinY = y0;
    const bool empty = x0 > x1 || y0 > y1;
    if (empty) {
        if (stale)
            RestoreFromUndo(m_staleMinX, m_staleMaxX, m_staleMinY, m_staleMaxY + 1);
        return false;
    }
    // Stale rows outside the new box are restored here, the others row by row
    // by the new call.
    if (stale) {
        RestoreFromUndo(m_staleMinX, m_staleMaxX, m_staleMinY, std::min(m_staleMaxY, y0 - 1) + 1);
        RestoreFromUndo(m_staleMinX, m_staleMaxX, std::max(m_staleMinY, y1 + 1), m_staleMaxY + 1);
    }
    return true;
}

void CWarpField::RestoreStaleRow(std::int32_t y, std::int32_t runFirst, std::int32_t runLast)
{
    if (y < m_staleMinY || y > m_staleMaxY)
        return;
    auto restore = [&](std::int32_t from, std::int32_t to) {
        if (from > to)
            return;
        const std::size_t at = IndexOf(from, y);
        std::copy(m_pUndoMap.begin() + at, m_pUndoMap.begin() + at + (to - from + 1), m_pMap.begin() + at);
        RenderRows(from, to, y, y + 1);
    };
    if (runFirst > runLast) {
        restore(m_staleMinX, m_staleMaxX);
        return;
    }
    restore(m_staleMinX, std::min(m_staleMaxX, runFirst - 1));
    restore(std::max(m_staleMinX, runLast + 1), m_staleMaxX);
}

void CWarpField::ApplyRadialWarp(const MapEntry* start, std::int32_t cx, std::int32_t cy, double radius, double strength,
                                 bool towardCentre)
{
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!BeginRegionCall(cx, cy, radius, x0, y0, x1, y1))
        return;
    // Every sample is read from start and every entry written once, so the
    // rows can be split into bands and visited in tiles freely.
    const std::int64_t box = (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1);
    // The scale k depends on the distance alone, and the four pixels
    // (cx +- a, cy +- b) share the distance: k is computed once for each.
    auto runOf = [&](std::int64_t ey) {
        return RunInsideCircle(cx, ey, x0, x1, radius, [radius](double d) { return d <= radius; });
    };
    static thread_local OffsetTable<double> scaleTable;
    OffsetTable<double>& scales = scaleTable;  // this thread's, also inside the bands
    scales.LayOut(SpanOfAbsoluteOffsets(std::int64_t{y0} - cy, std::int64_t{y1} - cy), cx, runOf);
    scales.Fill([&](std::int64_t a, std::int64_t b) { return (1.0 - IntegerDistance(a, b) / radius) * strength; });
    auto runOfRowRestoringIt = [&](std::int32_t y) {
        const CircleRun run = runOf(std::int64_t{y} - cy);
        RestoreStaleRow(y, run.first, run.last);
        return run;
    };
    ForEachRowBand(y0, y1 + 1, box, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        ForEachTileOfRuns(rowBegin, rowEnd, runOfRowRestoringIt, [&](std::int32_t y, std::int32_t first, std::int32_t last) {
            const std::int64_t ey = towardCentre ? std::int64_t{cy} - y : std::int64_t{y} - cy;
            const double* row = scales.Row(ey);
            const std::int64_t nearest = scales.NearestColumn(ey);
            RenderSamples<true>(start, y, first, last, [&](std::int32_t x) {
                const std::int64_t ex = towardCentre ? std::int64_t{cx} - x : std::int64_t{x} - cx;
                const double k = row[(ex < 0 ? -ex : ex) - nearest];
                return std::pair{std::int64_t{x} + TruncToInt32(static_cast<double>(ex) * k),
                                 std::int64_t{y} + TruncToInt32(static_cast<double>(ey) * k)};
            });
        });
    });
}

void CWarpField::Enlarge(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    MapChanges();
    // The affected circle grows with the factor; its middle is magnified by it.
    ApplyRadialWarp(RestorePoint(), cx, cy, factor * radius, 1.0 - 1.0 / factor, true);
}

void CWarpField::Shrink(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    MapChanges();
    ApplyRadialWarp(RestorePoint(), cx, cy, radius, 1.0 - factor, false);
}
