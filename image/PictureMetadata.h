#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What a reader found beside the pixels that changes how they are shown: the
// embedded colour profile and the orientation the camera recorded. The session
// applies both once, right after loading, so every later step sees the
// upright picture in sRGB.
#include <cstdint>
#include <vector>

struct PictureMetadata {
    // The embedded ICC profile as stored, empty when there is none (or the
    // reader has applied it already).
    std::vector<std::uint8_t> iccProfile;
    // The Exif orientation, 1 to 8; 1 is upright (also for any unknown value).
    int orientation = 1;
};
