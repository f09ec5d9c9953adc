// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture's speed on a 6000 x 4000 photo: finding all faces and their
// points with the model loaded and at the first use (the model read as well),
// and one slider step of the face dialog (the whole composition afresh). The
// automatic caricature as grimasso-cli runs it (find, fit, warp, render, the
// step kept) against finding the faces alone, and a step of the dialog's
// "Karikatur" slider (and of a feature's after it) against one copy of the map.
// Reads the photo named by GRIMASSO_FACE_PHOTO (bench/face_bench.sh makes it);
// each case reports its time as a ratio to its target (1.0 or less is met).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "face/CaricatureWarp.h"
#include "face/FaceFinder.h"
#include "face/FaceGesture.h"
#include "image/DibImage.h"
#include "session/PictureSession.h"

namespace {

constexpr double kLoadedTargetSeconds = 0.6;
constexpr double kFirstUseTargetSeconds = 2.5;
constexpr double kSliderStepTargetSeconds = 0.033;
// The caricature's targets as ratios to the operation named.
constexpr double kCaricaturePerFind = 1.5;
constexpr double kCaricatureStepPerMapCopy = 2.5;

PictureSession& Photo()
{
    static std::unique_ptr<PictureSession> photo = [] {
        const char* path = std::getenv("GRIMASSO_FACE_PHOTO");
        if (!path)
            throw std::runtime_error("GRIMASSO_FACE_PHOTO names no photo");
        return PictureSession::Open(path);
    }();
    return *photo;
}

std::vector<FoundFace> FindIn(FaceFinder& finder, const PictureSession& photo)
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    photo.GetPicture(header, rows);
    return finder.Find(header.biWidth, header.biHeight, rows, static_cast<std::size_t>(RowBytes(header.biWidth, 24)));
}

void ReportRatio(benchmark::State& state, double totalSeconds, double target)
{
    state.counters["ratio_to_target"] = totalSeconds / static_cast<double>(state.iterations()) / target;
}

void BM_FindFacesLoaded(benchmark::State& state)
{
    PictureSession& photo = Photo();
    FaceFinder::Shared().LoadModel();
    double total = 0;
    std::size_t faces = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        faces = FindIn(FaceFinder::Shared(), photo).size();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["faces"] = static_cast<double>(faces);
    ReportRatio(state, total, kLoadedTargetSeconds);
}
BENCHMARK(BM_FindFacesLoaded)->Unit(benchmark::kMillisecond)->Iterations(5);

// A finder of its own each time: the model is read and parsed before the search.
void BM_FindFacesFirstUse(benchmark::State& state)
{
    PictureSession& photo = Photo();
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        FaceFinder finder(FaceFinder::kDefaultModelPath);
        benchmark::DoNotOptimize(FindIn(finder, photo).size());
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    ReportRatio(state, total, kFirstUseTargetSeconds);
}
BENCHMARK(BM_FindFacesFirstUse)->Unit(benchmark::kMillisecond)->Iterations(3);

// The eye slider moving by one between two values while chin, smile and head
// are set: each step restores the previous composition and runs the new one.
void BM_FaceSliderStep(benchmark::State& state)
{
    PictureSession& photo = Photo();
    const std::vector<FoundFace> faces = FindIn(FaceFinder::Shared(), photo);
    if (faces.empty()) {
        state.SkipWithError("no face in the photo");
        return;
    }
    FaceSettings settings;
    settings.Set(FaceFeature::Chin, 60);
    settings.Set(FaceFeature::Smile, 40);
    settings.Set(FaceFeature::Head, 130);
    photo.BeginFace();
    int eyes = 180;
    photo.PreviewFace(FaceGestureSteps(faces.front(), settings, photo.Width(), photo.Height()));
    double total = 0;
    for (auto _ : state) {
        eyes = eyes == 180 ? 181 : 180;
        settings.Set(FaceFeature::Eyes, eyes);
        const auto start = std::chrono::steady_clock::now();
        photo.PreviewFace(FaceGestureSteps(faces.front(), settings, photo.Width(), photo.Height()));
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    photo.CancelFace();
    ReportRatio(state, total, kSliderStepTargetSeconds);
}
BENCHMARK(BM_FaceSliderStep)->Unit(benchmark::kMillisecond)->Iterations(30);

// Seconds of one call of work.
template <class Work>
double Seconds(Work work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds of one plain copy of the photo's map (the fastest of three).
double MapCopySeconds(PictureSession& photo)
{
    const CWarpField& field = photo.Field();
    const std::size_t count = static_cast<std::size_t>(field.Width()) * field.Height();
    MapBuffer copy(count);
    double best = 1e9;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, Seconds([&] { std::copy(field.Map(), field.Map() + count, copy.begin()); }));
    benchmark::DoNotOptimize(copy.data());
    return best;
}

// --caricature 250: the faces found, the mean face fitted, the warp applied as
// one gesture and kept as a step; against the search alone in the same run.
void BM_CaricatureAgainstFindFaces(benchmark::State& state)
{
    PictureSession& photo = Photo();
    FaceFinder::Shared().LoadModel();
    FaceFinder::Shared().MeanFace();
    double caricature = 0, find = 0;
    for (auto _ : state) {
        find += Seconds([&] { benchmark::DoNotOptimize(FindIn(FaceFinder::Shared(), photo).size()); });
        caricature += Seconds([&] {
            const std::vector<FoundFace> faces = FindIn(FaceFinder::Shared(), photo);
            const CaricatureShape shape = CaricatureOf(faces.front(), FaceFinder::Shared().MeanFace(), 250);
            photo.Caricature(CaricatureGrid(faces.front(), shape, photo.Width(), photo.Height()));
        });
        state.PauseTiming();
        photo.Undo();
        state.ResumeTiming();
    }
    state.counters["ratio_to_find"] = caricature / find;
    state.counters["ratio_to_target"] = caricature / find / kCaricaturePerFind;
}
BENCHMARK(BM_CaricatureAgainstFindFaces)->Unit(benchmark::kMillisecond)->Iterations(3);

// The dialog's "Karikatur" slider moving by one between 250 and 251 (the warp
// computed afresh and run), or, with it at 250 and chin and head set, the eye
// slider: each against one copy of the map.
void CaricatureSliderStep(benchmark::State& state, bool moveEyes)
{
    PictureSession& photo = Photo();
    const std::vector<FoundFace> faces = FindIn(FaceFinder::Shared(), photo);
    if (faces.empty()) {
        state.SkipWithError("no face in the photo");
        return;
    }
    const FaceShape& mean = FaceFinder::Shared().MeanFace();
    // The caricature alone; the eye slider beside chin and head.
    FaceSettings settings;
    if (moveEyes) {
        settings.Set(FaceFeature::Chin, 60);
        settings.Set(FaceFeature::Head, 130);
    }
    auto plan = [&](int percent) {
        const CaricatureShape shape = CaricatureOf(faces.front(), mean, percent);
        FoundFace moved = faces.front();
        moved.points = shape.targets;
        return FacePlan{CaricatureGrid(faces.front(), shape, photo.Width(), photo.Height()),
                        FaceGestureSteps(moved, settings, photo.Width(), photo.Height())};
    };
    const double copy = MapCopySeconds(photo);
    photo.BeginFace();
    photo.PreviewFacePlan(plan(250));
    FacePlan fixed = plan(250);
    int value = 180;
    double total = 0;
    for (auto _ : state) {
        value = value == 180 ? 181 : 180;
        total += Seconds([&] {
            if (moveEyes) {
                settings.Set(FaceFeature::Eyes, value);
                FoundFace moved = faces.front();
                moved.points = CaricatureOf(faces.front(), mean, 250).targets;
                fixed.steps = FaceGestureSteps(moved, settings, photo.Width(), photo.Height());
                photo.PreviewFacePlan(fixed);
            } else {
                photo.PreviewFacePlan(plan(value + 70));
            }
        });
    }
    photo.CancelFace();
    const double step = total / static_cast<double>(state.iterations());
    state.counters["map_copy_ms"] = copy * 1000;
    state.counters["ratio_to_copy"] = step / copy;
    state.counters["ratio_to_target"] = step / copy / kCaricatureStepPerMapCopy;
}
void BM_CaricatureSliderStep(benchmark::State& state) { CaricatureSliderStep(state, false); }
void BM_EyeSliderStepAfterCaricature(benchmark::State& state) { CaricatureSliderStep(state, true); }
BENCHMARK(BM_CaricatureSliderStep)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_EyeSliderStepAfterCaricature)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
