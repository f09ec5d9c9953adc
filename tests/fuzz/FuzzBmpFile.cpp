// SPDX-License-Identifier: GPL-3.0-or-later
// The bitmap reader on a whole file, as the editor and grimasso-cli open one,
// followed by the conversion every loaded picture goes through.
#include <cstddef>
#include <cstdint>

#include "MemoryFile.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    try {
        CDibImage image;
        image.Read(file.Path());
        image.ConvertTo24Bit();
    } catch (const CException&) {
        // Rejecting malformed input is the reader's job; only crashes count.
    }
    return 0;
}
