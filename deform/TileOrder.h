#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Visits runs of columns in tiles instead of whole rows. A deformed map sends
// neighbouring pixels to neighbouring sources in every direction, so a tile of a
// few dozen rows and columns reads its scattered sources (undo-map entries,
// undeformed pixels) from a small patch that stays in the cache; a whole row
// sweeps a curve across the picture and misses at almost every pixel. Only for
// passes in which every pixel is computed on its own, so the order is free.
#include <algorithm>
#include <array>
#include <cstdint>

#include "deform/CircleRun.h"

// Rows and columns of one tile: about 16 KiB of map entries, and the patch of
// sources it reads stays within the second-level cache.
constexpr std::int32_t kTileRows = 32;
constexpr std::int32_t kTileColumns = 64;

// For the rows [rowBegin, rowEnd): runOfRow(y) gives the run of columns of row y
// (empty when first > last), and visit(y, first, last) is called for pieces of
// those runs, tile by tile, each column of each run exactly once. runOfRow is
// called once a row, in order, before any piece of that row is visited, so it
// may also do the row's own work.
template <class RunOfRow, class Visit>
void ForEachTileOfRuns(std::int32_t rowBegin, std::int32_t rowEnd, RunOfRow runOfRow, Visit visit)
{
    std::array<CircleRun, kTileRows> runs;
    for (std::int32_t tileBegin = rowBegin; tileBegin < rowEnd; tileBegin += kTileRows) {
        const std::int32_t rows = std::min(rowEnd - tileBegin, kTileRows);
        std::int32_t left = 0, right = -1;
        for (std::int32_t i = 0; i < rows; ++i) {
            runs[i] = runOfRow(tileBegin + i);
            if (runs[i].Empty())
                continue;
            if (left > right) {
                left = runs[i].first;
                right = runs[i].last;
            } else {
                left = std::min(left, runs[i].first);
                right = std::max(right, runs[i].last);
            }
        }
        for (std::int64_t tileLeft = left; tileLeft <= right; tileLeft += kTileColumns) {
            const std::int64_t tileRight = tileLeft + kTileColumns - 1;
            for (std::int32_t i = 0; i < rows; ++i) {
                const std::int64_t first = std::max<std::int64_t>(runs[i].first, tileLeft);
                const std::int64_t last = std::min<std::int64_t>(runs[i].last, tileRight);
                if (first <= last)
                    visit(tileBegin + i, static_cast<std::int32_t>(first), static_cast<std::int32_t>(last));
            }
        }
    }
}
