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

// Heif (HEIC, HEIF, AVIF) and Webp are opened only; saving keeps to the first four.
enum class PictureFormat { Unknown, Bitmap, Jpeg, Tiff, Png, Heif, Webp };

// Formats we recognise by their first bytes but do not open, so that the
// refusal can name what the file is.
enum class ForeignFormat { None, Gif, Jpeg2000, JpegXl, Psd, CameraRaw, Pdf };

// The format whose signature starts bytes (count of them available), or Unknown.
PictureFormat FormatFromSignature(const std::uint8_t* bytes, std::size_t count);

// The format named by path's ending, ignoring case: the last three characters
// "bmp", "jpg", "tif" or "png", or the long endings ".jpeg", ".jpe", ".tiff".
PictureFormat FormatFromEnding(const std::string& path);

// The format an opened file of path's ending is taken for when its bytes name
// none: FormatFromEnding, and ".heic", ".heif", ".avif", ".webp".
PictureFormat OpeningFormatFromEnding(const std::string& path);

// The foreign format whose signature starts bytes, or None.
ForeignFormat ForeignFormatFromSignature(const std::uint8_t* bytes, std::size_t count);
// The foreign format of the file at path by its first bytes, or None.
ForeignFormat ForeignFormatOfFile(const std::string& path);

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
