// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/UprightPicture.h"

#include <cstddef>
#include <memory>

#include "image/RowBands.h"
#include "image/DibImage.h"
#include "image/LoadControl.h"
#include "image/PictureOrientation.h"
#include "image/SrgbConversion.h"

namespace {

void ConvertToSrgb(CDibImage& picture)
{
    const std::unique_ptr<SrgbConversion> conversion =
        SrgbConversion::FromProfile(picture.m_metadata.iccProfile, SrgbConversion::Input::Bgr);
    if (!conversion)
        return;
    const std::int32_t width = picture.m_header.biWidth;
    const std::int32_t height = picture.m_header.biHeight;
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(RowBytes(width, 24));
    std::uint8_t* rows = picture.m_pBits.data();
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t begin, std::int32_t end) {
        for (std::int32_t y = begin; y < end; ++y) {
            std::uint8_t* row = rows + y * rowBytes;
            conversion->Convert(row, row, static_cast<std::uint32_t>(width));
        }
    });
}

void TurnUpright(CDibImage& picture)
{
    const int orientation = picture.m_metadata.orientation;
    if (orientation < 2 || orientation > 8)
        return;
    const StoredPicture stored{picture.m_pBits.data(), picture.m_header.biWidth, picture.m_header.biHeight};
    const bool swaps = OrientationSwapsSides(orientation);
    const std::int32_t width = swaps ? stored.height : stored.width;
    const std::int32_t height = swaps ? stored.width : stored.height;
    PixelBuffer upright = PixelBuffer::Allocate(static_cast<std::size_t>(RowBytes(width, 24) * height), false);
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t begin, std::int32_t end) {
        WriteUprightRows(stored, orientation, upright.data(), begin, end);
    });
    picture.CDibImage::SetHeader(width, height, 24, nullptr);
    picture.m_pBits = std::move(upright);
}

}  // namespace

void MakeUprightInSrgb(CDibImage& picture)
{
    if (!picture.HoldsWritable24BitPicture())
        return;
    // Each pass runs on every core, out of reach of the load's checkpoints: the
    // load can end before each.
    LoadCheckpoint();
    ConvertToSrgb(picture);
    LoadCheckpoint();
    TurnUpright(picture);
    picture.m_metadata = PictureMetadata{};
}
