#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
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
// maximum). below, row and above hold `count` values each; neighbours are
// `step` values apart (2 for the interleaved x and y of map entries). out[i] is
// written for step <= i < count - step.
template <class Value>
void MedianOfNineRow(const Value* below, const Value* row, const Value* above, Value* out, std::size_t count,
                     std::size_t step)
{
    auto low = [](Value a, Value b) { return a < b ? a : b; };
    auto high = [](Value a, Value b) { return a < b ? b : a; };
    auto median3 = [&](Value a, Value b, Value c) { return high(low(a, b), low(high(a, b), c)); };
    for (std::size_t i = step; i + step < count; ++i) {
        const std::size_t l = i - step, r = i + step;
        const Value lows = high(high(low(low(below[l], row[l]), above[l]), low(low(below[i], row[i]), above[i])),
                                low(low(below[r], row[r]), above[r]));
        const Value highs = low(low(high(high(below[l], row[l]), above[l]), high(high(below[i], row[i]), above[i])),
                                high(high(below[r], row[r]), above[r]));
        const Value middles = median3(median3(below[l], row[l], above[l]), median3(below[i], row[i], above[i]),
                                      median3(below[r], row[r], above[r]));
        out[i] = median3(lows, middles, highs);
    }
}
