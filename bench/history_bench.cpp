// SPDX-License-Identifier: GPL-3.0-or-later
// The history of a 6000 x 4000 picture: a step back or forward over one local
// step (a drag of radius 150, or an enlargement of radius 150) and over one
// whole-picture step (smoothing), beside a live region call of that radius and
// a copy of the map, the yardsticks a step must stay near. HistoryMemory runs
// the long session of 120 local drags, 3 smoothings and 2 exaggerations once
// and reports what its history keeps (history_MB, budget 320 MB).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#include "bench/PatternPicture.h"
#include "session/PictureSession.h"

namespace {

constexpr std::int32_t kWidth = 6000, kHeight = 4000;
constexpr std::int32_t kDragRadius = 150;

std::unique_ptr<PictureSession> NewSession()
{
    PixelBuffer pixels = PatternPicture(kWidth, kHeight, [](std::int32_t x, std::int32_t y) { return x ^ y; });
    auto session = std::make_unique<PictureSession>(kWidth, kHeight, std::move(pixels));
    session->SetRadius(kDragRadius);
    session->Field();
    return session;
}

// The i-th drag of the long session: spread over the picture in a 12 x 10
// grid, each pulled 60 pixels in a direction of its own.
void DragNumber(PictureSession& session, int i)
{
    const std::int32_t x = 250 + (i % 12) * 460, y = 250 + (i / 12 % 10) * 380;
    const std::int32_t dx = (i % 5 - 2) * 30, dy = (i % 3 - 1) * 40 + 20;
    session.BeginDrag(x, y);
    session.DragTo(x + dx / 2, y + dy / 2);
    session.DragTo(x + dx, y + dy);
    session.EndDrag();
}

void LiveRegionCall(benchmark::State& state)
{
    auto session = NewSession();
    session->BeginRegion(ModeEnlarge, kWidth / 2, kHeight / 2, kDragRadius);
    bool odd = false;
    for (auto _ : state) {
        session->PreviewEnlarge((odd = !odd) ? 1.5 : 1.8);
        benchmark::ClobberMemory();
    }
    session->CancelRegion();
}
BENCHMARK(LiveRegionCall)->Unit(benchmark::kMillisecond);

void MapCopy(benchmark::State& state)
{
    auto session = NewSession();
    const std::size_t entries = static_cast<std::size_t>(kWidth) * kHeight;
    MapBuffer copy(entries);
    for (auto _ : state) {
        std::copy(session->Field().Map(), session->Field().Map() + entries, copy.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(MapCopy)->Unit(benchmark::kMillisecond);

// Each iteration is one step: back and forward in turn over the newest step.
void StepOver(benchmark::State& state, PictureSession& session)
{
    bool back = true;
    for (auto _ : state) {
        if (back)
            session.StepBack();
        else
            session.StepForward();
        back = !back;
        benchmark::ClobberMemory();
    }
}

void StepOverLocalDrag(benchmark::State& state)
{
    auto session = NewSession();
    DragNumber(*session, 40);
    StepOver(state, *session);
}
BENCHMARK(StepOverLocalDrag)->Unit(benchmark::kMillisecond);

void StepOverLocalEnlarge(benchmark::State& state)
{
    auto session = NewSession();
    session->BeginRegion(ModeEnlarge, kWidth / 2, kHeight / 2, kDragRadius);
    session->PreviewEnlarge(1.8);
    session->CommitRegion();
    StepOver(state, *session);
}
BENCHMARK(StepOverLocalEnlarge)->Unit(benchmark::kMillisecond);

void StepOverSmoothing(benchmark::State& state)
{
    auto session = NewSession();
    for (int i = 0; i < 120; ++i)
        DragNumber(*session, i);
    session->Smooth();
    StepOver(state, *session);
}
BENCHMARK(StepOverSmoothing)->Unit(benchmark::kMillisecond);

void HistoryMemory(benchmark::State& state)
{
    for (auto _ : state) {
        auto session = NewSession();
        for (int i = 0; i < 120; ++i) {
            DragNumber(*session, i);
            if (i == 40 || i == 80 || i == 119)
                session->Smooth();
            if (i == 60 || i == 100) {
                session->BeginExaggerate();
                session->PreviewExaggerate(140);
                session->CommitRegion();
            }
        }
        const PictureHistory& history = session->History();
        state.counters["steps"] = static_cast<double>(history.Count());
        state.counters["dropped"] = static_cast<double>(history.Dropped());
        state.counters["history_MB"] = static_cast<double>(history.Bytes()) / (1 << 20);
        state.counters["of_320MB"] = static_cast<double>(history.Bytes()) / (320.0 * (1 << 20));
    }
}
BENCHMARK(HistoryMemory)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
