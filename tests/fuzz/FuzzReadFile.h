#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One fuzz run of a file reader: the input as a whole file, read as the editor
// and grimasso-cli open one, followed by the conversion every loaded picture
// goes through, colour profile and orientation included.
#include <cstddef>
#include <cstdint>

#include "MemoryFile.h"
#include "image/Exceptions.h"
#include "session/UprightPicture.h"

template <class Codec>
int FuzzReadFile(const std::uint8_t* data, std::size_t size)
{
    const MemoryFile file(data, size);
    try {
        Codec image;
        image.Read(file.Path());
        if (image.ConvertTo24Bit())
            MakeUprightInSrgb(image);
    } catch (const CException&) {
        // Rejecting malformed input is the reader's job; only crashes count.
    }
    return 0;
}
