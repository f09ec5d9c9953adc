// SPDX-License-Identifier: GPL-3.0-or-later
// Exaggeration: the map after it against the formula written out here, after
// every kind of gesture and at the picture's borders; Undo and Cancel give the
// restore point back exactly; previews always start from the restore point.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "WarpFieldTestSupport.h"
#include "image/RowBands.h"
#include "session/PictureSession.h"

namespace {

using warptest::MakePicture;
using warptest::MapOf;
using warptest::PictureFollowsMap;
using warptest::PictureOf;

constexpr std::int32_t kWidth = 97, kHeight = 71;

// (x + trunc(c (mx - x)), y + trunc(c (my - y))), clamped, for every entry.
std::vector<MapEntry> ExaggeratedMap(const std::vector<MapEntry>& map, std::int32_t width, std::int32_t height,
                                     double percent)
{
    const double c = percent / 100.0;
    std::vector<MapEntry> result;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const MapEntry e = map[static_cast<std::size_t>(y) * width + x];
            const double sx = x + std::trunc(c * (static_cast<double>(e.x) - x));
            const double sy = y + std::trunc(c * (static_cast<double>(e.y) - y));
            result.push_back(MapEntry{static_cast<std::int32_t>(std::clamp(sx, 0.0, width - 1.0)),
                                      static_cast<std::int32_t>(std::clamp(sy, 0.0, height - 1.0))});
        }
    return result;
}

using Deformation = std::function<std::unique_ptr<PictureSession>()>;

std::unique_ptr<PictureSession> Session(std::int32_t width = kWidth, std::int32_t height = kHeight)
{
    return std::make_unique<PictureSession>(width, height, MakePicture(width, height));
}

void Drag(PictureSession& s, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    s.BeginDrag(x0, y0);
    s.DragTo((x0 + x1) / 2, (y0 + y1) / 2);
    s.DragTo(x1, y1);
    s.EndDrag();
}

const std::vector<std::pair<const char*, Deformation>> kDeformations = {
    {"drags", [] {
         auto s = Session();
         s->SetRadius(15);
         Drag(*s, 30, 30, 45, 38);
         Drag(*s, 70, 50, 60, 20);
         return s;
     }},
    {"region tools", [] {
         auto s = Session();
         s->BeginRegion(ModeEnlarge, 30, 35, 20);
         s->PreviewEnlarge(2.2);
         s->CommitRegion();
         s->BeginRegion(ModeShrink, 70, 30, 18);
         s->PreviewShrink(0.4);
         s->CommitRegion();
         s->BeginRegion(ModeRotate, 50, 40, 25);
         s->PreviewRotate(-140, 2.5);
         s->CommitRegion();
         return s;
     }},
    {"smoothing", [] {
         auto s = Session();
         s->BeginRegion(ModeRotate, 48, 35, 30);
         s->PreviewRotate(170, 4);
         s->CommitRegion();
         s->Smooth();
         return s;
     }},
    {"after a scale", [] {
         auto s = Session()->Rescaled(60, 83);
         s->BeginRegion(ModeEnlarge, 30, 40, 25);
         s->PreviewEnlarge(3);
         s->CommitRegion();
         return s;
     }},
    // Displacements that reach the corners: at 300 % most entries leave the
    // picture and are clamped onto its edges.
    {"at the borders", [] {
         auto s = Session();
         s->SetRadius(40);
         Drag(*s, 2, 2, 90, 65);
         Drag(*s, kWidth - 1, kHeight - 1, 0, 0);
         s->BeginRegion(ModeRotate, 0, kHeight - 1, 40);
         s->PreviewRotate(90, 3);
         s->CommitRegion();
         return s;
     }},
};

TEST(Exaggerate, MapFollowsTheFormulaAndUndoRestoresIt)
{
    for (const auto& [name, deform] : kDeformations)
        for (const double percent : {0.0, 37.5, 100.0, 150.0, 300.0}) {
            auto session = deform();
            CWarpField& field = session->Field();
            const std::vector<MapEntry> before = MapOf(field);
            const std::vector<std::uint8_t> pictureBefore = PictureOf(field);
            ASSERT_NE(before, warptest::IdentityMap(field.Width(), field.Height())) << name;

            session->BeginExaggerate();
            session->PreviewExaggerate(percent);
            session->CommitRegion();
            const std::string what = std::string(name) + " at " + std::to_string(percent) + " %";
            EXPECT_EQ(MapOf(field), ExaggeratedMap(before, field.Width(), field.Height(), percent)) << what;
            EXPECT_TRUE(PictureFollowsMap(field)) << what;
            if (percent == 0.0) {
                EXPECT_EQ(MapOf(field), warptest::IdentityMap(field.Width(), field.Height())) << what;
            }

            ASSERT_TRUE(session->CanUndo()) << what;
            session->Undo();
            EXPECT_EQ(MapOf(field), before) << what;
            EXPECT_EQ(PictureOf(field), pictureBefore) << what;
        }
}

TEST(Exaggerate, PreviewsStartFromTheRestorePointAndCancelPutsItBack)
{
    auto session = kDeformations[1].second();
    CWarpField& field = session->Field();
    const std::vector<MapEntry> before = MapOf(field);
    const std::vector<std::uint8_t> pictureBefore = PictureOf(field);

    session->BeginExaggerate();
    for (const double percent : {300.0, 0.0, 212.5, 50.0}) {
        session->PreviewExaggerate(percent);
        EXPECT_EQ(MapOf(field), ExaggeratedMap(before, field.Width(), field.Height(), percent)) << percent;
        EXPECT_TRUE(PictureFollowsMap(field)) << percent;
    }
    session->CancelRegion();
    EXPECT_FALSE(session->InRegionGesture());
    EXPECT_EQ(MapOf(field), before);
    EXPECT_EQ(PictureOf(field), pictureBefore);

    // Exaggerations stack like every gesture: twice 200 % after 50 %.
    for (const double percent : {200.0, 200.0, 50.0}) {
        const std::vector<MapEntry> start = MapOf(field);
        session->BeginExaggerate();
        session->PreviewExaggerate(percent);
        session->CommitRegion();
        EXPECT_EQ(MapOf(field), ExaggeratedMap(start, field.Width(), field.Height(), percent)) << percent;
    }
}

TEST(Exaggerate, RowBandsOnSeveralThreadsGiveTheSameMap)
{
    const RowBandPolicy before = GetRowBandPolicy();
    SetRowBandPolicy(RowBandPolicy{1, 3});
    for (const auto& [name, deform] : kDeformations) {
        auto session = deform();
        const std::vector<MapEntry> start = MapOf(session->Field());
        session->BeginExaggerate();
        session->PreviewExaggerate(231.25);
        EXPECT_EQ(MapOf(session->Field()), ExaggeratedMap(start, session->Width(), session->Height(), 231.25)) << name;
        EXPECT_TRUE(PictureFollowsMap(session->Field())) << name;
        session->CancelRegion();
    }
    SetRowBandPolicy(before);
}

TEST(Exaggerate, UndeformedPictureStaysAsItIs)
{
    auto session = Session();
    const std::vector<std::uint8_t> picture = PictureOf(session->Field());
    int notifications = 0;
    session->SetChangeListener([&](const PictureArea&) { ++notifications; });
    session->BeginExaggerate();
    session->PreviewExaggerate(250);
    EXPECT_EQ(notifications, 0);  // no displaced pixel, nothing to redraw
    session->CommitRegion();
    EXPECT_EQ(PictureOf(session->Field()), picture);
    EXPECT_EQ(MapOf(session->Field()), warptest::IdentityMap(kWidth, kHeight));
}

}  // namespace
