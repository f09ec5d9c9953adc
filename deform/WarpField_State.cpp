// SPDX-License-Identifier: GPL-3.0-or-later
// Putting back a state kept in a document: the maps, the undo state and the
// deformed picture rendered from the map.
#include "deform/WarpField.h"

#include <atomic>
#include <new>

#include "image/RowBands.h"
#include "image/Exceptions.h"

namespace {

bool AllInside(const MapBuffer& map, std::int32_t width, std::int32_t height)
{
    std::atomic<bool> inside{true};
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        const MapEntry* entry = map.data() + static_cast<std::size_t>(rowBegin) * static_cast<std::size_t>(width);
        const MapEntry* end = map.data() + static_cast<std::size_t>(rowEnd) * static_cast<std::size_t>(width);
        bool bandInside = true;
        for (; entry != end; ++entry)
            bandInside &= entry->x < width && entry->y < height;
        if (!bandInside)
            inside = false;
    });
    return inside;
}

}  // namespace

void CWarpField::TakeState(SavedState& state)
{
    const std::size_t entries = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    // Rendering reads the undeformed pixel an entry names without a bounds check.
    if (state.map.size() != entries || !AllInside(state.map, m_width, m_height))
        throw CArchiveException(CArchiveException::generic);
    if (state.canUndo && (state.undoMap.size() != entries || !AllInside(state.undoMap, m_width, m_height)))
        throw CArchiveException(CArchiveException::generic);
    m_pMap = std::move(state.map);
    if (state.canUndo) {
        m_pUndoMap = std::move(state.undoMap);
        m_undoMapSource = 0;  // a map no revision names
    } else {
        // Only its memory: the next gesture's BeginDeformation fills it.
        try {
            m_pUndoMap.resize(entries);
        } catch (const std::bad_alloc&) {
            throw CMemoryException();
        }
    }
    m_canUndo = state.canUndo;
    m_mode = state.lastMode;
    // The region gestures' quick undo relies on a box this state does not know;
    // the full undo gives the same picture.
    m_mapEqualsUndoOutsideDirty = false;
    RenderAll();
}

void CWarpField::RestoreState(MapBuffer map, MapBuffer undoMap, bool canUndo, std::int32_t lastMode)
{
    MapChanges();
    SavedState state{std::move(map), std::move(undoMap), canUndo, lastMode};
    FlushMovePointPreview();
    ClearPendingSegment();
    TakeState(state);
    m_staleMinX = 0;
    m_staleMaxX = -1;
    m_staleMinY = 0;
    m_staleMaxY = -1;
}

void CWarpField::ReplaceBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const MapEntry* entries)
{
    MapChanges();
    FlushMovePointPreview();
    ClearPendingSegment();
    // The restore point is left behind: nothing reads it before the next
    // gesture's BeginDeformation copies the map into it.
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
            for (std::size_t i = 0; i < count; ++i) {
                if (from[i] == to[i])
                    continue;
                to[i] = from[i];
                CopySample(x0 + static_cast<std::int32_t>(i), y, from[i].x, from[i].y);
            }
        }
    });
}
