// SPDX-License-Identifier: GPL-3.0-or-later
// The move-point tool: single moves, committed sub-moves of long drags, previews.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

#include "WarpFieldTestSupport.h"

using namespace warptest;

namespace {

std::vector<std::uint8_t> OriginalPixel(const CWarpField& field, std::int32_t x, std::int32_t y)
{
    const std::uint8_t* p = field.Original() + static_cast<std::size_t>(y) * field.RowBytesOfPicture() + 3 * x;
    return {p[0], p[1], p[2]};
}

std::vector<std::uint8_t> DeformedPixel(const CWarpField& field, std::int32_t x, std::int32_t y)
{
    const std::uint8_t* p = field.Deformed() + static_cast<std::size_t>(y) * field.RowBytesOfPicture() + 3 * x;
    return {p[0], p[1], p[2]};
}

// One move as a user of the tool describes it: every pixel of the circle around
// the target samples the map as it was before the move, columns outermost.
std::vector<MapEntry> ReferenceMove(const std::vector<MapEntry>& map, int width, int height, int radius,
                                    int ax, int ay, int cx, int cy)
{
    std::vector<MapEntry> result = map;
    const int dx = ax - cx, dy = ay - cy;
    auto clamp = [](int v, int n) { return std::min(std::max(v, 0), n - 1); };
    for (int x = std::max(cx - radius, 0); x <= std::min(cx + radius, width - 1); ++x)
        for (int y = std::max(cy - radius, 0); y <= std::min(cy + radius, height - 1); ++y) {
            const int ex = cx - x, ey = cy - y;
            const double d = std::sqrt(static_cast<double>(ex * ex + ey * ey));
            if (!(static_cast<double>(radius) > d))
                continue;
            const double w = 1.0 - d / radius;
            const int qx = clamp(x + static_cast<int>(dx * w), width);
            const int qy = clamp(y + static_cast<int>(dy * w), height);
            result[static_cast<std::size_t>(y) * width + x] = map[static_cast<std::size_t>(qy) * width + qx];
        }
    return result;
}

}  // namespace

TEST(WarpFieldMovePoint, ThirtyPixelDragAtRadiusTwentyCommitsTwoSubMoves)
{
    auto field = MakeField(128, 100, 20);
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 50, ay = 50;
    field->MovePointLive(ax, ay, 80, 50);

    // n = trunc(30 / 12) = 2 sub-moves of 12 pixels; the anchor comes back 24 pixels along.
    EXPECT_EQ(ax, 74);
    EXPECT_EQ(ay, 50);
    auto twoMoves = MakeField(128, 100, 20);
    twoMoves->MovePoint(50, 50, 62, 50, 1);
    twoMoves->MovePoint(62, 50, 74, 50, 1);
    EXPECT_EQ(MapOf(*field), MapOf(*twoMoves));
    // The second sub-move carries the first one's result along.
    EXPECT_EQ(EntryAt(*field, 74, 50), (MapEntry{50, 50}));
    EXPECT_EQ(EntryAt(*field, 62, 50), (MapEntry{49, 50}));

    // The second sub-move already reaches the target with weight 0.7: trunc(-12 x 0.7)
    // = -8 samples (72, 50), which the first one had filled from (66, 50).
    EXPECT_EQ(EntryAt(*field, 80, 50), (MapEntry{66, 50}));
    // The remaining 6 pixels are only shown: the target pixel shows the press point.
    EXPECT_EQ(DeformedPixel(*field, 80, 50), OriginalPixel(*field, 50, 50));

    field->EndDeformation();
    EXPECT_EQ(EntryAt(*field, 80, 50), (MapEntry{50, 50}));
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldMovePoint, MoveOfExactlySubMoveLengthIsOnlyPreviewed)
{
    auto field = MakeField(100, 100, 20);
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 40, ay = 40;
    field->MovePointLive(ax, ay, 52, 40);  // 12 = 0.6 x 20
    EXPECT_EQ(ax, 40);
    EXPECT_EQ(ay, 40);
    EXPECT_EQ(MapOf(*field), IdentityMap(100, 100));
    EXPECT_EQ(DeformedPixel(*field, 52, 40), OriginalPixel(*field, 40, 40));

    field->EndDeformation();
    EXPECT_EQ(EntryAt(*field, 52, 40), (MapEntry{40, 40}));
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldMovePoint, EventAtTheAnchorKeepsThePendingMove)
{
    auto field = MakeField(100, 100, 20);
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 40, ay = 40;
    field->MovePointLive(ax, ay, 45, 40);
    const std::vector<std::uint8_t> shown = PictureOf(*field);
    field->MovePointLive(ax, ay, 40, 40);  // length 0
    EXPECT_EQ(PictureOf(*field), shown);
    EXPECT_EQ(MapOf(*field), IdentityMap(100, 100));

    // The release still commits the move shown before the zero-length event.
    field->EndDeformation();
    EXPECT_EQ(EntryAt(*field, 45, 40), (MapEntry{40, 40}));
}

TEST(WarpFieldMovePoint, RadiusOneMovesOnlyTheTarget)
{
    auto field = MakeField(40, 40, 20);
    field->SetRadius(1);
    EXPECT_EQ(field->GetRadius(), 1);
    field->BeginDeformation(ModeMovePoint);
    field->MovePoint(10, 10, 20, 21, 1);
    std::vector<MapEntry> expected = IdentityMap(40, 40);
    expected[21 * 40 + 20] = MapEntry{10, 10};
    EXPECT_EQ(MapOf(*field), expected);
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldMovePoint, PixelsAtTheRadiusOrBeyondKeepTheirEntries)
{
    auto field = MakeField(50, 50, 5);
    const std::vector<std::uint8_t> before = PictureOf(*field);
    field->BeginDeformation(ModeMovePoint);
    field->MovePoint(20, 20, 30, 20, 1);
    // Distance exactly 5 from the target (30, 20).
    for (const auto& p : {MapEntry{35, 20}, MapEntry{25, 20}, MapEntry{30, 25}, MapEntry{33, 24}, MapEntry{27, 16}}) {
        EXPECT_EQ(EntryAt(*field, p.x, p.y), p);
        EXPECT_EQ(DeformedPixel(*field, p.x, p.y), OriginalPixel(*field, p.x, p.y));
    }
    // Distance 4: the weight 1 - 4 / 5 is a little below 0.2 in doubles, so the
    // offset -10 x w truncates to -1, not -2.
    EXPECT_EQ(EntryAt(*field, 34, 20), (MapEntry{33, 20}));
    // Distance 2: weight 0.6, offset trunc(-6) = -6.
    EXPECT_EQ(EntryAt(*field, 32, 20), (MapEntry{26, 20}));
    EXPECT_EQ(EntryAt(*field, 30, 20), (MapEntry{20, 20}));
}

TEST(WarpFieldMovePoint, PositionsPushedOutsideReadTheBorder)
{
    auto field = MakeField(40, 40, 10);
    field->BeginDeformation(ModeMovePoint);
    field->MovePoint(0, 20, 5, 20, 1);
    // (2, 20): weight 0.7, offset trunc(-3.5) = -3, column -1 clamps to 0.
    EXPECT_EQ(EntryAt(*field, 2, 20), (MapEntry{0, 20}));
    EXPECT_EQ(EntryAt(*field, 1, 20), (MapEntry{0, 20}));
    EXPECT_EQ(EntryAt(*field, 5, 20), (MapEntry{0, 20}));
    EXPECT_TRUE(AllEntriesInside(*field));

    // A target in a corner clips the square on two sides.
    field->MovePoint(39, 39, 36, 37, 1);
    field->MovePoint(3, 3, 0, 0, 0);
    EXPECT_TRUE(AllEntriesInside(*field));
}

TEST(WarpFieldMovePoint, InPlaceUpdateEqualsReadingASnapshot)
{
    // Offsets in every direction, including pure rows and columns and none at all,
    // on a map that is already deformed.
    std::mt19937 random(4711);
    for (int round = 0; round < 40; ++round) {
        const int width = 30 + round % 7, height = 25 + round % 5;
        const int radius = 1 + static_cast<int>(random() % 15);
        auto field = MakeField(width, height, radius);
        field->BeginDeformation(ModeRotate);
        field->Rotate(width / 2, height / 2, 12.0, 150.0, 3.0);
        field->EndDeformation();

        auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n + 6)) - 3; };
        const int cx = pick(width), cy = pick(height);
        const int ax = cx + static_cast<int>(random() % 21) - 10;
        const int ay = (round % 4 == 0) ? cy : cy + static_cast<int>(random() % 21) - 10;
        const std::vector<MapEntry> before = MapOf(*field);
        const std::vector<MapEntry> expected = ReferenceMove(before, width, height, radius, ax, ay, cx, cy);

        // A preview shows the move without touching the map...
        field->MovePoint(ax, ay, cx, cy, 0);
        EXPECT_EQ(MapOf(*field), before);
        EXPECT_EQ(PictureOf(*field), RenderingOf(*field, expected));
        // ...and the commit stores it.
        field->MovePoint(ax, ay, cx, cy, 1);
        ASSERT_EQ(MapOf(*field), expected) << "round " << round;
        EXPECT_TRUE(PictureFollowsMap(*field));
    }
}
