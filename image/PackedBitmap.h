#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The packed bitmap block that pictures travel in through the clipboard: the
// 40-byte BITMAPINFOHEADER, the colour table (for 1, 4 and 8 bits), then the
// pixel rows bottom-up, each padded to 4 bytes. There is no file header.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/DibImage.h"

// Spare bytes after the rows of a block we write.
constexpr std::size_t kPackedBitmapSpareBytes = 4;

// The block of a 24-bit picture: header as given (little-endian), then
// RowBytes(biWidth, biBitCount) x biHeight bytes of rows, then 4 zero bytes.
// Raises CMemoryException when the block cannot be allocated.
std::vector<std::uint8_t> BuildPackedBitmap(const BITMAPINFOHEADER& header, const std::uint8_t* rows);

// A 24-bit block from rows stored top-down, blue-green-red, 3 bytes a pixel,
// stride bytes apart (how a toolkit hands a foreign picture over).
std::vector<std::uint8_t> PackTopDownBgrRows(std::int32_t width, std::int32_t height,
                                             const std::uint8_t* topRow, std::size_t stride);

// Fills image from a block, as CDibImage::ReadFromArchive with noFileHeader does.
// Raises CArchiveException (endOfFile for a short block, badIndex for an
// unsupported depth or compression) or CMemoryException.
void ReadPackedBitmap(CDibImage& image, const std::uint8_t* block, std::size_t size);

// A complete bitmap file (14-byte file header, then the block without its
// spare bytes) of the picture in a block built by BuildPackedBitmap or
// PackTopDownBgrRows; the form other programs exchange as "image/bmp".
std::vector<std::uint8_t> BmpFileFromPackedBitmap(const std::vector<std::uint8_t>& block);
