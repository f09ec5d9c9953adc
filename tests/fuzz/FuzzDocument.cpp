// SPDX-License-Identifier: GPL-3.0-or-later
// The Grimasso document reader on a whole file, followed by what opening a
// document does with what it read: the warp field takes the state over.
#include <cstddef>
#include <cstdint>

#include "deform/WarpField.h"
#include "image/Exceptions.h"
#include "session/DocumentReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    try {
        DocumentContents contents = ReadDocumentFromMemory(data, size);
        const DocumentDescription& description = contents.description;
        CWarpField field(description.width, description.height, std::move(contents.picture), description.radius);
        field.RestoreState(std::move(contents.map), std::move(contents.undoMap), description.canUndo,
                           description.lastMode);
        field.UndoDeformation();
    } catch (const CException&) {
        // Refusing a malformed document is the reader's job; only crashes count.
    }
    return 0;
}
