// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic caricature: the similarity fit, the targets' formula, and the
// warp on the sample portrait at K = 300 (no fold, nothing beyond the ring,
// Undo exact, a document keeping its mode), and K = 100 changing no byte.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "TestPictures.h"
#include "FaceTestFace.h"
#include "WarpFieldTestSupport.h"
#include "face/Caricature.h"
#include "face/CaricatureWarp.h"
#include "face/FaceFinder.h"
#include "face/FaceGesture.h"
#include "session/PictureSession.h"

namespace {

using warptest::MapOf;
using warptest::PictureOf;

TEST(Caricature, SimilarityFitFindsTheTransformAndTargetsFollowTheFormula)
{
    const FaceShape from = facetest::PortraitFace().points;
    const Similarity cases[] = {{1, 0, 0, 0}, {0.5, 0, 30, -12}, {0.8, 0.6, -5, 7}, {-0.02, 1.3, 400, 10}};
    for (const Similarity& moved : cases) {
        FaceShape to;
        for (std::size_t i = 0; i < from.size(); ++i)
            to[i] = moved(from[i]);
        const Similarity fit = FitSimilarity(from, to);
        EXPECT_NEAR(fit.a, moved.a, 1e-9);
        EXPECT_NEAR(fit.b, moved.b, 1e-9);
        EXPECT_NEAR(fit.tx, moved.tx, 1e-6);
        EXPECT_NEAR(fit.ty, moved.ty, 1e-6);
    }

    // A mean face in its own unit box, placed on the portrait: M is the best
    // similarity image of it, targets lie on M + K/100 (points - M).
    FaceShape mean;
    for (std::size_t i = 0; i < mean.size(); ++i)
        mean[i] = {(from[i].x - 170) / 110 + 0.01 * std::sin(i), (from[i].y - 80) / 110 + 0.01 * std::cos(i)};
    const FoundFace face = facetest::PortraitFace();
    const Similarity place = FitSimilarity(mean, face.points);
    for (const int percent : {0, 50, 100, 250, 300}) {
        const CaricatureShape shape = CaricatureOf(face, mean, percent);
        for (std::size_t i = 0; i < mean.size(); ++i) {
            const FacePoint m = place(mean[i]), p = face.points[i];
            EXPECT_EQ(shape.mean[i], m);
            EXPECT_NEAR(shape.targets[i].x, m.x + percent / 100.0 * (p.x - m.x), 1e-9);
            EXPECT_NEAR(shape.targets[i].y, m.y + percent / 100.0 * (p.y - m.y), 1e-9);
        }
        if (percent == 100) {
            EXPECT_EQ(shape.targets, face.points);  // exactly, not up to rounding
        }
    }
}

TEST(Caricature, WarpOnTheSampleNeverFoldsAndLeavesTheRestAlone)
{
    if (!std::filesystem::exists(FaceFinder::kDefaultModelPath))
        GTEST_SKIP() << "libdlib-data is not installed";
    const FaceShape meanFace = FaceFinder::Shared().MeanFace();
    auto session = PictureSession::Open(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
    const std::int32_t width = session->Width(), height = session->Height();
    const std::vector<MapEntry> start = MapOf(session->Field());
    const std::vector<std::uint8_t> startPicture = PictureOf(session->Field());
    const FoundFace face = facetest::PortraitFace();

    // K = 100 is the identity: no entry, no byte.
    session->Caricature(CaricatureGrid(face, CaricatureOf(face, meanFace, 100), width, height));
    EXPECT_EQ(MapOf(session->Field()), start);
    EXPECT_EQ(PictureOf(session->Field()), startPicture);

    const CaricatureShape shape = CaricatureOf(face, meanFace, 300);
    const CaricatureRing ring = RingOf(face, shape);
    session->Caricature(CaricatureGrid(face, shape, width, height));
    const std::vector<MapEntry> map = MapOf(session->Field());
    EXPECT_TRUE(warptest::PictureFollowsMap(session->Field()));
    std::size_t moved = 0;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x) {
            const MapEntry e = map[static_cast<std::size_t>(y) * width + x];
            const double top = height - 1 - y;
            if (std::hypot(x - ring.centre.x, top - ring.centre.y) >= ring.radius) {
                ASSERT_EQ(e, MapEntry(x, y)) << x << "," << y;  // beyond the ring
                continue;
            }
            moved += e != MapEntry(x, y);
            // No fold: along rows and columns the sources keep their order.
            if (x > 0) {
                ASSERT_GE(e.x, map[static_cast<std::size_t>(y) * width + x - 1].x) << x << "," << y;
            }
            if (y > 0) {
                ASSERT_GE(e.y, map[static_cast<std::size_t>(y - 1) * width + x].y) << x << "," << y;
            }
        }
    EXPECT_GT(moved, 5000u);

    // A document keeps the mode; Undo restores exactly.
    testpictures::ScratchDirectory scratch;
    session->Save(scratch.File("caricature.grimasso"));
    auto reopened = PictureSession::Open(scratch.File("caricature.grimasso"));
    EXPECT_EQ(reopened->Field().LastMode(), ModeCaricature);
    EXPECT_EQ(MapOf(reopened->Field()), map);
    reopened->Undo();
    session->Undo();
    EXPECT_EQ(MapOf(reopened->Field()), start);
    EXPECT_EQ(PictureOf(session->Field()), startPicture);
}

// The dialog's slider steps reuse what the previous warp left; after any of
// them the map equals the last setting run afresh.
TEST(Caricature, SliderStepsEqualTheLastSettingRunAfresh)
{
    if (!std::filesystem::exists(FaceFinder::kDefaultModelPath))
        GTEST_SKIP() << "libdlib-data is not installed";
    const FaceShape meanFace = FaceFinder::Shared().MeanFace();
    const FoundFace face = facetest::PortraitFace();
    auto plan = [&](const PictureSession& session, int percent, int eyes) {
        const CaricatureShape shape = CaricatureOf(face, meanFace, percent);
        FoundFace moved = face;
        moved.points = shape.targets;
        FaceSettings settings;
        settings.Set(FaceFeature::Eyes, eyes);
        settings.Set(FaceFeature::Chin, 40);
        return FacePlan{CaricatureGrid(face, shape, session.Width(), session.Height()),
                        FaceGestureSteps(moved, settings, session.Width(), session.Height())};
    };
    auto session = PictureSession::Open(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
    session->BeginFace();
    const int settings[][2] = {{250, 100}, {251, 100}, {251, 150}, {251, 151}, {180, 151}, {181, 151}, {100, 151}, {300, 120}};
    for (const auto& [percent, eyes] : settings) {
        SCOPED_TRACE(std::to_string(percent) + " " + std::to_string(eyes));
        session->PreviewFacePlan(plan(*session, percent, eyes));
        auto fresh = PictureSession::Open(GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp");
        fresh->BeginFace();
        fresh->PreviewFacePlan(plan(*fresh, percent, eyes));
        ASSERT_EQ(MapOf(session->Field()), MapOf(fresh->Field()));
        ASSERT_EQ(PictureOf(session->Field()), PictureOf(fresh->Field()));
    }
}

}  // namespace
