#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A box of picture pixels: x from the left, y from the bottom row (the storage
// order), both corners inclusive. An empty box covers nothing.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>

#include "deform/WarpArithmetic.h"

struct PictureArea {
    std::int32_t left = 0, bottom = 0, right = -1, top = -1;

    bool IsEmpty() const { return left > right || bottom > top; }

    static PictureArea Whole(std::int32_t width, std::int32_t height) { return {0, 0, width - 1, height - 1}; }

    // The smallest box holding both; an empty side counts for nothing.
    PictureArea United(const PictureArea& other) const
    {
        if (IsEmpty())
            return other;
        if (other.IsEmpty())
            return *this;
        return {std::min(left, other.left), std::min(bottom, other.bottom), std::max(right, other.right),
                std::max(top, other.top)};
    }

    // The box of radius margin around the points, clipped to a picture of
    // width x height.
    static PictureArea Around(std::initializer_list<std::pair<std::int32_t, std::int32_t>> points, double margin,
                              std::int32_t width, std::int32_t height)
    {
        double x0 = points.begin()->first, x1 = x0, y0 = points.begin()->second, y1 = y0;
        for (const auto& [x, y] : points) {
            x0 = std::min<double>(x0, x);
            x1 = std::max<double>(x1, x);
            y0 = std::min<double>(y0, y);
            y1 = std::max<double>(y1, y);
        }
        PictureArea box;
        box.left = std::max(ClampedFloor(x0 - margin), 0);
        box.bottom = std::max(ClampedFloor(y0 - margin), 0);
        box.right = std::min(ClampedCeil(x1 + margin), width - 1);
        box.top = std::min(ClampedCeil(y1 + margin), height - 1);
        return box.IsEmpty() ? PictureArea{} : box;
    }

    friend bool operator==(const PictureArea&, const PictureArea&) = default;
};
