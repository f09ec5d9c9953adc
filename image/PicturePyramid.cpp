// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PicturePyramid.h"

#include <algorithm>

#include "image/DibImage.h"
#include "image/RowBands.h"

namespace {

// Level pixels [left, right] x [bottom, top] of `to` from the 2 x 2 blocks of
// `from` (bytesPerPixel a pixel, rowBytes a row), averaging the pixels that
// exist at an odd edge.
template <int bpp>
void HalveBox(const std::uint8_t* from, std::int32_t fromWidth, std::int32_t fromHeight, std::int64_t fromRowBytes,
              PyramidLevel& to, std::int32_t left, std::int32_t bottom, std::int32_t right, std::int32_t top)
{
    const std::int64_t pixels = std::int64_t{right - left + 1} * (top - bottom + 1) * 4;
    ForEachRowBand(bottom, top + 1, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t j = rowBegin; j < rowEnd; ++j) {
            const std::uint8_t* lower = from + fromRowBytes * (2 * std::int64_t{j});
            const bool twoRows = 2 * j + 1 < fromHeight;
            const std::uint8_t* upper = twoRows ? lower + fromRowBytes : lower;
            std::uint8_t* out = to.rows.data() + to.rowBytes * j;
            // Whole blocks first: every column pair of the box but an odd last one.
            const std::int32_t pairedEnd = std::min(right, (fromWidth / 2) - 1);
            std::int32_t i = left;
            if (twoRows) {
                for (; i <= pairedEnd; ++i) {
                    const std::uint8_t* a = lower + 2 * bpp * std::int64_t{i};
                    const std::uint8_t* b = upper + 2 * bpp * std::int64_t{i};
                    std::uint8_t* o = out + 4 * std::int64_t{i};
                    for (int c = 0; c < 3; ++c)
                        o[c] = static_cast<std::uint8_t>((a[c] + a[c + bpp] + b[c] + b[c + bpp] + 2) >> 2);
                    o[3] = 255;
                }
            }
            for (; i <= right; ++i) {
                const int columns = 2 * i + 1 < fromWidth ? 2 : 1;
                const int count = columns * (twoRows ? 2 : 1);
                const std::uint8_t* a = lower + 2 * bpp * std::int64_t{i};
                const std::uint8_t* b = upper + 2 * bpp * std::int64_t{i};
                std::uint8_t* o = out + 4 * std::int64_t{i};
                for (int c = 0; c < 3; ++c) {
                    int sum = a[c] + (twoRows ? b[c] : 0);
                    if (columns == 2)
                        sum += a[c + bpp] + (twoRows ? b[c + bpp] : 0);
                    o[c] = static_cast<std::uint8_t>((sum + count / 2) / count);
                }
                o[3] = 255;
            }
        }
    });
}

}  // namespace

void PicturePyramid::Build(std::int32_t width, std::int32_t height, const std::uint8_t* rows)
{
    Clear();
    if (width <= 0 || height <= 0 || !rows)
        return;
    try {
        std::int32_t w = width, h = height;
        while (w > 1 || h > 1) {
            w = (w + 1) / 2;
            h = (h + 1) / 2;
            PyramidLevel level;
            level.width = w;
            level.height = h;
            level.rowBytes = 4 * std::int64_t{w};
            level.rows.assign(static_cast<std::size_t>(level.rowBytes * h), 0);
            m_levels.push_back(std::move(level));
        }
    } catch (...) {
        Clear();
        throw;
    }
    m_width = width;
    m_height = height;
    Update(rows, 0, 0, width - 1, height - 1);
}

void PicturePyramid::Update(const std::uint8_t* rows, std::int32_t left, std::int32_t bottom, std::int32_t right,
                            std::int32_t top)
{
    if (Empty() || !rows)
        return;
    left = std::max(left, 0);
    bottom = std::max(bottom, 0);
    right = std::min(right, m_width - 1);
    top = std::min(top, m_height - 1);
    const std::uint8_t* from = rows;
    int fromBytesPerPixel = 3;
    std::int32_t fromWidth = m_width, fromHeight = m_height;
    std::int64_t fromRowBytes = RowBytes(m_width, 24);
    for (PyramidLevel& level : m_levels) {
        if (left > right || bottom > top)
            return;
        // The level pixels whose blocks hold a changed pixel of the level before.
        left /= 2;
        bottom /= 2;
        right /= 2;
        top /= 2;
        if (fromBytesPerPixel == 3)
            HalveBox<3>(from, fromWidth, fromHeight, fromRowBytes, level, left, bottom, right, top);
        else
            HalveBox<4>(from, fromWidth, fromHeight, fromRowBytes, level, left, bottom, right, top);
        from = level.rows.data();
        fromBytesPerPixel = 4;
        fromWidth = level.width;
        fromHeight = level.height;
        fromRowBytes = level.rowBytes;
    }
}

void PicturePyramid::Clear()
{
    m_levels.clear();
    m_width = 0;
    m_height = 0;
}
