#pragma once
// The median of nine integers by a fixed network of 19 compare-exchanges: no
// branches, no full sort, the same value a sort would put in the middle.
#include <algorithm>
#include <cstddef>
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

// The same medians for a whole row of a 3 x 3 neighbourhood, in a form the
// compiler turns into vector code: the median of nine equals the median of
// (largest column minimum, median of the column medians, smallest column
// maximum), and each sorted column of three serves three neighbouring outputs.
// below, row and above hold `count` values each; neighbours are `step` values
// apart (2 for the interleaved x and y of map entries). out[i] is written for
// step <= i < count - step. scratch holds 3 * count values.
inline void MedianOfNineRow(const std::int32_t* below, const std::int32_t* row, const std::int32_t* above,
                            std::int32_t* out, std::size_t count, std::size_t step, std::int32_t* scratch)
{
    std::int32_t* low = scratch;
    std::int32_t* middle = scratch + count;
    std::int32_t* high = scratch + 2 * count;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t a = below[i], b = row[i], c = above[i];
        const std::int32_t ab = std::min(a, b), ba = std::max(a, b);
        low[i] = std::min(ab, c);
        high[i] = std::max(ba, c);
        middle[i] = std::max(ab, std::min(ba, c));
    }
    auto median3 = [](std::int32_t a, std::int32_t b, std::int32_t c) {
        return std::max(std::min(a, b), std::min(std::max(a, b), c));
    };
    for (std::size_t i = step; i + step < count; ++i) {
        const std::int32_t lows = std::max(std::max(low[i - step], low[i]), low[i + step]);
        const std::int32_t middles = median3(middle[i - step], middle[i], middle[i + step]);
        const std::int32_t highs = std::min(std::min(high[i - step], high[i]), high[i + step]);
        out[i] = median3(lows, middles, highs);
    }
}
