#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What one step changed in a displacement map, kept small: the box of the
// entries that differ, and inside it each entry's difference (after minus
// before, per coordinate modulo 2^16), deflated in chunks of rows. Entries a
// step left alone are zero and deflate to almost nothing; an area moved a
// little is made of small numbers and packs well too.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "deform/WarpField.h"
#include "session/PictureArea.h"

class MapDelta {
public:
    // The difference between two maps of width x height. Raises
    // CMemoryException when memory runs out.
    static MapDelta Between(const MapEntry* before, const MapEntry* after, std::int32_t width, std::int32_t height);

    // The box of the changed entries; empty when the step changed nothing.
    const PictureArea& Box() const { return m_box; }
    // The memory the delta keeps.
    std::size_t Bytes() const;

    // The entries of the box as they are after the step (forward) or before it,
    // from the map as it stands on the other side: row after row, box width
    // entries each, into entries. Raises CMemoryException.
    void Apply(const MapEntry* map, std::int32_t width, bool forward, MapBuffer& entries) const;

private:
    struct Chunk {
        std::int32_t rowBegin = 0, rowEnd = 0;  // rows of the picture
        std::vector<std::uint8_t> deflated;
    };
    PictureArea m_box;
    std::vector<Chunk> m_chunks;
};
