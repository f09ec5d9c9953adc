// SPDX-License-Identifier: GPL-3.0-or-later
// The video export on synthetic deformed pictures: whole exports (frame building
// and writing) as AVI and as MP4, and frame building alone.
// bench/video_export_bench.sh sets the AVI export against ffmpeg muxing the same
// frames, bench/video_encode_bench.sh the MP4 export against ffmpeg encoding them.
//
// The export writes to GRIMASSO_BENCH_DIR (default: the system's temporary
// folder). With GRIMASSO_BENCH_OUTPUT set, it writes that file instead and
// keeps it, so that a script can hand the very same frames to another program.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "bench/PatternPicture.h"
#include "deform/IntermediateFrame.h"
#include "deform/WarpField.h"
#include "video/VideoExport.h"

namespace {

constexpr std::uint32_t kDurationMs = 2000;
constexpr std::uint32_t kFramesPerSecond = 7;  // 15 frames

class SilentProgress : public IVideoExportProgress {
public:
    bool TakeCancelRequest() override { return false; }
    void SetPosition(int) override {}
};

// A picture with a smooth colour pattern, deformed by one large rotation and one
// enlargement, as a portrait after a few gestures. Built once per size.
const CWarpField& DeformedPicture(std::int32_t width, std::int32_t height)
{
    static std::map<std::pair<std::int32_t, std::int32_t>, std::unique_ptr<CWarpField>> cache;
    auto& field = cache[{width, height}];
    if (!field) {
        PixelBuffer pixels = PatternPicture(width, height, [](std::int32_t x, std::int32_t y) { return (x + y) / 4; });
        field = std::make_unique<CWarpField>(width, height, std::move(pixels), 20);
        field->BeginDeformation(ModeRotate);
        field->Rotate(width / 2, height / 2, height * 0.4, 60.0, 1.0);
        field->EndDeformation();
        field->BeginDeformation(ModeEnlarge);
        field->Enlarge(width / 3, height / 2, height * 0.2, 2.0);
        field->EndDeformation();
    }
    return *field;
}

std::string OutputPath(const std::string& ending)
{
    if (const char* output = std::getenv("GRIMASSO_BENCH_OUTPUT"); output && *output)
        return output;
    const char* dir = std::getenv("GRIMASSO_BENCH_DIR");
    const std::filesystem::path folder =
        dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
    return (folder / ("grimasso-bench-" + std::to_string(::getpid()) + ending)).string();
}

void ExportVideoAs(benchmark::State& state, const std::string& ending)
{
    const CWarpField& field = DeformedPicture(static_cast<std::int32_t>(state.range(0)),
                                              static_cast<std::int32_t>(state.range(1)));
    const std::string path = OutputPath(ending);
    const bool keep = std::getenv("GRIMASSO_BENCH_OUTPUT") != nullptr;
    const std::uint32_t frames = ComputeFrameTiming(kDurationMs, kFramesPerSecond).frameCount;
    SilentProgress progress;
    for (auto _ : state) {
        if (ExportVideo(field, path, kDurationMs, kFramesPerSecond, progress) != VideoExportOutcome::Done) {
            state.SkipWithError("the export failed");
            break;
        }
        state.PauseTiming();
        if (!keep)
            std::filesystem::remove(path);
        state.ResumeTiming();
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(frames) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
}

void BM_ExportVideo(benchmark::State& state)
{
    ExportVideoAs(state, ".avi");
}

void BM_ExportMp4(benchmark::State& state)
{
    ExportVideoAs(state, ".mp4");
}

void BM_BuildFrame(benchmark::State& state)
{
    const CWarpField& field = DeformedPicture(static_cast<std::int32_t>(state.range(0)),
                                              static_cast<std::int32_t>(state.range(1)));
    PixelBuffer frame =
        PixelBuffer::Allocate(static_cast<std::size_t>(field.RowBytesOfPicture()) * field.Height(), true);
    const FrameSource source = FrameSourceOf(field);
    // As the export builds them: the pixels that stay in place are copied row-wise.
    const std::vector<DisplacedSpan> spans = FindDisplacedSpans(source);
    for (auto _ : state) {
        BuildFrameInto(source, 0.6, frame.data(), &spans);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_ExportVideo)
    ->Args({1920, 1080})
    ->Args({6000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_ExportMp4)
    ->Args({1920, 1080})
    ->Args({6000, 4000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_BuildFrame)->Args({1920, 1080})->Args({6000, 4000})->Unit(benchmark::kMillisecond)->UseRealTime();
