// SPDX-License-Identifier: GPL-3.0-or-later
// The video export: frame count and times, the order of cancel questions and
// progress positions, what is left on disk after every kind of ending, and the
// finished file as ffmpeg decodes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "AviTestSupport.h"
#include "TestPictures.h"
#include "VideoExportTestSupport.h"
#include "WarpFieldTestSupport.h"
#include "deform/IntermediateFrame.h"
#include "session/VideoOutcomeMessage.h"
#include "video/VideoExport.h"

namespace {

using videotest::Events;
using videotest::RecordingProgress;

std::unique_ptr<CWarpField> DeformedField(std::int32_t width, std::int32_t height)
{
    auto field = warptest::MakeField(width, height);
    field->BeginDeformation(ModeRotate);
    field->Rotate(width / 2, height / 2, height / 2.5, 90.0, 1.5);
    field->EndDeformation();
    return field;
}

std::size_t FramesInFile(const std::string& path)
{
    avitest::RiffFile file(path);
    EXPECT_EQ(file.error, "");
    std::size_t frames = 0;
    for (const avitest::Chunk& riff : file.top)
        if (const avitest::Chunk* movi = riff.Find("movi"))
            frames += movi->FindAll("00db").size();
    return frames;
}

}  // namespace

TEST(VideoFrameTiming, DefaultsGiveFifteenFramesUpToTheFullDuration)
{
    const VideoFrameTiming timing = ComputeFrameTiming(2000, 7);
    EXPECT_EQ(timing.frameCount, 15u);
    EXPECT_DOUBLE_EQ(timing.frameIntervalMs, 1000.0 / 7.0);
    const std::vector<std::uint32_t> expected = {0,    143,  286,  429,  571,  714,  857, 1000,
                                                 1143, 1286, 1429, 1571, 1714, 1857, 2000};
    std::vector<std::uint32_t> times;
    for (std::uint32_t k = 0; k < timing.frameCount; ++k)
        times.push_back(FrameTimeMs(timing, k));
    EXPECT_EQ(times, expected);
    EXPECT_EQ(FrameFraction(2000, times.back()), 1.0);
}

TEST(VideoFrameTiming, ShortAndUnevenDurations)
{
    const VideoFrameTiming single = ComputeFrameTiming(1, 1);
    EXPECT_EQ(single.frameCount, 1u);
    EXPECT_EQ(FrameTimeMs(single, 0), 0u);

    const VideoFrameTiming shortOfTheEnd = ComputeFrameTiming(1040, 10);
    EXPECT_EQ(shortOfTheEnd.frameCount, 11u);
    EXPECT_EQ(FrameTimeMs(shortOfTheEnd, 10), 1000u);
    EXPECT_NEAR(FrameFraction(1040, 1000), 0.9615, 0.0001);

    const VideoFrameTiming beyondTheEnd = ComputeFrameTiming(1050, 10);  // 10.5 rounds up
    EXPECT_EQ(beyondTheEnd.frameCount, 12u);
    EXPECT_EQ(FrameTimeMs(beyondTheEnd, 11), 1100u);

    EXPECT_EQ(ComputeFrameTiming(1000000, 50).frameCount, 50001u);
    EXPECT_EQ(ComputeFrameTiming(2000, 0).frameCount, 1u) << "no rate must not divide by zero";
}

TEST(VideoExportLoop, ProgressFollowsEveryWrittenFrame)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("v.avi");
    const auto field = DeformedField(12, 9);
    RecordingProgress progress;
    // 2000 ms at 1 frame a second: three frames, at 0, 1000 and 2000 ms.
    const VideoExportOutcome outcome = ExportVideo(*field, path, 2000, 1, progress);
    EXPECT_EQ(outcome, VideoExportOutcome::Done);
    EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "33", "ask", "67", "ask", "100"}));
    EXPECT_EQ(FramesInFile(path), 3u);
    EXPECT_EQ(MessageIdForOutcome(outcome), 0);
}

TEST(VideoExportLoop, CancelBeforeTheLastFrameDeletesTheFile)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("v.avi");
    const auto field = DeformedField(12, 9);
    RecordingProgress progress;
    progress.cancelAtQuestion = 3;
    const VideoExportOutcome outcome = ExportVideo(*field, path, 2000, 1, progress);
    EXPECT_EQ(outcome, VideoExportOutcome::Cancelled);
    EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "33", "ask", "67", "ask"}));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(MessageIdForOutcome(outcome), 0);
}

TEST(VideoExportLoop, CancelDuringTheLastFrameIsNotActedOn)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("v.avi");
    const auto field = DeformedField(12, 9);
    RecordingProgress progress;
    progress.onPosition = [&progress](int position) {
        if (position == 100)
            progress.cancelFromNowOn = true;  // pressed while the last frame was written
    };
    EXPECT_EQ(ExportVideo(*field, path, 2000, 1, progress), VideoExportOutcome::Done);
    EXPECT_EQ(progress.questions, 3);
    EXPECT_EQ(FramesInFile(path), 3u);
}

TEST(VideoExportLoop, FailedWriteAdvancesTheProgressOnceAndDeletesTheFile)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("v.avi");
    const auto field = DeformedField(12, 9);
    avitest::SinkFailures failures;
    RecordingProgress progress;
    progress.onPosition = [&failures](int position) {
        if (position == 33)
            failures.appendBudget = failures.appended;  // the disk fills up after the first frame
    };
    progress.watchedPath = path;
    const VideoExportOutcome outcome =
        ExportVideo(*field, path, 2000, 1, progress, avitest::FailingOpener(failures));
    EXPECT_EQ(outcome, VideoExportOutcome::WriteFailed);
    // The message comes at the failed write, while the file is still there.
    EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "33", "ask", "fail61451", "67"}));
    EXPECT_TRUE(progress.fileExistedAtFailure);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(MessageIdForOutcome(outcome), 61451);
}

TEST(VideoExportLoop, FailureWhileFinishingTheFileDeletesIt)
{
    testpictures::ScratchDirectory dir;
    const auto field = DeformedField(12, 9);
    for (const bool atClose : {false, true}) {
        const std::string path = dir.File(atClose ? "close.avi" : "headers.avi");
        avitest::SinkFailures failures;
        failures.failWriteAt = !atClose;
        failures.failClose = atClose;
        RecordingProgress progress;
        progress.watchedPath = path;
        EXPECT_EQ(ExportVideo(*field, path, 2000, 1, progress, avitest::FailingOpener(failures)),
                  VideoExportOutcome::WriteFailed)
            << (atClose ? "close" : "headers");
        EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "33", "ask", "67", "ask", "100", "fail61451"}));
        EXPECT_TRUE(progress.fileExistedAtFailure) << "reported before the file is deleted";
        EXPECT_FALSE(std::filesystem::exists(path)) << "a broken file must not stay";
    }
}

TEST(VideoExportLoop, OpenAndStreamFailuresShowNoProgress)
{
    testpictures::ScratchDirectory dir;
    const auto field = DeformedField(12, 9);

    RecordingProgress openProgress;
    const VideoExportOutcome openOutcome = ExportVideo(*field, dir.File("no/such/folder.avi"), 2000, 7, openProgress);
    EXPECT_EQ(openOutcome, VideoExportOutcome::OpenFailed);
    EXPECT_EQ(openProgress.events, (Events{"fail61449"}));
    EXPECT_EQ(MessageIdForOutcome(openOutcome), 61449);

    // The headers cannot be written: the created file is released and stays.
    const std::string path = dir.File("stream.avi");
    avitest::SinkFailures failures;
    failures.appendBudget = 0;
    RecordingProgress streamProgress;
    const VideoExportOutcome streamOutcome =
        ExportVideo(*field, path, 2000, 7, streamProgress, avitest::FailingOpener(failures));
    EXPECT_EQ(streamOutcome, VideoExportOutcome::StreamFailed);
    EXPECT_EQ(streamProgress.events, (Events{"fail61450"}));
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(MessageIdForOutcome(streamOutcome), 61450);
}

TEST(VideoExportFile, DecodedFramesEqualTheBuiltFrames)
{
    if (!avitest::HaveTool("ffprobe") || !avitest::HaveTool("ffmpeg"))
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    const auto field = DeformedField(45, 31);  // rows of 135 bytes, padded to 136
    // Short of the full deformation, and beyond it.
    for (const std::uint32_t durationMs : {1040u, 1050u}) {
        const std::string path = dir.File("movie" + std::to_string(durationMs) + ".avi");
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, path, durationMs, 10, progress), VideoExportOutcome::Done);
        const VideoFrameTiming timing = ComputeFrameTiming(durationMs, 10);

        auto probe = avitest::ProbeVideoStream(path, true);
        EXPECT_EQ(probe["video_streams"], "1");
        EXPECT_EQ(probe["codec_name"], "rawvideo");
        EXPECT_EQ(probe["width"], "45");
        EXPECT_EQ(probe["height"], "31");
        EXPECT_EQ(probe["r_frame_rate"], "10/1");
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(timing.frameCount));

        const auto decoded = avitest::DecodeFrames(path, 45, 31);
        ASSERT_EQ(decoded.size(), timing.frameCount);
        for (std::uint32_t k = 0; k < timing.frameCount; ++k) {
            PixelBuffer frame;
            field->BuildIntermediateFrame(durationMs, FrameTimeMs(timing, k), frame);
            EXPECT_EQ(decoded[k], avitest::AsDecoded(frame.data(), 45, 31, field->RowBytesOfPicture()))
                << durationMs << " ms, frame " << k;
        }
        // The morph really moves: the first frame is not the last.
        EXPECT_NE(decoded.front(), decoded.back());
    }
}
