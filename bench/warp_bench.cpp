// SPDX-License-Identifier: GPL-3.0-or-later
// Costs of the warp engine's live calls and whole-picture passes on synthetic
// pictures. A live region call must cost the same on 1 and on 24 megapixels:
// compare LiveEnlarge/1 with LiveEnlarge/24 (and the same for Shrink, Rotate).
// The *24MP_R1000 cases are the large radii users take on a 24-megapixel
// portrait; their counter frame_ratio is the mean time of one call over the
// 33 ms of a 30 Hz frame (below 1: the slider or drag keeps up). Their CPU
// column counts every thread of the process: the work done, which a busy
// machine does not inflate the way it does the wall-clock time.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>

#include "bench/PatternPicture.h"
#include "deform/WarpField.h"

namespace {

// A field of about `megapixels` million pixels with a smooth colour pattern.
std::unique_ptr<CWarpField> MakeField(int megapixels)
{
    const std::int32_t width = megapixels == 24 ? 6000 : 1000;
    const std::int32_t height = megapixels == 24 ? 4000 : 1000 * megapixels;
    PixelBuffer pixels = PatternPicture(width, height, [](std::int32_t x, std::int32_t y) { return x ^ y; });
    return std::make_unique<CWarpField>(width, height, std::move(pixels), 20);
}

// The same, built once and shared by every live-call benchmark that asks for
// that size (each of them leaves the map as it found it).
CWarpField& FieldOfSize(int megapixels)
{
    static std::map<int, std::unique_ptr<CWarpField>> fields;
    auto& field = fields[megapixels];
    if (!field)
        field = MakeField(megapixels);
    return *field;
}

// A 24-megapixel field with a few swirls, so that whole-picture passes read a
// map that is not the identity; each benchmark gets its own, so none depends on
// which ran before it.
std::unique_ptr<CWarpField> DeformedField()
{
    std::unique_ptr<CWarpField> field = MakeField(24);
    for (int i = 1; i <= 4; ++i) {
        field->BeginDeformation(ModeRotate);
        field->Rotate(field->Width() * i / 5, field->Height() / 2, field->Height() / 3.0, 150.0, 3.0);
        field->EndDeformation();
    }
    return field;
}

enum RegionTool { ToolEnlarge, ToolShrink, ToolRotate };

// One slider change: the call replaces the previous one of the same gesture.
void LiveRegionCall(benchmark::State& state, RegionTool tool)
{
    CWarpField& field = FieldOfSize(static_cast<int>(state.range(0)));
    const std::int32_t cx = field.Width() / 2, cy = field.Height() / 2;
    const double radius = 100.0;
    field.BeginDeformation(tool == ToolEnlarge ? ModeEnlarge : tool == ToolShrink ? ModeShrink : ModeRotate);
    int step = 0;
    for (auto _ : state) {
        const bool odd = (++step & 1) != 0;
        switch (tool) {
        case ToolEnlarge: field.Enlarge(cx, cy, radius, odd ? 1.5 : 1.8); break;
        case ToolShrink: field.Shrink(cx, cy, radius, odd ? 0.3 : 0.6); break;
        case ToolRotate: field.Rotate(cx, cy, radius, odd ? 90.0 : -120.0, 2.0); break;
        }
        benchmark::DoNotOptimize(field.Deformed());
    }
    // After the loop: not timed.
    field.UndoDeformation();
    field.EndDeformation();
}

void LiveEnlarge(benchmark::State& state) { LiveRegionCall(state, ToolEnlarge); }
void LiveShrink(benchmark::State& state) { LiveRegionCall(state, ToolShrink); }
void LiveRotate(benchmark::State& state) { LiveRegionCall(state, ToolRotate); }

// A drag in steps of 5 pixels around a circle: previews each time, commits a
// sub-move whenever the anchor falls 0.6 x radius behind.
void MovePointLiveDrag(benchmark::State& state)
{
    CWarpField& field = FieldOfSize(1);
    const std::int32_t radius = static_cast<std::int32_t>(state.range(0));
    field.SetRadius(radius);
    const double centreX = field.Width() / 2.0, centreY = field.Height() / 2.0, circle = 300.0;
    field.BeginDeformation(ModeMovePoint);
    std::int32_t ax = static_cast<std::int32_t>(centreX + circle), ay = static_cast<std::int32_t>(centreY);
    double angle = 0.0;
    for (auto _ : state) {
        angle += 5.0 / circle;
        field.MovePointLive(ax, ay, static_cast<std::int32_t>(centreX + circle * std::cos(angle)),
                            static_cast<std::int32_t>(centreY + circle * std::sin(angle)));
        benchmark::DoNotOptimize(field.Deformed());
    }
    field.EndDeformation();
    field.UndoDeformation();
    field.SetRadius(20);
}

constexpr double kLiveFrameSeconds = 0.033;

void ReportFrameRatio(benchmark::State& state, double seconds)
{
    if (state.iterations() > 0)
        state.counters["frame_ratio"] = seconds / static_cast<double>(state.iterations()) / kLiveFrameSeconds;
}

// Slider changes of a region of radius 1000 in the middle of a 6000 x 4000 picture.
void LiveRegion24(benchmark::State& state, RegionTool tool)
{
    CWarpField& field = FieldOfSize(24);
    const std::int32_t cx = field.Width() / 2, cy = field.Height() / 2;
    field.BeginDeformation(tool == ToolEnlarge ? ModeEnlarge : tool == ToolShrink ? ModeShrink : ModeRotate);
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const bool odd = (++step & 1) != 0;
        switch (tool) {
        // Radius 500 at factor 2: the enlarged region reaches radius 1000.
        case ToolEnlarge: field.Enlarge(cx, cy, 500.0, odd ? 2.0 : 1.99); break;
        case ToolShrink: field.Shrink(cx, cy, 1000.0, odd ? 0.3 : 0.6); break;
        case ToolRotate: field.Rotate(cx, cy, 1000.0, odd ? 90.0 : -120.0, 3.0); break;
        }
        benchmark::DoNotOptimize(field.Deformed());
    }
    ReportFrameRatio(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    field.UndoDeformation();
    field.EndDeformation();
}

void LiveEnlarge24MP_R1000(benchmark::State& state) { LiveRegion24(state, ToolEnlarge); }
void LiveShrink24MP_R1000(benchmark::State& state) { LiveRegion24(state, ToolShrink); }
void LiveRotate24MP_R1000(benchmark::State& state) { LiveRegion24(state, ToolRotate); }

// Pointer moves of a drag at radius 1000 on 24 megapixels that stay within
// 0.6 x radius of the anchor: every step re-renders the previous preview's
// square and previews the new one, nothing is committed.
void MovePointPreview24MP_R1000(benchmark::State& state)
{
    CWarpField& field = FieldOfSize(24);
    field.SetRadius(1000);
    const std::int32_t cx = field.Width() / 2, cy = field.Height() / 2;
    field.BeginDeformation(ModeMovePoint);
    std::int32_t ax = cx, ay = cy;
    int step = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const double angle = ++step * 0.1;
        field.MovePointLive(ax, ay, cx + static_cast<std::int32_t>(200 * std::cos(angle)),
                            cy + static_cast<std::int32_t>(200 * std::sin(angle)));
        benchmark::DoNotOptimize(field.Deformed());
    }
    ReportFrameRatio(state, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (ax != cx || ay != cy)
        state.SkipWithError("a sub-move was committed: the drag left the preview-only range");
    field.UndoDeformation();
    field.EndDeformation();
    field.SetRadius(20);
}

// The Undo command after a gesture that may have changed any pixel, here the
// smoothing of a swirled map: the restore point becomes the map and every pixel
// whose entry changes is rendered again.
void UndoDeformation24(benchmark::State& state)
{
    const std::unique_ptr<CWarpField> deformed = DeformedField();
    CWarpField& field = *deformed;
    for (auto _ : state) {
        state.PauseTiming();
        field.BeginDeformation(ModeSmooth);
        field.SmoothMap();
        state.ResumeTiming();
        field.UndoDeformation();
        benchmark::DoNotOptimize(field.Deformed());
    }
}

// The Undo command (or the dialog's cancel) after a region call of radius 1000:
// only the region's box is restored.
void UndoRegion24MP_R1000(benchmark::State& state)
{
    const std::unique_ptr<CWarpField> deformed = DeformedField();
    CWarpField& field = *deformed;
    for (auto _ : state) {
        state.PauseTiming();
        field.BeginDeformation(ModeRotate);
        field.Rotate(field.Width() / 2, field.Height() / 2, 1000.0, 90.0, 3.0);
        field.EndDeformation();
        state.ResumeTiming();
        field.UndoDeformation();
        benchmark::DoNotOptimize(field.Deformed());
    }
}

void SmoothMap24(benchmark::State& state)
{
    const std::unique_ptr<CWarpField> deformed = DeformedField();
    CWarpField& field = *deformed;
    for (auto _ : state) {
        state.PauseTiming();
        field.BeginDeformation(ModeSmooth);
        state.ResumeTiming();
        field.SmoothMap();
        state.PauseTiming();
        field.UndoDeformation();  // every round filters the same map
        state.ResumeTiming();
    }
}

void RenderAll24(benchmark::State& state)
{
    const std::unique_ptr<CWarpField> deformed = DeformedField();
    CWarpField& field = *deformed;
    for (auto _ : state) {
        field.RenderAll();
        benchmark::DoNotOptimize(field.Deformed());
    }
}

}  // namespace

BENCHMARK(LiveEnlarge)->Arg(1)->Arg(24)->Unit(benchmark::kMicrosecond);
BENCHMARK(LiveShrink)->Arg(1)->Arg(24)->Unit(benchmark::kMicrosecond);
BENCHMARK(LiveRotate)->Arg(1)->Arg(24)->Unit(benchmark::kMicrosecond);
BENCHMARK(MovePointLiveDrag)->Arg(20)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(LiveRotate24MP_R1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(LiveShrink24MP_R1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(LiveEnlarge24MP_R1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(MovePointPreview24MP_R1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(1.0);
BENCHMARK(UndoDeformation24)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(10);
BENCHMARK(UndoRegion24MP_R1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(10);
BENCHMARK(SmoothMap24)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->Iterations(5);
BENCHMARK(RenderAll24)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime()->MinTime(0.5);
