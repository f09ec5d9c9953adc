// SPDX-License-Identifier: GPL-3.0-or-later
// The move-point tool: one deformation from a start pixel to a target pixel, and
// the per-mouse-move step that commits long drags in sub-moves of 0.6 x radius.
#include <algorithm>
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
// A drag is committed in sub-moves of this fraction of the radius.
constexpr double kSubMoveFactor = 0.6;
}  // namespace

void CWarpField::MovePoint(std::int32_t ax, std::int32_t ay, std::int32_t cx, std::int32_t cy, bool commit)
{
    MapChanges();
    const std::int32_t radius = m_radius;
    if (radius <= 0)
        return;
    const double r = radius;
    // 64-bit so that no pair of 32-bit positions can overflow the offset.
    const std::int64_t dx = std::int64_t{ax} - cx;
    const std::int64_t dy = std::int64_t{ay} - cy;
    if (!commit) {
        // Only one preview is on screen at a time: put the previous one back first.
        FlushMovePointPreview();
    } else {
        m_mapEqualsUndoOutsideDirty = false;
    }

    const std::int32_t x0 = static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{cx} - radius, 0));
    const std::int32_t y0 = static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{cy} - radius, 0));
    const std::int32_t x1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{cx} + radius, m_width - 1));
    const std::int32_t y1 = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{cy} + radius, m_height - 1));
    if (x0 > x1 || y0 > y1)
        return;

    if (!commit) {
        m_previewMinX = x0;
        m_previewMaxX = x1;
        m_previewMinY = y0;
        m_previewMaxY = y1;
    }

    // The pixels of a row inside the circle form one run of columns: the
    // distance test is decided once for the run, not for every pixel.
    auto runOf = [&](std::int32_t y) {
        return RunInsideCircle(cx, std::int64_t{cy} - y, x0, x1, r, [r](double d) { return r > d; });
    };
    // The sample offset depends on the distance alone, and columns cx - a and
    // cx + a share the distance: each row computes the offsets once per |ex| of
    // its run, with the same operations as for each pixel, so the same results.
    struct Offset {
        std::int32_t x, y;
    };
    auto offsetsOf = [&](std::int32_t y, const CircleRun& run, std::vector<Offset>& offsets) {
        const std::int64_t ey = std::int64_t{cy} - y;
        const OffsetSpan span = SpanOfAbsoluteOffsets(std::int64_t{cx} - run.last, std::int64_t{cx} - run.first);
        offsets.resize(static_cast<std::size_t>(span.farthest - span.nearest + 1));
        for (std::int64_t a = span.nearest; a <= span.farthest; ++a) {
            const double w = 1.0 - IntegerDistance(a, ey) / r;
            offsets[static_cast<std::size_t>(a - span.nearest)] =
                Offset{TruncToInt32(static_cast<double>(dx) * w), TruncToInt32(static_cast<double>(dy) * w)};
        }
        return span.nearest;
    };
    auto sourceOf = [&](const MapEntry* map, std::int32_t x, std::int32_t y, const Offset& offset) {
        const std::int32_t qx = ClampToRange(std::int64_t{x} + offset.x, m_width);
        const std::int32_t qy = ClampToRange(std::int64_t{y} + offset.y, m_height);
        const MapEntry source = map[IndexOf(qx, qy)];
        return MapEntry{ClampToRange(source.x, m_width), ClampToRange(source.y, m_height)};
    };
    auto offsetIndex = [cx](std::int32_t x, std::int64_t nearest) {
        const std::int64_t ex = std::int64_t{cx} - x;
        return static_cast<std::size_t>((ex < 0 ? -ex : ex) - nearest);
    };
    MapEntry* map = m_pMap.data();

    if (!commit) {
        // A preview reads the map and writes only the picture: any split into
        // row bands and any order of tiles gives the same pixels. The offsets
        // are shared by the four pixels (cx +- a, cy +- b).
        static thread_local OffsetTable<Offset> offsetTable;
        OffsetTable<Offset>& offsets = offsetTable;  // this thread's, also inside the bands
        offsets.LayOut(SpanOfAbsoluteOffsets(std::int64_t{y0} - cy, std::int64_t{y1} - cy), cx, [&](std::int64_t b) {
            return RunInsideCircle(cx, b, x0, x1, r, [r](double d) { return r > d; });
        });
        offsets.Fill([&](std::int64_t a, std::int64_t b) {
            const double w = 1.0 - IntegerDistance(a, b) / r;
            return Offset{TruncToInt32(static_cast<double>(dx) * w), TruncToInt32(static_cast<double>(dy) * w)};
        });
        const std::int64_t box = (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1);
        ForEachRowBand(y0, y1 + 1, box, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
            ForEachTileOfRuns(rowBegin, rowEnd, runOf, [&](std::int32_t y, std::int32_t first, std::int32_t last) {
                const std::int64_t ey = std::int64_t{cy} - y;
                const Offset* row = offsets.Row(ey);
                const std::int64_t nearest = offsets.NearestColumn(ey);
                RenderSamples<false>(map, y, first, last, [&](std::int32_t x) {
                    const Offset& offset = row[offsetIndex(x, nearest)];
                    return std::pair{std::int64_t{x} + offset.x, std::int64_t{y} + offset.y};
                });
            });
        });
        return;
    }

    // A commit updates the map in place. Every sample position q lies on the
    // side of p that the offset points to, so walking rows and columns against
    // the offset reads each entry before this call rewrites it: the result
    // equals reading a snapshot of the map. This order needs one thread. Rows
    // run outermost for the cache; the argument holds for either nesting.
    const std::int32_t stepY = dy > 0 ? 1 : -1;
    const std::int32_t firstY = dy > 0 ? y0 : y1;
    const std::int32_t endY = dy > 0 ? y1 + 1 : y0 - 1;
    std::vector<Offset> offsets;
    for (std::int32_t y = firstY; y != endY; y += stepY) {
        const CircleRun run = runOf(y);
        if (run.Empty())
            continue;
        const std::int64_t nearest = offsetsOf(y, run, offsets);
        const std::int32_t stepX = dx > 0 ? 1 : -1;
        const std::int32_t firstX = dx > 0 ? run.first : run.last;
        const std::int32_t endX = dx > 0 ? run.last + 1 : run.first - 1;
        for (std::int32_t x = firstX; x != endX; x += stepX) {
            const MapEntry source = sourceOf(map, x, y, offsets[offsetIndex(x, nearest)]);
            map[IndexOf(x, y)] = source;
            CopySample(x, y, source.x, source.y);
        }
    }
}

void CWarpField::MovePointLive(std::int32_t& startX, std::int32_t& startY, std::int32_t tx, std::int32_t ty)
{
    MapChanges();
    // No movement: nothing to draw, and the pending rest stays what it was.
    if (m_radius <= 0 || (tx == startX && ty == startY))
        return;
    CommitWholeSubMoves(startX, startY, tx, ty);
    MovePoint(startX, startY, tx, ty, false);

    m_pendingFromX = startX;
    m_pendingFromY = startY;
    m_pendingToX = tx;
    m_pendingToY = ty;
}

void CWarpField::CommitWholeSubMoves(std::int32_t& startX, std::int32_t& startY, std::int32_t tx, std::int32_t ty)
{
    const double s = m_radius * kSubMoveFactor;
    const double dx = static_cast<double>(tx) - startX;
    const double dy = static_cast<double>(ty) - startY;
    const double lengthSquared = dx * dx + dy * dy;
    if (lengthSquared == 0.0)
        return;
    const double length = std::sqrt(lengthSquared);

    std::int32_t px = startX;
    std::int32_t py = startY;
    if (length > s) {
        const std::int32_t n = TruncToInt32(length / s);
        const double ux = dx / length;
        const double uy = dy / length;
        double x = px;
        double y = py;
        for (std::int32_t i = 0; i < n; ++i) {
            const double nx = ux * s + x;
            const double ny = uy * s + y;
            MovePoint(TruncToInt32(x), TruncToInt32(y), TruncToInt32(nx), TruncToInt32(ny), true);
            x = nx;
            y = ny;
        }
        startX = TruncToInt32(x);
        startY = TruncToInt32(y);
    }
}
