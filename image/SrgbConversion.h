#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Converts pixels from the colour space of an embedded ICC profile to sRGB with
// Little CMS, perceptual intent and black-point compensation, so a picture
// looks as it does in a colour-managed viewer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class SrgbConversion {
public:
    // How the pixels to convert are laid out.
    enum class Input {
        Bgr,              // 3 bytes a pixel: blue, green, red
        Cmyk,             // 4 bytes a pixel: cyan, magenta, yellow, black, 255 = full ink
        InvertedCmyk,     // the same with 0 = full ink, as files with Adobe's marker store them
    };

    // A conversion from profile to blue-green-red sRGB, or null when nothing is
    // to be done: no profile, a profile describing sRGB itself, or one that
    // cannot be used (unreadable, or of another colour space than input).
    static std::unique_ptr<SrgbConversion> FromProfile(const std::vector<std::uint8_t>& profile, Input input);
    ~SrgbConversion();
    SrgbConversion(const SrgbConversion&) = delete;
    SrgbConversion& operator=(const SrgbConversion&) = delete;

    // Converts count pixels (a row at most) from source to blue-green-red target,
    // which may be source itself for Bgr input. Safe to call from several threads at once.
    void Convert(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count) const;

private:
    explicit SrgbConversion(void* transform) : m_transform(transform) {}
    void* m_transform;  // cmsHTRANSFORM
};

// True when profile describes sRGB closely enough that converting would change
// no pixel by more than rounding: a matrix-shaper with sRGB's primaries and curve.
bool IsSrgbProfile(const std::vector<std::uint8_t>& profile);
