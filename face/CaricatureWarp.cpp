// SPDX-License-Identifier: GPL-3.0-or-later
#include "face/CaricatureWarp.h"

#include <dlib/matrix.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "face/FaceFeatures.h"
#include "image/RowBands.h"

namespace {

constexpr double kRingPerFarthestPoint = 1.25;
constexpr int kAnchorCount = 32;
constexpr int kForeheadBrows[][2] = {{17, 17}, {19, 19}, {21, 22}, {24, 24}, {26, 26}};
constexpr double kForeheadLiftPerFaceHeight = 0.5;
constexpr std::int32_t kGridStep = 8;
constexpr double kGridStepsPerRadius = 64;
constexpr double kFadeStart = 0.85;  // of the radius
// Keeps the coefficients' system regular where two targets coincide (a closed
// mouth's inner lips), in the ring's units; far below a pixel's effect.
constexpr double kRegularisation = 1e-8;
constexpr double kMinimumJacobian = 0.1;
constexpr float kFoldShrink = 0.75f;
constexpr int kFoldRounds = 100;
constexpr int kCorners[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

// Forehead points above the brows of shape.
std::vector<FacePoint> ForeheadOf(const FaceShape& shape)
{
    FoundFace face;
    face.points = shape;
    const FaceFeatures f = FeaturesOf(face);
    const double height = Distance(f.browsMiddle, f.chin);
    const double ux = height > 0 ? (f.browsMiddle.x - f.chin.x) / height : 0.0;
    const double uy = height > 0 ? (f.browsMiddle.y - f.chin.y) / height : -1.0;
    std::vector<FacePoint> forehead;
    for (const auto& pair : kForeheadBrows) {
        const FacePoint a = shape[static_cast<std::size_t>(pair[0])], b = shape[static_cast<std::size_t>(pair[1])];
        const double lift = kForeheadLiftPerFaceHeight * height;
        forehead.push_back({(a.x + b.x) / 2 + ux * lift, (a.y + b.y) / 2 + uy * lift});
    }
    return forehead;
}

// r^2 log r, the thin-plate kernel, from r^2.
double Kernel(double r2)
{
    return r2 > 0 ? 0.5 * r2 * std::log(r2) : 0.0;
}

// The spline through centres (ring units) with values dx, dy.
struct Spline {
    std::vector<double> cx, cy, wx, wy;
    double ax[3]{}, ay[3]{};

    void Solve(const std::vector<double>& valuesX, const std::vector<double>& valuesY)
    {
        const long n = static_cast<long>(cx.size());
        dlib::matrix<double> system(n + 3, n + 3), values(n + 3, 2);
        system = 0;
        values = 0;
        for (long i = 0; i < n; ++i) {
            for (long j = 0; j < n; ++j) {
                const double ex = cx[i] - cx[j], ey = cy[i] - cy[j];
                system(i, j) = Kernel(ex * ex + ey * ey);
            }
            system(i, i) += kRegularisation;
            system(i, n) = system(n, i) = 1;
            system(i, n + 1) = system(n + 1, i) = cx[i];
            system(i, n + 2) = system(n + 2, i) = cy[i];
            values(i, 0) = valuesX[static_cast<std::size_t>(i)];
            values(i, 1) = valuesY[static_cast<std::size_t>(i)];
        }
        const dlib::matrix<double> solution = dlib::lu_decomposition<dlib::matrix<double>>(system).solve(values);
        wx.resize(static_cast<std::size_t>(n));
        wy.resize(static_cast<std::size_t>(n));
        for (long i = 0; i < n; ++i) {
            wx[static_cast<std::size_t>(i)] = solution(i, 0);
            wy[static_cast<std::size_t>(i)] = solution(i, 1);
        }
        for (long k = 0; k < 3; ++k) {
            ax[k] = solution(n + k, 0);
            ay[k] = solution(n + k, 1);
        }
    }

    void At(double x, double y, double& dx, double& dy) const
    {
        dx = ax[0] + ax[1] * x + ax[2] * y;
        dy = ay[0] + ay[1] * x + ay[2] * y;
        for (std::size_t i = 0; i < cx.size(); ++i) {
            const double ex = x - cx[i], ey = y - cy[i];
            const double u = Kernel(ex * ex + ey * ey);
            dx += wx[i] * u;
            dy += wy[i] * u;
        }
    }
};

// Shrinks the nodes of every cell that would turn over until none does.
void LimitFolds(DisplacementGrid& grid)
{
    const float s = static_cast<float>(grid.step);
    auto jacobianOk = [&](std::int32_t i, std::int32_t j) {
        // The cell's corners where the backward map takes them, in node units,
        // counter-clockwise from the lower left (y from the bottom).
        const float px[4] = {0 + grid.Dx(i, j) / s, 1 + grid.Dx(i + 1, j) / s, 1 + grid.Dx(i + 1, j + 1) / s,
                             0 + grid.Dx(i, j + 1) / s};
        const float py[4] = {0 + grid.Dy(i, j) / s, 0 + grid.Dy(i + 1, j) / s, 1 + grid.Dy(i + 1, j + 1) / s,
                             1 + grid.Dy(i, j + 1) / s};
        for (int c = 0; c < 4; ++c) {
            const int next = (c + 1) % 4, previous = (c + 3) % 4;
            const float ax = px[next] - px[c], ay = py[next] - py[c];
            const float bx = px[previous] - px[c], by = py[previous] - py[c];
            if (ax * by - ay * bx < kMinimumJacobian)
                return false;
        }
        return true;
    };
    for (int round = 0; round < kFoldRounds; ++round) {
        std::vector<char> shrink(grid.dx.size(), 0);
        bool any = false;
        for (std::int32_t j = 0; j + 1 < grid.rows; ++j)
            for (std::int32_t i = 0; i + 1 < grid.columns; ++i)
                if (!jacobianOk(i, j)) {
                    any = true;
                    for (const auto& [di, dj] : kCorners)
                        shrink[static_cast<std::size_t>(j + dj) * grid.columns + (i + di)] = 1;
                }
        if (!any)
            return;
        const bool last = round + 1 == kFoldRounds;
        for (std::size_t k = 0; k < shrink.size(); ++k)
            if (shrink[k]) {
                grid.dx[k] = last ? 0.0f : grid.dx[k] * kFoldShrink;
                grid.dy[k] = last ? 0.0f : grid.dy[k] * kFoldShrink;
            }
    }
}

}  // namespace

CaricatureRing RingOf(const FoundFace& face, const CaricatureShape& shape)
{
    CaricatureRing ring;
    ring.centre = {face.box.left + face.box.width / 2, face.box.top + face.box.height / 2};
    double farthest = 0;
    for (std::size_t i = 0; i < shape.points.size(); ++i)
        farthest = std::max({farthest, Distance(ring.centre, shape.points[i]), Distance(ring.centre, shape.targets[i])});
    ring.radius = std::max(std::hypot(face.box.width, face.box.height), kRingPerFarthestPoint * farthest);
    return ring;
}

DisplacementGrid CaricatureGrid(const FoundFace& face, const CaricatureShape& shape, int width, int height)
{
    DisplacementGrid grid;
    if (shape.targets == shape.points || width <= 0 || height <= 0)
        return grid;
    const CaricatureRing ring = RingOf(face, shape);
    if (!(ring.radius > 0))
        return grid;
    const double r = ring.radius;
    // In the ring's units, y from the top: the spline takes each target to its point.
    Spline spline;
    std::vector<double> valuesX, valuesY;
    auto add = [&](const FacePoint& target, const FacePoint& point) {
        spline.cx.push_back((target.x - ring.centre.x) / r);
        spline.cy.push_back((target.y - ring.centre.y) / r);
        valuesX.push_back((point.x - target.x) / r);
        valuesY.push_back((point.y - target.y) / r);
    };
    for (std::size_t i = 0; i < shape.points.size(); ++i)
        add(shape.targets[i], shape.points[i]);
    const std::vector<FacePoint> foreheadAt = ForeheadOf(shape.targets), foreheadFrom = ForeheadOf(shape.points);
    for (std::size_t i = 0; i < foreheadAt.size(); ++i)
        add(foreheadAt[i], foreheadFrom[i]);
    for (int k = 0; k < kAnchorCount; ++k) {
        const double angle = 2 * M_PI * k / kAnchorCount;
        const FacePoint anchor{ring.centre.x + r * std::cos(angle), ring.centre.y + r * std::sin(angle)};
        add(anchor, anchor);
    }
    spline.Solve(valuesX, valuesY);

    // The grid over the ring's box inside the picture, in the field's coordinates.
    const double centreY = height - 1 - ring.centre.y;
    const std::int32_t x0 = std::max(static_cast<std::int32_t>(std::floor(ring.centre.x - r)), 0);
    const std::int32_t x1 = std::min(static_cast<std::int32_t>(std::ceil(ring.centre.x + r)), width - 1);
    const std::int32_t y0 = std::max(static_cast<std::int32_t>(std::floor(centreY - r)), 0);
    const std::int32_t y1 = std::min(static_cast<std::int32_t>(std::ceil(centreY + r)), height - 1);
    if (x0 > x1 || y0 > y1)
        return grid;
    grid.centreX = ring.centre.x;
    grid.centreY = centreY;
    grid.radius = r;
    grid.step = std::max(kGridStep, static_cast<std::int32_t>(std::ceil(r / kGridStepsPerRadius)));
    grid.left = x0;
    grid.bottom = y0;
    grid.columns = (x1 - x0 + grid.step - 1) / grid.step + 1;
    grid.rows = (y1 - y0 + grid.step - 1) / grid.step + 1;
    grid.dx.assign(static_cast<std::size_t>(grid.columns) * grid.rows, 0.0f);
    grid.dy.assign(grid.dx.size(), 0.0f);
    const std::int64_t work = std::int64_t{grid.columns} * grid.rows * static_cast<std::int64_t>(spline.cx.size());
    ForEachRowBand(grid.rows, work, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t j = rowBegin; j < rowEnd; ++j) {
            const double v = (centreY - (grid.bottom + static_cast<double>(j) * grid.step)) / r;  // y from the top, ring units
            for (std::int32_t i = 0; i < grid.columns; ++i) {
                const double u = (grid.left + static_cast<double>(i) * grid.step - ring.centre.x) / r;
                const double distance = std::hypot(u, v);
                if (distance >= 1)
                    continue;
                const double t = std::clamp((1 - distance) / (1 - kFadeStart), 0.0, 1.0);
                const double fade = t * t * (3 - 2 * t);
                double dx = 0, dy = 0;
                spline.At(u, v, dx, dy);
                // Finite and within a picture's reach whatever the solve gave,
                // so that the warp field may convert them plainly.
                auto bounded = [](double v) { return std::isfinite(v) ? static_cast<float>(std::clamp(v, -65536.0, 65536.0)) : 0.0f; };
                grid.Dx(i, j) = bounded(fade * dx * r);
                grid.Dy(i, j) = bounded(-fade * dy * r);  // y from the bottom
            }
        }
    });
    LimitFolds(grid);
    return grid;
}
