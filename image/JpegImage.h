#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// JPEG files through libjpeg: the library's top-down RGB scanlines become the
// picture's bottom-up blue-green-red rows, and back.
#include <cstdint>
#include <string>

#include "image/DibImage.h"

class CJpegImage : public CDibImage {
public:
    CJpegImage() = default;

    // Loads a JPEG file as a 24-bit picture. A file that cannot be opened raises
    // CFileException(generic, -1); every library error raises CArchiveException(badIndex).
    // So do a file too short for the blocks it claims and one of more scans
    // than any encoder writes; a valid picture over the size limit raises
    // CPictureSizeException, before the pixels are allocated.
    void Read(const std::string& path) override;
    // Saves the 24-bit rows with m_quality and m_progressive. A picture that is
    // not 24-bit leaves the just-created file empty and raises CArchiveException(badIndex);
    // a failed write (a full disk) raises CFileException(hardIO) with the system's errno.
    void Write(const std::string& path) override;
    // Takes quality and progressive flag from a CodecOptions record (kept as they
    // are when options is null), then fills the header as the base does.
    void SetHeader(int width, int height, int bitCount, const void* options) override;

    std::int32_t m_quality = 100;     // 0..100; below 1 the library uses 1
    bool m_progressive = false;       // simple progression
    // Read turns the picture upright as its Exif orientation says while it
    // decodes, instead of leaving that to a pass of its own afterwards; the
    // metadata then says orientation 1.
    bool m_readUpright = false;
};
