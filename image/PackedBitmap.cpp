// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PackedBitmap.h"

#include <cstring>
#include <new>

#include "image/ByteStream.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace {

// The header in its file order, little-endian whatever the host.
void StoreHeader(const BITMAPINFOHEADER& header, std::uint8_t* out)
{
    auto put32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            *out++ = static_cast<std::uint8_t>(v >> (8 * i));
    };
    auto put16 = [&out](std::uint16_t v) {
        *out++ = static_cast<std::uint8_t>(v);
        *out++ = static_cast<std::uint8_t>(v >> 8);
    };
    put32(header.biSize);
    put32(static_cast<std::uint32_t>(header.biWidth));
    put32(static_cast<std::uint32_t>(header.biHeight));
    put16(header.biPlanes);
    put16(header.biBitCount);
    put32(header.biCompression);
    put32(header.biSizeImage);
    put32(static_cast<std::uint32_t>(header.biXPelsPerMeter));
    put32(static_cast<std::uint32_t>(header.biYPelsPerMeter));
    put32(header.biClrUsed);
    put32(header.biClrImportant);
}

std::vector<std::uint8_t> AllocateBlock(std::size_t size)
{
    try {
        return std::vector<std::uint8_t>(size, 0);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    } catch (const std::length_error&) {
        throw CMemoryException();
    }
}

}  // namespace

std::vector<std::uint8_t> BuildPackedBitmap(const BITMAPINFOHEADER& header, const std::uint8_t* rows)
{
    if (header.biWidth <= 0 || header.biHeight <= 0)
        throw CArchiveException(CArchiveException::badIndex);
    const auto rowBytes = RowBytes(header.biWidth, header.biBitCount);
    const auto rowsSize = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(header.biHeight);
    std::vector<std::uint8_t> block = AllocateBlock(sizeof(BITMAPINFOHEADER) + rowsSize + kPackedBitmapSpareBytes);
    StoreHeader(header, block.data());
    std::memcpy(block.data() + sizeof(BITMAPINFOHEADER), rows, rowsSize);
    return block;
}

std::vector<std::uint8_t> PackTopDownBgrRows(std::int32_t width, std::int32_t height, const std::uint8_t* topRow,
                                             std::size_t stride)
{
    if (!IsAcceptablePictureSize(width, height))
        throw CArchiveException(CArchiveException::badIndex);
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    BITMAPINFOHEADER header = HeaderOf24BitPicture(width, height);
    header.biXPelsPerMeter = kDefaultPelsPerMeter;
    header.biYPelsPerMeter = kDefaultPelsPerMeter;

    std::vector<std::uint8_t> block =
        AllocateBlock(sizeof(BITMAPINFOHEADER) + rowBytes * static_cast<std::size_t>(height) + kPackedBitmapSpareBytes);
    StoreHeader(header, block.data());
    std::uint8_t* bottomRow = block.data() + sizeof(BITMAPINFOHEADER);
    // The top source row becomes the last stored row.
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* source = topRow + static_cast<std::size_t>(y) * stride;
        std::uint8_t* target = bottomRow + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        std::memcpy(target, source, static_cast<std::size_t>(width) * 3);
    }
    return block;
}

void ReadPackedBitmap(CDibImage& image, const std::uint8_t* block, std::size_t size)
{
    ByteReader stream(block, size);
    image.ReadFromArchive(stream, true);
}

std::vector<std::uint8_t> BmpFileFromPackedBitmap(const std::vector<std::uint8_t>& block)
{
    constexpr std::size_t kFileHeaderSize = 14;
    if (block.size() < sizeof(BITMAPINFOHEADER) + kPackedBitmapSpareBytes)
        throw CArchiveException(CArchiveException::endOfFile);
    const std::size_t bitmapSize = block.size() - kPackedBitmapSpareBytes;
    std::vector<std::uint8_t> file = AllocateBlock(kFileHeaderSize + bitmapSize);
    const auto fileSize = static_cast<std::uint32_t>(file.size());
    const std::uint32_t offBits = kFileHeaderSize + sizeof(BITMAPINFOHEADER);  // 24-bit: no colour table
    const std::uint8_t fileHeader[kFileHeaderSize] = {
        'B', 'M',
        static_cast<std::uint8_t>(fileSize), static_cast<std::uint8_t>(fileSize >> 8),
        static_cast<std::uint8_t>(fileSize >> 16), static_cast<std::uint8_t>(fileSize >> 24),
        0, 0, 0, 0,
        static_cast<std::uint8_t>(offBits), 0, 0, 0};
    std::memcpy(file.data(), fileHeader, kFileHeaderSize);
    std::memcpy(file.data() + kFileHeaderSize, block.data(), bitmapSize);
    return file;
}
