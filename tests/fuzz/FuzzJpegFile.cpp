// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG reader on a whole file.
#include "FuzzReadFile.h"
#include "image/JpegImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzReadFile<CJpegImage>(data, size);
}
