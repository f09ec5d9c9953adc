// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG reader on a whole file.
#include "FuzzReadFile.h"
#include "image/PngImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzReadFile<CPngImage>(data, size);
}
