// SPDX-License-Identifier: GPL-3.0-or-later
// The AVI writer: the file read back chunk by chunk, its headers and every
// index, the lifecycle in every state, failures of the disk, and the file as
// ffprobe and ffmpeg see it (also past 1 GiB).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "AviTestSupport.h"
#include "TestPictures.h"
#include "image/DibImage.h"
#include "video/AviWriter.h"

using avitest::Chunk;
using avitest::LittleU16;
using avitest::LittleU32;
using avitest::LittleU64;
using avitest::RiffFile;

namespace {

constexpr std::uint32_t kOpenForExport = kAviOpenWrite | kAviOpenCreate;

VideoFormatBlock FormatFor(std::int32_t width, std::int32_t height)
{
    BITMAPINFOHEADER header = testpictures::InfoHeader(width, height, 24);
    header.biSizeImage = static_cast<std::uint32_t>(RowBytes(width, 24) * height);
    VideoFormatBlock format{};
    std::memcpy(format.data(), &header, sizeof header);
    return format;
}

// size bytes that differ from frame to frame.
std::vector<std::uint8_t> FrameBytes(std::size_t size, int frame)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 31 + frame * 7 + 1);
    return bytes;
}

// Where the indexes say the frames are, after checking that the super index,
// every standard index, the legacy index and the movi lists agree.
struct IndexedFrames {
    std::vector<std::uint64_t> dataOffsets;
    std::vector<std::uint32_t> sizes;
    std::size_t riffs = 0;
    std::uint32_t framesInFirstRiff = 0;
};

IndexedFrames ReadIndexes(RiffFile& file, std::uint64_t riffSizeLimit)
{
    IndexedFrames frames;
    EXPECT_EQ(file.error, "");
    if (file.top.empty() || file.top[0].listType != "AVI ") {
        ADD_FAILURE() << "no RIFF 'AVI ' at the start";
        return frames;
    }
    frames.riffs = file.top.size();
    std::vector<const Chunk*> movis;
    for (std::size_t r = 0; r < file.top.size(); ++r) {
        const Chunk& riff = file.top[r];
        EXPECT_EQ(riff.id, "RIFF");
        EXPECT_EQ(riff.listType, r == 0 ? "AVI " : "AVIX");
        EXPECT_LT(std::uint64_t{riff.size} + 8, riffSizeLimit) << "RIFF " << r;
        movis.push_back(riff.Find("movi"));
        if (!movis.back()) {
            ADD_FAILURE() << "RIFF " << r << " has no movi list";
            return frames;
        }
    }
    const Chunk* strl = file.top[0].Find("hdrl") ? file.top[0].Find("hdrl")->Find("strl") : nullptr;
    const Chunk* indxChunk = strl ? strl->Find("indx") : nullptr;
    if (!indxChunk) {
        ADD_FAILURE() << "no super index";
        return frames;
    }
    const std::vector<std::uint8_t> indx = file.Data(*indxChunk);
    EXPECT_EQ(LittleU16(indx, 0), 4);  // longs an entry
    EXPECT_EQ(indx[3], 0x00);          // an index of indexes
    EXPECT_EQ(std::string(indx.begin() + 8, indx.begin() + 12), "00db");
    const std::uint32_t entries = LittleU32(indx, 4);
    EXPECT_EQ(entries, file.top.size()) << "one standard index a RIFF";
    EXPECT_LE(24 + 16 * std::size_t{entries}, indx.size());

    for (std::uint32_t e = 0; e < entries && e < file.top.size(); ++e) {
        const std::uint64_t ixOffset = LittleU64(indx, 24 + 16 * e);
        const std::uint32_t ixSize = LittleU32(indx, 32 + 16 * e);
        const std::uint32_t duration = LittleU32(indx, 36 + 16 * e);
        const Chunk* ix = nullptr;
        for (const Chunk& child : movis[e]->children)
            if (child.offset == ixOffset)
                ix = &child;
        if (!ix || ix->id != "ix00") {
            ADD_FAILURE() << "super index entry " << e << " does not point at an ix00 of its RIFF";
            continue;
        }
        EXPECT_EQ(ixSize, ix->size + 8);
        const std::vector<std::uint8_t> std = file.Data(*ix);
        EXPECT_EQ(LittleU16(std, 0), 2);
        EXPECT_EQ(std[3], 0x01);  // an index of chunks
        EXPECT_EQ(std::string(std.begin() + 8, std.begin() + 12), "00db");
        const std::uint32_t count = LittleU32(std, 4);
        EXPECT_EQ(count, duration);
        const std::uint64_t base = LittleU64(std, 12);
        std::size_t chunksInMovi = 0;
        for (const Chunk& child : movis[e]->children)
            chunksInMovi += child.id == "00db";
        EXPECT_EQ(chunksInMovi, count) << "RIFF " << e;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t data = base + LittleU32(std, 24 + 8 * i);
            const std::uint32_t size = LittleU32(std, 28 + 8 * i);
            EXPECT_EQ(size & 0x80000000u, 0u) << "every frame a key frame";
            const std::vector<std::uint8_t> head = file.Bytes(data - 8, 8);
            EXPECT_EQ(std::string(head.begin(), head.begin() + 4), "00db");
            EXPECT_EQ(LittleU32(head, 4), size);
            frames.dataOffsets.push_back(data);
            frames.sizes.push_back(size & 0x7FFFFFFFu);
        }
        if (e == 0)
            frames.framesInFirstRiff = count;
    }

    // The legacy index covers the first RIFF, counted from its 'movi' tag.
    const Chunk* idx1 = file.top[0].Find("idx1");
    if (!idx1) {
        ADD_FAILURE() << "no idx1";
        return frames;
    }
    const std::vector<std::uint8_t> legacy = file.Data(*idx1);
    EXPECT_EQ(legacy.size(), 16u * frames.framesInFirstRiff);
    for (std::size_t i = 0; i < legacy.size() / 16 && i < frames.dataOffsets.size(); ++i) {
        EXPECT_EQ(std::string(legacy.begin() + 16 * i, legacy.begin() + 16 * i + 4), "00db");
        EXPECT_EQ(LittleU32(legacy, 16 * i + 4), kAviKeyFrame);
        EXPECT_EQ(movis[0]->DataOffset() + LittleU32(legacy, 16 * i + 8), frames.dataOffsets[i] - 8);
        EXPECT_EQ(LittleU32(legacy, 16 * i + 12), frames.sizes[i]);
    }
    for (std::size_t r = 1; r < file.top.size(); ++r)
        EXPECT_EQ(file.top[r].Find("idx1"), nullptr) << "idx1 belongs to the first RIFF only";
    return frames;
}

void ExpectFramesStored(RiffFile& file, const IndexedFrames& index,
                        const std::vector<std::vector<std::uint8_t>>& frames)
{
    ASSERT_EQ(index.dataOffsets.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k) {
        ASSERT_EQ(index.sizes[k], frames[k].size()) << "frame " << k;
        EXPECT_EQ(file.Bytes(index.dataOffsets[k], frames[k].size()), frames[k]) << "frame " << k;
    }
}

std::vector<std::vector<std::uint8_t>> WriteVideo(AviWriter& writer, const std::string& path, std::int32_t width,
                                                  std::int32_t height, std::uint32_t rate, int count)
{
    std::int32_t result = -1;
    EXPECT_TRUE(writer.Open(path, kOpenForExport, result));
    EXPECT_EQ(result, kAviResultOk);
    EXPECT_TRUE(writer.CreateVideoStream(FormatFor(width, height), rate, static_cast<std::uint32_t>(count)));
    std::vector<std::vector<std::uint8_t>> frames;
    const auto frameSize = static_cast<std::size_t>(RowBytes(width, 24) * height);
    for (int k = 0; k < count; ++k) {
        frames.push_back(FrameBytes(frameSize, k));
        EXPECT_TRUE(writer.WriteFrame(frames.back().data(), frames.back().size()));
    }
    EXPECT_TRUE(writer.EndStream());
    EXPECT_TRUE(writer.Close());
    return frames;
}

}  // namespace

TEST(AviWriterFile, HeadersCarryTheStreamValuesAndEveryFrameIsIndexed)
{
    testpictures::ScratchDirectory dir;
    AviWriter writer;
    const auto frames = WriteVideo(writer, dir.File("a.avi"), 5, 3, 7, 15);

    RiffFile file(dir.File("a.avi"));
    ASSERT_EQ(file.error, "");
    ASSERT_EQ(file.top.size(), 1u);
    EXPECT_EQ(file.top[0].size + 8u, file.Size());
    const Chunk* hdrl = file.top[0].Find("hdrl");
    ASSERT_NE(hdrl, nullptr);

    const Chunk* avih = hdrl->Find("avih");
    ASSERT_NE(avih, nullptr);
    ASSERT_EQ(avih->size, 56u);
    const std::vector<std::uint8_t> main = file.Data(*avih);
    EXPECT_EQ(LittleU32(main, 0), 142857u);  // microseconds a frame
    EXPECT_NE(LittleU32(main, 12) & 0x10u, 0u);  // has an index
    EXPECT_EQ(LittleU32(main, 16), 15u);
    EXPECT_EQ(LittleU32(main, 24), 1u);  // streams
    EXPECT_EQ(LittleU32(main, 32), 5u);
    EXPECT_EQ(LittleU32(main, 36), 3u);

    const Chunk* strl = hdrl->Find("strl");
    ASSERT_NE(strl, nullptr);
    ASSERT_EQ(strl->children.size(), 4u);
    EXPECT_EQ(strl->children[0].id, "strh");
    EXPECT_EQ(strl->children[1].id, "strf");
    const std::vector<std::uint8_t> strh = file.Data(strl->children[0]);
    ASSERT_EQ(strh.size(), 56u);
    EXPECT_EQ(std::string(strh.begin(), strh.begin() + 8), "vidsMSVC");
    // flags, priority and language, initial frames, scale, rate, start, length,
    // suggested buffer size, quality, sample size
    const std::vector<std::uint32_t> values = {0, 0, 0, 1, 7, 0, 15, 0, 0xFFFFFFFFu, 0};
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(LittleU32(strh, 8 + 4 * i), values[i]) << "at byte " << 8 + 4 * i;
    // The frame rectangle: left, top, right, bottom.
    EXPECT_EQ(LittleU32(strh, 48), 0u);
    EXPECT_EQ(LittleU16(strh, 52), 5u);
    EXPECT_EQ(LittleU16(strh, 54), 3u);

    const VideoFormatBlock format = FormatFor(5, 3);
    EXPECT_EQ(file.Data(strl->children[1]), std::vector<std::uint8_t>(format.begin(), format.end()));
    const Chunk* strn = strl->Find("strn");
    ASSERT_NE(strn, nullptr);
    const std::string name = "Animation created by Glyphwave";
    std::vector<std::uint8_t> expectedName(name.begin(), name.end());
    expectedName.push_back(0);
    EXPECT_EQ(file.Data(*strn), expectedName);

    const Chunk* odml = hdrl->Find("odml");
    ASSERT_NE(odml, nullptr);
    ASSERT_NE(odml->Find("dmlh"), nullptr);
    EXPECT_EQ(LittleU32(file.Data(*odml->Find("dmlh")), 0), 15u);

    const IndexedFrames index = ReadIndexes(file, AviWriter::kDefaultRiffSizeLimit);
    EXPECT_EQ(index.framesInFirstRiff, 15u);
    ExpectFramesStored(file, index, frames);
}

TEST(AviWriterFile, FramesPastTheRiffLimitGoToFurtherParts)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("parts.avi");
    constexpr std::uint64_t kLimit = 64 * 1024;
    AviWriter writer;
    writer.SetRiffSizeLimit(kLimit);
    const auto frames = WriteVideo(writer, path, 60, 50, 7, 30);  // 9000 bytes a frame

    RiffFile file(path);
    const IndexedFrames index = ReadIndexes(file, kLimit);
    EXPECT_GE(index.riffs, 4u);
    ExpectFramesStored(file, index, frames);
    const Chunk* hdrl = file.top[0].Find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    EXPECT_EQ(LittleU32(file.Data(*hdrl->Find("avih")), 16), index.framesInFirstRiff);
    EXPECT_EQ(LittleU32(file.Data(*hdrl->Find("odml")->Find("dmlh")), 0), 30u);
    EXPECT_EQ(LittleU32(file.Data(*hdrl->Find("strl")->Find("strh")), 32), 30u);

    if (!avitest::HaveTool("ffprobe"))
        GTEST_SKIP() << "ffprobe is not installed";
    EXPECT_EQ(avitest::ProbeVideoStream(path, true)["nb_read_frames"], "30");
}

TEST(AviWriterLifecycle, FrameIndexAdvancesWithEveryAttempt)
{
    testpictures::ScratchDirectory dir;
    avitest::SinkFailures failures;
    AviWriter writer(avitest::FailingOpener(failures));
    std::int32_t result;
    ASSERT_TRUE(writer.Open(dir.File("f.avi"), kOpenForExport, result));
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 15));
    EXPECT_EQ(writer.NextFrame(), 0);
    const std::vector<std::uint8_t> frame = FrameBytes(48, 0);
    ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
    ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
    EXPECT_EQ(writer.NextFrame(), 2);

    failures.appendBudget = failures.appended;  // the disk is full from now on
    EXPECT_FALSE(writer.WriteFrame(frame.data(), frame.size()));
    EXPECT_EQ(writer.NextFrame(), 3);
    // A file that lost a frame stays broken: nothing more is written or finished.
    failures.appendBudget = UINT64_MAX;
    EXPECT_FALSE(writer.WriteFrame(frame.data(), frame.size()));
    EXPECT_EQ(writer.NextFrame(), 4);
    EXPECT_FALSE(writer.EndStream());
    EXPECT_FALSE(writer.HasStream());
    EXPECT_FALSE(writer.Close());
    EXPECT_FALSE(writer.HasFile());
}

TEST(AviWriterLifecycle, FailuresWhileFinishingAreReported)
{
    testpictures::ScratchDirectory dir;
    const std::vector<std::uint8_t> frame = FrameBytes(48, 0);
    {
        avitest::SinkFailures failures;
        failures.failWriteAt = true;  // the headers cannot be rewritten
        AviWriter writer(avitest::FailingOpener(failures));
        std::int32_t result;
        ASSERT_TRUE(writer.Open(dir.File("headers.avi"), kOpenForExport, result));
        ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1));
        ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
        EXPECT_FALSE(writer.EndStream());
        EXPECT_FALSE(writer.Close());
    }
    {
        avitest::SinkFailures failures;
        failures.failClose = true;  // the last bytes are lost on the way to the disk
        AviWriter writer(avitest::FailingOpener(failures));
        std::int32_t result;
        ASSERT_TRUE(writer.Open(dir.File("close.avi"), kOpenForExport, result));
        ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1));
        ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
        EXPECT_TRUE(writer.EndStream());
        EXPECT_FALSE(writer.Close());
    }
}

TEST(AviWriterLifecycle, EveryOperationIsSafeInAnyState)
{
    testpictures::ScratchDirectory dir;
    const std::vector<std::uint8_t> frame = FrameBytes(48, 0);
    AviWriter writer;
    EXPECT_TRUE(writer.EndStream());
    EXPECT_TRUE(writer.Close());
    EXPECT_FALSE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1)) << "no file";
    EXPECT_FALSE(writer.WriteFrame(frame.data(), frame.size())) << "no stream";

    std::int32_t result = 0;
    EXPECT_FALSE(writer.Open(dir.File("missing/folder/a.avi"), kOpenForExport, result));
    EXPECT_EQ(result, kAviErrorFileOpen);
    EXPECT_FALSE(writer.HasFile());
    EXPECT_TRUE(writer.Close());
    EXPECT_TRUE(writer.Close());

    ASSERT_TRUE(writer.Open(dir.File("a.avi"), kOpenForExport, result));
    EXPECT_FALSE(writer.CreateVideoStream(FormatFor(4, 4), 0, 1)) << "rate 0";
    EXPECT_FALSE(writer.CreateVideoStream(FormatFor(0, 4), 7, 1)) << "width 0";
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1));
    EXPECT_FALSE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1)) << "a second stream";
    EXPECT_FALSE(writer.WriteFrame(nullptr, 48));
    EXPECT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
    EXPECT_TRUE(writer.EndStream());
    EXPECT_TRUE(writer.EndStream());
    EXPECT_FALSE(writer.WriteFrame(frame.data(), frame.size())) << "after the stream ended";
    EXPECT_FALSE(writer.CreateVideoStream(FormatFor(4, 4), 7, 1)) << "the file has its stream";
    EXPECT_TRUE(writer.Close());
    EXPECT_TRUE(writer.Close());

    RiffFile file(dir.File("a.avi"));
    const IndexedFrames index = ReadIndexes(file, AviWriter::kDefaultRiffSizeLimit);
    ExpectFramesStored(file, index, {frame});
}

TEST(AviWriterLifecycle, ReopeningFinishesTheFirstFile)
{
    testpictures::ScratchDirectory dir;
    AviWriter writer;
    std::int32_t result;
    ASSERT_TRUE(writer.Open(dir.File("first.avi"), kOpenForExport, result));
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 2));
    const std::vector<std::vector<std::uint8_t>> frames = {FrameBytes(48, 0), FrameBytes(48, 1)};
    for (const auto& frame : frames)
        ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size()));
    ASSERT_TRUE(writer.Open(dir.File("second.avi"), kOpenForExport, result));
    EXPECT_FALSE(writer.HasStream());
    EXPECT_TRUE(writer.HasFile());
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 0)) << "the new file gets its own stream";
    ASSERT_TRUE(writer.Close());

    RiffFile file(dir.File("first.avi"));
    const IndexedFrames index = ReadIndexes(file, AviWriter::kDefaultRiffSizeLimit);
    ExpectFramesStored(file, index, frames);
}

TEST(AviWriterLifecycle, RejectedFrameLeavesTheFileUsable)
{
    testpictures::ScratchDirectory dir;
    AviWriter writer;
    writer.SetRiffSizeLimit(32 * 1024);
    std::int32_t result;
    ASSERT_TRUE(writer.Open(dir.File("r.avi"), kOpenForExport, result));
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(4, 4), 7, 2));
    const std::vector<std::uint8_t> huge = FrameBytes(40 * 1024, 0);  // larger than any RIFF may be
    const std::vector<std::uint8_t> small = FrameBytes(48, 1);
    EXPECT_FALSE(writer.WriteFrame(huge.data(), huge.size()));
    EXPECT_TRUE(writer.WriteFrame(small.data(), small.size()));
    EXPECT_FALSE(writer.WriteFrame(huge.data(), huge.size()));
    EXPECT_EQ(writer.NextFrame(), 3);
    ASSERT_TRUE(writer.Close());

    RiffFile file(dir.File("r.avi"));
    const IndexedFrames index = ReadIndexes(file, 32 * 1024);
    ExpectFramesStored(file, index, {small});
}

TEST(AviWriterLifecycle, RefusesTargetsItCannotWriteAFileInto)
{
    testpictures::ScratchDirectory dir;
    AviWriter writer;
    std::int32_t result = 0;
    EXPECT_FALSE(writer.Open(dir.File(""), kOpenForExport, result)) << "a folder";
    EXPECT_EQ(result, kAviErrorFileOpen);

    // A pipe without a reader must neither block nor be taken for a file.
    const std::string pipe = dir.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(writer.Open(pipe, kOpenForExport, result));
    EXPECT_EQ(result, kAviErrorFileOpen);

    EXPECT_FALSE(writer.Open(dir.File("read.avi"), kAviOpenCreate, result)) << "no write access asked for";
    EXPECT_EQ(result, kAviErrorBadFlags);
    EXPECT_FALSE(std::filesystem::exists(dir.File("read.avi")));
}

TEST(AviWriterPlayers, FfprobeAndFfmpegReadTheStreamFrameByFrame)
{
    if (!avitest::HaveTool("ffprobe") || !avitest::HaveTool("ffmpeg"))
        GTEST_SKIP() << "ffprobe or ffmpeg is not installed";
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("p.avi");
    constexpr int kWidth = 37, kHeight = 23;  // rows of 111 bytes, padded to 112
    const int rowBytes = static_cast<int>(RowBytes(kWidth, 24));
    std::vector<std::vector<std::uint8_t>> frames;
    AviWriter writer;
    std::int32_t result;
    ASSERT_TRUE(writer.Open(path, kOpenForExport, result));
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(kWidth, kHeight), 7, 4));
    for (int k = 0; k < 4; ++k) {
        frames.push_back(testpictures::Pattern24(kWidth, kHeight));
        for (int y = 0; y < kHeight; ++y)  // content differs per frame, padding stays 0
            for (int b = 0; b < 3 * kWidth; ++b)
                frames.back()[static_cast<std::size_t>(y) * rowBytes + b] += static_cast<std::uint8_t>(40 * k);
        ASSERT_TRUE(writer.WriteFrame(frames.back().data(), frames.back().size()));
    }
    ASSERT_TRUE(writer.Close());

    auto probe = avitest::ProbeVideoStream(path, true);
    EXPECT_EQ(probe["video_streams"], "1");
    EXPECT_EQ(probe["codec_name"], "rawvideo");
    EXPECT_EQ(probe["width"], std::to_string(kWidth));
    EXPECT_EQ(probe["height"], std::to_string(kHeight));
    EXPECT_EQ(probe["r_frame_rate"], "7/1");
    EXPECT_EQ(probe["nb_frames"], "4");
    EXPECT_EQ(probe["nb_read_frames"], "4");

    const auto decoded = avitest::DecodeFrames(path, kWidth, kHeight);
    ASSERT_EQ(decoded.size(), frames.size());
    for (std::size_t k = 0; k < frames.size(); ++k)
        EXPECT_EQ(decoded[k], avitest::AsDecoded(frames[k].data(), kWidth, kHeight, rowBytes)) << "frame " << k;
}

TEST(AviLargeFile, OverOneGibibyteIsReadCompletely)
{
    testpictures::ScratchDirectory dir;
    const std::string path = dir.File("large.avi");
    constexpr int kWidth = 2000, kHeight = 1000, kFrames = 200;
    const std::size_t frameSize = static_cast<std::size_t>(RowBytes(kWidth, 24)) * kHeight;
    std::vector<std::uint8_t> frame(frameSize, 0x40);
    AviWriter writer;
    std::int32_t result;
    ASSERT_TRUE(writer.Open(path, kOpenForExport, result));
    ASSERT_TRUE(writer.CreateVideoStream(FormatFor(kWidth, kHeight), 7, kFrames));
    for (int k = 0; k < kFrames; ++k) {
        // Each frame carries its number in its first and last bytes.
        frame[0] = frame[frameSize - 1] = static_cast<std::uint8_t>(k);
        ASSERT_TRUE(writer.WriteFrame(frame.data(), frame.size())) << "frame " << k;
    }
    ASSERT_TRUE(writer.Close());

    RiffFile file(path);
    EXPECT_GT(file.Size(), std::uint64_t{1} << 30);
    const IndexedFrames index = ReadIndexes(file, AviWriter::kDefaultRiffSizeLimit);
    EXPECT_GE(index.riffs, 2u);
    ASSERT_EQ(index.dataOffsets.size(), static_cast<std::size_t>(kFrames));
    for (int k : {0, 1, 150, 199}) {
        EXPECT_EQ(file.Bytes(index.dataOffsets[k], 1)[0], k) << "frame " << k;
        EXPECT_EQ(file.Bytes(index.dataOffsets[k] + frameSize - 1, 1)[0], k) << "frame " << k;
    }

    if (avitest::HaveTool("ffprobe")) {
        auto probe = avitest::ProbeVideoStream(path, true);
        EXPECT_EQ(probe["nb_read_frames"], std::to_string(kFrames));
        EXPECT_EQ(probe["width"], std::to_string(kWidth));
    }
    std::filesystem::remove(path);
}
