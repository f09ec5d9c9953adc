// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture in the picture session: whatever lists of steps it previewed
// before, the committed map equals the last list run as gestures of their own
// on the map of the gesture's start; Undo and Cancel restore that map exactly;
// the notifications name every pixel that changed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WarpFieldTestSupport.h"
#include "deform/ToolStep.h"
#include "session/PictureSession.h"

namespace {

using warptest::MakePicture;
using warptest::MapOf;
using warptest::PictureOf;

constexpr std::int32_t kWidth = 160, kHeight = 120;

ToolStep Region(ToolStepKind kind, int x, int y, double radius, double factor)
{
    ToolStep step;
    step.kind = kind;
    step.x = x;
    step.y = y;
    step.radius = radius;
    step.factor = factor;
    return step;
}

ToolStep Drag(int x, int y, int toX, int toY, int radius)
{
    ToolStep step;
    step.kind = ToolStepKind::Drag;
    step.x = x;
    step.y = y;
    step.toX = toX;
    step.toY = toY;
    step.radius = radius;
    return step;
}

// A session with a drag already in its map, so that the gesture starts from a
// deformed map and not from the identity.
std::unique_ptr<PictureSession> DeformedSession()
{
    auto session = std::make_unique<PictureSession>(kWidth, kHeight, MakePicture(kWidth, kHeight));
    session->BeginDrag(20, 100);
    session->DragTo(45, 80);
    session->EndDrag();
    return session;
}

// The steps as separate gestures, as grimasso-cli runs them (y from the top).
void RunAsGestures(PictureSession& session, const ToolSteps& steps)
{
    const int radius = session.GetRadius();
    for (const ToolStep& step : steps) {
        const std::int32_t y = kHeight - 1 - step.y;
        switch (step.kind) {
        case ToolStepKind::Enlarge:
            session.BeginRegion(ModeEnlarge, step.x, y, step.radius);
            session.PreviewEnlarge(step.factor);
            session.CommitRegion();
            break;
        case ToolStepKind::Shrink:
            session.BeginRegion(ModeShrink, step.x, y, step.radius);
            session.PreviewShrink(step.factor);
            session.CommitRegion();
            break;
        case ToolStepKind::Drag:
            session.SetRadius(static_cast<std::int32_t>(step.radius));
            session.BeginDrag(step.x, y);
            session.DragTo(step.toX, kHeight - 1 - step.toY);
            session.EndDrag();
            break;
        }
    }
    session.SetRadius(radius);
}

// Overlapping steps of every kind, a long drag committed in sub-moves, and
// circles cut by the picture's edge.
const std::vector<std::pair<const char*, ToolSteps>>& StepLists()
{
    using K = ToolStepKind;
    static const std::vector<std::pair<const char*, ToolSteps>> lists = {
        {"overlapping", {Drag(60, 60, 70, 75, 25), Region(K::Enlarge, 65, 70, 20, 1.8), Region(K::Shrink, 80, 60, 30, 0.6),
                         Region(K::Enlarge, 75, 65, 40, 1.3)}},
        {"long drag", {Drag(30, 30, 120, 90, 15), Region(K::Enlarge, 100, 80, 12, 2.5)}},
        {"edges", {Region(K::Enlarge, 5, 3, 25, 2), Drag(155, 110, 159, 119, 30), Region(K::Shrink, 150, 2, 40, 0.5)}},
        {"one step", {Region(K::Shrink, 80, 60, 50, 0.7)}},
        {"none", {}},
    };
    return lists;
}

TEST(FaceComposition, CommittedMapEqualsTheStepsAsGesturesAfterAnyEarlierPreviews)
{
    for (const auto& [name, steps] : StepLists()) {
        SCOPED_TRACE(name);
        auto expected = DeformedSession();
        RunAsGestures(*expected, steps);

        auto session = DeformedSession();
        session->BeginFace();
        // Every other list first, as slider moves would bring them.
        for (const auto& [otherName, other] : StepLists())
            session->PreviewFace(other);
        session->PreviewFace(steps);
        session->CommitFace();
        EXPECT_EQ(MapOf(session->Field()), MapOf(expected->Field()));
        EXPECT_EQ(PictureOf(session->Field()), PictureOf(expected->Field()));
        EXPECT_EQ(session->GetRadius(), expected->GetRadius());
    }
}

// Slider moves as the dialog makes them: a late step changed twice (the run
// goes on from the map after the shared leading steps), then an early one
// (that state no longer holds), the same list again, a shorter and a longer
// one. After each the map and picture equal the list computed afresh.
TEST(FaceComposition, EveryListAfterSliderMovesEqualsTheListComputedAfresh)
{
    using K = ToolStepKind;
    auto list = [](int chinY, double eyes, double head, bool withHead) {
        ToolSteps steps = {Drag(80, 90, 80, chinY, 25), Region(K::Enlarge, 60, 50, 12, eyes),
                           Region(K::Enlarge, 100, 50, 12, eyes), Region(K::Shrink, 80, 75, 15, 0.8)};
        if (withHead)
            steps.push_back(Region(K::Enlarge, 80, 60, 45, head));
        return steps;
    };
    const std::vector<std::pair<const char*, ToolSteps>> moves = {
        {"start", list(100, 1.8, 1.3, true)},       {"head", list(100, 1.8, 1.4, true)},
        {"head again", list(100, 1.8, 1.2, true)},  {"eyes", list(100, 1.5, 1.2, true)},
        {"chin", list(95, 1.5, 1.2, true)},         {"same", list(95, 1.5, 1.2, true)},
        {"head neutral", list(95, 1.5, 1.2, false)}, {"head back", list(95, 1.5, 1.6, true)},
        {"eyes again", list(95, 2.2, 1.6, true)},   {"chin back", list(100, 2.2, 1.6, true)},
    };
    auto session = DeformedSession();
    session->BeginFace();
    for (const auto& [name, steps] : moves) {
        SCOPED_TRACE(name);
        session->PreviewFace(steps);
        auto fresh = DeformedSession();
        fresh->BeginFace();
        fresh->PreviewFace(steps);
        ASSERT_EQ(MapOf(session->Field()), MapOf(fresh->Field()));
        ASSERT_EQ(PictureOf(session->Field()), PictureOf(fresh->Field()));
    }
    session->CommitFace();
    auto expected = DeformedSession();
    RunAsGestures(*expected, moves.back().second);
    EXPECT_EQ(MapOf(session->Field()), MapOf(expected->Field()));
    EXPECT_EQ(PictureOf(session->Field()), PictureOf(expected->Field()));
}

TEST(FaceComposition, UndoAndCancelRestoreTheMapOfTheStart)
{
    for (const bool cancel : {false, true}) {
        SCOPED_TRACE(cancel ? "cancel" : "undo");
        auto session = DeformedSession();
        const std::vector<MapEntry> map = MapOf(session->Field());
        const std::vector<std::uint8_t> picture = PictureOf(session->Field());
        session->BeginFace();
        for (const auto& [name, steps] : StepLists())
            session->PreviewFace(steps);
        session->PreviewFace(StepLists().front().second);
        ASSERT_NE(MapOf(session->Field()), map);
        if (cancel) {
            session->CancelFace();
        } else {
            session->CommitFace();
            ASSERT_TRUE(session->CanUndo());
            session->Undo();
        }
        EXPECT_FALSE(session->InFaceGesture());
        EXPECT_EQ(MapOf(session->Field()), map);
        EXPECT_EQ(PictureOf(session->Field()), picture);
    }
}

TEST(FaceComposition, NotificationsCoverEveryChangedPixel)
{
    auto session = DeformedSession();
    std::vector<std::uint8_t> before = PictureOf(session->Field());
    int misses = 0;
    session->SetChangeListener([&](const PictureArea& area) {
        const std::vector<std::uint8_t> now = PictureOf(session->Field());
        const std::size_t rowBytes = RowBytes(kWidth, 24);
        for (std::int32_t y = 0; y < kHeight; ++y)
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const std::size_t at = y * rowBytes + 3 * x;
                const bool inside = x >= area.left && x <= area.right && y >= area.bottom && y <= area.top;
                misses += !inside && !std::equal(&now[at], &now[at] + 3, &before[at]);
            }
        before = now;
    });
    session->BeginFace();
    for (const auto& [name, steps] : StepLists())
        session->PreviewFace(steps);
    session->PreviewFace(StepLists()[1].second);
    session->CancelFace();
    EXPECT_EQ(PictureOf(session->Field()), before);
    EXPECT_EQ(misses, 0);
}

}  // namespace
