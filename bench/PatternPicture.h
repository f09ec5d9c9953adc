#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A synthetic picture for the benchmarks: blue follows the column, green the
// row, and red whatever red(x, y) gives, so every pixel differs from its
// neighbours and no pass can shortcut a run of equal pixels.
#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "image/PixelBuffer.h"

template <class Red>
PixelBuffer PatternPicture(std::int32_t width, std::int32_t height, Red red)
{
    const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    PixelBuffer pixels = PixelBuffer::Allocate(rowBytes * static_cast<std::size_t>(height), true);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* p = pixels.data() + rowBytes * static_cast<std::size_t>(y) + 3 * static_cast<std::size_t>(x);
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y);
            p[2] = static_cast<std::uint8_t>(red(x, y));
        }
    return pixels;
}
