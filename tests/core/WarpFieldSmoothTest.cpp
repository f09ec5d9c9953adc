// SPDX-License-Identifier: GPL-3.0-or-later
// The smoothing filter: a 3 x 3 median of the map's source columns and rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "WarpFieldTestSupport.h"
#include "deform/MedianOfNine.h"

using namespace warptest;

namespace {

void Smooth(CWarpField& field)
{
    field.BeginDeformation(ModeSmooth);
    field.SmoothMap();
    field.EndDeformation();
}

// Median filter as described: sort the nine values of each component, take the fifth.
std::vector<MapEntry> ReferenceSmooth(const std::vector<MapEntry>& in, int width, int height)
{
    std::vector<MapEntry> out = in;
    for (int y = 1; y < height - 1; ++y)
        for (int x = 1; x < width - 1; ++x) {
            std::array<int, 9> xs{}, ys{};
            int n = 0;
            for (int j = -1; j <= 1; ++j)
                for (int i = -1; i <= 1; ++i, ++n) {
                    xs[n] = in[static_cast<std::size_t>(y + j) * width + x + i].x;
                    ys[n] = in[static_cast<std::size_t>(y + j) * width + x + i].y;
                }
            std::sort(xs.begin(), xs.end());
            std::sort(ys.begin(), ys.end());
            out[static_cast<std::size_t>(y) * width + x] = MapEntry{xs[4], ys[4]};
        }
    return out;
}

}  // namespace

TEST(WarpFieldSmooth, MedianOfNineAgreesWithSorting)
{
    std::mt19937 random(99);
    for (int round = 0; round < 200000; ++round) {
        // Narrow ranges make many ties, wide ones exercise negative values.
        const int spread = round % 2 ? 4 : 2000000;
        std::array<std::int32_t, 9> v{};
        for (auto& e : v)
            e = static_cast<std::int32_t>(random() % (2 * spread + 1)) - spread;
        std::array<std::int32_t, 9> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(MedianOfNine(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), sorted[4]) << "round " << round;
    }
}

TEST(WarpFieldSmooth, IdentityStaysAndAStrayEntryIsReplaced)
{
    auto field = MakeField(12, 10);
    Smooth(*field);
    EXPECT_EQ(MapOf(*field), IdentityMap(12, 10));
    EXPECT_EQ(field->CanUndo(), 1);

    // A single pixel showing something from far away.
    field->BeginDeformation(ModeMovePoint);
    field->SetRadius(1);
    field->MovePoint(0, 0, 6, 5, 1);
    field->EndDeformation();
    ASSERT_EQ(EntryAt(*field, 6, 5), (MapEntry{0, 0}));
    Smooth(*field);
    EXPECT_EQ(MapOf(*field), IdentityMap(12, 10));
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldSmooth, BorderRowsAndColumnsNeverChange)
{
    auto field = MakeField(30, 20, 6);
    // Deform along the borders so the neighbourhoods there would alter them.
    field->BeginDeformation(ModeMovePoint);
    for (const auto& move : {std::array{0, 0, 3, 2}, std::array{29, 10, 25, 13}, std::array{14, 19, 10, 16},
                             std::array{5, 0, 9, 3}, std::array{0, 12, 4, 8}})
        field->MovePoint(move[0], move[1], move[2], move[3], 1);
    field->EndDeformation();
    const std::vector<MapEntry> before = MapOf(*field);
    Smooth(*field);
    const std::vector<MapEntry> after = MapOf(*field);
    for (int x = 0; x < 30; ++x) {
        EXPECT_EQ(after[x], before[x]);
        EXPECT_EQ(after[19 * 30 + x], before[19 * 30 + x]);
    }
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(after[y * 30], before[y * 30]);
        EXPECT_EQ(after[y * 30 + 29], before[y * 30 + 29]);
    }
    EXPECT_EQ(after, ReferenceSmooth(before, 30, 20));
    EXPECT_NE(after, before);
}

TEST(WarpFieldSmooth, NarrowPicturesHaveNoInteriorButAreStillRendered)
{
    for (const auto& size : {std::array{1, 1}, std::array{2, 9}, std::array{9, 2}, std::array{1, 5}}) {
        auto field = MakeField(size[0], size[1], 3);
        field->BeginDeformation(ModeMovePoint);
        field->MovePoint(0, 0, size[0] - 1, size[1] - 1, 1);
        field->EndDeformation();
        const std::vector<MapEntry> before = MapOf(*field);
        // Overwrite a pixel behind the map's back: smoothing must re-render it.
        field->RenderPixelFrom(0, 0, size[0] - 1, size[1] - 1);
        Smooth(*field);
        EXPECT_EQ(MapOf(*field), before);
        EXPECT_TRUE(PictureFollowsMap(*field));
        EXPECT_EQ(field->CanUndo(), 1);
    }
}

TEST(WarpFieldSmooth, UndoRestoresTheStateBeforeTheLastRun)
{
    auto field = MakeField(60, 40, 8);
    field->BeginDeformation(ModeRotate);
    field->Rotate(30, 20, 15.0, 170.0, 4.0);
    field->EndDeformation();
    const std::vector<MapEntry> rotated = MapOf(*field);
    const std::vector<std::uint8_t> rotatedPicture = PictureOf(*field);

    Smooth(*field);
    ASSERT_NE(MapOf(*field), rotated);
    field->UndoDeformation();
    EXPECT_EQ(MapOf(*field), rotated);
    EXPECT_EQ(PictureOf(*field), rotatedPicture);

    // The second run filters the result of the first; Undo goes back one run only.
    Smooth(*field);
    const std::vector<MapEntry> once = MapOf(*field);
    EXPECT_EQ(once, ReferenceSmooth(rotated, 60, 40));
    Smooth(*field);
    EXPECT_EQ(MapOf(*field), ReferenceSmooth(once, 60, 40));
    field->UndoDeformation();
    EXPECT_EQ(MapOf(*field), once);
    EXPECT_TRUE(PictureFollowsMap(*field));
}

TEST(WarpFieldSmooth, LargePictureSplitIntoBandsMatchesTheFilter)
{
    // Above the size at which smoothing and rendering run in two row bands.
    const int width = 1100, height = 1000;
    auto field = MakeField(width, height, 40);
    field->BeginDeformation(ModeRotate);
    field->Rotate(550, 500, 400.0, 170.0, 7.0);  // reaches across the band boundary
    field->EndDeformation();
    field->BeginDeformation(ModeMovePoint);
    field->MovePoint(100, 499, 130, 502, 1);
    field->EndDeformation();
    const std::vector<MapEntry> before = MapOf(*field);
    Smooth(*field);
    EXPECT_EQ(MapOf(*field), ReferenceSmooth(before, width, height));
    EXPECT_TRUE(PictureFollowsMap(*field));
}
