#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Nearest-sample rescaling of a 24-bit picture into a new picture, the work of
// the "Bild skalieren" command. Qt-free so the editor and grimasso-cli share it.
#include <cstdint>

#include "image/DibImage.h"
#include "image/PixelBuffer.h"

struct ScaledPicture {
    BITMAPINFOHEADER header;  // the source header with the new width, height and biSizeImage
    PixelBuffer pixels;       // newHeight rows of RowBytes(newWidth, 24), zero padding
};

// Target pixel (x, y) takes source (trunc(x * fx + 0.5), trunc(y * fy + 0.5)) with
// fx = width / newWidth, fy = height / newHeight; positions that round past the
// last column or row (enlarging to twice the size or more) take the last one.
ScaledPicture ScalePictureNearest(const BITMAPINFOHEADER& header, const std::uint8_t* pixels,
                                  std::int32_t newWidth, std::int32_t newHeight);
