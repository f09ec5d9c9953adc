#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Splits passes over rows into disjoint row bands on several threads. Only for
// work in which no band reads what another band writes, so the result is
// bit-identical to a single pass whatever the timing of the threads.
#include <cstdint>
#include <functional>

// Calls work(rowBegin, rowEnd) over [first, end). When `pixels` (the work the
// pass touches) reaches the minimum of the row-band policy, the rows are split
// into one band per hardware thread, all but the last on a thread of its own;
// smaller passes (or when no thread can be started) run in one call here.
void ForEachRowBand(std::int32_t first, std::int32_t end, std::int64_t pixels,
                    const std::function<void(std::int32_t rowBegin, std::int32_t rowEnd)>& work);

// The same over [0, rows).
inline void ForEachRowBand(std::int32_t rows, std::int64_t pixels,
                           const std::function<void(std::int32_t rowBegin, std::int32_t rowEnd)>& work)
{
    ForEachRowBand(0, rows, pixels, work);
}

// Below this many pixels a second thread costs more than it saves.
constexpr std::int64_t kParallelRowBandPixels = std::int64_t{1} << 18;

// How passes are split: from `minimumPixels` on, into `bands` bands (0: one per
// hardware thread). Tests force bands on small pictures with it; the default is
// kParallelRowBandPixels and 0.
struct RowBandPolicy {
    std::int64_t minimumPixels = kParallelRowBandPixels;
    int bands = 0;
};
void SetRowBandPolicy(RowBandPolicy policy);
RowBandPolicy GetRowBandPolicy();
