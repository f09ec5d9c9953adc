// SPDX-License-Identifier: GPL-3.0-or-later
// The history of a picture's steps against a plain replay: wherever the
// history stands, map and picture must equal those of a fresh picture that ran
// just the steps up to there; the one-level Undo keeps its own rules beside it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "WarpFieldTestSupport.h"
#include "session/PictureSession.h"

namespace {

using warptest::MakePicture;
using warptest::MapOf;
using warptest::PictureOf;

constexpr std::int32_t kWidth = 96, kHeight = 72;

std::unique_ptr<PictureSession> NewSession()
{
    return std::make_unique<PictureSession>(kWidth, kHeight, MakePicture(kWidth, kHeight));
}

using Gesture = std::function<void(PictureSession&)>;

// Every kind of gesture the history records, each a step of its own.
const std::vector<Gesture>& Gestures()
{
    static const std::vector<Gesture> gestures = {
        [](PictureSession& s) { s.BeginDrag(30, 30); s.DragTo(41, 36); s.DragTo(47, 30); s.EndDrag(); },
        [](PictureSession& s) { s.BeginRegion(ModeEnlarge, 50, 40, 14); s.PreviewEnlarge(3); s.PreviewEnlarge(2.2); s.CommitRegion(); },
        [](PictureSession& s) { s.BeginRegion(ModeRotate, 40, 35, 20); s.PreviewRotate(120, 2); s.CommitRegion(); },
        [](PictureSession& s) { s.Smooth(); },
        [](PictureSession& s) { s.BeginExaggerate(); s.PreviewExaggerate(170); s.CommitRegion(); },
        [](PictureSession& s) { s.BeginRegion(ModeShrink, 20, 50, 12); s.PreviewShrink(0.4); s.CommitRegion(); },
        [](PictureSession& s) {
            s.BeginFace();
            s.PreviewFace({ToolStep{ToolStepKind::Enlarge, 60, 30, 0, 0, 10, 1.8},
                           ToolStep{ToolStepKind::Drag, 60, 40, 64, 46, 12, 1}});
            s.CommitFace();
        },
    };
    return gestures;
}

// One action of a mix: a gesture (its index), or a walk through the history.
struct Action {
    enum Kind { Gesture, Back, Forward, Undo, GoTo } kind;
    int value = 0;
};

struct Model {
    std::vector<int> steps;  // gesture indices in history order
    std::size_t position = 0;
    bool canUndo = false;
};

void RunAction(PictureSession& session, Model& model, const Action& action)
{
    switch (action.kind) {
    case Action::Gesture:
        Gestures()[static_cast<std::size_t>(action.value)](session);
        model.steps.resize(model.position);
        model.steps.push_back(action.value);
        model.position = model.steps.size();
        model.canUndo = true;
        break;
    case Action::Back:
        for (int i = 0; i < action.value; ++i)
            session.StepBack();
        model.position -= static_cast<std::size_t>(action.value);
        model.canUndo = false;
        break;
    case Action::Forward:
        for (int i = 0; i < action.value; ++i)
            session.StepForward();
        model.position += static_cast<std::size_t>(action.value);
        model.canUndo = false;
        break;
    case Action::Undo:
        session.Undo();
        --model.position;
        model.canUndo = false;
        break;
    case Action::GoTo:
        session.GoToStep(static_cast<std::size_t>(action.value));
        model.position = static_cast<std::size_t>(action.value);
        model.canUndo = false;
        break;
    }
}

TEST(PictureHistory, EveryPositionEqualsAPlainReplay)
{
    using A = Action;
    const std::vector<std::pair<const char*, std::vector<Action>>> mixes = {
        {"every kind, all the way back and forward again",
         {{A::Gesture, 0}, {A::Gesture, 1}, {A::Gesture, 2}, {A::Gesture, 3}, {A::Gesture, 4}, {A::Gesture, 5},
          {A::Gesture, 6}, {A::Back, 7}, {A::Forward, 7}}},
        {"a new gesture after stepping back drops the steps ahead",
         {{A::Gesture, 0}, {A::Gesture, 1}, {A::Gesture, 2}, {A::Back, 2}, {A::Gesture, 3}, {A::Back, 1}, {A::Forward, 1}}},
        {"Undo takes the newest step back and a step forward brings it again",
         {{A::Gesture, 1}, {A::Gesture, 4}, {A::Undo}, {A::Forward, 1}, {A::Back, 2}}},
        {"Undo of a gesture made after stepping back",
         {{A::Gesture, 2}, {A::Gesture, 0}, {A::Gesture, 3}, {A::Back, 2}, {A::Gesture, 6}, {A::Undo}, {A::Back, 1}}},
        {"a jump to a step and back to the end",
         {{A::Gesture, 5}, {A::Gesture, 1}, {A::Gesture, 3}, {A::Gesture, 0}, {A::GoTo, 1}, {A::GoTo, 4}, {A::GoTo, 0}}},
    };
    for (const auto& [name, actions] : mixes) {
        SCOPED_TRACE(name);
        auto session = NewSession();
        Model model;
        for (std::size_t i = 0; i < actions.size(); ++i) {
            SCOPED_TRACE("after action " + std::to_string(i));
            RunAction(*session, model, actions[i]);
            ASSERT_EQ(session->History().Position(), model.position);
            ASSERT_EQ(session->History().Count(), model.steps.size());
            EXPECT_EQ(session->CanUndo(), model.canUndo);
            auto replay = NewSession();
            for (std::size_t step = 0; step < model.position; ++step)
                Gestures()[static_cast<std::size_t>(model.steps[step])](*replay);
            ASSERT_EQ(MapOf(session->Field()), MapOf(replay->Field()));
            ASSERT_EQ(PictureOf(session->Field()), PictureOf(replay->Field()));
        }
    }
}

TEST(PictureHistory, StepsAreNamedCancelsAndRescalesLeaveNoStep)
{
    auto session = NewSession();
    Gestures()[0](*session);
    Gestures()[3](*session);
    session->BeginRegion(ModeEnlarge, 40, 40, 10);
    session->PreviewEnlarge(4);
    session->CancelRegion();
    ASSERT_EQ(session->History().Count(), 2u);
    EXPECT_EQ(session->History().Step(0).mode, ModeMovePoint);
    EXPECT_EQ(session->History().Step(1).mode, ModeSmooth);
    EXPECT_FALSE(session->CanUndo());
    EXPECT_TRUE(session->CanStepBack());

    auto rescaled = session->Rescaled(50, 40);
    EXPECT_EQ(rescaled->History().Count(), 0u);
    EXPECT_FALSE(rescaled->CanStepBack());
}

// Beyond the budget the oldest steps go, the newest stays, and the map still
// walks back exactly as far as the history reaches.
TEST(PictureHistory, OldestStepsGoBeyondTheBudget)
{
    auto session = NewSession();
    auto replay = NewSession();
    for (int i = 0; i < 6; ++i) {
        Gestures()[static_cast<std::size_t>(i % 3)](*session);
        Gestures()[static_cast<std::size_t>(i % 3)](*replay);
    }
    const std::size_t bytes = session->History().Bytes();
    session->SetHistoryBudget(bytes / 2);
    const PictureHistory& history = session->History();
    EXPECT_LE(history.Bytes(), bytes / 2);
    EXPECT_GE(history.Count(), 1u);
    EXPECT_LT(history.Count(), 6u);
    EXPECT_EQ(history.Dropped() + history.Count(), 6u);
    EXPECT_EQ(history.Position(), history.Count());

    session->GoToStep(0);
    auto expected = NewSession();
    for (std::size_t i = 0; i < history.Dropped(); ++i)
        Gestures()[i % 3](*expected);
    EXPECT_EQ(MapOf(session->Field()), MapOf(expected->Field()));
    session->GoToStep(history.Count());
    EXPECT_EQ(PictureOf(session->Field()), PictureOf(replay->Field()));
}

}  // namespace
