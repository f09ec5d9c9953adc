// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PixelBuffer.h"

#include <cstring>
#include <new>

#include "image/Exceptions.h"

PixelBuffer PixelBuffer::Allocate(std::size_t size, bool zeroFill)
{
    PixelBuffer buffer;
    if (size == 0)
        return buffer;
    buffer.m_data.reset(static_cast<std::uint8_t*>(AllocateLarge(size)));
    if (!buffer.m_data)
        throw CMemoryException();
    if (zeroFill)
        std::memset(buffer.m_data.get(), 0, size);
    buffer.m_size = size;
    return buffer;
}

PixelBuffer PixelBuffer::Borrow(const std::uint8_t* data, std::size_t size)
{
    PixelBuffer buffer;
    buffer.m_data = std::unique_ptr<std::uint8_t[], Deleter>(const_cast<std::uint8_t*>(data), Deleter{false});
    buffer.m_size = data ? size : 0;
    return buffer;
}
