#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Turning and mirroring a 24-bit picture as an Exif orientation says: every
// pixel is moved, never resampled. Both pictures are bottom-up rows of
// blue-green-red padded to four bytes.
#include <cstdint>

// True for orientations 5 to 8, whose upright picture swaps width and height.
constexpr bool OrientationSwapsSides(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

struct StoredPicture {
    const std::uint8_t* rows;  // bottom-up, RowBytes(width, 24) a row
    std::int32_t width;
    std::int32_t height;
};

// Writes the rows [rowBegin, rowEnd) of the upright picture (counted from its
// top) of stored, recorded with orientation (1 to 8), into upright, whose width
// and height are stored's, swapped for orientations 5 to 8. The padding of the
// written rows is cleared. Row ranges are independent, so disjoint ranges may
// run on several threads.
void WriteUprightRows(const StoredPicture& stored, int orientation, std::uint8_t* upright, std::int32_t rowBegin,
                      std::int32_t rowEnd);
// Writes every upright pixel that comes from the stored rows [storedBegin,
// storedEnd) (counted from the top): upright rows for orientations 1 to 4,
// upright columns for 5 to 8, so a decoder's rows can be turned as they come.
// A call that writes the last column clears the padding of the rows it wrote.
// Disjoint ranges may run on several threads.
void WriteUprightFromStoredRows(const StoredPicture& stored, int orientation, std::uint8_t* upright,
                                std::int32_t storedBegin, std::int32_t storedEnd);
