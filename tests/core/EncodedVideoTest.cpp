// SPDX-License-Identifier: GPL-3.0-or-later
// The encoded videos (MP4, WebM, GIF): the choice by ending, every frame as
// ffmpeg decodes it against the frame builder, the sizes, and every way an
// export can fail or be cancelled, with what stays on disk afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <vector>

#include "AviTestSupport.h"
#include "TestPictures.h"
#include "VideoExportTestSupport.h"
#include "deform/IntermediateFrame.h"
#include "image/CodecChoice.h"
#include "video/EncodedVideoWriter.h"
#include "session/VideoOutcomeMessage.h"
#include "video/VideoExport.h"

namespace {

namespace fs = std::filesystem;
using videotest::Events;
using videotest::RecordingProgress;

struct EncodedCase {
    const char* ending;
    EncodedFormat format;
    const char* codec;
    double minimumPsnr;  // dB, on the picture's area
};

const EncodedCase kCases[] = {
    {"mp4", EncodedFormat::Mp4, "h264", 32.0},
    {"webm", EncodedFormat::WebM, "vp9", 32.0},
    {"gif", EncodedFormat::Gif, "gif", 26.0},
};

bool HaveFfmpeg()
{
    return avitest::HaveTool("ffprobe") && avitest::HaveTool("ffmpeg");
}

// The bundled portrait, or its lower left width x height corner.
std::unique_ptr<CWarpField> Portrait(std::int32_t width = 0, std::int32_t height = 0)
{
    const std::string path = GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp";
    auto codec = CreateCodecForPath(path);
    codec->Read(path);
    EXPECT_TRUE(codec->ConvertTo24Bit());
    const BITMAPINFOHEADER header = codec->GetHeader();
    width = width ? width : header.biWidth;
    height = height ? height : header.biHeight;
    const std::size_t fromRow = static_cast<std::size_t>(RowBytes(header.biWidth, 24));
    const std::size_t toRow = static_cast<std::size_t>(RowBytes(width, 24));
    PixelBuffer pixels = PixelBuffer::Allocate(toRow * height, true);
    for (std::int32_t y = 0; y < height; ++y)
        std::memcpy(pixels.data() + toRow * y, codec->m_pBits.data() + fromRow * y, 3 * static_cast<std::size_t>(width));
    return std::make_unique<CWarpField>(width, height, std::move(pixels), 20);
}

// The sample morph: a swirl of the middle, as grimasso-cli's --rotate 256,256,150,120,3.
void Swirl(CWarpField& field, std::int32_t cx, std::int32_t cyFromTop, double radius)
{
    field.BeginDeformation(ModeRotate);
    field.Rotate(cx, field.Height() - 1 - cyFromTop, radius, 120.0, 3.0);
    field.EndDeformation();
}

// PSNR of decoded (decodedWidth wide, top-down, no padding) against expected
// (width x height, same layout) on expected's area.
double Psnr(const std::vector<std::uint8_t>& decoded, int decodedWidth, const std::vector<std::uint8_t>& expected,
            int width, int height)
{
    double sum = 0.0;
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < 3 * width; ++i) {
            const double d = static_cast<double>(decoded[static_cast<std::size_t>(y) * 3 * decodedWidth + i]) -
                             expected[static_cast<std::size_t>(y) * 3 * width + i];
            sum += d * d;
        }
    const double mse = sum / (3.0 * width * height);
    return mse == 0.0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

// Mean absolute difference of two pixel columns (or rows) of a decoded frame.
double EdgeDifference(const std::vector<std::uint8_t>& frame, int width, int height, bool columns)
{
    double sum = 0.0;
    const int count = columns ? height : width;
    for (int n = 0; n < count; ++n)
        for (int c = 0; c < 3; ++c) {
            const std::size_t a = columns ? (static_cast<std::size_t>(n) * width + width - 1) * 3 + c
                                          : (static_cast<std::size_t>(height - 1) * width + n) * 3 + c;
            const std::size_t b = columns ? a - 3 : a - static_cast<std::size_t>(width) * 3;
            sum += std::abs(static_cast<int>(frame[a]) - static_cast<int>(frame[b]));
        }
    return sum / (3.0 * count);
}

std::vector<std::string> GifDelays(const std::string& path)
{
    std::istringstream lines(avitest::Output("ffprobe -v error -show_entries packet=duration -of csv=p=0 " +
                                             avitest::Quoted(path) + " 2>/dev/null"));
    std::vector<std::string> delays;
    for (std::string line; std::getline(lines, line);)
        delays.push_back(line);
    return delays;
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

// A small tmpfs of its own; Fill takes every free byte of it. Mounting needs
// the privilege to, so tests skip when it is refused.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& folder) : m_folder(folder)
    {
        fs::create_directories(folder);
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=8m") == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return m_mounted; }
    std::string File(const std::string& name) const { return m_folder + "/" + name; }
    void Fill()
    {
        std::FILE* filler = std::fopen(File("filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        std::setvbuf(filler, nullptr, _IONBF, 0);
        const std::vector<char> block(4096, 'x');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
        }
        std::fwrite(block.data(), 1, 1, filler);  // the last partial page
        std::fclose(filler);
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

// A writer that runs out of memory at its second frame.
class StarvedWriter : public VideoWriter {
public:
    bool Open(const std::string& path) override
    {
        std::ofstream(path) << "partial";
        return true;
    }
    bool CreateVideoStream(const VideoFormatBlock&, std::uint32_t, std::uint32_t) override { return true; }
    bool WriteFrame(const void*, std::size_t) override { return ++frames < 2; }
    bool EndStream() override { return ended = true; }
    bool Close() override { return true; }
    void Abandon() override { abandoned = true; }
    bool RanOutOfMemory() const override { return frames >= 2; }

    int frames = 0;
    bool ended = false;
    bool abandoned = false;
};

}  // namespace

TEST(VideoFileFormat, ChosenByTheEndingWithoutRegardToCase)
{
    EXPECT_EQ(VideoFileFormatForPath("morph.mp4"), VideoFileFormat::Mp4);
    EXPECT_EQ(VideoFileFormatForPath("/tmp/Morph.MP4"), VideoFileFormat::Mp4);
    EXPECT_EQ(VideoFileFormatForPath("a.WebM"), VideoFileFormat::WebM);
    EXPECT_EQ(VideoFileFormatForPath("chat.Gif"), VideoFileFormat::Gif);
    EXPECT_EQ(VideoFileFormatForPath("movie.avi"), VideoFileFormat::Avi);
    // No ending, another ending, an ending of a folder or a hidden name: the AVI as always.
    EXPECT_EQ(VideoFileFormatForPath("movie"), VideoFileFormat::Avi);
    EXPECT_EQ(VideoFileFormatForPath("movie.mp4.bak"), VideoFileFormat::Avi);
    EXPECT_EQ(VideoFileFormatForPath("clips.gif/movie"), VideoFileFormat::Avi);
    EXPECT_EQ(VideoFileFormatForPath("clips/.webm"), VideoFileFormat::Avi);
}

TEST(EncodedVideoFile, EveryDecodedFrameMatchesTheBuiltFrameOnAnOddSizedPicture)
{
    if (!HaveFfmpeg())
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    constexpr int width = 511, height = 383;
    auto field = Portrait(width, height);
    Swirl(*field, 256, 192, 150.0);
    constexpr std::uint32_t durationMs = 1040, rate = 10;  // 11 frames, short of the full deformation
    const VideoFrameTiming timing = ComputeFrameTiming(durationMs, rate);
    for (const EncodedCase& c : kCases) {
        SCOPED_TRACE(c.ending);
        const std::string path = dir.File(std::string("morph.") + c.ending);
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, path, durationMs, rate, progress), VideoExportOutcome::Done);
        EXPECT_EQ(progress.events.size(), 2 + 2 * timing.frameCount) << "show, 0, then a question and a position a frame";

        std::int32_t encodedWidth = width, encodedHeight = height;
        EncodedVideoWriter::EncodedSize(c.format, encodedWidth, encodedHeight);
        auto probe = avitest::ProbeVideoStream(path, true);
        EXPECT_EQ(probe["video_streams"], "1");
        EXPECT_EQ(probe["codec_name"], c.codec);
        EXPECT_EQ(probe["width"], std::to_string(encodedWidth));
        EXPECT_EQ(probe["height"], std::to_string(encodedHeight));
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(timing.frameCount));
        if (c.format == EncodedFormat::Gif)
            EXPECT_EQ(GifDelays(path), std::vector<std::string>(timing.frameCount, "10")) << "hundredths of a second";
        else
            EXPECT_EQ(probe["r_frame_rate"], "10/1");

        const auto decoded = avitest::DecodeFrames(path, encodedWidth, encodedHeight);
        ASSERT_EQ(decoded.size(), timing.frameCount);
        for (std::uint32_t k = 0; k < timing.frameCount; ++k) {
            PixelBuffer frame;
            field->BuildIntermediateFrame(durationMs, FrameTimeMs(timing, k), frame);
            const auto expected = avitest::AsDecoded(frame.data(), width, height, field->RowBytesOfPicture());
            EXPECT_GE(Psnr(decoded[k], encodedWidth, expected, width, height), c.minimumPsnr) << "frame " << k;
        }
        if (c.format == EncodedFormat::Mp4) {
            // The added column and row repeat the edge, they are not black.
            EXPECT_LT(EdgeDifference(decoded.back(), encodedWidth, encodedHeight, true), 8.0);
            EXPECT_LT(EdgeDifference(decoded.back(), encodedWidth, encodedHeight, false), 8.0);
        }
    }
}

TEST(EncodedVideoFile, ContainerDetailsForPlayers)
{
    testpictures::ScratchDirectory dir;
    auto field = Portrait(64, 48);
    Swirl(*field, 32, 24, 20.0);
    RecordingProgress progress;
    const std::string mp4 = dir.File("web.mp4");
    ASSERT_EQ(ExportVideo(*field, mp4, 500, 7, progress), VideoExportOutcome::Done);
    const auto mp4Bytes = testpictures::ReadWholeFile(mp4);
    const std::string mp4Text(mp4Bytes.begin(), mp4Bytes.end());
    ASSERT_NE(mp4Text.find("moov"), std::string::npos);
    EXPECT_LT(mp4Text.find("moov"), mp4Text.find("mdat")) << "the index comes first, so playback starts at once";

    const std::string gif = dir.File("chat.gif");
    ASSERT_EQ(ExportVideo(*field, gif, 500, 7, progress), VideoExportOutcome::Done);
    const auto gifBytes = testpictures::ReadWholeFile(gif);
    const std::string gifText(gifBytes.begin(), gifBytes.end());
    // The looping extension with a count of 0: for ever.
    EXPECT_NE(gifText.find(std::string("NETSCAPE2.0\x03\x01\x00\x00", 16)), std::string::npos);
}

TEST(EncodedVideoFile, SampleMorphIsATenthOfTheAviOrLess)
{
    testpictures::ScratchDirectory dir;
    auto field = Portrait();
    Swirl(*field, 256, 256, 150.0);
    std::uintmax_t sizes[3] = {};
    const char* names[3] = {"morph.avi", "morph.mp4", "morph.webm"};
    for (int i = 0; i < 3; ++i) {
        RecordingProgress progress;
        ASSERT_EQ(ExportVideo(*field, dir.File(names[i]), 2000, 7, progress), VideoExportOutcome::Done);
        sizes[i] = fs::file_size(dir.File(names[i]));
    }
    EXPECT_LE(sizes[1] * 10, sizes[0]) << "MP4 " << sizes[1] << " bytes, AVI " << sizes[0];
    EXPECT_LE(sizes[2] * 10, sizes[0]) << "WebM " << sizes[2] << " bytes, AVI " << sizes[0];
}

TEST(EncodedVideoFailure, MissingFolderAndRefusedSizeLeaveNothing)
{
    testpictures::ScratchDirectory dir;
    const auto small = Portrait(16, 16);
    for (const EncodedCase& c : kCases) {
        RecordingProgress progress;
        EXPECT_EQ(ExportVideo(*small, dir.File(std::string("none/movie.") + c.ending), 2000, 7, progress),
                  VideoExportOutcome::OpenFailed)
            << c.ending;
        EXPECT_EQ(progress.events, (Events{"fail61449"})) << c.ending;
    }
    // H.264 takes no picture this wide: the encoder does not open, and the
    // file created for it goes as well.
    const auto tooWide = std::make_unique<CWarpField>(20000, 2, PixelBuffer::Allocate(RowBytes(20000, 24) * 2, true), 20);
    const std::string path = dir.File("wide.mp4");
    RecordingProgress progress;
    progress.watchedPath = path;
    EXPECT_EQ(ExportVideo(*tooWide, path, 2000, 7, progress), VideoExportOutcome::StreamFailed);
    EXPECT_EQ(progress.events, (Events{"fail61450"}));
    EXPECT_TRUE(progress.fileExistedAtFailure) << "reported before the writer lets go of the file";
    EXPECT_TRUE(FilesIn(dir.File("")).empty()) << "nothing is left behind";
}

TEST(EncodedVideoFailure, CancelInTheMiddleDeletesTheFile)
{
    testpictures::ScratchDirectory dir;
    const auto field = Portrait(48, 32);
    for (const EncodedCase& c : kCases) {
        RecordingProgress progress;
        progress.cancelAtQuestion = 3;
        EXPECT_EQ(ExportVideo(*field, dir.File(std::string("movie.") + c.ending), 2000, 7, progress),
                  VideoExportOutcome::Cancelled)
            << c.ending;
        EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "7", "ask", "13", "ask"})) << c.ending;
    }
    EXPECT_TRUE(FilesIn(dir.File("")).empty());
}

TEST(EncodedVideoFailure, FullDiskDuringTheExportOrAtTheFinalFlush)
{
    testpictures::ScratchDirectory dir;
    SmallDisk disk(dir.File("disk"));
    if (!disk.Mounted())
        GTEST_SKIP() << "no permission to mount a small tmpfs";
    auto field = Portrait(256, 192);
    Swirl(*field, 128, 96, 80.0);
    for (const EncodedCase& c : kCases) {
        for (const int fillAt : {20, 100}) {
            SCOPED_TRACE(std::string(c.ending) + (fillAt == 100 ? " at the flush" : " during the export"));
            // During: 100 frames, more than the encoders hold back, so packets
            // reach the disk mid-way. At the flush: three frames that differ
            // wholly, so that the last ones do not fit into the file's last page.
            const std::uint32_t durationMs = fillAt == 100 ? 2000 : 9900;
            const std::uint32_t rate = fillAt == 100 ? 1 : 10;
            const std::string path = disk.File(std::string("movie.") + c.ending);
            RecordingProgress progress;
            progress.watchedPath = path;
            progress.onPosition = [&disk, fillAt](int position) {
                if (position == fillAt)
                    disk.Fill();
            };
            EXPECT_EQ(ExportVideo(*field, path, durationMs, rate, progress), VideoExportOutcome::WriteFailed);
            EXPECT_TRUE(progress.fileExistedAtFailure) << "reported while the file is still there";
            EXPECT_FALSE(fs::exists(path)) << "the partial file is deleted";
            const auto failure = std::find(progress.events.begin(), progress.events.end(), "fail61451");
            ASSERT_NE(failure, progress.events.end());
            if (fillAt == 100)
                EXPECT_EQ(failure, progress.events.end() - 1) << "the frames went well, the end did not";
            else
                EXPECT_NE(progress.events.back(), "100") << "the export stopped at the failed frame";
            fs::remove(disk.File("filler"));
        }
    }
}

TEST(EncodedVideoFailure, CancelledExportThroughALinkKeepsTheLink)
{
    testpictures::ScratchDirectory dir;
    const auto field = Portrait(32, 32);
    for (const char* ending : {"mp4", "avi"}) {
        const std::string target = dir.File(std::string("real.") + ending);
        const std::string link = dir.File(std::string("link.") + ending);
        fs::create_symlink(target, link);
        RecordingProgress progress;
        progress.cancelAtQuestion = 2;
        EXPECT_EQ(ExportVideo(*field, link, 2000, 7, progress), VideoExportOutcome::Cancelled) << ending;
        EXPECT_FALSE(fs::exists(fs::symlink_status(target))) << ending << ": what was written is gone";
        ASSERT_TRUE(fs::is_symlink(fs::symlink_status(link))) << ending << ": the link stays";
        EXPECT_EQ(fs::read_symlink(link), target);
    }
}

TEST(EncodedVideoFailure, RunningOutOfMemorySaysSo)
{
    testpictures::ScratchDirectory dir;
    const auto field = Portrait(16, 16);
    const std::string path = dir.File("starved.mp4");
    StarvedWriter writer;
    RecordingProgress progress;
    const VideoExportOutcome outcome = ExportVideo(*field, path, 2000, 1, progress, writer);
    EXPECT_EQ(outcome, VideoExportOutcome::OutOfMemory);
    EXPECT_EQ(progress.events, (Events{"show", "0", "ask", "33", "ask", "fail42001", "67"}));
    EXPECT_EQ(MessageIdForOutcome(outcome), 42001);
    EXPECT_NE(MessageIdForOutcome(outcome), MessageIdForOutcome(VideoExportOutcome::WriteFailed));
    EXPECT_TRUE(writer.abandoned);
    EXPECT_FALSE(writer.ended) << "an abandoned video is not finished";
    EXPECT_FALSE(fs::exists(path));
}

TEST(EncodedVideoCli, VideoStepPicksTheFormatByTheEnding)
{
    testpictures::ScratchDirectory dir;
    std::string command = std::string(GRIMASSO_CLI_PATH) + " " GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp" +
                          " --quiet --rotate 256,256,150,120,3 --duration 500 --fps 4";
    const std::pair<const char*, std::string> outputs[] = {
        {"a.MP4", "ftyp"}, {"b.webm", "\x1a\x45\xdf\xa3"}, {"c.gif", "GIF89a"}, {"d", "RIFF"}};
    for (const auto& [name, magic] : outputs)
        command += " --video " + avitest::Quoted(dir.File(name));
    ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0);
    for (const auto& [name, magic] : outputs) {
        const auto bytes = testpictures::ReadWholeFile(dir.File(name));
        const std::string head(bytes.begin(), bytes.begin() + std::min<std::size_t>(bytes.size(), 16));
        EXPECT_NE(head.find(magic), std::string::npos) << name;
    }

    const std::string failing = std::string(GRIMASSO_CLI_PATH) + " " GRIMASSO_SOURCE_DIR "/resources/astronaut.bmp" +
                                " --quiet --video " + avitest::Quoted(dir.File("none/x.gif")) + " 2>" +
                                avitest::Quoted(dir.File("err.txt"));
    const int status = std::system(failing.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto err = testpictures::ReadWholeFile(dir.File("err.txt"));
    EXPECT_NE(std::string(err.begin(), err.end()).find("Video-Datei konnte nicht geöffnet werden"), std::string::npos);

    const std::string help = avitest::Output(std::string(GRIMASSO_CLI_PATH) + " --help 2>&1");
    EXPECT_NE(help.find("mp4, webm oder gif"), std::string::npos) << "the help names the formats";
}
