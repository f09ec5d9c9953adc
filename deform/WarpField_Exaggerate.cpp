// SPDX-License-Identifier: GPL-3.0-or-later
// Exaggeration: the whole deformation scaled by one factor, taken from the
// restore point the way the video's frame builder samples a frame.
#include <algorithm>
#include <cstring>
#include <vector>

#include "deform/IntermediateFrame.h"
#include "image/RowBands.h"
#include "deform/TileOrder.h"
#include "deform/WarpField.h"

void CWarpField::FindExaggerationSpans()
{
    const FrameSource restorePoint{m_width, m_height, m_rowBytes, m_pOriginal.data(), RestorePoint()};
    m_exaggerationSpans = FindDisplacedSpans(restorePoint);
}

bool CWarpField::ExaggerationBox(std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1) const
{
    x0 = m_width;
    y0 = m_height;
    x1 = -1;
    y1 = -1;
    for (std::size_t row = 0; row < m_exaggerationSpans.size(); ++row) {
        const DisplacedSpan& span = m_exaggerationSpans[row];
        if (span.first > span.last)
            continue;
        x0 = std::min(x0, span.first);
        x1 = std::max(x1, span.last);
        y0 = std::min(y0, static_cast<std::int32_t>(row));
        y1 = static_cast<std::int32_t>(row);
    }
    return x0 <= x1;
}

void CWarpField::Exaggerate(double c)
{
    MapChanges();
    FlushMovePointPreview();
    if (m_exaggerationSpans.size() != static_cast<std::size_t>(m_height))
        return;  // no exaggeration under way
    m_mapEqualsUndoOutsideDirty = false;
    // A pixel outside its row's span keeps its own position at every c, as it
    // does in the map already; only the spans are written.
    const std::vector<std::int32_t> shiftX = FrameShiftTable(c, m_width);
    const std::vector<std::int32_t> shiftY = FrameShiftTable(c, m_height);
    const std::int32_t* byDx = shiftX.data() + (m_width - 1);
    const std::int32_t* byDy = shiftY.data() + (m_height - 1);
    const std::size_t rowBytes = static_cast<std::size_t>(m_rowBytes);
    const std::uint8_t* original = m_pOriginal.data();
    std::int64_t displaced = 0;
    for (const DisplacedSpan& span : m_exaggerationSpans)
        displaced += std::max(span.last - span.first + 1, 0);
    ForEachRowBand(m_height, displaced, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const DisplacedSpan span = m_exaggerationSpans[static_cast<std::size_t>(y)];
            if (span.first > span.last)
                continue;
            const MapEntry* from = RestorePoint() + IndexOf(0, y);
            MapEntry* to = m_pMap.data() + IndexOf(0, y);
            std::uint8_t* out = m_pDeformed.data() + static_cast<std::size_t>(y) * rowBytes;
            // In pieces: first every new entry, requesting its pixel at once,
            // then the copies, so the scattered reads are in flight together.
            std::size_t at[kTileColumns];
            for (std::int32_t left = span.first; left <= span.last; left += kTileColumns) {
                const std::int32_t count = std::min(span.last - left + 1, kTileColumns);
                for (std::int32_t i = 0; i < count; ++i) {
                    const std::int32_t x = left + i;
                    const std::int32_t mx = ClampToRange(from[x].x, m_width);
                    const std::int32_t my = ClampToRange(from[x].y, m_height);
                    const std::int32_t sx = ClampToRange(x + byDx[mx - x], m_width);
                    const std::int32_t sy = ClampToRange(y + byDy[my - y], m_height);
                    to[x] = MapEntry{sx, sy};
                    at[i] = static_cast<std::size_t>(sy) * rowBytes + 3 * static_cast<std::size_t>(sx);
                    __builtin_prefetch(original + at[i]);
                }
                std::uint8_t* pixel = out + 3 * static_cast<std::size_t>(left);
                for (std::int32_t i = 0; i < count; ++i, pixel += 3) {
                    const std::uint8_t* sample = original + at[i];
                    pixel[0] = sample[0];
                    pixel[1] = sample[1];
                    pixel[2] = sample[2];
                }
            }
        }
    });
}
