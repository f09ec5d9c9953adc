#pragma once
// The median of nine integers by a fixed network of 19 compare-exchanges: no
// branches, no full sort, the same value a sort would put in the middle.
#include <algorithm>
#include <cstdint>

inline std::int32_t MedianOfNine(std::int32_t p0, std::int32_t p1, std::int32_t p2,
                                 std::int32_t p3, std::int32_t p4, std::int32_t p5,
                                 std::int32_t p6, std::int32_t p7, std::int32_t p8)
{
    auto order = [](std::int32_t& a, std::int32_t& b) {
        const std::int32_t low = std::min(a, b);
        b = std::max(a, b);
        a = low;
    };
    order(p1, p2); order(p4, p5); order(p7, p8);
    order(p0, p1); order(p3, p4); order(p6, p7);
    order(p1, p2); order(p4, p5); order(p7, p8);
    order(p0, p3); order(p5, p8); order(p4, p7);
    order(p3, p6); order(p1, p4); order(p2, p5);
    order(p4, p7); order(p4, p2); order(p6, p4);
    order(p4, p2);
    return p4;
}
