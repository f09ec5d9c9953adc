// Enlarge and shrink of a circular region, and the live-call bookkeeping shared
// with the rotate tool: each call of a gesture replaces the previous one by
// reading the undo map, the state before the gesture.
#include <algorithm>

#include "deform/CircleRun.h"
#include "deform/RowBands.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

bool CWarpField::BeginRegionCall(std::int32_t cx, std::int32_t cy, double radius,
                                 std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1)
{
    FlushMovePointPreview();

    // Take back the previous live call. During a region gesture the map differs
    // from the undo map only inside the previous box, so restoring that box is
    // the same as copying the whole undo map, at a cost independent of the picture.
    if (m_mapEqualsUndoOutsideDirty) {
        const std::int32_t rx0 = std::max(m_dirtyMinX, 0);
        const std::int32_t ry0 = std::max(m_dirtyMinY, 0);
        const std::int32_t rx1 = std::min(m_dirtyMaxX, m_width - 1);
        const std::int32_t ry1 = std::min(m_dirtyMaxY, m_height - 1);
        if (rx0 <= rx1 && ry0 <= ry1)
            RestoreFromUndo(rx0, rx1, ry0, ry1 + 1);
    } else {
        // The map was changed outside a region gesture: fall back to the full copy
        // and keep the picture in step with it everywhere.
        RestoreFromUndo(0, m_width - 1, 0, m_height);
        m_mapEqualsUndoOutsideDirty = true;
    }

    // A region of radius 0 (or a meaningless one) changes nothing.
    if (!(radius > 0.0)) {
        m_dirtyMinX = 0;
        m_dirtyMaxX = -1;
        m_dirtyMaxY = -1;
        m_dirtyMinY = 0;
        return false;
    }

    // Box of the circle, rounded half up and clipped to the picture.
    x0 = std::max(TruncToInt32(cx - radius + 0.5), 0);
    y0 = std::max(TruncToInt32(cy - radius + 0.5), 0);
    x1 = std::min(TruncToInt32(cx + radius + 0.5), m_width - 1);
    y1 = std::min(TruncToInt32(cy + radius + 0.5), m_height - 1);
    m_dirtyMinX = x0;
    m_dirtyMaxX = x1;
    m_dirtyMaxY = y1;
    m_dirtyMinY = y0;
    return x0 <= x1 && y0 <= y1;
}

void CWarpField::ApplyRadialWarp(std::int32_t cx, std::int32_t cy, double radius, double strength, bool towardCentre)
{
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!BeginRegionCall(cx, cy, radius, x0, y0, x1, y1))
        return;
    // Every sample is read from the undo map and every entry written once, so the
    // rows can be split into bands freely; rows run outermost for the cache.
    const std::int64_t box = (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1);
    ForEachRowBand(y0, y1 + 1, box, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const std::int64_t ey = towardCentre ? std::int64_t{cy} - y : std::int64_t{y} - cy;
            const CircleRun run = RunInsideCircle(cx, ey, x0, x1, radius, [radius](double d) { return d <= radius; });
            for (std::int32_t x = run.first; x <= run.last; ++x) {
                const std::int64_t ex = towardCentre ? std::int64_t{cx} - x : std::int64_t{x} - cx;
                const double d = IntegerDistance(ex, ey);
                const double k = (1.0 - d / radius) * strength;
                StoreRegionSample(x, y,
                                  std::int64_t{x} + TruncToInt32(static_cast<double>(ex) * k),
                                  std::int64_t{y} + TruncToInt32(static_cast<double>(ey) * k));
            }
        }
    });
}

void CWarpField::Enlarge(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    // The affected circle grows with the factor; its middle is magnified by it.
    ApplyRadialWarp(cx, cy, factor * radius, 1.0 - 1.0 / factor, true);
}

void CWarpField::Shrink(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    ApplyRadialWarp(cx, cy, radius, 1.0 - factor, false);
}
