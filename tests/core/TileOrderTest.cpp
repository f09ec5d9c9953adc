// SPDX-License-Identifier: GPL-3.0-or-later
// The tile walk and the offset table that the region tools and the rendering
// build on: every column of every run visited exactly once, each row's own work
// done before its pixels, and every offset of a region finding its own entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "deform/OffsetTable.h"
#include "deform/TileOrder.h"

namespace {

TEST(TileOrder, VisitsEveryColumnOfEveryRunOnceAfterItsRow)
{
    std::mt19937 random(77);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 40; ++round) {
        // Row counts around multiples of the tile height, runs up to several tiles
        // wide, empty rows among them, and a first row that need not be 0.
        const std::int32_t rowBegin = pick(0, 5);
        const std::int32_t rowEnd = rowBegin + pick(1, 3 * kTileRows + 1);
        std::map<std::int32_t, CircleRun> runs;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const std::int32_t first = pick(0, 300);
            runs[y] = pick(0, 6) == 0 ? CircleRun{} : CircleRun{first, first + pick(0, 4 * kTileColumns)};
        }
        std::map<std::int32_t, std::vector<int>> visits;
        std::vector<std::int32_t> rowsAsked;
        bool pieceBeforeItsRow = false;
        ForEachTileOfRuns(
            rowBegin, rowEnd,
            [&](std::int32_t y) {
                rowsAsked.push_back(y);
                return runs[y];
            },
            [&](std::int32_t y, std::int32_t first, std::int32_t last) {
                if (rowsAsked.empty() || rowsAsked.back() < y)
                    pieceBeforeItsRow = true;
                ASSERT_LE(first, last);
                ASSERT_LE(last - first, kTileColumns - 1);
                auto& row = visits[y];
                row.resize(400 + 4 * kTileColumns);
                for (std::int32_t x = first; x <= last; ++x)
                    ++row[static_cast<std::size_t>(x)];
            });
        ASSERT_FALSE(pieceBeforeItsRow) << "round " << round;
        std::vector<std::int32_t> expectedRows;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y)
            expectedRows.push_back(y);
        ASSERT_EQ(rowsAsked, expectedRows) << "round " << round;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const CircleRun run = runs[y];
            const std::vector<int>& row = visits[y];
            for (std::size_t x = 0; x < row.size(); ++x) {
                const bool inside = static_cast<std::int32_t>(x) >= run.first && static_cast<std::int32_t>(x) <= run.last;
                ASSERT_EQ(row[x], inside ? 1 : 0) << "round " << round << ", row " << y << ", column " << x;
            }
            if (!run.Empty()) {
                ASSERT_FALSE(row.empty()) << "round " << round << ", row " << y;
            }
        }
    }
}

TEST(OffsetTable, EveryOffsetOfTheRunsFindsItsOwnEntry)
{
    // A circle about column 40 of a box that cuts it off on the left, with row
    // offsets from -3 to 12: rows -b and b share an entry, columns 40 - a and
    // 40 + a too.
    const std::int64_t cx = 40;
    const std::int32_t x0 = 10, x1 = 90;
    auto runOf = [&](std::int64_t ey) {
        return RunInsideCircle(cx, ey, x0, x1, 45.0, [](double d) { return d <= 45.0; });
    };
    OffsetTable<std::int64_t> table;
    table.LayOut(SpanOfAbsoluteOffsets(-3, 12), cx, runOf);
    table.Fill([](std::int64_t a, std::int64_t b) { return 1000 * b + a; });
    for (std::int64_t ey = -3; ey <= 12; ++ey) {
        const CircleRun run = runOf(ey);
        ASSERT_FALSE(run.Empty());
        const std::int64_t* row = table.Row(ey);
        const std::int64_t nearest = table.NearestColumn(ey);
        for (std::int64_t x = run.first; x <= run.last; ++x) {
            const std::int64_t a = x < cx ? cx - x : x - cx;
            const std::int64_t b = ey < 0 ? -ey : ey;
            ASSERT_EQ(row[a - nearest], 1000 * b + a) << "row offset " << ey << ", column " << x;
        }
    }
}

}  // namespace
