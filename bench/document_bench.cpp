// SPDX-License-Identifier: GPL-3.0-or-later
// A 6000 x 4000 Grimasso document against the same picture as a PNG of our own
// codec: saving and opening (as the editor opens: the warp field built), and
// the part of one recovery copy on the caller's thread against one copy of the
// map. bench/document_vs_png.sh prints the ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include "deform/PictureScaling.h"
#include "session/PictureSession.h"
#include "session/RecoveryCopy.h"

namespace {

constexpr std::int32_t kWidth = 6000, kHeight = 4000;

std::string Scratch(const std::string& name)
{
    return "/tmp/grimasso-document-bench-" + std::to_string(::getpid()) + "-" + name;
}

// The sample portrait enlarged to 24 megapixels, with a few gestures, so the
// picture compresses like a photo and the maps like a caricature's.
PictureSession& DeformedPortrait()
{
    static std::unique_ptr<PictureSession> session = [] {
        auto small = PictureSession::Open(GRIMASSO_SAMPLES_DIR "/astronaut.png");
        auto big = small->Rescaled(kWidth, kHeight);
        big->BeginRegion(ModeEnlarge, 2400, 2600, 500);
        big->PreviewEnlarge(1.8);
        big->CommitRegion();
        big->BeginRegion(ModeRotate, 3000, 1800, 900);
        big->PreviewRotate(90, 2);
        big->CommitRegion();
        big->BeginDrag(3000, 2000);
        big->DragTo(3100, 2150);
        big->EndDrag();
        return big;
    }();
    return *session;
}

void BM_SaveDocument(benchmark::State& state)
{
    PictureSession& session = DeformedPortrait();
    for (auto _ : state)
        session.Save(Scratch("a.grimasso"));
}
BENCHMARK(BM_SaveDocument)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_SavePng(benchmark::State& state)
{
    PictureSession& session = DeformedPortrait();
    for (auto _ : state)
        session.Save(Scratch("a.png"));
}
BENCHMARK(BM_SavePng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OpenDocument(benchmark::State& state)
{
    DeformedPortrait().Save(Scratch("a.grimasso"));
    for (auto _ : state) {
        auto session = PictureSession::Open(Scratch("a.grimasso"));
        benchmark::DoNotOptimize(&session->Field());
    }
    std::remove(Scratch("a.grimasso").c_str());
}
BENCHMARK(BM_OpenDocument)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_OpenPng(benchmark::State& state)
{
    DeformedPortrait().Save(Scratch("a.png"));
    for (auto _ : state) {
        auto session = PictureSession::Open(Scratch("a.png"));
        benchmark::DoNotOptimize(&session->Field());
    }
    std::remove(Scratch("a.png").c_str());
}
BENCHMARK(BM_OpenPng)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Only the call on the caller's thread is timed, as the editor makes it: after
// a gesture, the previous copy written. The gesture and the write the call
// starts are outside the timing.
void BM_RecoveryCopyCallerPart(benchmark::State& state)
{
    PictureSession& session = DeformedPortrait();
    RecoveryCopy copy("/tmp/grimasso-document-bench-" + std::to_string(::getpid()));
    copy.Write(session, "Bench");
    copy.Wait();
    std::int32_t step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        session.BeginDrag(2000, 2000 + step);
        session.DragTo(2010, 2004 + step);
        session.EndDrag();
        ++step;
        state.ResumeTiming();
        copy.Write(session, "Bench");
        state.PauseTiming();
        copy.Wait();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RecoveryCopyCallerPart)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_OneMapCopy(benchmark::State& state)
{
    const CWarpField& field = DeformedPortrait().Field();
    MapBuffer copy(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state) {
        std::copy(field.Map(), field.Map() + copy.size(), copy.data());
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(BM_OneMapCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
