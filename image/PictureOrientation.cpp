// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PictureOrientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "image/DibImage.h"

namespace {

// Where the stored pixel under upright pixel (x, y) lies, both counted from the
// top left: source column = ax*x + ay*y + cx, source row = bx*x + by*y + cy.
struct SourceMapping {
    int ax, ay, bx, by;
    bool mirrorColumns;  // cx is width - 1 rather than 0
    bool mirrorRows;     // cy is height - 1 rather than 0
};

SourceMapping MappingOf(int orientation)
{
    switch (orientation) {
    case 2: return {-1, 0, 0, 1, true, false};   // mirrored left to right
    case 3: return {-1, 0, 0, -1, true, true};   // turned by 180 degrees
    case 4: return {1, 0, 0, -1, false, true};   // mirrored top to bottom
    case 5: return {0, 1, 1, 0, false, false};   // mirrored along the main diagonal
    case 6: return {0, 1, -1, 0, false, true};   // stored turned left: turn right
    case 7: return {0, -1, -1, 0, true, true};   // mirrored along the other diagonal
    case 8: return {0, -1, 1, 0, true, false};   // stored turned right: turn left
    default: return {1, 0, 0, 1, false, false};
    }
}

// Upright pixels are visited in tiles of this many rows and columns, so the
// column-wise reads of a quarter turn stay in the cache.
constexpr std::int32_t kTileRows = 16;
constexpr std::int32_t kTileColumns = 256;

// Writes the upright pixels of columns x0..x1 and rows y0..y1 (from the top).
void WriteUprightBox(const StoredPicture& stored, int orientation, std::uint8_t* upright, std::int32_t x0,
                     std::int32_t x1, std::int32_t y0, std::int32_t y1)
{
    const bool swaps = OrientationSwapsSides(orientation);
    const std::int32_t width = swaps ? stored.height : stored.width;
    const std::int32_t height = swaps ? stored.width : stored.height;
    const std::ptrdiff_t sourceRowBytes = static_cast<std::ptrdiff_t>(RowBytes(stored.width, 24));
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(RowBytes(width, 24));
    const SourceMapping m = MappingOf(orientation);

    // The stored pixel (sx, sy) from the top lies at rows + (height - 1 - sy) * sourceRowBytes + 3 * sx,
    // so a step in x or y of the upright picture is a fixed step in bytes.
    const std::int32_t cx = m.mirrorColumns ? stored.width - 1 : 0;
    const std::int32_t cy = m.mirrorRows ? stored.height - 1 : 0;
    const std::uint8_t* origin = stored.rows + (stored.height - 1 - cy) * sourceRowBytes + 3 * std::ptrdiff_t{cx};
    const std::ptrdiff_t stepX = 3 * m.ax - m.bx * sourceRowBytes;
    const std::ptrdiff_t stepY = 3 * m.ay - m.by * sourceRowBytes;
    const std::size_t padding = static_cast<std::size_t>(rowBytes - 3 * std::ptrdiff_t{width});

    for (std::int32_t tileTop = y0; tileTop <= y1; tileTop += kTileRows) {
        const std::int32_t tileBottom = std::min(y1 + 1, tileTop + kTileRows);
        for (std::int32_t tileLeft = x0; tileLeft <= x1; tileLeft += kTileColumns) {
            const std::int32_t tileRight = std::min(x1 + 1, tileLeft + kTileColumns);
            for (std::int32_t y = tileTop; y < tileBottom; ++y) {
                std::uint8_t* target = upright + (height - 1 - y) * rowBytes + 3 * std::ptrdiff_t{tileLeft};
                const std::uint8_t* source = origin + y * stepY + tileLeft * stepX;
                for (std::int32_t x = tileLeft; x < tileRight; ++x, target += 3, source += stepX) {
                    target[0] = source[0];
                    target[1] = source[1];
                    target[2] = source[2];
                }
            }
        }
        if (x1 == width - 1)
            for (std::int32_t y = tileTop; y < tileBottom; ++y)
                std::memset(upright + (height - 1 - y) * rowBytes + 3 * std::ptrdiff_t{width}, 0, padding);
    }
}

}  // namespace

void WriteUprightRows(const StoredPicture& stored, int orientation, std::uint8_t* upright, std::int32_t rowBegin,
                      std::int32_t rowEnd)
{
    const std::int32_t width = OrientationSwapsSides(orientation) ? stored.height : stored.width;
    WriteUprightBox(stored, orientation, upright, 0, width - 1, rowBegin, rowEnd - 1);
}

void WriteUprightFromStoredRows(const StoredPicture& stored, int orientation, std::uint8_t* upright,
                                std::int32_t storedBegin, std::int32_t storedEnd)
{
    if (storedBegin >= storedEnd)
        return;
    // The stored row is by*y + cy (orientations 1 to 4) or bx*x + cy (5 to 8),
    // with a factor of +-1: the range maps onto one range of upright rows or columns.
    const SourceMapping m = MappingOf(orientation);
    const bool swaps = OrientationSwapsSides(orientation);
    const std::int32_t first = m.mirrorRows ? stored.height - storedEnd : storedBegin;
    const std::int32_t last = m.mirrorRows ? stored.height - 1 - storedBegin : storedEnd - 1;
    if (swaps)
        WriteUprightBox(stored, orientation, upright, first, last, 0, stored.width - 1);
    else
        WriteUprightBox(stored, orientation, upright, 0, stored.width - 1, first, last);
}
