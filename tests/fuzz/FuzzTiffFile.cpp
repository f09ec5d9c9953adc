// SPDX-License-Identifier: GPL-3.0-or-later
// The TIFF reader on a whole file, as the editor and grimasso-cli open one.
#include <cstddef>
#include <cstdint>

#include "MemoryFile.h"
#include "image/TiffImage.h"
#include "image/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    try {
        CTiffImage image;
        image.Read(file.Path());
        image.ConvertTo24Bit();
    } catch (const CException&) {
    }
    return 0;
}
