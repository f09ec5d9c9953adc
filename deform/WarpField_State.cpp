// SPDX-License-Identifier: GPL-3.0-or-later
// Putting back a state kept in a document: the maps, the undo state and the
// deformed picture rendered from the map.
#include "deform/WarpField.h"

#include "image/RowBands.h"
#include "image/Exceptions.h"

namespace {

bool AllInside(const MapBuffer& map, std::int32_t width, std::int32_t height)
{
    for (const MapEntry& entry : map)
        if (entry.x >= width || entry.y >= height)
            return false;
    return true;
}

}  // namespace

void CWarpField::RestoreState(MapBuffer map, MapBuffer undoMap, bool canUndo, std::int32_t lastMode)
{
    MapChanges();
    const std::size_t entries = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    // Rendering reads the undeformed pixel an entry names without a bounds check.
    if (map.size() != entries || !AllInside(map, m_width, m_height))
        throw CArchiveException(CArchiveException::generic);
    if (canUndo && (undoMap.size() != entries || !AllInside(undoMap, m_width, m_height)))
        throw CArchiveException(CArchiveException::generic);

    FlushMovePointPreview();
    ClearPendingSegment();
    m_pMap = std::move(map);
    if (canUndo) {
        m_pUndoMap = std::move(undoMap);
        m_undoMapSource = 0;  // a map no revision names
    } else {
        CopyMapToUndoMap();
    }
    m_canUndo = canUndo;
    m_mode = lastMode;
    // The region gestures' quick undo relies on a box this state no longer
    // knows; the full undo gives the same picture.
    m_mapEqualsUndoOutsideDirty = false;
    m_staleMinX = 0;
    m_staleMaxX = -1;
    m_staleMinY = 0;
    m_staleMaxY = -1;
    RenderAll();
}

void CWarpField::ReplaceBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const MapEntry* entries)
{
    MapChanges();
    FlushMovePointPreview();
    ClearPendingSegment();
    // The step changes both maps alike. Outside the box they are equal already:
    // a step is only taken over when no gesture can be undone, or over the
    // latest gesture itself, whose change lies inside its box.
    m_canUndo = false;
    m_mapEqualsUndoOutsideDirty = false;
    if (x0 > x1 || y0 > y1)
        return;
    const std::size_t count = static_cast<std::size_t>(x1 - x0 + 1);
    const std::int64_t pixels = static_cast<std::int64_t>(count) * (y1 - y0 + 1);
    ForEachRowBand(y0, y1 + 1, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const MapEntry* from = entries + static_cast<std::size_t>(y - y0) * count;
            MapEntry* to = m_pMap.data() + IndexOf(x0, y);
            std::copy(from, from + count, m_pUndoMap.data() + IndexOf(x0, y));
            for (std::size_t i = 0; i < count; ++i) {
                if (from[i] == to[i])
                    continue;
                to[i] = from[i];
                CopySample(x0 + static_cast<std::int32_t>(i), y, from[i].x, from[i].y);
            }
        }
    });
}
