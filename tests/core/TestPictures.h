#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Hand-made bitmap files and pictures for tests: little-endian byte assembly,
// headers, complete files, and scratch files that vanish after the test.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "image/DibImage.h"

namespace testpictures {

// Little-endian assembly of file bytes.
class ByteAssembler {
public:
    ByteAssembler& U8(std::uint8_t value)
    {
        bytes.push_back(value);
        return *this;
    }
    ByteAssembler& U16(std::uint16_t value) { return U8(value & 0xFF).U8(value >> 8); }
    ByteAssembler& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    ByteAssembler& I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
    ByteAssembler& Bytes(const std::vector<std::uint8_t>& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    ByteAssembler& Repeat(std::size_t count, std::uint8_t value)
    {
        bytes.insert(bytes.end(), count, value);
        return *this;
    }
    ByteAssembler& Colour(std::uint8_t blue, std::uint8_t green, std::uint8_t red)
    {
        return U8(blue).U8(green).U8(red).U8(0);
    }

    std::vector<std::uint8_t> bytes;
};

// A 40-byte header as a careful writer fills it.
inline BITMAPINFOHEADER InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
                                   std::uint32_t compression = BI_RGB)
{
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bitCount;
    header.biCompression = compression;
    header.biXPelsPerMeter = 2835;
    header.biYPelsPerMeter = 2835;
    return header;
}

inline void AppendFileHeader(ByteAssembler& out, std::uint32_t fileSize, std::uint32_t pixelOffset)
{
    out.U8('B').U8('M').U32(fileSize).U16(0).U16(0).U32(pixelOffset);
}

inline void AppendInfoHeader(ByteAssembler& out, const BITMAPINFOHEADER& h)
{
    out.U32(h.biSize).I32(h.biWidth).I32(h.biHeight).U16(h.biPlanes).U16(h.biBitCount).U32(h.biCompression);
    out.U32(h.biSizeImage).I32(h.biXPelsPerMeter).I32(h.biYPelsPerMeter).U32(h.biClrUsed).U32(h.biClrImportant);
}

inline void AppendColours(ByteAssembler& out, const std::vector<RGBQUAD>& colours)
{
    for (const RGBQUAD& c : colours)
        out.U8(c.rgbBlue).U8(c.rgbGreen).U8(c.rgbRed).U8(c.rgbReserved);
}

// A complete file: file header (pixel offset right behind the table), header, table, rows.
inline std::vector<std::uint8_t> BitmapFile(const BITMAPINFOHEADER& header, const std::vector<RGBQUAD>& colours,
                                            const std::vector<std::uint8_t>& rows)
{
    const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * colours.size());
    ByteAssembler out;
    AppendFileHeader(out, offset + static_cast<std::uint32_t>(rows.size()), offset);
    AppendInfoHeader(out, header);
    AppendColours(out, colours);
    out.Bytes(rows);
    return out.bytes;
}

// A table of count entries, entry i = (blue i, green 255 - i, red i * 7 mod 256).
inline std::vector<RGBQUAD> DistinctColours(std::size_t count)
{
    std::vector<RGBQUAD> colours(count);
    for (std::size_t i = 0; i < count; ++i)
        colours[i] = RGBQUAD{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                             static_cast<std::uint8_t>(i * 7), 0};
    return colours;
}

// 24-bit rows in which every pixel differs from its neighbours; padding bytes are pad.
inline std::vector<std::uint8_t> Pattern24(int width, int height, std::uint8_t pad = 0)
{
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(height), pad);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &rows[static_cast<std::size_t>(y) * rowBytes + 3 * static_cast<std::size_t>(x)];
            pixel[0] = static_cast<std::uint8_t>(x * 13 + y);
            pixel[1] = static_cast<std::uint8_t>(y * 29 + 1);
            pixel[2] = static_cast<std::uint8_t>(x + y * 7 + 100);
        }
    return rows;
}

// A copy of the pixel rows of an image.
inline std::vector<std::uint8_t> PixelBytes(const CDibImage& image)
{
    return {image.m_pBits.data(), image.m_pBits.data() + image.m_pBits.size()};
}

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path() /
                 ("grimasso-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    std::string File(const std::string& name) const { return (m_path / name).string(); }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        const std::string path = File(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

private:
    std::filesystem::path m_path;
};

// text as one word for bash -c: in single quotes, each quote closed and escaped.
inline std::string Quote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// A public-domain sample photograph by name from the shared samples beside the
// clone; without them, the bundled sample portrait (the same astronaut, pixel
// for pixel), so a fresh clone runs the photo tests on a real photo too. Photos
// that must show no face have no stand-in: empty then.
inline std::string SamplePhoto(const std::string& name, bool portraitStandsIn = true)
{
    const std::string shared = std::string(GRIMASSO_SAMPLES_DIR) + "/" + name;
    if (std::filesystem::exists(shared))
        return shared;
    return portraitStandsIn ? std::string(GRIMASSO_SOURCE_DIR) + "/resources/astronaut.bmp" : std::string();
}

}  // namespace testpictures
