#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One fuzz run of a file reader: the input as a whole file, read as the editor
// and grimasso-cli open one, followed by the conversion every loaded picture
// goes through.
#include <cstddef>
#include <cstdint>

#include "MemoryFile.h"
#include "image/Exceptions.h"

template <class Codec>
int FuzzReadFile(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    try {
        Codec image;
        image.Read(file.Path());
        image.ConvertTo24Bit();
    } catch (const CException&) {
        // Rejecting malformed input is the reader's job; only crashes count.
    }
    return 0;
}
