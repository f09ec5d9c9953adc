#pragma once
// An owned heap block of pixel bytes. Allocation failure raises CMemoryException,
// so no caller ever sees a null buffer it asked for.
#include <cstddef>
#include <cstdint>
#include <memory>

class PixelBuffer {
public:
    PixelBuffer() = default;
    // Allocates size bytes; zeroFill clears them (buffers the system builds have zero padding).
    static PixelBuffer Allocate(std::size_t size, bool zeroFill);

    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void reset() { m_data.reset(); m_size = 0; }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
};
