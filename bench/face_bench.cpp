// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture's speed on a 6000 x 4000 photo: finding all faces and their
// points with the model loaded and at the first use (the model read as well),
// and one slider step of the face dialog (the whole composition afresh).
// Reads the photo named by GRIMASSO_FACE_PHOTO (bench/face_bench.sh makes it);
// each case reports its time as a ratio to its target (1.0 or less is met).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "face/FaceFinder.h"
#include "face/FaceGesture.h"
#include "image/DibImage.h"
#include "session/PictureSession.h"

namespace {

constexpr double kLoadedTargetSeconds = 0.6;
constexpr double kFirstUseTargetSeconds = 2.5;
constexpr double kSliderStepTargetSeconds = 0.033;

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

}  // namespace
