// SPDX-License-Identifier: GPL-3.0-or-later
// Construction, rendering and the gesture protocol of the warp field.
#include <gtest/gtest.h>

#include <cstring>

#include "WarpFieldTestSupport.h"
#include "image/Exceptions.h"

using namespace warptest;

TEST(WarpFieldConstruction, NewFieldShowsTheLoadedPictureWithIdentityMap)
{
    const std::int32_t width = 13, height = 7;  // 39 pixel bytes, 40 bytes a row
    const PixelBuffer loaded = MakePicture(width, height);
    CWarpField field(width, height, MakePicture(width, height), 20);

    EXPECT_EQ(MapOf(field), IdentityMap(width, height));
    ASSERT_EQ(field.RowBytesOfPicture(), 40);
    EXPECT_EQ(0, std::memcmp(field.Deformed(), loaded.data(), loaded.size()));
    EXPECT_EQ(0, std::memcmp(field.Original(), loaded.data(), loaded.size()));
    EXPECT_EQ(field.CanUndo(), 0);
    EXPECT_EQ(field.GetRadius(), 20);

    BITMAPINFOHEADER header{};
    const std::uint8_t* pixels = nullptr;
    field.GetPicture(header, pixels);
    EXPECT_EQ(pixels, field.Deformed());
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, width);
    EXPECT_EQ(header.biHeight, height);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biCompression, 0u);
    EXPECT_EQ(header.biSizeImage, 40u * height);
    // The deformed picture has no resolution of its own; saving adds one.
    EXPECT_EQ(header.biXPelsPerMeter, 0);
    EXPECT_EQ(header.biYPelsPerMeter, 0);
    EXPECT_EQ(header.biClrUsed, 0u);
    EXPECT_EQ(header.biClrImportant, 0u);
}

TEST(WarpFieldConstruction, RefusesPicturesItCannotHoldSafely)
{
    EXPECT_THROW(CWarpField(0, 5, MakePicture(1, 5), 20), CArchiveException);
    EXPECT_THROW(CWarpField(5, -1, MakePicture(5, 1), 20), CArchiveException);
    // Rows shorter than width x height need would be read past their end.
    EXPECT_THROW(CWarpField(10, 10, MakePicture(10, 9), 20), CArchiveException);
    EXPECT_THROW(CWarpField(70000, 1, PixelBuffer::Allocate(RowBytes(70000, 24), true), 20), CMemoryException);
}

TEST(WarpFieldRendering, SinglePixelsRectanglesAndClamping)
{
    auto field = MakeField(9, 6);
    const std::vector<std::uint8_t> before = PictureOf(*field);
    const std::size_t rowBytes = field->RowBytesOfPicture();

    field->RenderPixelFrom(2, 3, 7, 1);
    EXPECT_EQ(MapOf(*field), IdentityMap(9, 6)) << "RenderPixelFrom must leave the map alone";
    std::vector<std::uint8_t> expected = before;
    std::memcpy(&expected[3 * rowBytes + 6], &before[1 * rowBytes + 21], 3);
    EXPECT_EQ(PictureOf(*field), expected);

    // Sources outside the picture read the nearest border pixel; targets outside are ignored.
    field->RenderPixelFrom(0, 0, -4, 99);
    std::memcpy(&expected[0], &before[5 * rowBytes], 3);
    field->RenderPixelFrom(-1, 2, 0, 0);
    field->RenderPixelFrom(9, 2, 0, 0);
    EXPECT_EQ(PictureOf(*field), expected);

    // RenderRect re-renders exactly its inclusive rectangle from the map.
    field->RenderRect(2, 3, 2, 3);
    std::memcpy(&expected[3 * rowBytes + 6], &before[3 * rowBytes + 6], 3);
    EXPECT_EQ(PictureOf(*field), expected);
    field->RenderRect(-5, -5, 100, 100);  // clipped, not out of bounds
    EXPECT_EQ(PictureOf(*field), before);

    std::int32_t x = -3, y = 6;
    field->ClampToPicture(x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 5);
    x = 9;
    y = -1;
    field->ClampToPicture(x, y);
    EXPECT_EQ(x, 8);
    EXPECT_EQ(y, 0);
    x = 4;
    y = 2;
    field->ClampToPicture(x, y);
    EXPECT_EQ(x, 4);
    EXPECT_EQ(y, 2);
}

namespace {
// One whole move-point gesture from (x0, y0) to (x1, y1) in one mouse move.
void Drag(CWarpField& field, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    field.BeginDeformation(ModeMovePoint);
    field.MovePointLive(x0, y0, x1, y1);
    field.EndDeformation();
}
}  // namespace

TEST(WarpFieldUndo, OfferedOnlyOnceAndOnlyAfterAGesture)
{
    auto field = MakeField(64, 64);
    EXPECT_EQ(field->CanUndo(), 0);
    field->UndoDeformation();  // nothing to restore: must not disturb anything
    EXPECT_EQ(MapOf(*field), IdentityMap(64, 64));

    Drag(*field, 20, 20, 30, 26);
    const std::vector<MapEntry> afterFirst = MapOf(*field);
    const std::vector<std::uint8_t> pictureAfterFirst = PictureOf(*field);
    ASSERT_NE(afterFirst, IdentityMap(64, 64));
    Drag(*field, 40, 40, 31, 45);
    ASSERT_NE(MapOf(*field), afterFirst);
    EXPECT_EQ(field->CanUndo(), 1);

    field->UndoDeformation();
    EXPECT_EQ(field->CanUndo(), 0);
    EXPECT_EQ(MapOf(*field), afterFirst);
    EXPECT_EQ(PictureOf(*field), pictureAfterFirst);
    field->UndoDeformation();
    EXPECT_EQ(MapOf(*field), afterFirst);
}

TEST(WarpFieldUndo, CancelledRegionGestureKeepsTheEarlierDeformationAndOffersNoUndo)
{
    auto field = MakeField(80, 60);
    Drag(*field, 30, 30, 38, 25);
    const std::vector<MapEntry> dragged = MapOf(*field);
    const std::vector<std::uint8_t> draggedPicture = PictureOf(*field);

    field->BeginDeformation(ModeEnlarge);
    field->Enlarge(35, 28, 12.5, 3.0);
    ASSERT_NE(MapOf(*field), dragged);
    field->UndoDeformation();
    field->EndDeformation();

    EXPECT_EQ(MapOf(*field), dragged);
    EXPECT_EQ(PictureOf(*field), draggedPicture);
    EXPECT_EQ(field->CanUndo(), 0);
}

TEST(WarpFieldUndo, UndoAfterALongDragRestoresTheStateBeforeThePress)
{
    auto field = MakeField(120, 90, 15);
    Drag(*field, 10, 10, 15, 12);
    const std::vector<MapEntry> before = MapOf(*field);
    const std::vector<std::uint8_t> beforePicture = PictureOf(*field);

    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 20, ay = 20;
    const std::int32_t path[][2] = {{60, 25}, {95, 70}, {97, 71}, {40, 80}, {5, 3}};
    for (const auto& p : path)
        field->MovePointLive(ax, ay, p[0], p[1]);
    field->EndDeformation();
    ASSERT_NE(MapOf(*field), before);

    field->UndoDeformation();
    EXPECT_EQ(MapOf(*field), before);
    EXPECT_EQ(PictureOf(*field), beforePicture);
}

TEST(WarpFieldGesture, PressAndReleaseWithoutMovementChangesNothing)
{
    auto field = MakeField(50, 50);
    // The drag leaves a pending remainder behind; a later click must not repeat it.
    Drag(*field, 10, 25, 30, 25);
    const std::vector<MapEntry> map = MapOf(*field);
    const std::vector<std::uint8_t> picture = PictureOf(*field);

    field->BeginDeformation(ModeMovePoint);
    field->EndDeformation();
    EXPECT_EQ(MapOf(*field), map);
    EXPECT_EQ(PictureOf(*field), picture);

    // A second end of the same gesture commits nothing again either.
    field->EndDeformation();
    EXPECT_EQ(MapOf(*field), map);

    auto fresh = MakeField(50, 50);
    fresh->BeginDeformation(ModeMovePoint);
    fresh->EndDeformation();
    EXPECT_EQ(MapOf(*fresh), IdentityMap(50, 50));
    EXPECT_EQ(fresh->CanUndo(), 1);
}

TEST(WarpFieldGesture, PicturesFollowTheMapAfterEveryFinishedGesture)
{
    auto field = MakeField(100, 100, 12);
    // Previews that wander about leave pixels behind unless each one is put back.
    field->BeginDeformation(ModeMovePoint);
    std::int32_t ax = 50, ay = 50;
    const std::int32_t path[][2] = {{55, 50}, {50, 56}, {44, 50}, {50, 43}, {57, 57}, {20, 80}, {24, 83}};
    for (const auto& p : path) {
        field->MovePointLive(ax, ay, p[0], p[1]);
        EXPECT_TRUE(AllEntriesInside(*field));
    }
    field->EndDeformation();
    EXPECT_TRUE(PictureFollowsMap(*field));

    field->BeginDeformation(ModeRotate);
    field->Rotate(30, 30, 25.0, 120.0, 2.0);
    field->Rotate(70, 60, 10.0, -60.0, 1.0);
    field->EndDeformation();
    EXPECT_TRUE(PictureFollowsMap(*field));
}
