#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The largest picture Grimasso accepts. The warp field holds 14 bytes a pixel
// (two 3-byte pictures, two 4-byte map entries), so 2^28 pixels keep a document
// under 4 GiB, and every byte offset and map index fits a signed 32-bit value.
#include <cstdint>

constexpr std::int64_t kMaxPictureDimension = 65535;
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// True when a picture of width x height may be allocated (both must be positive).
constexpr bool IsAcceptablePictureSize(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureDimension && height <= kMaxPictureDimension &&
           width * height <= kMaxPicturePixels;
}
