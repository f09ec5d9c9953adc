// SPDX-License-Identifier: GPL-3.0-or-later
// Tool steps composed inside one gesture. A composed region step must start
// from the map as the steps before it left it, while the undo map stays the
// restore point of the whole composition: the part of the map the step reads
// is copied into a scratch map, and the step samples that copy.
#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "image/RowBands.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"
#include "image/Exceptions.h"

namespace {
// Beyond the reach, the rounding of the tools' boxes.
constexpr double kReachMargin = 2.0;
}  // namespace

template <class RegionCall>
void CWarpField::ComposeRegion(std::int32_t cx, std::int32_t cy, double reach, RegionCall call)
{
    if (!(reach > 0.0))
        return;
    FlushMovePointPreview();
    ReserveCompositionScratch();
    const std::int32_t x0 = std::max(ClampedFloor(cx - reach - kReachMargin), 0);
    const std::int32_t x1 = std::min(ClampedCeil(cx + reach + kReachMargin), m_width - 1);
    const std::int32_t y0 = std::max(ClampedFloor(cy - reach - kReachMargin), 0);
    const std::int32_t y1 = std::min(ClampedCeil(cy + reach + kReachMargin), m_height - 1);
    if (x0 > x1 || y0 > y1)
        return;
    const std::size_t count = static_cast<std::size_t>(x1 - x0 + 1);
    ForEachRowBand(y0, y1 + 1, static_cast<std::int64_t>(count) * (y1 - y0 + 1), [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const std::size_t at = IndexOf(x0, y);
            std::copy(m_pMap.begin() + at, m_pMap.begin() + at + count, m_compositionScratch.begin() + at);
        }
    });

    // The call has no previous call to take back; it writes only inside its circle.
    m_mapEqualsUndoOutsideDirty = true;
    m_dirtyMinX = 0;
    m_dirtyMaxX = -1;
    m_dirtyMinY = 0;
    m_dirtyMaxY = -1;
    struct AfterCall {
        CWarpField& field;
        // The map now differs from the restore point outside any one box,
        // whether or not the call got through.
        ~AfterCall() { field.m_mapEqualsUndoOutsideDirty = false; }
    } afterCall{*this};
    call(static_cast<const MapEntry*>(m_compositionScratch.data()));
}

void CWarpField::ComposeEnlarge(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    MapChanges();
    ComposeRegion(cx, cy, factor * radius, [&](const MapEntry* start) {
        ApplyRadialWarp(start, cx, cy, factor * radius, 1.0 - 1.0 / factor, true);
    });
}

void CWarpField::ComposeShrink(std::int32_t cx, std::int32_t cy, double radius, double factor)
{
    MapChanges();
    ComposeRegion(cx, cy, radius, [&](const MapEntry* start) { ApplyRadialWarp(start, cx, cy, radius, 1.0 - factor, false); });
}

void CWarpField::ComposeDrag(std::int32_t ax, std::int32_t ay, std::int32_t tx, std::int32_t ty, std::int32_t radius)
{
    MapChanges();
    // What a move-point gesture does: one live step from the press to the
    // target, then the release commits the previewed rest.
    const std::int32_t ownRadius = m_radius;
    m_radius = radius;
    // The preview of the rest between the two is left out: the release
    // commits exactly what it showed.
    FlushMovePointPreview();
    ClearPendingSegment();
    if (radius > 0) {
        std::int32_t startX = ax, startY = ay;
        CommitWholeSubMoves(startX, startY, tx, ty);
        if (startX != tx || startY != ty)
            MovePoint(startX, startY, tx, ty, true);
    }
    m_radius = ownRadius;
    m_mapEqualsUndoOutsideDirty = false;
}

void CWarpField::RestoreBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    MapChanges();
    FlushMovePointPreview();
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width - 1);
    y1 = std::min(y1, m_height - 1);
    if (x0 <= x1 && y0 <= y1)
        RestoreFromUndo(x0, x1, y0, y1 + 1);
}

void CWarpField::SaveBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, MapBuffer& saved) const
{
    if (x0 > x1 || y0 > y1) {
        saved.clear();
        return;
    }
    const std::size_t count = static_cast<std::size_t>(x1 - x0 + 1);
    try {
        saved.resize(count * static_cast<std::size_t>(y1 - y0 + 1));
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    for (std::int32_t y = y0; y <= y1; ++y) {
        const std::size_t at = IndexOf(x0, y);
        std::copy(m_pMap.begin() + at, m_pMap.begin() + at + count, saved.begin() + count * static_cast<std::size_t>(y - y0));
    }
}

void CWarpField::RestoreBoxWith(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const MapBuffer& saved,
                                std::int32_t sx0, std::int32_t sy0, std::int32_t sx1, std::int32_t sy1, std::int32_t kx,
                                std::int32_t ky, double kr)
{
    // Two pixels inside the circle, so that the region step's rounding of its
    // box and distances cannot leave one of them out.
    const double kept = kr - 2.0;
    FlushMovePointPreview();
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width - 1);
    y1 = std::min(y1, m_height - 1);
    if (x0 > x1 || y0 > y1)
        return;
    const std::size_t savedCount = sx0 <= sx1 ? static_cast<std::size_t>(sx1 - sx0 + 1) : 0;
    // Each row is rendered once, after both copies, while its entries are in the cache.
    ForEachRowBand(y0, y1 + 1, (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1),
                   [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const std::size_t at = IndexOf(x0, y);
            std::copy(m_pUndoMap.begin() + at, m_pUndoMap.begin() + at + (x1 - x0 + 1), m_pMap.begin() + at);
            const std::int32_t from = std::max(x0, sx0), to = std::min(x1, sx1);
            if (y >= sy0 && y <= sy1 && from <= to) {
                const auto source = saved.begin() + savedCount * static_cast<std::size_t>(y - sy0) + (from - sx0);
                std::copy(source, source + (to - from + 1), m_pMap.begin() + IndexOf(from, y));
            }
            const double dy = static_cast<double>(y) - ky;
            if (kept > 0.0 && dy * dy <= kept * kept) {
                const double half = std::floor(std::sqrt(kept * kept - dy * dy));
                const std::int32_t skipFrom = std::max(ClampedFloor(kx - half), x0);
                const std::int32_t skipTo = std::min(ClampedFloor(kx + half), x1);
                if (skipFrom <= skipTo) {
                    if (x0 < skipFrom)
                        RenderRows(x0, skipFrom - 1, y, y + 1);
                    if (skipTo < x1)
                        RenderRows(skipTo + 1, x1, y, y + 1);
                    continue;
                }
            }
            RenderRows(x0, x1, y, y + 1);
        }
    });
}

void CWarpField::ReserveCompositionScratch()
{
    if (m_compositionScratch.size() == m_pMap.size())
        return;
    try {
        m_compositionScratch.resize(m_pMap.size());
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
}

void CWarpField::ReleaseCompositionScratch()
{
    MapBuffer().swap(m_compositionScratch);
}
