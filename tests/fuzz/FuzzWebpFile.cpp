// SPDX-License-Identifier: GPL-3.0-or-later
// The WebP reader on a whole file.
#include "FuzzReadFile.h"
#include "image/WebpImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzReadFile<CWebpImage>(data, size);
}
