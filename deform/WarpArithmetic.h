#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Number conversions shared by the warp tools. Positions are formed in double and
// converted toward zero; these helpers make that conversion total, so extreme
// slider values or radii can never hit undefined behaviour.
#include <cmath>
#include <cstdint>
#include <limits>

// trunc(v) as a signed 32-bit value: toward zero, saturating beyond the range,
// and 0 for NaN. Equal to a plain conversion wherever that one is defined.
inline std::int32_t TruncToInt32(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0)
        return std::numeric_limits<std::int32_t>::max();
    if (v <= -2147483649.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(v);
}

// floor(v) and ceil(v) as whole pixels, kept far inside the int range.
inline std::int32_t ClampedFloor(double v)
{
    return static_cast<std::int32_t>(std::fmin(std::fmax(std::floor(v), -1.0e9), 1.0e9));
}
inline std::int32_t ClampedCeil(double v)
{
    return static_cast<std::int32_t>(std::fmin(std::fmax(std::ceil(v), -1.0e9), 1.0e9));
}

// v clamped into [0, size - 1].
inline std::int32_t ClampToRange(std::int64_t v, std::int32_t size)
{
    if (v < 0)
        return 0;
    if (v >= size)
        return size - 1;
    return static_cast<std::int32_t>(v);
}

// Distance of an integer offset: the sum of squares in integers, the root in double.
// The sum is formed in 64 bits so that pictures wider than 46340 pixels cannot
// overflow it; offsets from centres far outside any picture fall back to doubles.
inline double IntegerDistance(std::int64_t ex, std::int64_t ey)
{
    constexpr std::int64_t kExact = std::int64_t{1} << 31;
    if (ex > -kExact && ex < kExact && ey > -kExact && ey < kExact)
        return std::sqrt(static_cast<double>(ex * ex + ey * ey));
    const double fx = static_cast<double>(ex);
    const double fy = static_cast<double>(ey);
    return std::sqrt(fx * fx + fy * fy);
}
