// SPDX-License-Identifier: GPL-3.0-or-later
// One slider step of the exaggeration on a 6000 x 4000 picture, against the
// copies it is measured by. Each exaggeration benchmark reports ratio: its mean
// time over the mean time of its reference, timed the same way in the same
// process just before it (the plain copy of the map's bytes for a face-sized
// deformation; one copy of the map plus one rendering of the whole picture for
// a deformation that moves every pixel). The targets are ratios of at most 2.5.
// Their CPU column counts every thread of the process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "bench/PatternPicture.h"
#include "deform/WarpField.h"

namespace {

constexpr std::int32_t kWidth = 6000, kHeight = 4000;

std::unique_ptr<CWarpField> Picture()
{
    PixelBuffer pixels = PatternPicture(kWidth, kHeight, [](std::int32_t x, std::int32_t y) { return x ^ y; });
    return std::make_unique<CWarpField>(kWidth, kHeight, std::move(pixels), 20);
}

void Gesture(CWarpField& field, WarpMode mode, const std::function<void()>& call)
{
    field.BeginDeformation(mode);
    call();
    field.EndDeformation();
}

// A caricature of a face of about 1200 x 1500 pixels in the middle: a swirled
// chin, enlarged eyes, a pulled nose.
std::unique_ptr<CWarpField> FaceDeformed()
{
    auto field = Picture();
    const std::int32_t cx = kWidth / 2, cy = kHeight / 2;
    Gesture(*field, ModeRotate, [&] { field->Rotate(cx, cy - 450, 350, 60, 2); });
    Gesture(*field, ModeEnlarge, [&] { field->Enlarge(cx - 250, cy + 200, 150, 1.8); });
    Gesture(*field, ModeEnlarge, [&] { field->Enlarge(cx + 250, cy + 200, 150, 1.8); });
    field->SetRadius(200);
    Gesture(*field, ModeMovePoint, [&] { field->MovePoint(cx, cy, cx + 60, cy - 120, true); });
    return field;
}

// A swirl whose circle holds the whole picture: every pixel is displaced.
std::unique_ptr<CWarpField> WholeDeformed()
{
    auto field = Picture();
    Gesture(*field, ModeRotate, [&] { field->Rotate(kWidth / 2, kHeight / 2, 3700, 150, 3); });
    return field;
}

// Mean seconds of `rounds` calls of work.
double MeanSeconds(int rounds, const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

// Slider steps between 150 % and 180 %, each from the restore point.
void SliderSteps(benchmark::State& state, CWarpField& field, double referenceSeconds)
{
    field.BeginDeformation(ModeExaggerate);
    field.Exaggerate(1.5);
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        field.Exaggerate((++step & 1) ? 1.8 : 1.5);
        benchmark::DoNotOptimize(field.Deformed());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (state.iterations() > 0)
        state.counters["ratio"] = seconds / static_cast<double>(state.iterations()) / referenceSeconds;
    field.UndoDeformation();
}

void ExaggerateStepFace24(benchmark::State& state)
{
    const auto field = FaceDeformed();
    // The reference: one plain copy of as many bytes as the map holds.
    const std::size_t bytes = static_cast<std::size_t>(kWidth) * kHeight * sizeof(MapEntry);
    std::vector<std::uint8_t> from(bytes, 1), to(bytes, 0);
    const double copySeconds = MeanSeconds(10, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    });
    SliderSteps(state, *field, copySeconds);
}

void ExaggerateStepWhole24(benchmark::State& state)
{
    const auto field = WholeDeformed();
    // The reference: one copy of the map and one rendering of every pixel.
    const std::size_t entries = static_cast<std::size_t>(kWidth) * kHeight;
    std::vector<MapEntry> copy(entries);
    const double referenceSeconds = MeanSeconds(5, [&] {
        std::memcpy(copy.data(), field->Map(), entries * sizeof(MapEntry));
        field->RenderAll();
        benchmark::DoNotOptimize(copy.data());
    });
    SliderSteps(state, *field, referenceSeconds);
}

}  // namespace

BENCHMARK(ExaggerateStepFace24)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(ExaggerateStepWhole24)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
