// SPDX-License-Identifier: GPL-3.0-or-later
// The HEIC, HEIF and AVIF reader on a whole file.
#include "FuzzReadFile.h"
#include "image/HeifImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzReadFile<CHeifImage>(data, size);
}
