// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/DibImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>

#include "image/ByteStream.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

namespace {

constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"
constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kColourEntryBytes = 4;

[[noreturn]] void RaiseFormatError()
{
    throw CArchiveException(CArchiveException::badIndex);
}

// Entries of the colour table a depth needs: every index of the depth lies inside it.
std::size_t ColourTableEntries(std::uint16_t bitCount)
{
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

void ReadInfoHeader(ByteReader& stream, BITMAPINFOHEADER& header)
{
    header.biSize = stream.ReadU32();
    header.biWidth = stream.ReadI32();
    header.biHeight = stream.ReadI32();
    header.biPlanes = stream.ReadU16();
    header.biBitCount = stream.ReadU16();
    header.biCompression = stream.ReadU32();
    header.biSizeImage = stream.ReadU32();
    header.biXPelsPerMeter = stream.ReadI32();
    header.biYPelsPerMeter = stream.ReadI32();
    header.biClrUsed = stream.ReadU32();
    header.biClrImportant = stream.ReadU32();
}

void WriteInfoHeader(ByteWriter& stream, const BITMAPINFOHEADER& header)
{
    stream.WriteU32(header.biSize);
    stream.WriteI32(header.biWidth);
    stream.WriteI32(header.biHeight);
    stream.WriteU16(header.biPlanes);
    stream.WriteU16(header.biBitCount);
    stream.WriteU32(header.biCompression);
    stream.WriteU32(header.biSizeImage);
    stream.WriteI32(header.biXPelsPerMeter);
    stream.WriteI32(header.biYPelsPerMeter);
    stream.WriteU32(header.biClrUsed);
    stream.WriteU32(header.biClrImportant);
}

// Decodes 8-bit run-length data into the zero-filled buffer. Positions run through
// the buffer linearly (a run may continue into the next row); whatever would land
// past the end of the buffer is dropped and ends the decoding.
void DecodeRunLength8(ByteReader& stream, std::uint8_t* bits, std::uint64_t size, std::uint64_t rowBytes)
{
    std::uint64_t p = 0;
    while (p < size) {
        const std::uint8_t count = stream.ReadU8();
        if (count > 0) {
            const std::uint8_t value = stream.ReadU8();
            std::memset(bits + p, value, std::min<std::uint64_t>(count, size - p));
            p += count;
            continue;
        }
        const std::uint8_t code = stream.ReadU8();
        if (code == 0) {  // end of row
            p += (rowBytes - p % rowBytes) % rowBytes;
        } else if (code == 1) {  // end of bitmap
            return;
        } else if (code == 2) {  // delta: skipped pixels stay 0
            const std::uint8_t dx = stream.ReadU8();
            const std::uint8_t dy = stream.ReadU8();
            p += dx + dy * rowBytes;
        } else {  // absolute run, padded to an even byte count
            const std::uint64_t fitting = std::min<std::uint64_t>(code, size - p);
            stream.ReadBytes(bits + p, fitting);
            if (fitting < code)
                return;
            if (code % 2 != 0)
                stream.ReadU8();
            p += code;
        }
    }
}

// The byte count of the rows WriteToArchive would write, or badIndex when the
// picture cannot become a valid bitmap file: compressed, not 24 bits, an empty
// or negative size, or fewer pixel bytes in memory than the header describes.
std::uint64_t WritableImageBytes(const BITMAPINFOHEADER& header, const PixelBuffer& bits)
{
    if (header.biCompression != BI_RGB || header.biBitCount != 24)
        RaiseFormatError();
    if (header.biWidth <= 0 || header.biHeight <= 0)
        RaiseFormatError();
    const auto imageBytes = static_cast<std::uint64_t>(RowBytes(header.biWidth, 24)) *
                            static_cast<std::uint64_t>(header.biHeight);
    if (imageBytes > bits.size())
        RaiseFormatError();
    if (imageBytes > std::numeric_limits<std::uint32_t>::max() - kFileHeaderBytes - kInfoHeaderBytes)
        RaiseFormatError();
    return imageBytes;
}

}  // namespace

CDibImage::CDibImage() : m_header{} {}

CDibImage::~CDibImage() = default;

void CDibImage::Read(const std::string& path)
{
    ByteReader stream(path);
    ReadFromArchive(stream, false);
    stream.Close();
}

void CDibImage::Write(const std::string& path)
{
    // Refuse before the file is created, so an existing file is not truncated for nothing.
    WritableImageBytes(m_header, m_pBits);
    ByteWriter stream(path);
    WriteToArchive(stream);
    stream.Close();
}

void CDibImage::SetHeader(int width, int height, int bitCount, const void* /*options*/)
{
    m_header = BITMAPINFOHEADER{};
    m_header.biSize = kInfoHeaderBytes;
    m_header.biWidth = width;
    m_header.biHeight = height;
    m_header.biPlanes = 1;
    m_header.biBitCount = static_cast<std::uint16_t>(bitCount);
    m_header.biCompression = BI_RGB;
    m_header.biSizeImage = 0;
    m_header.biXPelsPerMeter = kDefaultPelsPerMeter;
    m_header.biYPelsPerMeter = kDefaultPelsPerMeter;
    m_header.biClrUsed = 0;
    m_header.biClrImportant = 0;
}

void CDibImage::ReadFromArchive(ByteReader& stream, bool noFileHeader)
{
    std::uint32_t pixelOffset = 0;
    if (!noFileHeader) {
        if (stream.ReadU16() != kBitmapFileType)
            RaiseFormatError();
        stream.ReadU32();  // bfSize: often wrong in the wild, the rows decide
        stream.ReadU16();
        stream.ReadU16();
        pixelOffset = stream.ReadU32();
    }

    ReadInfoHeader(stream, m_header);
    if (m_header.biSize < kInfoHeaderBytes)  // the older 12- and 16-byte headers have other fields
        RaiseFormatError();
    const std::uint16_t bitCount = m_header.biBitCount;
    const bool uncompressed = m_header.biCompression == BI_RGB &&
                              (bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24);
    const bool runLength = m_header.biCompression == BI_RLE8 && bitCount == 8;
    if (!uncompressed && !runLength)
        RaiseFormatError();
    const bool topDown = m_header.biHeight < 0;
    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = topDown ? -std::int64_t{m_header.biHeight} : std::int64_t{m_header.biHeight};
    if (topDown && runLength)
        RaiseFormatError();
    if (width <= 0 || height <= 0)
        RaiseFormatError();
    RequireAcceptablePictureSize(width, height);

    // Later header versions append colour-space fields the picture does not need;
    // the header in memory is the 40-byte one.
    stream.Skip(m_header.biSize - kInfoHeaderBytes);
    m_header.biSize = kInfoHeaderBytes;

    // The pixel offset of the file header counts only when it lies past the header
    // and inside the file; writers that leave it 0 or wrong get the rows right behind the table.
    const std::uint64_t tableStart = stream.Position();
    const std::optional<std::uint64_t> remaining = stream.Remaining();
    const bool offsetUsable = !noFileHeader && pixelOffset >= tableStart &&
                              (!remaining || pixelOffset < tableStart + *remaining);

    const std::size_t tableEntries = ColourTableEntries(bitCount);
    if (tableEntries > 0) {
        std::uint64_t stored = tableEntries;
        if (m_header.biClrUsed >= 1 && m_header.biClrUsed < tableEntries)
            stored = m_header.biClrUsed;
        if (offsetUsable)
            stored = std::min<std::uint64_t>(stored, (pixelOffset - tableStart) / kColourEntryBytes);
        m_pColors.assign(tableEntries, RGBQUAD{0, 0, 0, 0});  // entries the file lacks stay black
        for (std::uint64_t i = 0; i < stored; ++i) {
            RGBQUAD& entry = m_pColors[i];
            entry.rgbBlue = stream.ReadU8();
            entry.rgbGreen = stream.ReadU8();
            entry.rgbRed = stream.ReadU8();
            entry.rgbReserved = stream.ReadU8();
        }
    } else {
        m_pColors.clear();
        if (!offsetUsable)
            stream.Skip(std::uint64_t{m_header.biClrUsed} * kColourEntryBytes);
    }
    if (offsetUsable && pixelOffset > stream.Position())
        stream.Skip(pixelOffset - stream.Position());

    const auto rowBytes = static_cast<std::uint64_t>(RowBytes(width, bitCount));
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(height);
    if (runLength) {
        m_pBits = PixelBuffer::Allocate(imageBytes, true);
        DecodeRunLength8(stream, m_pBits.data(), imageBytes, rowBytes);
    } else {
        // A file too short for its rows fails anyway; find out before allocating for it.
        if (const auto left = stream.Remaining(); left && *left < imageBytes)
            throw CArchiveException(CArchiveException::endOfFile);
        m_pBits = PixelBuffer::Allocate(imageBytes, false);
        if (topDown) {
            // Rows arrive top row first; the working order is bottom row first.
            for (std::int64_t row = height - 1; row >= 0; --row)
                stream.ReadBytes(m_pBits.data() + static_cast<std::uint64_t>(row) * rowBytes, rowBytes);
            m_header.biHeight = static_cast<std::int32_t>(height);
        } else {
            stream.ReadBytes(m_pBits.data(), imageBytes);
        }
    }
    m_header.biCompression = BI_RGB;
}

void CDibImage::WriteToArchive(ByteWriter& stream)
{
    const std::uint64_t imageBytes = WritableImageBytes(m_header, m_pBits);
    const std::uint32_t pixelOffset = kFileHeaderBytes + kInfoHeaderBytes;
    stream.WriteU16(kBitmapFileType);
    stream.WriteU32(static_cast<std::uint32_t>(pixelOffset + imageBytes));
    stream.WriteU16(0);
    stream.WriteU16(0);
    stream.WriteU32(pixelOffset);
    WriteInfoHeader(stream, m_header);
    stream.WriteBytes(m_pBits.data(), imageBytes);
}

bool CDibImage::ConvertTo24Bit()
{
    const std::uint16_t bitCount = m_header.biBitCount;
    if (bitCount == 24)
        return true;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8)
        return false;
    const std::int64_t width = m_header.biWidth;
    const std::int64_t height = m_header.biHeight;
    if (width <= 0 || height <= 0)
        return false;
    const auto oldRowBytes = static_cast<std::uint64_t>(RowBytes(width, bitCount));
    const auto newRowBytes = static_cast<std::uint64_t>(RowBytes(width, 24));
    if (m_pBits.size() < oldRowBytes * static_cast<std::uint64_t>(height))
        return false;

    // A full 256-entry table, so no index can reach past it even when the
    // table in memory is short.
    std::array<RGBQUAD, 256> palette{};
    std::copy_n(m_pColors.begin(), std::min<std::size_t>(m_pColors.size(), palette.size()), palette.begin());

    PixelBuffer converted = PixelBuffer::Allocate(newRowBytes * static_cast<std::uint64_t>(height), true);
    for (std::int64_t row = 0; row < height; ++row) {
        const std::uint8_t* source = m_pBits.data() + static_cast<std::uint64_t>(row) * oldRowBytes;
        std::uint8_t* target = converted.data() + static_cast<std::uint64_t>(row) * newRowBytes;
        for (std::int64_t x = 0; x < width; ++x) {
            unsigned index = 0;
            if (bitCount == 8)
                index = source[x];
            else if (bitCount == 4)
                index = (x % 2 == 0) ? (source[x / 2] >> 4) : (source[x / 2] & 0x0F);
            else
                index = (source[x / 8] >> (7 - x % 8)) & 1;
            const RGBQUAD& colour = palette[index];
            target[3 * x] = colour.rgbBlue;
            target[3 * x + 1] = colour.rgbGreen;
            target[3 * x + 2] = colour.rgbRed;
        }
    }
    m_header.biBitCount = 24;
    m_header.biClrUsed = 0;
    m_header.biClrImportant = 0;
    m_pBits = std::move(converted);
    return true;
}

bool CDibImage::HoldsWritable24BitPicture() const
{
    if (m_header.biBitCount != 24 || m_header.biWidth <= 0 || m_header.biHeight <= 0)
        return false;
    const auto imageBytes = static_cast<std::uint64_t>(RowBytes(m_header.biWidth, 24)) *
                            static_cast<std::uint64_t>(m_header.biHeight);
    return imageBytes <= m_pBits.size();
}

BITMAPINFOHEADER HeaderOf24BitPicture(std::int32_t width, std::int32_t height)
{
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<std::uint32_t>(RowBytes(width, 24) * height);
    return header;
}
