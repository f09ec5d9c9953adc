#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The picture in memory: a device-independent bitmap (header, optional colour
// table, pixel rows), and the Windows bitmap codec. The JPEG, PNG and TIFF
// codecs derive from it and fill the very same fields.
#include <cstdint>
#include <string>
#include <vector>

#include "image/PictureMetadata.h"
#include "image/PixelBuffer.h"

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
struct RGBQUAD {
    std::uint8_t rgbBlue;
    std::uint8_t rgbGreen;
    std::uint8_t rgbRed;
    std::uint8_t rgbReserved;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(RGBQUAD) == 4);

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_RLE8 = 1;
constexpr std::int32_t kDefaultPelsPerMeter = 14173;  // 360 dots per inch

class ByteReader;
class ByteWriter;

// Bytes per pixel row: padded to a multiple of 4 bytes.
constexpr std::int64_t RowBytes(std::int64_t width, std::int64_t bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// The header of a bottom-up 24-bit picture of width x height without a
// resolution, as pictures in memory carry it (warp field, clipboard block).
BITMAPINFOHEADER HeaderOf24BitPicture(std::int32_t width, std::int32_t height);

class CDibImage {
public:
    CDibImage();
    virtual ~CDibImage();
    CDibImage(const CDibImage&) = delete;
    CDibImage& operator=(const CDibImage&) = delete;

    // Loads a Windows bitmap file; raises CFileException, CArchiveException, CMemoryException.
    virtual void Read(const std::string& path);
    // Saves a Windows bitmap file from the header and m_pBits.
    virtual void Write(const std::string& path);
    // Fills the header with width, height, bit count and the defaults; touches no buffer.
    // options points to codec options (see CodecOptions); this codec ignores it.
    virtual void SetHeader(int width, int height, int bitCount, const void* options);

    BITMAPINFOHEADER GetHeader() const { return m_header; }
    // True when the picture is (now) 24 bits a pixel; false for depths it cannot convert.
    bool ConvertTo24Bit();

    // Reads a bitmap from a stream; with noFileHeader the stream starts at the
    // BITMAPINFOHEADER (a packed bitmap as on the clipboard).
    void ReadFromArchive(ByteReader& stream, bool noFileHeader);
    // Writes a complete bitmap file.
    void WriteToArchive(ByteWriter& stream);

    // True when the header describes a 24-bit picture of positive size whose rows
    // m_pBits holds: the only kind of picture the codecs write.
    bool HoldsWritable24BitPicture() const;

    // The pixel rows and colour table. The image owns them until a caller moves
    // them out (the document hands m_pBits to the warp field after a load).
    PixelBuffer m_pBits;
    std::vector<RGBQUAD> m_pColors;
    BITMAPINFOHEADER m_header;
    // Profile and orientation the file carries; m_pBits is as stored, not yet turned or converted.
    PictureMetadata m_metadata;
};
