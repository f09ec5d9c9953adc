// SPDX-License-Identifier: GPL-3.0-or-later
#include "deform/PictureScaling.h"

#include <algorithm>
#include <cstring>
#include <vector>

ScaledPicture ScalePictureNearest(const BITMAPINFOHEADER& header, const std::uint8_t* pixels,
                                  std::int32_t newWidth, std::int32_t newHeight)
{
    const std::int32_t width = header.biWidth;
    const std::int32_t height = header.biHeight;
    const std::int64_t sourceRowBytes = RowBytes(width, header.biBitCount);
    const std::int64_t targetRowBytes = RowBytes(newWidth, header.biBitCount);

    ScaledPicture result;
    result.pixels = PixelBuffer::Allocate(static_cast<std::size_t>(targetRowBytes * newHeight), true);
    result.header = header;
    result.header.biWidth = newWidth;
    result.header.biHeight = newHeight;
    result.header.biSizeImage = static_cast<std::uint32_t>(targetRowBytes * newHeight);

    const double fx = static_cast<double>(width) / newWidth;
    const double fy = static_cast<double>(height) / newHeight;

    // The source column of every target column is the same for all rows.
    std::vector<std::int64_t> sourceOffsets(static_cast<std::size_t>(newWidth));
    for (std::int32_t x = 0; x < newWidth; ++x) {
        const auto sx = std::min(static_cast<std::int32_t>(x * fx + 0.5), width - 1);
        sourceOffsets[static_cast<std::size_t>(x)] = 3 * static_cast<std::int64_t>(sx);
    }
    for (std::int32_t y = 0; y < newHeight; ++y) {
        const auto sy = std::min(static_cast<std::int32_t>(y * fy + 0.5), height - 1);
        const std::uint8_t* sourceRow = pixels + sy * sourceRowBytes;
        std::uint8_t* targetRow = result.pixels.data() + y * targetRowBytes;
        for (std::int32_t x = 0; x < newWidth; ++x)
            std::memcpy(targetRow + 3 * static_cast<std::int64_t>(x), sourceRow + sourceOffsets[static_cast<std::size_t>(x)], 3);
    }
    return result;
}
