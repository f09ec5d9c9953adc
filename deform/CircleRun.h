#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The columns of one row that lie inside a circle, found without testing every
// pixel: the tools' distance tests hold up to some |ex| and fail beyond it, so a
// row's pixels inside the circle form one run of columns.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "deform/WarpArithmetic.h"

struct CircleRun {
    std::int32_t first = 0;
    std::int32_t last = -1;
    bool Empty() const { return first > last; }
};

// The smallest and largest |e| over the offsets e in [from, to] (from <= to).
struct OffsetSpan {
    std::int64_t nearest;
    std::int64_t farthest;
};
inline OffsetSpan SpanOfAbsoluteOffsets(std::int64_t from, std::int64_t to)
{
    const std::int64_t a = from < 0 ? -from : from, b = to < 0 ? -to : to;
    return OffsetSpan{from <= 0 && to >= 0 ? 0 : std::min(a, b), std::max(a, b)};
}

// The columns x in [x0, x1] (x0 <= x1) whose offset from column cx, at the row
// offset ey, passes inside(IntegerDistance(x - cx, ey)). inside must be a test
// such as d <= radius or d < radius: true up to some distance, false beyond.
// IntegerDistance never falls as |ex| grows, so the run is settled exactly by
// the test itself; the radius only gives the first guess of its end.
template <class Inside>
CircleRun RunInsideCircle(std::int64_t cx, std::int64_t ey, std::int32_t x0, std::int32_t x1, double radius,
                          Inside inside)
{
    const OffsetSpan span = SpanOfAbsoluteOffsets(x0 - cx, x1 - cx);
    const std::int64_t nearest = span.nearest, reach = span.farthest;

    const double fy = static_cast<double>(ey);
    const double rest = radius * radius - fy * fy;
    std::int64_t m = nearest;
    if (rest > 0.0) {
        const double root = std::sqrt(rest);
        m = root >= static_cast<double>(reach) ? reach : std::max(nearest, static_cast<std::int64_t>(root));
    }
    // Settle the guess: the largest |ex| in [nearest, reach] that passes.
    while (m < reach && inside(IntegerDistance(m + 1, ey)))
        ++m;
    while (m >= nearest && !inside(IntegerDistance(m, ey)))
        --m;
    if (m < nearest)
        return {};
    return CircleRun{static_cast<std::int32_t>(std::max<std::int64_t>(x0, cx - m)),
                     static_cast<std::int32_t>(std::min<std::int64_t>(x1, cx + m))};
}
