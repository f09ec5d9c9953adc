// SPDX-License-Identifier: GPL-3.0-or-later
// The Exif and colour profile paths: the input is read as an Exif block and
// as an ICC profile, and what they yield is applied to a small picture the way
// opening applies it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/ExifOrientation.h"
#include "image/SrgbConversion.h"
#include "session/UprightPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    // Inks through a CMYK profile, as a CMYK JPEG's rows go.
    std::uint8_t inks[4 * 5] = {0, 0, 0, 0, 255, 255, 255, 255, 255, 0, 128, 7, 1, 2, 3, 4, 9, 200, 30, 60};
    std::uint8_t converted[3 * 5];
    for (auto input : {SrgbConversion::Input::Cmyk, SrgbConversion::Input::InvertedCmyk}) {
        if (const auto conversion = SrgbConversion::FromProfile(bytes, input))
            conversion->Convert(inks, converted, 5);
    }
    try {
        CDibImage picture;
        picture.SetHeader(7, 5, 24, nullptr);
        picture.m_pBits = PixelBuffer::Allocate(static_cast<std::size_t>(RowBytes(7, 24) * 5), true);
        for (std::size_t i = 0; i < picture.m_pBits.size(); ++i)
            picture.m_pBits.data()[i] = static_cast<std::uint8_t>(i * 37);
        picture.m_metadata.orientation = ExifOrientation(data, size);
        picture.m_metadata.iccProfile = bytes;
        MakeUprightInSrgb(picture);
    } catch (const CException&) {
    }
    return 0;
}
