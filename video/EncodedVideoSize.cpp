// SPDX-License-Identifier: GPL-3.0-or-later
// The sizes of encoded frames: plain arithmetic that the export asks for
// without loading the encoders, so this file is built into both the core and
// the encoder module.
#include <algorithm>
#include <cmath>

#include "video/EncodedVideoWriter.h"

void EncodedVideoWriter::EncodedSize(EncodedFormat format, std::int32_t& width, std::int32_t& height)
{
    if (format == EncodedFormat::Mp4) {
        width += width % 2;
        height += height % 2;
    }
}

void EncodedVideoWriter::ScaledSize(EncodedFormat format, std::int32_t longSide, std::int32_t& width,
                                    std::int32_t& height)
{
    const std::int32_t longest = std::max(width, height);
    if (longSide <= 0 || longSide >= longest)
        return;
    const bool even = format != EncodedFormat::Gif;
    const auto inProportion = [&](std::int32_t side) {
        const double exact = static_cast<double>(side) * longSide / longest;
        if (even)
            return std::max<std::int32_t>(2, 2 * static_cast<std::int32_t>(std::trunc(exact / 2.0 + 0.5)));
        return std::max<std::int32_t>(1, static_cast<std::int32_t>(std::trunc(exact + 0.5)));
    };
    if (width >= height) {
        height = inProportion(height);
        width = longSide;
    } else {
        width = inProportion(width);
        height = longSide;
    }
}
