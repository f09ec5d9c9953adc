#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The largest picture Grimasso accepts, and how much picture a file can hold.
//
// The ceiling is fixed rather than a share of the machine's memory: the warp
// field holds 14 bytes a pixel (two 3-byte pictures, two 4-byte map entries),
// so 2^28 pixels keep a document under 4 GiB, and every byte offset and map
// index fits a signed 32-bit value. A larger picture cannot be held on any
// machine and is refused with its size named; a smaller one that still finds
// no memory gets the memory message.
#include <cstdint>

#include "image/Exceptions.h"

constexpr std::int64_t kMaxPictureDimension = 65535;
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// True when a picture of width x height may be allocated (both must be positive).
constexpr bool IsAcceptablePictureSize(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPictureDimension && height <= kMaxPictureDimension &&
           width * height <= kMaxPicturePixels;
}

// For a picture whose file claims width x height: a side of zero (or less) is
// damage, raising CArchiveException(generic); a size over the ceiling raises
// CPictureSizeException naming it.
inline void RequireAcceptablePictureSize(std::int64_t width, std::int64_t height)
{
    if (width <= 0 || height <= 0)
        throw CArchiveException(CArchiveException::generic);
    if (!IsAcceptablePictureSize(width, height))
        throw CPictureSizeException(width, height);
}

// Pictures this small are read whatever their files claim: the bounds below
// matter only where a tiny file could make us allocate a great deal.
constexpr std::int64_t kAlwaysReadPixels = std::int64_t{1} << 22;

// False when fileBytes cannot hold a picture of pixels pixels whose coded data
// needs at least one byte per pixelsPerByte pixels (the format's best ratio).
constexpr bool FileCanHoldPixels(std::int64_t pixels, std::int64_t fileBytes, std::int64_t pixelsPerByte)
{
    return pixels <= kAlwaysReadPixels || pixels / pixelsPerByte <= fileBytes;
}
