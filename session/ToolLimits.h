#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The ranges and start values of every tool's settings, kept once: the
// command line parses against them and every dialog builds its sliders and
// checks its fields from them. The face sliders' ranges live beside the face
// features (FaceFeatureRanges), the video's holds beside its running order.
#include <cstdint>

#include "video/RunningOrder.h"

template <class T>
struct SettingRange {
    T minimum;
    T maximum;
    T start;
    constexpr bool Holds(T value) const { return value >= minimum && value <= maximum; }
};

// A decimal setting as the whole hundredths a slider moves in.
constexpr int InHundredths(double value)
{
    return static_cast<int>(value * 100 + (value < 0 ? -0.5 : 0.5));
}

namespace tool_limits {

inline constexpr SettingRange<std::int32_t> kMovePointRadius{1, 1000, 20};
inline constexpr SettingRange<double> kEnlargeFactor{1, 10, 1};
inline constexpr SettingRange<double> kShrinkFactor{0.01, 1, 1};
inline constexpr SettingRange<double> kRotateAngle{-180, 180, 0};
inline constexpr SettingRange<double> kRotateAmplification{1, 10, 1};
// Percent of the deformation so far.
inline constexpr SettingRange<double> kExaggeration{0, 300, 100};
// The automatic caricature: percent of the face's difference from the mean face.
inline constexpr SettingRange<std::int32_t> kCaricature{0, 300, 100};
// Each side of a rescaled picture.
inline constexpr SettingRange<std::int32_t> kScaleSide{1, 10000, 1};
inline constexpr SettingRange<std::int32_t> kJpegQuality{0, 100, 100};
inline constexpr SettingRange<std::uint32_t> kVideoDurationMs{1, 1000000, 2000};
inline constexpr SettingRange<std::uint32_t> kVideoFramesPerSecond{1, 50, 7};
inline constexpr SettingRange<std::uint32_t> kVideoHoldMs{0, kMaxVideoHoldMs, 0};

}  // namespace tool_limits
