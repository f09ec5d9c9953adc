// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture's steps from fixed points: which tool each feature uses, in
// which direction, in which order, and that every step stays in the picture.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "FaceTestFace.h"
#include "face/FaceFeatures.h"
#include "face/FaceGesture.h"

namespace {

using facetest::PortraitFace;

constexpr int kWidth = 512, kHeight = 512;

FaceSettings With(FaceFeature feature, int value)
{
    FaceSettings settings;
    settings.Set(feature, value);
    return settings;
}

ToolSteps StepsOf(const FaceSettings& settings, const FoundFace& face = PortraitFace())
{
    return FaceGestureSteps(face, settings, kWidth, kHeight);
}

struct FeatureCase {
    const char* name;
    FaceFeature feature;
    int value;
    std::vector<ToolStepKind> kinds;
    // Checks the direction or placement of the steps.
    std::function<void(const ToolSteps&, const FaceFeatures&)> check;
};

TEST(FaceGesture, EachFeatureUsesItsToolInItsDirection)
{
    using K = ToolStepKind;
    const std::vector<FeatureCase> cases = {
        {"eyes larger", FaceFeature::Eyes, 180, {K::Enlarge, K::Enlarge}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_EQ(s[0].factor, 1.8);
             EXPECT_NEAR(s[0].x, f.eyeOnLeft.x, 0.5);
             EXPECT_NEAR(s[1].y, f.eyeOnRight.y, 0.5);
             EXPECT_LT(s[0].radius, f.eyeDistance);  // an eye's circle, not the face's
         }},
        {"eyes smaller", FaceFeature::Eyes, 60, {K::Shrink, K::Shrink}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_EQ(s[1].factor, 0.6);
         }},
        {"nose", FaceFeature::Nose, 250, {K::Enlarge}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_NEAR(s[0].y, f.nose.y, 0.5);
         }},
        {"mouth", FaceFeature::Mouth, 50, {K::Shrink}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_NEAR(s[0].x, f.mouth.x, 0.5);
         }},
        {"smile up", FaceFeature::Smile, 80, {K::Drag, K::Drag}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_LT(s[0].toY, s[0].y);
             EXPECT_LT(s[1].toY, s[1].y);
             EXPECT_LT(s[0].toX, s[0].x);  // the corners spread apart
             EXPECT_GT(s[1].toX, s[1].x);
         }},
        {"smile down", FaceFeature::Smile, -80, {K::Drag, K::Drag}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_GT(s[0].toY, s[0].y);
             EXPECT_GT(s[1].toY, s[1].y);
         }},
        {"longer chin", FaceFeature::Chin, 60, {K::Drag}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_NEAR(s[0].y, f.chin.y, 0.5);
             EXPECT_GT(s[0].toY, s[0].y);
             EXPECT_EQ(s[0].toX, s[0].x);
         }},
        {"shorter chin", FaceFeature::Chin, -60, {K::Drag}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_LT(s[0].toY, s[0].y);
         }},
        {"wider", FaceFeature::Width, 130, {K::Drag, K::Drag}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_LT(s[0].toX, s[0].x);
             EXPECT_GT(s[1].toX, s[1].x);
             EXPECT_EQ(s[0].toY, s[0].y);
         }},
        {"narrower", FaceFeature::Width, 70, {K::Drag, K::Drag}, [](const ToolSteps& s, const FaceFeatures&) {
             EXPECT_GT(s[0].toX, s[0].x);
             EXPECT_LT(s[1].toX, s[1].x);
         }},
        {"forehead", FaceFeature::Forehead, 70, {K::Shrink}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_LT(s[0].y, f.browsMiddle.y);  // above the brows
         }},
        {"big head", FaceFeature::Head, 130, {K::Enlarge}, [](const ToolSteps& s, const FaceFeatures& f) {
             EXPECT_GE(s[0].radius, f.faceRadius);  // the whole face
         }},
    };
    const FaceFeatures features = FeaturesOf(PortraitFace());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolSteps steps = StepsOf(With(c.feature, c.value));
        std::vector<ToolStepKind> kinds;
        for (const ToolStep& step : steps)
            kinds.push_back(step.kind);
        ASSERT_EQ(kinds, c.kinds);
        c.check(steps, features);
    }
}

// All features at once give each feature's steps, in the documented order:
// drags of width, chin and smile, then eyes, nose, mouth, forehead, head.
TEST(FaceGesture, AllFeaturesRunInTheDocumentedOrder)
{
    const std::vector<std::pair<FaceFeature, int>> order = {
        {FaceFeature::Width, 120}, {FaceFeature::Chin, 40},     {FaceFeature::Smile, 50},
        {FaceFeature::Eyes, 150},  {FaceFeature::Nose, 80},     {FaceFeature::Mouth, 130},
        {FaceFeature::Forehead, 120}, {FaceFeature::Head, 140},
    };
    FaceSettings all;
    ToolSteps expected;
    for (const auto& [feature, value] : order) {
        all.Set(feature, value);
        const ToolSteps alone = StepsOf(With(feature, value));
        ASSERT_FALSE(alone.empty());
        expected.insert(expected.end(), alone.begin(), alone.end());
    }
    EXPECT_EQ(StepsOf(all), expected);
}

TEST(FaceGesture, StartValuesAddNoStepAndValuesStayInTheirRange)
{
    EXPECT_TRUE(StepsOf(FaceSettings()).empty());
    EXPECT_TRUE(FaceSettings().IsNeutral());
    for (const FaceFeatureRange& range : FaceFeatureRanges()) {
        SCOPED_TRACE(range.key);
        FaceSettings settings;
        settings.Set(range.feature, range.maximum + 1000);
        EXPECT_EQ(settings.Get(range.feature), range.maximum);
        settings.Set(range.feature, range.minimum - 1000);
        EXPECT_EQ(settings.Get(range.feature), range.minimum);
        EXPECT_FALSE(settings.IsNeutral());
    }
}

// The same settings look alike on a face twice the size: radii and drag
// lengths double (up to rounding).
TEST(FaceGesture, StepsScaleWithTheFace)
{
    FaceSettings settings;
    for (const auto& [feature, value] : std::vector<std::pair<FaceFeature, int>>{
             {FaceFeature::Width, 140}, {FaceFeature::Chin, 80}, {FaceFeature::Eyes, 200}, {FaceFeature::Head, 150}})
        settings.Set(feature, value);
    const FoundFace small = PortraitFace(-150, -50);
    const ToolSteps one = StepsOf(settings, small);
    const ToolSteps two = StepsOf(settings, PortraitFace(-150, -50, 2));
    ASSERT_EQ(one.size(), two.size());
    for (std::size_t i = 0; i < one.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(two[i].radius, 2 * one[i].radius, 2.0);
        EXPECT_NEAR(two[i].toX - two[i].x, 2 * (one[i].toX - one[i].x), 2.0);
        EXPECT_NEAR(two[i].toY - two[i].y, 2 * (one[i].toY - one[i].y), 2.0);
    }
}

// A face at the picture's corner: every centre and drag end is clamped into
// the picture, as grimasso-cli would clamp it.
TEST(FaceGesture, StepsNearTheEdgeStayInThePicture)
{
    FaceSettings settings;
    for (const FaceFeatureRange& range : FaceFeatureRanges())
        settings.Set(range.feature, range.maximum);
    for (const auto& [dx, dy] : std::vector<std::pair<double, double>>{{-200, -100}, {250, 350}}) {
        const ToolSteps steps = StepsOf(settings, PortraitFace(dx, dy));
        ASSERT_FALSE(steps.empty());
        for (const ToolStep& step : steps) {
            EXPECT_TRUE(step.x >= 0 && step.x < kWidth && step.y >= 0 && step.y < kHeight);
            EXPECT_TRUE(step.toX >= 0 && step.toX < kWidth && step.toY >= 0 && step.toY < kHeight);
            EXPECT_GE(step.radius, 1);
        }
    }
}

}  // namespace
