#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A box of picture pixels: x from the left, y from the bottom row (the storage
// order), both corners inclusive. An empty box covers nothing.
#include <algorithm>
#include <cstdint>

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

    friend bool operator==(const PictureArea&, const PictureArea&) = default;
};
