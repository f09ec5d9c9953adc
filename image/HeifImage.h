#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC, HEIF and AVIF files through libheif: the primary image, turned and
// mirrored by the library as the file says, alpha dropped, 10 and 12 bits
// reduced to 8 with rounding. Reading only.
#include <string>

#include "image/DibImage.h"

class CHeifImage : public CDibImage {
public:
    CHeifImage() = default;

    // Loads the primary image as a 24-bit picture with its colour profile in
    // m_metadata. A file that cannot be opened raises CFileException(generic, -1);
    // a damaged one CArchiveException(generic); one the library has no decoder
    // for CArchiveException(badIndex).
    void Read(const std::string& path) override;
    // No HEIF writer: raises CArchiveException(writeOnly) before any file is created.
    void Write(const std::string& path) override;
};
