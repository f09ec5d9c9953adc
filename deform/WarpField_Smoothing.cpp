// SPDX-License-Identifier: GPL-3.0-or-later
// Smoothing of the deformation: a 3 x 3 median of the map, separately on the
// source columns and rows. The colours are never filtered.
#include <vector>

#include "deform/MedianOfNine.h"
#include "image/RowBands.h"
#include "deform/WarpField.h"

void CWarpField::SmoothMap()
{
    MapChanges();
    FlushMovePointPreview();
    ApplyMedian(RestorePoint());
}

void CWarpField::ApplyMedian(const MapEntry* start)
{
    const std::int32_t width = m_width;
    const std::int32_t height = m_height;
    m_mapEqualsUndoOutsideDirty = false;
    if (width <= 2 || height <= 2) {
        RenderAll();  // no interior: the map stays as it is
        return;
    }
    // Inputs come only from start and every output entry is written once,
    // so the interior rows can be split into bands freely. A map row is read as
    // 2 * width values, x and y interleaved: each component's neighbours are two
    // values apart, and both are filtered in one pass. The picture shows the map
    // (the preview was flushed above), so only the pixels whose entry the filter
    // changes are rendered; in smooth parts of a deformation the median is the
    // entry itself.
    static_assert(sizeof(MapEntry) == 2 * sizeof(std::uint16_t));
    const std::uint16_t* in = reinterpret_cast<const std::uint16_t*>(start);
    const std::size_t values = 2 * static_cast<std::size_t>(width);
    const std::int64_t pixels = std::int64_t{width} * height;
    ForEachRowBand(1, height - 1, pixels, [&](std::int32_t bandBegin, std::int32_t bandEnd) {
        std::vector<std::uint16_t> filtered(values);
        for (std::int32_t y = bandBegin; y < bandEnd; ++y) {
            const std::uint16_t* row = in + static_cast<std::size_t>(y) * values;
            MedianOfNineRow(row - values, row, row + values, filtered.data(), values, 2);
            MapEntry* entry = m_pMap.data() + IndexOf(0, y);
            for (std::int32_t x = 1; x < width - 1; ++x) {
                const MapEntry median{filtered[2 * static_cast<std::size_t>(x)], filtered[2 * static_cast<std::size_t>(x) + 1]};
                if (median == entry[x])
                    continue;
                entry[x] = median;
                CopySample(x, y, median.x, median.y);
            }
        }
    });
}
