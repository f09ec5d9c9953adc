// SPDX-License-Identifier: GPL-3.0-or-later
// The region tools: enlarge, shrink and rotate, and how live calls of one gesture
// replace each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "WarpFieldTestSupport.h"

using namespace warptest;

namespace {

enum class Tool { Enlarge, Shrink, Rotate };

struct RegionCall {
    Tool tool;
    int cx, cy;
    double radius;
    double parameter;      // factor, or angle for Rotate
    double amplification;  // Rotate only
};

void Apply(CWarpField& field, const RegionCall& call)
{
    switch (call.tool) {
    case Tool::Enlarge: field.Enlarge(call.cx, call.cy, call.radius, call.parameter); break;
    case Tool::Shrink: field.Shrink(call.cx, call.cy, call.radius, call.parameter); break;
    case Tool::Rotate: field.Rotate(call.cx, call.cy, call.radius, call.parameter, call.amplification); break;
    }
}

// The tools as their description reads: start from the whole map before the
// gesture, walk the clipped box column by column and sample the old map.
std::vector<MapEntry> ReferenceRegion(const std::vector<MapEntry>& before, int width, int height, const RegionCall& c)
{
    std::vector<MapEntry> map = before;
    const double r = c.tool == Tool::Enlarge ? c.parameter * c.radius : c.radius;
    if (!(r > 0.0))
        return map;
    int x0 = static_cast<int>(c.cx - r + 0.5), y0 = static_cast<int>(c.cy - r + 0.5);
    int x1 = static_cast<int>(c.cx + r + 0.5), y1 = static_cast<int>(c.cy + r + 0.5);
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width - 1);
    y1 = std::min(y1, height - 1);
    auto clamp = [](int v, int n) { return std::min(std::max(v, 0), n - 1); };
    const double theta = c.parameter / 360.0 * 6.283185307;
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) {
            int qx = 0, qy = 0;
            if (c.tool == Tool::Rotate) {
                const int ex = x - c.cx, ey = y - c.cy;
                const double d = std::sqrt(static_cast<double>(ex * ex + ey * ey));
                if (d > r)
                    continue;
                const double t = 1.0 - d / r;
                const double s = (1.0 - d * d / (r * r)) * c.amplification * t;
                const double a = s * theta;
                qx = c.cx + static_cast<int>(ex * std::cos(a) - ey * std::sin(a));
                qy = c.cy + static_cast<int>(ey * std::cos(a) + ex * std::sin(a));
            } else {
                const bool enlarge = c.tool == Tool::Enlarge;
                const int ex = enlarge ? c.cx - x : x - c.cx;
                const int ey = enlarge ? c.cy - y : y - c.cy;
                const double d = std::sqrt(static_cast<double>(ex * ex + ey * ey));
                if (d > r)
                    continue;
                const double k = enlarge ? (1.0 - d / r) * (1.0 - 1.0 / c.parameter) : (1.0 - d / r) * (1.0 - c.parameter);
                qx = x + static_cast<int>(ex * k);
                qy = y + static_cast<int>(ey * k);
            }
            map[static_cast<std::size_t>(y) * width + x] =
                before[static_cast<std::size_t>(clamp(qy, height)) * width + clamp(qx, width)];
        }
    return map;
}

// A field that already carries a deformation, so that the state before a region
// gesture is not the identity.
std::unique_ptr<CWarpField> DeformedField(int width, int height)
{
    auto field = MakeField(width, height, 9);
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = width / 3, ay = height / 3;
    field->MovePointLive(ax, ay, width / 2, height / 2);
    field->EndDeformation();
    return field;
}

}  // namespace

TEST(WarpFieldRegion, EnlargeMagnifiesTheMiddleOfATwiceAsLargeCircle)
{
    auto field = MakeField(200, 200);
    field->BeginDeformation(ModeEnlarge);
    field->Enlarge(100, 100, 20.0, 2.0);  // circle of radius 40
    EXPECT_EQ(EntryAt(*field, 100, 100), (MapEntry{100, 100}));
    // Distance 10: k = 0.75 x 0.5, offset trunc(10 x 0.375) = 3 toward the centre.
    EXPECT_EQ(EntryAt(*field, 110, 100), (MapEntry{107, 100}));
    EXPECT_EQ(EntryAt(*field, 90, 100), (MapEntry{93, 100}));
    EXPECT_EQ(EntryAt(*field, 100, 120), (MapEntry{100, 115}));
    // Distance 35 lies beyond the drag length but inside the grown circle.
    EXPECT_EQ(EntryAt(*field, 135, 100), (MapEntry{133, 100}));
    // The rim and everything beyond it stay.
    EXPECT_EQ(EntryAt(*field, 100, 140), (MapEntry{100, 140}));
    EXPECT_EQ(EntryAt(*field, 60, 100), (MapEntry{60, 100}));
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldRegion, ShrinkPushesSamplesOutwardTruncatingTowardZero)
{
    auto field = MakeField(200, 200);
    field->BeginDeformation(ModeShrink);
    field->Shrink(100, 100, 40.0, 0.01);
    // Distance 10: trunc(10 x 0.75 x 0.99) = 7 further out, on both sides.
    EXPECT_EQ(EntryAt(*field, 110, 100), (MapEntry{117, 100}));
    EXPECT_EQ(EntryAt(*field, 90, 100), (MapEntry{83, 100}));
    EXPECT_EQ(EntryAt(*field, 100, 90), (MapEntry{100, 83}));
    EXPECT_EQ(EntryAt(*field, 100, 100), (MapEntry{100, 100}));
    EXPECT_EQ(EntryAt(*field, 140, 100), (MapEntry{140, 100}));
    EXPECT_TRUE(PictureFollowsMap(*field));

    // Factor 1 takes the previous call back and changes nothing.
    field->Shrink(100, 100, 40.0, 1.0);
    EXPECT_EQ(MapOf(*field), IdentityMap(200, 200));
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldRegion, RotateTurnsByTheFallingAngle)
{
    auto field = MakeField(300, 300);
    field->BeginDeformation(ModeRotate);
    field->Rotate(150, 150, 100.0, 90.0, 1.0);
    // a = pi/2 x 0.99 x 0.9: the pixel 10 to the right samples at +1, +9.
    EXPECT_EQ(EntryAt(*field, 160, 150), (MapEntry{151, 159}));
    EXPECT_EQ(EntryAt(*field, 150, 150), (MapEntry{150, 150}));
    EXPECT_EQ(EntryAt(*field, 250, 150), (MapEntry{250, 150}));
    EXPECT_EQ(EntryAt(*field, 150, 50), (MapEntry{150, 50}));

    // Halfway to the rim the turn is 3.75 x -160 degrees, a cosine of almost exactly
    // -0.5: only the circle constant 6.283185307 puts this sample at -25, not -24.
    field->Rotate(150, 150, 100.0, -160.0, 10.0);
    EXPECT_EQ(EntryAt(*field, 200, 150), (MapEntry{125, 193}));
    EXPECT_EQ(EntryAt(*field, 100, 150), (MapEntry{175, 107}));

    field->Rotate(150, 150, 100.0, 180.0, 10.0);
    EXPECT_EQ(EntryAt(*field, 150, 150), (MapEntry{150, 150}));
    EXPECT_NE(EntryAt(*field, 160, 150), (MapEntry{160, 150}));
    EXPECT_TRUE(PictureFollowsMap(*field));

    field->Rotate(150, 150, 100.0, 0.0, 10.0);
    EXPECT_EQ(MapOf(*field), IdentityMap(300, 300));
}

TEST(WarpFieldRegion, SlidersBackAtTheStartRestoreTheStateBeforeTheGesture)
{
    auto field = DeformedField(90, 70);
    const std::vector<MapEntry> before = MapOf(*field);
    const std::vector<std::uint8_t> beforePicture = PictureOf(*field);

    // The larger factors grow the box beyond the one of the last call.
    field->BeginDeformation(ModeEnlarge);
    for (double factor : {3.0, 7.5, 2.0, 1.0})
        field->Enlarge(40, 30, 6.0, factor);
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
    field->EndDeformation();

    field->BeginDeformation(ModeShrink);
    for (double factor : {0.3, 0.01, 1.0})
        field->Shrink(20, 50, 25.0, factor);
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
    field->EndDeformation();

    field->BeginDeformation(ModeRotate);
    field->Rotate(60, 35, 30.0, 45.0, 1.0);
    field->Rotate(60, 35, 30.0, -170.0, 6.5);
    field->Rotate(60, 35, 30.0, 0.0, 6.5);
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
    field->EndDeformation();
}

TEST(WarpFieldRegion, RadiusZeroTakesThePreviousCallBackAndChangesNothing)
{
    auto field = DeformedField(60, 60);
    const std::vector<MapEntry> before = MapOf(*field);
    const std::vector<std::uint8_t> beforePicture = PictureOf(*field);
    field->BeginDeformation(ModeEnlarge);
    field->Enlarge(30, 30, 10.0, 3.0);
    ASSERT_NE(MapOf(*field), before);
    field->Enlarge(30, 30, 0.0, 3.0);
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
    field->EndDeformation();

    field->BeginDeformation(ModeRotate);
    field->Rotate(30, 30, 0.0, 90.0, 10.0);
    field->Rotate(0, 0, 0.0, 90.0, 10.0);
    EXPECT_EQ(MapOf(*field), before);
    field->BeginDeformation(ModeShrink);
    field->Shrink(59, 59, 0.0, 0.01);
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
}

TEST(WarpFieldRegion, LiveCallsMatchRestoringTheWholeMap)
{
    std::mt19937 random(20240607);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int gesture = 0; gesture < 60; ++gesture) {
        const int width = 20 + static_cast<int>(random() % 60), height = 15 + static_cast<int>(random() % 50);
        auto field = DeformedField(width, height);
        const Tool tool = static_cast<Tool>(gesture % 3);
        field->BeginDeformation(tool == Tool::Enlarge ? ModeEnlarge : tool == Tool::Shrink ? ModeShrink : ModeRotate);
        const std::vector<MapEntry> before = MapOf(*field);

        const int calls = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < calls; ++i) {
            // Centres may lie just outside the picture; radii reach past the borders.
            RegionCall call{tool, static_cast<int>(random() % (width + 10)) - 5,
                            static_cast<int>(random() % (height + 10)) - 5, unit(random) * 40.0, 0.0, 1.0};
            if (tool == Tool::Enlarge)
                call.parameter = 1.0 + std::floor(unit(random) * 900.0) / 100.0;
            else if (tool == Tool::Shrink)
                call.parameter = (1.0 + std::floor(unit(random) * 99.0)) / 100.0;
            else {
                call.parameter = std::floor(unit(random) * 361.0) - 180.0;
                call.amplification = 1.0 + std::floor(unit(random) * 900.0) / 100.0;
            }
            Apply(*field, call);
            const std::vector<MapEntry> expected = ReferenceRegion(before, width, height, call);
            ASSERT_EQ(MapOf(*field), expected) << "gesture " << gesture << ", call " << i;
            ASSERT_EQ(PictureOf(*field), RenderingOf(*field, expected)) << "gesture " << gesture << ", call " << i;
        }
        field->EndDeformation();
    }
}

TEST(WarpFieldRegion, CallOutsideAGestureStillStartsFromTheSavedState)
{
    auto field = MakeField(70, 50);
    field->BeginDeformation(ModeEnlarge);
    const std::vector<MapEntry> saved = MapOf(*field);
    field->Enlarge(20, 20, 8.0, 2.5);
    field->EndDeformation();
    // A committed move without a gesture start changes the map outside any box.
    field->MovePoint(50, 30, 60, 40, 1);
    const RegionCall call{Tool::Shrink, 25, 25, 10.0, 0.2, 1.0};
    Apply(*field, call);
    EXPECT_EQ(MapOf(*field), ReferenceRegion(saved, 70, 50, call));
    EXPECT_TRUE(PictureFollowsMap(*field));
}
