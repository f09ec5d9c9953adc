// SPDX-License-Identifier: GPL-3.0-or-later
// Putting back a state kept in a document: the maps, the undo state and the
// deformed picture rendered from the map.
#include "deform/WarpField.h"

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
        m_undoMapBehind = false;
        m_undoMapSource = 0;  // a map no revision names
    } else {
        // Nothing reads the undo map before the next gesture copies the map into it.
        m_undoMapBehind = true;
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
