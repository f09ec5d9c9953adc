// SPDX-License-Identifier: GPL-3.0-or-later
// The running order of the morph video: every timing setting alone and all of
// them together, checked frame by frame in a written AVI against frames built
// at the fractions the settings call for; and the encoded formats' frame
// counts, durations and sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "AviTestSupport.h"
#include "TestPictures.h"
#include "VideoExportTestSupport.h"
#include "WarpFieldTestSupport.h"
#include "deform/IntermediateFrame.h"
#include "video/VideoExport.h"

namespace {

using videotest::RecordingProgress;

// 1000 ms at 5 frames a second: frames 0 to 5 at u = 0, 0.2, ..., 1.
constexpr std::uint32_t kDurationMs = 1000, kFps = 5;

double Smooth(double u)
{
    return u * u * (3.0 - 2.0 * u);
}
double Out(double u)
{
    return 1.0 - (1.0 - u) * (1.0 - u);
}

struct OrderCase {
    const char* name;
    VideoTiming timing;
    std::vector<int> frames;  // indexes k of the plain order
    double (*ease)(double);   // null: linear
};

const OrderCase kOrders[] = {
    {"plain", {}, {0, 1, 2, 3, 4, 5}, nullptr},
    {"smooth", {VideoEase::Smooth}, {0, 1, 2, 3, 4, 5}, Smooth},
    {"out", {VideoEase::Out}, {0, 1, 2, 3, 4, 5}, Out},
    {"pingpong", {VideoEase::Linear, VideoLoop::PingPong}, {0, 1, 2, 3, 4, 5, 4, 3, 2, 1}, nullptr},
    {"reverse", {VideoEase::Linear, VideoLoop::Once, true}, {5, 4, 3, 2, 1, 0}, nullptr},
    // 400 ms at 5 a second: two more showings; 500 ms: round(2.5) = 3.
    {"hold start", {VideoEase::Linear, VideoLoop::Once, false, 400, 0}, {0, 0, 0, 1, 2, 3, 4, 5}, nullptr},
    {"hold end", {VideoEase::Linear, VideoLoop::Once, false, 0, 500}, {0, 1, 2, 3, 4, 5, 5, 5, 5}, nullptr},
    {"hold end at the turning point", {VideoEase::Linear, VideoLoop::PingPong, false, 0, 400},
     {0, 1, 2, 3, 4, 5, 5, 5, 4, 3, 2, 1}, nullptr},
    {"smooth, pingpong, hold end, reverse", {VideoEase::Smooth, VideoLoop::PingPong, true, 0, 400},
     {5, 4, 3, 2, 1, 0, 0, 0, 1, 2, 3, 4}, Smooth},
    {"everything", {VideoEase::Out, VideoLoop::PingPong, true, 200, 200}, {5, 5, 4, 3, 2, 1, 0, 0, 1, 2, 3, 4}, Out},
};

double FractionOf(const OrderCase& c, int k)
{
    const double u = k / 5.0;
    return c.ease ? c.ease(u) : u;
}

std::unique_ptr<CWarpField> Swirled(std::int32_t width, std::int32_t height)
{
    auto field = warptest::MakeField(width, height);
    field->BeginDeformation(ModeRotate);
    field->Rotate(width / 2, height / 2, height / 2.2, 150.0, 2.0);
    field->EndDeformation();
    return field;
}

std::vector<std::uint8_t> FrameAt(const CWarpField& field, double c)
{
    std::vector<std::uint8_t> frame(warptest::PictureBytes(field));
    BuildFrameInto(FrameSourceOf(field), c, frame.data());
    return frame;
}

TEST(RunningOrder, AviHasExactlyTheFramesOfEachSetting)
{
    testpictures::ScratchDirectory dir;
    const auto field = Swirled(41, 29);
    for (const OrderCase& c : kOrders) {
        const std::string path = dir.File("order.avi");
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, path, kDurationMs, kFps, progress, VideoOptions{c.timing, 16}),
                  VideoExportOutcome::Done)
            << c.name;
        // The progress reaches 100 over all frames written.
        EXPECT_EQ(progress.events.back(), "100") << c.name;
        EXPECT_EQ(progress.questions, static_cast<int>(c.frames.size())) << c.name;

        avitest::RiffFile file(path);
        std::vector<const avitest::Chunk*> chunks;
        for (const avitest::Chunk& riff : file.top)
            if (const avitest::Chunk* movi = riff.Find("movi"))
                for (const avitest::Chunk* chunk : movi->FindAll("00db"))
                    chunks.push_back(chunk);
        ASSERT_EQ(chunks.size(), c.frames.size()) << c.name;
        for (std::size_t i = 0; i < chunks.size(); ++i)
            EXPECT_EQ(file.Data(*chunks[i]), FrameAt(*field, FractionOf(c, c.frames[i])))
                << c.name << ", frame " << i << " should be k = " << c.frames[i];
    }
}

TEST(RunningOrder, EaseLimitsTheOvershootOfTheLastFrame)
{
    // 7 frames a second over 1100 ms: the last frame lies at 1143 ms, past the end.
    for (const auto& [ease, last] : std::vector<std::pair<VideoEase, double>>{
             {VideoEase::Linear, 1143.0 / 1100.0}, {VideoEase::Smooth, 1.0}, {VideoEase::Out, 1.0}}) {
        const std::vector<RunningFrame> order = BuildRunningOrder(1100, 7, VideoTiming{ease});
        ASSERT_EQ(order.size(), 9u);
        EXPECT_EQ(order.back().fraction, last);
        EXPECT_EQ(order.front().fraction, 0.0);
    }
    // One frame only: both holds land on it.
    const auto single = BuildRunningOrder(10, 5, VideoTiming{VideoEase::Linear, VideoLoop::PingPong, true, 1000, 600});
    ASSERT_EQ(single.size(), 1u);
    EXPECT_EQ(single[0].showings, 1u + 5u + 3u);
}

bool HaveFfmpeg()
{
    return avitest::HaveTool("ffprobe") && avitest::HaveTool("ffmpeg");
}

double SumOfGifDelays(const std::string& path)
{
    std::istringstream lines(avitest::Output("ffprobe -v error -show_entries packet=duration_time -of csv=p=0 " +
                                             avitest::Quoted(path) + " 2>/dev/null"));
    double sum = 0;
    for (std::string line; std::getline(lines, line);)
        sum += std::stod(line);
    return sum;
}

TEST(RunningOrder, EncodedVideosHaveTheSameFramesAndTheStatedSize)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    const auto field = Swirled(90, 61);
    const OrderCase& combined = kOrders[8];  // smooth, pingpong, hold end, reverse
    struct SizeCase {
        const char* ending;
        std::int32_t longSide;
        const char* width;
        const char* height;
    };
    const SizeCase sizes[] = {
        {"mp4", 0, "90", "62"},   // the odd height padded as before
        {"mp4", 45, "46", "30"},  // 61 * 45 / 90 = 30.5, to even: 30; the odd width padded to 46
        {"webm", 32, "32", "22"},
        {"gif", 50, "50", "34"},
        {"gif", 200, "90", "61"},  // never larger than the picture
    };
    for (const SizeCase& size : sizes) {
        const std::string path = dir.File(std::string("order.") + size.ending);
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, path, kDurationMs, kFps, progress, VideoOptions{combined.timing, size.longSide}),
                  VideoExportOutcome::Done)
            << size.ending;
        auto probe = avitest::ProbeVideoStream(path, true);
        const std::string what = std::string(size.ending) + " at " + std::to_string(size.longSide);
        EXPECT_EQ(probe["width"], size.width) << what;
        EXPECT_EQ(probe["height"], size.height) << what;
        if (std::string(size.ending) == "gif") {
            // The hold is one frame shown three times as long: 10 frames, 12 frame times.
            EXPECT_EQ(probe["nb_read_frames"], "10") << what;
            EXPECT_NEAR(SumOfGifDelays(path), 12 * 0.2, 1e-9) << what;
        } else {
            EXPECT_EQ(probe["nb_read_frames"], std::to_string(combined.frames.size())) << what;
        }
    }
}

// Mean squared difference of a decoded frame (decodedWidth wide, top-down) and
// an expected one (AsDecoded layout) over the expected one's area.
double MeanSquare(const std::vector<std::uint8_t>& decoded, int decodedWidth, const std::vector<std::uint8_t>& expected,
                  int width, int height)
{
    double sum = 0;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i) {
            const double d = double(decoded[static_cast<std::size_t>(y) * 3 * decodedWidth + i]) -
                             expected[static_cast<std::size_t>(y) * 3 * width + i];
            sum += d * d;
        }
    return sum / (3.0 * width * height);
}

TEST(RunningOrder, EncodedFramesComeInTheOrderOfTheAvi)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    const auto field = Swirled(90, 61);
    const OrderCase& combined = kOrders[8];  // smooth, pingpong, hold end, reverse
    std::vector<std::vector<std::uint8_t>> plain;  // the frames k = 0 to 5 as decoded
    for (int k = 0; k <= 5; ++k)
        plain.push_back(avitest::AsDecoded(FrameAt(*field, FractionOf(combined, k)).data(), 90, 61,
                                           field->RowBytesOfPicture()));
    // MP4 decodes every repeated frame; the GIF each distinct frame once.
    const std::vector<std::pair<std::string, std::vector<int>>> formats = {
        {"mp4", combined.frames}, {"gif", {5, 4, 3, 2, 1, 0, 1, 2, 3, 4}}};
    for (const auto& [ending, frames] : formats) {
        const std::string path = dir.File("order." + ending);
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, path, kDurationMs, kFps, progress, VideoOptions{combined.timing, 0}),
                  VideoExportOutcome::Done);
        const int decodedHeight = ending == "mp4" ? 62 : 61;
        const auto decoded = avitest::DecodeFrames(path, 90, decodedHeight);
        ASSERT_EQ(decoded.size(), frames.size()) << ending;
        for (std::size_t i = 0; i < decoded.size(); ++i) {
            // Each decoded frame is nearest to the frame the order names.
            int nearest = 0;
            for (int k = 1; k <= 5; ++k)
                if (MeanSquare(decoded[i], 90, plain[k], 90, 61) < MeanSquare(decoded[i], 90, plain[nearest], 90, 61))
                    nearest = k;
            EXPECT_EQ(nearest, frames[i]) << ending << ", frame " << i;
        }
    }
}

TEST(RunningOrder, GifHoldsTheLastFrameOfAOnceVideo)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    const auto field = Swirled(40, 30);
    const std::string path = dir.File("held.gif");
    RecordingProgress progress;
    const VideoTiming timing{VideoEase::Linear, VideoLoop::Once, false, 400, 1000};
    ASSERT_EQ(ExportVideo(*field, path, kDurationMs, kFps, progress, VideoOptions{timing, 0}), VideoExportOutcome::Done);
    // Six frames and 2 + 5 held frame times.
    EXPECT_EQ(avitest::ProbeVideoStream(path, true)["nb_read_frames"], "6");
    EXPECT_NEAR(SumOfGifDelays(path), 13 * 0.2, 1e-9);
}

}  // namespace
