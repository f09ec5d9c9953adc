#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// One face found in a picture: its box and the 68 landmark points of the usual
// annotation (jaw 0-16, brows 17-26, nose 27-35, eyes 36-47, mouth 48-67), in
// picture coordinates with x from the left and y from the top row.
#include <array>
#include <cstddef>

struct FacePoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const FacePoint&, const FacePoint&) = default;
};

struct FaceBox {
    double left = 0, top = 0, width = 0, height = 0;
    double Area() const { return width * height; }
};

struct FoundFace {
    static constexpr std::size_t kPointCount = 68;
    FaceBox box;
    std::array<FacePoint, kPointCount> points{};
};
