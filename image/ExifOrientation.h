#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The Orientation tag of an Exif block, read with libexif.
#include <cstddef>
#include <cstdint>

// The orientation (1 to 8) recorded in exif, which may start with the
// "Exif\0\0" header of a JPEG APP1 segment or directly with the TIFF header
// (PNG eXIf, WebP EXIF). 1 when the block is unreadable, has no such tag or
// holds a value outside 1 to 8.
int ExifOrientation(const std::uint8_t* exif, std::size_t size);
