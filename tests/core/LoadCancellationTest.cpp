// SPDX-License-Identifier: GPL-3.0-or-later
// A load whose control asks it to end: for every reader, at its first, a middle
// and its last checkpoint, Open raises the cancellation (not a load failure),
// and no file, thread or buffer of the load is left behind. A load that is not
// cancelled still opens, and the readers that can tell their share do.
#include <gtest/gtest.h>

#include <dirent.h>
#include <malloc.h>

#include <functional>
#include <string>
#include <vector>

#include "PhotoTestSupport.h"
#include "WarpFieldTestSupport.h"
#include "image/JpegImage.h"
#include "image/LoadControl.h"
#include "image/TiffImage.h"

namespace {

// Entries of a folder of /proc, for open files and running threads.
int EntriesOf(const char* folder)
{
    int count = 0;
    if (DIR* dir = ::opendir(folder)) {
        while (::readdir(dir) != nullptr)
            ++count;
        ::closedir(dir);
    }
    return count;
}

std::size_t HeapInUse()
{
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

struct Footprint {
    int files = EntriesOf("/proc/self/fd");
    int threads = EntriesOf("/proc/self/task");
    std::size_t heap = HeapInUse();
};

// Runs Open under a control whose hook is called at every checkpoint.
std::unique_ptr<PictureSession> OpenUnder(LoadControl& control, const std::string& path,
                                          std::function<void(LoadControl&)> hook)
{
    SetLoadCheckpointHook(std::move(hook));
    const ScopedLoadControl named(control);
    try {
        auto session = PictureSession::Open(path);
        SetLoadCheckpointHook({});
        return session;
    } catch (...) {
        SetLoadCheckpointHook({});
        throw;
    }
}

void WriteWith(CDibImage& codec, int width, int height, const std::string& path, const CodecOptions* options)
{
    codec.SetHeader(width, height, 24, options);
    codec.m_pBits = warptest::MakePicture(width, height);
    codec.Write(path);
}

struct Reader {
    const char* name;
    std::function<void(const std::string&)> write;
    const char* ending;
    bool tellsShare;
};

const std::vector<Reader>& Readers()
{
    constexpr int kWidth = 640, kHeight = 480;
    static const std::vector<Reader> readers = {
        {"baseline JPEG", [](const std::string& path) { CJpegImage c; CodecOptions o{90, false}; WriteWith(c, kWidth, kHeight, path, &o); }, ".jpg", true},
        {"progressive JPEG", [](const std::string& path) { CJpegImage c; CodecOptions o{90, true}; WriteWith(c, kWidth, kHeight, path, &o); }, ".jpg", true},
        {"PNG", [](const std::string& path) { CPngImage c; WriteWith(c, kWidth, kHeight, path, nullptr); }, ".png", true},
        {"TIFF", [](const std::string& path) { CTiffImage c; WriteWith(c, kWidth, kHeight, path, nullptr); }, ".tif", false},
        {"HEIC", [](const std::string& path) {
             const PixelBuffer rows = warptest::MakePicture(128, 96);
             phototest::WriteHeif(phototest::FromRows(128, 96, rows.data()), heif_compression_HEVC, path, 1);
         }, ".heic", false},
    };
    return readers;
}

TEST(LoadCancellation, EveryReaderEndsAtItsCheckpointsAndLeavesNothing)
{
    const phototest::ScratchFolder folder("load-cancellation");
    for (const Reader& reader : Readers()) {
        SCOPED_TRACE(reader.name);
        const std::string path = folder / (std::string("picture") + reader.ending);
        reader.write(path);

        // Uncancelled: it opens, counting its checkpoints (and warming the libraries up).
        LoadControl whole;
        int checkpoints = 0;
        const auto session = OpenUnder(whole, path, [&](LoadControl&) { ++checkpoints; });
        ASSERT_NE(session, nullptr);
        EXPECT_GT(session->Width(), 0);
        if (reader.tellsShare) {
            EXPECT_GT(checkpoints, 10) << "no checkpoints between rows";
            EXPECT_GE(whole.Permille(), 900);
        }
        ASSERT_GE(checkpoints, 2);

        for (const int at : {1, checkpoints / 2, checkpoints}) {
            SCOPED_TRACE("cancelled at checkpoint " + std::to_string(at) + " of " + std::to_string(checkpoints));
            const Footprint before;
            {
                LoadControl control;
                int passed = 0;
                EXPECT_THROW(OpenUnder(control, path,
                                       [&](LoadControl& c) {
                                           if (++passed == at)
                                               c.RequestCancel();
                                       }),
                             CLoadCancelled);
            }
            const Footprint after;
            EXPECT_EQ(after.files, before.files);
            EXPECT_EQ(after.threads, before.threads);
            // Far below the picture's 900 kB: no buffer of the load survives.
            EXPECT_LT(after.heap, before.heap + 64 * 1024);
        }
    }
}

// Without a control (the command-line tool) the checkpoints never end a load.
TEST(LoadCancellation, NoControlNoCheckpoint)
{
    const phototest::ScratchFolder folder("load-uncontrolled");
    const std::string path = folder / "picture.png";
    Readers()[2].write(path);
    int calls = 0;
    SetLoadCheckpointHook([&](LoadControl& c) { ++calls; c.RequestCancel(); });
    std::unique_ptr<PictureSession> session;
    EXPECT_NO_THROW(session = PictureSession::Open(path));
    SetLoadCheckpointHook({});
    EXPECT_NE(session, nullptr);
    EXPECT_EQ(calls, 0);
}

}  // namespace
