// SPDX-License-Identifier: GPL-3.0-or-later
// The rotate tool: a swirl of a circular region, the full angle (times the
// amplification) at the centre falling smoothly to no turn at the rim.
#include <array>
#include <atomic>
#include <cmath>
#include <utility>
#include <vector>

#include "deform/CircleRun.h"
#include "deform/OffsetTable.h"
#include "image/RowBands.h"
#include "deform/TileOrder.h"
#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

namespace {
// The full circle as the tool has always used it: this decimal value, not 2 pi
// at full precision, or samples would land on different pixels.
constexpr double kFullCircle = 6.283185307;
// Regions up to a radius of 2048 keep their turns in a table indexed by the
// squared distance (at most 64 MiB); larger ones compute every pixel's turn.
constexpr std::int64_t kMaxCachedSquaredDistance = std::int64_t{1} << 22;

using Turn = std::array<double, 2>;  // cosine and sine

// The turn of one pixel at distance d from the centre.
struct Swirl {
    double radius;
    double radiusSquared;
    double amplification;
    double theta;
    Turn At(double d) const
    {
        const double t = 1.0 - d / radius;
        const double s = (1.0 - d * d / radiusSquared) * amplification * t;
        const double a = s * theta;
        return {std::cos(a), std::sin(a)};
    }
};

// Scratch kept between the live calls of a gesture, so a slider drag does not
// allocate tens of megabytes at every step.
// The tables are large and read out of order: huge pages spare the misses of
// the address translation.
struct TurnTable {
    std::vector<Turn, UninitializedAllocator<Turn>> turns;  // by squared distance; only marked ones are valid
    std::vector<std::uint8_t, UninitializedAllocator<std::uint8_t>> marked;  // 1 where the region has that squared distance
    OffsetTable<Turn> byOffset;                             // the turns again, by |ey| and |ex|
};
}  // namespace

void CWarpField::Rotate(std::int32_t cx, std::int32_t cy, double radius, double angle, double amplification)
{
    MapChanges();
    ApplySwirl(RestorePoint(), cx, cy, radius, angle, amplification);
}

void CWarpField::ApplySwirl(const MapEntry* start, std::int32_t cx, std::int32_t cy, double radius, double angle,
                            double amplification)
{
    const Swirl swirl{radius, radius * radius, amplification, angle / 360.0 * kFullCircle};
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!BeginRegionCall(cx, cy, radius, x0, y0, x1, y1))
        return;
    auto runOf = [&](std::int64_t ey) {
        return RunInsideCircle(cx, ey, x0, x1, radius, [radius](double d) { return d <= radius; });
    };
    // The sample position of the pixel at offset (ex, ey) turned by `turn`.
    auto turned = [&](std::int64_t ex, std::int64_t ey, const Turn& turn) {
        const double rx = static_cast<double>(ex) * turn[0] - static_cast<double>(ey) * turn[1];
        const double ry = static_cast<double>(ey) * turn[0] + static_cast<double>(ex) * turn[1];
        return std::pair{std::int64_t{cx} + TruncToInt32(rx), std::int64_t{cy} + TruncToInt32(ry)};
    };
    // The columns a row writes; the rest of the previous call's box in that row
    // is taken back first.
    auto runOfRowRestoringIt = [&](std::int32_t y) {
        const CircleRun run = runOf(std::int64_t{y} - cy);
        RestoreStaleRow(y, run.first, run.last);
        return run;
    };
    const std::int64_t box = (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1);

    // Every sample is read from start and every entry written once, so
    // the rows can be split into bands and visited in tiles freely.
    if (!(swirl.radiusSquared <= static_cast<double>(kMaxCachedSquaredDistance))) {
        ForEachRowBand(y0, y1 + 1, box, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
            ForEachTileOfRuns(rowBegin, rowEnd, runOfRowRestoringIt, [&](std::int32_t y, std::int32_t first, std::int32_t last) {
                const std::int64_t ey = std::int64_t{y} - cy;
                RenderSamples<true>(start, y, first, last, [&](std::int32_t x) {
                    const std::int64_t ex = std::int64_t{x} - cx;
                    return turned(ex, ey, swirl.At(IntegerDistance(ex, ey)));
                });
            });
        });
        return;
    }

    // The turn depends on the distance alone, and the distance on the integer
    // n = ex * ex + ey * ey (IntegerDistance is the root of n in double). So the
    // cosine and sine are computed once per n that occurs (the same operations
    // on the same inputs, so the same results): first the n of the region are
    // marked, one row offset |ey| and one |ex| at a time, as rows cy + ey and
    // cy - ey and columns cx + ex and cx - ex share them; then the turns of the
    // marked n are computed in bands of n; then they are laid out by |ey| and
    // |ex|; then every pixel reads its turn from there.
    static thread_local TurnTable table;
    const std::size_t size = static_cast<std::size_t>(swirl.radiusSquared) + 3;
    if (table.marked.size() < size || table.turns.size() < size) {
        table.marked.assign(size, 0);
        table.turns.resize(size);
    }
    // References, not the table: inside the bands `table` would name each
    // thread's own (empty) instance.
    OffsetTable<Turn>& byOffset = table.byOffset;
    std::uint8_t* marked = table.marked.data();
    Turn* turns = table.turns.data();
    byOffset.LayOut(SpanOfAbsoluteOffsets(std::int64_t{y0} - cy, std::int64_t{y1} - cy), cx, runOf);
    // Bands of row offsets may share an n; they all store the same 1.
    byOffset.ForEachOffset([marked](std::int64_t a, std::int64_t b) {
        std::atomic_ref<std::uint8_t>(marked[static_cast<std::size_t>(a * a + b * b)]).store(1, std::memory_order_relaxed);
    });
    // Each band computes the turns of the marked n in its own range of n, and
    // clears their marks for the next call.
    ForEachRowBand(0, static_cast<std::int32_t>(size), static_cast<std::int64_t>(size), [&](std::int32_t from, std::int32_t to) {
        for (std::int32_t n = from; n < to; ++n) {
            if (!marked[n])
                continue;
            marked[n] = 0;
            turns[n] = swirl.At(std::sqrt(static_cast<double>(n)));
        }
    });
    byOffset.Fill([turns](std::int64_t a, std::int64_t b) { return turns[static_cast<std::size_t>(a * a + b * b)]; });
    ForEachRowBand(y0, y1 + 1, box, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        ForEachTileOfRuns(rowBegin, rowEnd, runOfRowRestoringIt, [&](std::int32_t y, std::int32_t first, std::int32_t last) {
            const std::int64_t ey = std::int64_t{y} - cy;
            const Turn* row = byOffset.Row(ey);
            const std::int64_t nearest = byOffset.NearestColumn(ey);
            RenderSamples<true>(start, y, first, last, [&](std::int32_t x) {
                const std::int64_t ex = std::int64_t{x} - cx;
                return turned(ex, ey, row[(ex < 0 ? -ex : ex) - nearest]);
            });
        });
    });
}
