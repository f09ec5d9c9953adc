// SPDX-License-Identifier: GPL-3.0-or-later
// A saved deformation carried over to this picture. The saved map of W x H is
// sampled at the position of each pixel scaled into the saved picture, and the
// displacement found there is scaled back by the ratio of the sizes. Like every
// tool, the new entry is the current map's entry at the displaced position, so
// the carried deformation stacks on what is already there.
#include "image/RowBands.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

void CWarpField::ApplySavedMap(const MapEntry* saved, std::int32_t savedWidth, std::int32_t savedHeight)
{
    MapChanges();
    FlushMovePointPreview();
    ApplyCarried(RestorePoint(), saved, savedWidth, savedHeight);
}

void CWarpField::ApplyCarried(const MapEntry* current, const MapEntry* saved, std::int32_t savedWidth,
                              std::int32_t savedHeight)
{
    m_mapEqualsUndoOutsideDirty = false;
    const double w = savedWidth, h = savedHeight;
    const double w2 = m_width, h2 = m_height;
    // Every output entry is written once from current and the saved map only,
    // so bands of rows are independent.
    ForEachRowBand(m_height, std::int64_t{m_width} * m_height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const std::int32_t q = std::min(TruncToInt32((y + 0.5) * h / h2), savedHeight - 1);
            const MapEntry* savedRow = saved + static_cast<std::size_t>(q) * static_cast<std::size_t>(savedWidth);
            MapEntry* entry = m_pMap.data() + IndexOf(0, y);
            for (std::int32_t x = 0; x < m_width; ++x) {
                const std::int32_t p = std::min(TruncToInt32((x + 0.5) * w / w2), savedWidth - 1);
                const MapEntry from = savedRow[p];
                const std::int32_t dx = TruncToInt32((from.x - p) * w2 / w);
                const std::int32_t dy = TruncToInt32((from.y - q) * h2 / h);
                const std::int32_t sx = ClampToRange(std::int64_t{x} + dx, m_width);
                const std::int32_t sy = ClampToRange(std::int64_t{y} + dy, m_height);
                const MapEntry source = current[IndexOf(sx, sy)];
                entry[x] = source;
                CopySample(x, y, source.x, source.y);
            }
        }
    });
}
