#pragma once
// Splits whole-picture passes (rendering, smoothing) into two disjoint row bands
// on two threads. Only for work whose per-row results do not depend on the order
// of writes, so the result is bit-identical to a single pass.
#include <cstdint>
#include <functional>

// Calls work(rowBegin, rowEnd) over [0, rows). Pictures of at least
// kParallelRowBandPixels pixels are split in two bands, the upper one on a second
// thread; smaller ones (or when no thread can be started) run in one call.
void ForEachRowBand(std::int32_t rows, std::int64_t pixels,
                    const std::function<void(std::int32_t rowBegin, std::int32_t rowEnd)>& work);

constexpr std::int64_t kParallelRowBandPixels = std::int64_t{1} << 20;
