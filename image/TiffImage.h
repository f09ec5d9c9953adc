#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// TIFF files through libtiff: reading goes through the library's RGBA raster, so
// every kind the library can render arrives as a 24-bit picture; writing always
// produces uncompressed big-endian 8-bit RGB, one row a strip.
#include <string>

#include "image/DibImage.h"

class CTiffImage : public CDibImage {
public:
    CTiffImage() = default;

    // Loads the first image of a TIFF file as a 24-bit picture. Every library error
    // (a file that cannot be opened included) raises CArchiveException(generic).
    void Read(const std::string& path) override;
    // Saves the 24-bit rows. A picture that is not 24-bit raises
    // CArchiveException(generic) before any file is created; a file that cannot be
    // created CFileException(generic, -1); a failed write (a full disk, also of the
    // header while opening) CFileException(hardIO) with the system's errno.
    void Write(const std::string& path) override;
};
