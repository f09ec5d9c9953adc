#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// WebP files through libwebp: a still picture, or the first frame of an
// animation as the animation shows it, alpha dropped; the EXIF and ICCP chunks
// give orientation and colour profile. Reading only.
#include <string>

#include "image/DibImage.h"

class CWebpImage : public CDibImage {
public:
    CWebpImage() = default;

    // Loads the picture as 24 bits with its metadata. A file that cannot be
    // opened raises CFileException(generic, -1); a damaged one CArchiveException(generic).
    void Read(const std::string& path) override;
    // No WebP writer: raises CArchiveException(writeOnly) before any file is created.
    void Write(const std::string& path) override;
};
