#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Halved copies of a bottom-up 24-bit picture, for showing it zoomed out
// without skipping pixels: level 1 is the 2 x 2 area average of the picture,
// each further level the 2 x 2 average of the one before, down to a single
// pixel. A pixel of level k covers the picture's columns and rows
// [2^k i, 2^k (i + 1)) counted from the left and from the bottom row; at an odd
// edge it averages the pixels that exist. After a change to a box of the
// picture only the pixels of each level that cover the box are computed again,
// with the very result a full rebuild gives.
#include <cstdint>
#include <vector>

// A level's pixels are 4 bytes, blue, green, red and 255, rows bottom-up
// without padding: the layout screens draw from fastest.
struct PyramidLevel {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t rowBytes = 0;       // 4 x width
    std::vector<std::uint8_t> rows;  // bottom-up, like the picture
};

class PicturePyramid {
public:
    // Builds every level from the picture's rows (RowBytes(width, 24) a row).
    // May throw std::bad_alloc, leaving the pyramid empty.
    void Build(std::int32_t width, std::int32_t height, const std::uint8_t* rows);
    // Brings every level up to date after the picture's pixels in columns
    // left..right and rows bottom..top (inclusive, clamped into the picture)
    // changed; rows is the picture as it is now.
    void Update(const std::uint8_t* rows, std::int32_t left, std::int32_t bottom, std::int32_t right,
                std::int32_t top);
    void Clear();

    bool Empty() const { return m_levels.empty(); }
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // The number of halved levels; Level(k) for k from 1 to Levels().
    int Levels() const { return static_cast<int>(m_levels.size()); }
    const PyramidLevel& Level(int k) const { return m_levels[static_cast<std::size_t>(k - 1)]; }

private:
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    std::vector<PyramidLevel> m_levels;
};
