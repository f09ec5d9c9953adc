#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Chooses the codec for a picture file. Saving goes by the name's ending;
// opening goes by the first bytes of the file and uses the ending only when
// those bytes name no format we know.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "image/DibImage.h"

enum class PictureFormat { Unknown, Bitmap, Jpeg, Tiff, Png };

// The format whose signature starts bytes (count of them available), or Unknown.
PictureFormat FormatFromSignature(const std::uint8_t* bytes, std::size_t count);

// The format named by path's ending, ignoring case: the last three characters
// "bmp", "jpg", "tif" or "png", or the long endings ".jpeg", ".jpe", ".tiff".
PictureFormat FormatFromEnding(const std::string& path);

// The format of the file at path by its first bytes, else by its ending. A file
// that cannot be read goes by its ending, so the codec reports why it cannot.
PictureFormat FormatOfFile(const std::string& path);

// A new codec object for format, or null for Unknown.
std::unique_ptr<CDibImage> CreateCodec(PictureFormat format);

// A codec for saving to path (by its ending), or null when the ending names no format.
std::unique_ptr<CDibImage> CreateCodecForPath(const std::string& path);

// A codec for opening the file at path (by its content), or null when neither
// its bytes nor its ending name a format.
std::unique_ptr<CDibImage> CreateCodecForFile(const std::string& path);
