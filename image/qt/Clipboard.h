#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures through the system clipboard. We place a packed 24-bit bitmap block
// (header, rows, 4 spare bytes) under our own type, and offer the same picture
// as "image/bmp" and as an image for other programs. Pasting takes our block,
// else a bitmap file, else any image another program offers.
#include <cstdint>

#include "image/DibImage.h"

inline constexpr const char* kGrimassoDibMimeType = "application/x-grimasso-dib";

// True when the clipboard offers a picture that PasteFromClipboard can read.
bool ClipboardHasPicture();

// Replaces the clipboard's content with the picture of header and rows (24-bit,
// bottom-up). False when the block cannot be built (not enough memory); the
// clipboard is then left empty.
bool CopyPictureToClipboard(const BITMAPINFOHEADER& header, const std::uint8_t* rows);

// Fills image (header, colour table, rows) from the clipboard, as reading a
// packed bitmap does; the caller converts it to 24 bits. Raises CFileException
// (generic, -1) when the clipboard holds no picture, otherwise the exceptions of
// reading the block. The clipboard's content is left as it is.
void PasteFromClipboard(CDibImage& image);
