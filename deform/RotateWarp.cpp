// The rotate tool: a swirl of a circular region, the full angle (times the
// amplification) at the centre falling smoothly to no turn at the rim.
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

namespace {
// The full circle as the tool has always used it: this decimal value, not 2 pi
// at full precision, or samples would land on different pixels.
constexpr double kFullCircle = 6.283185307;
// Regions up to a radius of 512 keep their turns in a table of at most 4 MiB.
constexpr std::int64_t kMaxCachedSquaredDistance = std::int64_t{1} << 18;
constexpr double kUnset = std::numeric_limits<double>::quiet_NaN();
}  // namespace

void CWarpField::Rotate(std::int32_t cx, std::int32_t cy, double radius, double angle, double amplification)
{
    const double theta = angle / 360.0 * kFullCircle;
    const double radiusSquared = radius * radius;
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!BeginRegionCall(cx, cy, radius, x0, y0, x1, y1))
        return;
    // The turn depends on the distance alone, and the distance on the integer
    // ex * ex + ey * ey: cosine and sine are computed once per such value (the
    // same operations on the same inputs, so the same results) while the region
    // is small enough for a table.
    const bool cached = radiusSquared <= static_cast<double>(kMaxCachedSquaredDistance);
    static thread_local std::vector<std::array<double, 2>> turns;
    if (cached)
        turns.assign(static_cast<std::size_t>(radiusSquared) + 1, {kUnset, kUnset});
    // Every sample is read from the undo map, so rows may run outermost.
    for (std::int32_t y = y0; y <= y1; ++y) {
        const std::int64_t ey = std::int64_t{y} - cy;
        for (std::int32_t x = x0; x <= x1; ++x) {
            const std::int64_t ex = std::int64_t{x} - cx;
            const double d = IntegerDistance(ex, ey);
            if (!(d <= radius))
                continue;
            double cosA = 0, sinA = 0;
            std::array<double, 2>* turn = cached ? &turns[static_cast<std::size_t>(ex * ex + ey * ey)] : nullptr;
            if (turn && !std::isnan((*turn)[0])) {
                cosA = (*turn)[0];
                sinA = (*turn)[1];
            } else {
                const double t = 1.0 - d / radius;
                const double s = (1.0 - d * d / radiusSquared) * amplification * t;
                const double a = s * theta;
                cosA = std::cos(a);
                sinA = std::sin(a);
                if (turn)
                    *turn = {cosA, sinA};
            }
            const double rx = static_cast<double>(ex) * cosA - static_cast<double>(ey) * sinA;
            const double ry = static_cast<double>(ey) * cosA + static_cast<double>(ex) * sinA;
            StoreRegionSample(x, y, std::int64_t{cx} + TruncToInt32(rx), std::int64_t{cy} + TruncToInt32(ry));
        }
    }
}
