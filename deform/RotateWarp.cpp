// The rotate tool: a swirl of a circular region, the full angle (times the
// amplification) at the centre falling smoothly to no turn at the rim.
#include <cmath>

#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

namespace {
// The full circle as the tool has always used it: this decimal value, not 2 pi
// at full precision, or samples would land on different pixels.
constexpr double kFullCircle = 6.283185307;
}  // namespace

void CWarpField::Rotate(std::int32_t cx, std::int32_t cy, double radius, double angle, double amplification)
{
    const double theta = angle / 360.0 * kFullCircle;
    const double radiusSquared = radius * radius;
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (!BeginRegionCall(cx, cy, radius, x0, y0, x1, y1))
        return;
    // Every sample is read from the undo map, so rows may run outermost.
    for (std::int32_t y = y0; y <= y1; ++y) {
        const std::int64_t ey = std::int64_t{y} - cy;
        for (std::int32_t x = x0; x <= x1; ++x) {
            const std::int64_t ex = std::int64_t{x} - cx;
            const double d = IntegerDistance(ex, ey);
            if (!(d <= radius))
                continue;
            const double t = 1.0 - d / radius;
            const double s = (1.0 - d * d / radiusSquared) * amplification * t;
            const double a = s * theta;
            const double cosA = std::cos(a);
            const double sinA = std::sin(a);
            const double rx = static_cast<double>(ex) * cosA - static_cast<double>(ey) * sinA;
            const double ry = static_cast<double>(ey) * cosA + static_cast<double>(ex) * sinA;
            StoreRegionSample(x, y, std::int64_t{cx} + TruncToInt32(rx), std::int64_t{cy} + TruncToInt32(ry));
        }
    }
}
