// Smoothing of the deformation: a 3 x 3 median of the map, separately on the
// source columns and rows. The colours are never filtered.
#include "deform/MedianOfNine.h"
#include "deform/RowBands.h"
#include "deform/WarpField.h"

void CWarpField::SmoothMap()
{
    FlushMovePointPreview();
    const std::int32_t width = m_width;
    const std::int32_t height = m_height;
    if (width > 2 && height > 2) {
        // Inputs come only from the undo map and every output entry is written
        // once, so the interior rows can be split into bands freely.
        const MapEntry* in = m_pUndoMap.data();
        MapEntry* out = m_pMap.data();
        const std::int64_t pixels = std::int64_t{width} * height;
        ForEachRowBand(height - 2, pixels, [=](std::int32_t bandBegin, std::int32_t bandEnd) {
            for (std::int32_t y = bandBegin + 1; y < bandEnd + 1; ++y) {
                const MapEntry* below = in + static_cast<std::size_t>(y - 1) * width;
                const MapEntry* row = below + width;
                const MapEntry* above = row + width;
                MapEntry* target = out + static_cast<std::size_t>(y) * width;
                for (std::int32_t x = 1; x < width - 1; ++x) {
                    target[x].x = MedianOfNine(below[x - 1].x, below[x].x, below[x + 1].x,
                                               row[x - 1].x, row[x].x, row[x + 1].x,
                                               above[x - 1].x, above[x].x, above[x + 1].x);
                    target[x].y = MedianOfNine(below[x - 1].y, below[x].y, below[x + 1].y,
                                               row[x - 1].y, row[x].y, row[x + 1].y,
                                               above[x - 1].y, above[x].y, above[x + 1].y);
                }
            }
        });
    }
    m_mapEqualsUndoOutsideDirty = false;
    RenderAll();
}
