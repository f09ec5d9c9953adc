#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A heap block of pixel bytes, owned, or borrowed from someone who keeps it
// alive (a codec writing the warp field's rows reads them in place instead of
// copying the whole picture). Allocation failure raises CMemoryException, so no
// caller ever sees a null buffer it asked for.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "image/LargeAllocation.h"

namespace pixel_buffer_detail {
// Frees owned blocks; leaves borrowed ones alone.
struct Deleter {
    bool owned = true;
    void operator()(std::uint8_t* p) const
    {
        if (owned)
            FreeLarge(p);
    }
};
}  // namespace pixel_buffer_detail

class PixelBuffer {
    using Deleter = pixel_buffer_detail::Deleter;

public:
    PixelBuffer() = default;
    // Allocates size bytes; zeroFill clears them (buffers the system builds have zero padding).
    static PixelBuffer Allocate(std::size_t size, bool zeroFill);
    // Refers to size bytes that stay owned by the caller and must outlive the buffer.
    // Meant for reading only (a picture handed to a codec's Write).
    static PixelBuffer Borrow(const std::uint8_t* data, std::size_t size);

    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    bool owned() const { return m_data.get_deleter().owned; }
    void reset() { m_data.reset(); m_size = 0; }

private:
    std::unique_ptr<std::uint8_t[], Deleter> m_data;
    std::size_t m_size = 0;
};
