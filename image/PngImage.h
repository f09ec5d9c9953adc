#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// PNG files through libpng: every file the library can decode arrives as a 24-bit
// picture; every picture is written as 8-bit RGB without interlacing.
#include <cstdint>
#include <cstdio>
#include <string>

#include "image/DibImage.h"

class CPngImage : public CDibImage {
public:
    CPngImage() = default;

    // Loads a PNG file as a 24-bit picture: 16-bit samples are cut to 8 bits, alpha
    // is dropped (not blended), palette and grey become RGB. A file that does not
    // start with the PNG signature, and every library error, raise
    // CArchiveException(generic), as does a file too short for the rows it
    // claims; a valid picture over the size limit raises CPictureSizeException,
    // a file that cannot be opened CFileException(generic, -1).
    void Read(const std::string& path) override;
    // Saves the 24-bit rows. A picture that is not 24-bit raises
    // CArchiveException(generic) before any file is created; a failed write (a full
    // disk) CFileException(hardIO) with the system's errno.
    void Write(const std::string& path) override;

    // The same on an open stream (a file or a block of memory), which is closed
    // on every way out; Read's signature check is left to the caller. path only
    // names the stream in a write failure.
    void ReadFromStream(std::FILE* file);
    void WriteToStream(std::FILE* file, const std::string& path);

    // Later reads refuse, as damaged and before the pixels are allocated, a
    // picture whose header names another size (0 x 0: any size).
    void ExpectSize(std::int64_t width, std::int64_t height)
    {
        m_expectedWidth = width;
        m_expectedHeight = height;
    }
    // zlib's compression level 0 to 9 for later writes; -1 is the library's
    // default. Lower levels trade size for speed, never losing a pixel.
    void SetCompressionLevel(int level) { m_compressionLevel = level; }
    // One row filter (each row less the row above) instead of trying all five
    // a row: several times less filter work, for a somewhat larger file.
    void SetSingleFilter(bool single) { m_singleFilter = single; }

private:
    std::int64_t m_expectedWidth = 0;
    std::int64_t m_expectedHeight = 0;
    int m_compressionLevel = -1;
    bool m_singleFilter = false;
};
