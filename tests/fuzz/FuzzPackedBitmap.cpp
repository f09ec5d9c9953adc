// SPDX-License-Identifier: GPL-3.0-or-later
// The packed bitmap block that arrives through the clipboard, read straight
// from memory, then converted as a pasted picture is.
#include <cstddef>
#include <cstdint>

#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/PackedBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        CDibImage image;
        ReadPackedBitmap(image, data, size);
        image.ConvertTo24Bit();
    } catch (const CException&) {
    }
    return 0;
}
