// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/RowBands.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace {
// More bands than this only add start-up cost on today's machines.
constexpr int kMaxBands = 16;
std::atomic<std::int64_t> g_minimumPixels{kParallelRowBandPixels};
std::atomic<int> g_bands{0};
}  // namespace

void SetRowBandPolicy(RowBandPolicy policy)
{
    g_minimumPixels = policy.minimumPixels;
    g_bands = policy.bands;
}

RowBandPolicy GetRowBandPolicy()
{
    return RowBandPolicy{g_minimumPixels.load(), g_bands.load()};
}

void ForEachRowBand(std::int32_t first, std::int32_t end, std::int64_t pixels,
                    const std::function<void(std::int32_t, std::int32_t)>& work)
{
    if (first >= end)
        return;
    const std::int64_t rows = std::int64_t{end} - first;
    int bands = g_bands.load();
    if (bands <= 0)
        bands = static_cast<int>(std::min<unsigned>(std::thread::hardware_concurrency(), kMaxBands));
    bands = static_cast<int>(std::min<std::int64_t>(std::min(bands, kMaxBands), rows));
    if (pixels < g_minimumPixels.load() || bands < 2) {
        work(first, end);
        return;
    }
    auto bandStart = [&](int band) { return static_cast<std::int32_t>(first + rows * band / bands); };
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(bands - 1));
    int band = 1;
    for (; band < bands; ++band) {
        try {
            helpers.emplace_back(std::cref(work), bandStart(band), bandStart(band + 1));
        } catch (const std::system_error&) {
            break;  // no further thread available: the rest runs here
        }
    }
    work(first, bandStart(1));
    for (int rest = band; rest < bands; ++rest)
        work(bandStart(rest), bandStart(rest + 1));
    for (std::thread& helper : helpers)
        helper.join();
}
