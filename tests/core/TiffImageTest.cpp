// SPDX-License-Identifier: GPL-3.0-or-later
// The TIFF codec: lossless round trips, the one kind of file it writes, and how
// library errors end.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <vector>

#include <sys/resource.h>
#include <tiffio.h>

#include "core/CodecTestSupport.h"
#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/TiffImage.h"

using codectest::ArchiveCause;
using codectest::PrepareForSave;
using testpictures::Pattern24;
using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace {

std::uint32_t Big(const std::vector<std::uint8_t>& f, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | f.at(at + i);
    return value;
}

// One entry of a big-endian TIFF's first directory (SHORT and LONG values only).
struct TiffEntry {
    int valueBytes = 0;  // 2 or 4
    std::size_t valueOffset = 0;
    std::vector<std::uint32_t> values;
};

std::map<std::uint32_t, TiffEntry> FirstDirectory(const std::vector<std::uint8_t>& f)
{
    std::map<std::uint32_t, TiffEntry> entries;
    const std::size_t ifd = Big(f, 4, 4);
    for (std::uint32_t i = 0; i < Big(f, ifd, 2); ++i) {
        const std::size_t at = ifd + 2 + 12 * i;
        TiffEntry& entry = entries[Big(f, at, 2)];
        entry.valueBytes = Big(f, at + 2, 2) == 3 ? 2 : 4;
        const std::uint32_t count = Big(f, at + 4, 4);
        entry.valueOffset = entry.valueBytes * count <= 4 ? at + 8 : Big(f, at + 8, 4);
        for (std::uint32_t k = 0; k < count; ++k)
            entry.values.push_back(Big(f, entry.valueOffset + entry.valueBytes * k, entry.valueBytes));
    }
    return entries;
}

// The image length libtiff itself reads from path; 0 when it cannot open it.
std::uint32_t LibraryImageLength(const std::string& path)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, [](TIFF*, void*, const char*, const char*, va_list) { return 1; }, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, [](TIFF*, void*, const char*, const char*, va_list) { return 1; }, nullptr);
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    std::uint32_t length = 0;
    if (tif != nullptr && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &length) != 1)
        length = 0;
    if (tif != nullptr)
        TIFFClose(tif);
    return length;
}

// Counts what reaches the process-wide handlers.
int g_globalMessages = 0;
void CountMessage(const char*, const char*, va_list)
{
    ++g_globalMessages;
}

}  // namespace

TEST(TiffImageRoundTrip, KeepsEveryByte)
{
    ScratchDirectory dir;
    for (const auto& [width, height] : {std::pair{5, 3}, std::pair{1, 9}, std::pair{17, 4}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const auto rows = Pattern24(width, height);
        CTiffImage writer;
        PrepareForSave(writer, width, height, rows);
        writer.Write(dir.File("round.tif"));
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CTiffImage reader;
        reader.Read(dir.File("round.tif"));
        const BITMAPINFOHEADER h = reader.GetHeader();
        codectest::ExpectWorkingHeader(h, width, height);
        ASSERT_EQ(reader.m_pBits.size(), rows.size());
        EXPECT_EQ(0, std::memcmp(reader.m_pBits.data(), rows.data(), rows.size()));
    }
}

TEST(TiffImageFile, UncompressedBigEndianRgbOneRowAStrip)
{
    ScratchDirectory dir;
    const int width = 6;
    const int height = 4;
    const auto rows = Pattern24(width, height);
    CTiffImage writer;
    PrepareForSave(writer, width, height, rows);
    writer.Write(dir.File("file.tif"));
    const auto f = ReadWholeFile(dir.File("file.tif"));
    ASSERT_GE(f.size(), 8u);
    EXPECT_EQ(Big(f, 0, 4), 0x4D4D002Au) << "big-endian header";

    auto tags = FirstDirectory(f);
    using V = std::vector<std::uint32_t>;
    EXPECT_EQ(tags[256].values, V{6});
    EXPECT_EQ(tags[257].values, V{4});
    EXPECT_EQ(tags[258].values, (V{8, 8, 8}));
    EXPECT_EQ(tags[277].values, V{3});
    EXPECT_EQ(tags[284].values, V{1}) << "contiguous";
    EXPECT_EQ(tags[259].values, V{1}) << "no compression";
    EXPECT_EQ(tags[262].values, V{2}) << "RGB";
    EXPECT_EQ(tags[274].values, V{1}) << "top row first";
    EXPECT_EQ(tags[278].values, V{1}) << "one row a strip";
    EXPECT_EQ(tags.count(282) + tags.count(283) + tags.count(296), 0u) << "no resolution tags";
    EXPECT_EQ(tags[279].values, V(height, width * 3));
    const V offsets = tags[273].values;
    ASSERT_EQ(offsets.size(), static_cast<std::size_t>(height));

    // Strip i holds the i-th row from the top in red-green-blue order.
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    for (int strip = 0; strip < height; ++strip)
        for (int i = 0; i < width * 3; ++i)
            EXPECT_EQ(f.at(offsets[strip] + i), rows[(height - 1 - strip) * rowBytes + i / 3 * 3 + 2 - i % 3])
                << "strip " << strip << " byte " << i;
}

TEST(TiffImageFailures, EachFailureHasItsKindAndStaysQuiet)
{
    ScratchDirectory dir;
    const TIFFErrorHandler previousError = TIFFSetErrorHandler(CountMessage);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(CountMessage);
    g_globalMessages = 0;

    CTiffImage eightBit;
    PrepareForSave(eightBit, 4, 4, std::vector<std::uint8_t>(16, 0), nullptr, 8);
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(dir.File("eight.tif")); }), CArchiveException::generic);
    EXPECT_FALSE(std::filesystem::exists(dir.File("eight.tif"))) << "no file is created";

    CTiffImage writer;
    PrepareForSave(writer, 30, 20, Pattern24(30, 20));
    try {
        writer.Write(dir.File("no/such/folder.tif"));
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, -1);
    }

    // Opening errors are library errors: a missing file and a file that is not a TIFF.
    CTiffImage missing;
    EXPECT_EQ(ArchiveCause([&] { missing.Read(dir.File("missing.tif")); }), CArchiveException::generic);
    CTiffImage text;
    EXPECT_EQ(ArchiveCause([&] { text.Read(dir.Write("text.tif", {'h', 'e', 'l', 'l', 'o', ' ', 't', 'i', 'f'})); }),
              CArchiveException::generic);

    writer.Write(dir.File("whole.tif"));
    const auto whole = ReadWholeFile(dir.File("whole.tif"));
    const auto tags = FirstDirectory(whole);
    // The directory (written last) is cut off.
    CTiffImage cut;
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    EXPECT_EQ(ArchiveCause([&] { cut.Read(dir.Write("cut.tif", half)); }), CArchiveException::generic);

    // The last strip lies beyond the end of the file: the error comes from inside the raster read.
    auto beyondFile = whole;
    beyondFile[tags.at(273).valueOffset + 4 * (tags.at(273).values.size() - 1)] = 0x7F;
    CTiffImage beyond;
    EXPECT_EQ(ArchiveCause([&] { beyond.Read(dir.Write("beyond.tif", beyondFile)); }), CArchiveException::generic);
    EXPECT_TRUE(beyond.m_pBits.empty());

    // A one-strip file whose width, height and rows per strip claim 60000 x 60000
    // pixels: libtiff opens it, the codec refuses it before allocating the raster.
    CTiffImage oneRow;
    PrepareForSave(oneRow, 2, 1, Pattern24(2, 1));
    oneRow.Write(dir.File("one.tif"));
    auto huge = ReadWholeFile(dir.File("one.tif"));
    for (std::uint32_t tag : {256u, 257u, 278u}) {
        const TiffEntry entry = FirstDirectory(huge).at(tag);
        for (int i = 0; i < entry.valueBytes; ++i)
            huge[entry.valueOffset + i] = static_cast<std::uint8_t>(60000 >> (8 * (entry.valueBytes - 1 - i)));
    }
    const std::string hugePath = dir.Write("huge.tif", huge);
    ASSERT_EQ(LibraryImageLength(hugePath), 60000u);
    CTiffImage absurd;
    EXPECT_EQ(ArchiveCause([&] { absurd.Read(hugePath); }), CArchiveException::generic);
    EXPECT_TRUE(absurd.m_pBits.empty());

    EXPECT_EQ(g_globalMessages, 0) << "library messages reached the process-wide handlers";
    TIFFSetErrorHandler(previousError);
    TIFFSetWarningHandler(previousWarning);
}

TEST(TiffImageFailures, FailedWritesAreReportedNotSuccess)
{
    ScratchDirectory dir;
    CTiffImage codec;
    PrepareForSave(codec, 64, 64, Pattern24(64, 64));

    // The file can be created, but the system refuses everything beyond its
    // first 4 KiB, as on a full disk.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const codectest::FileFailure failure = codectest::FileFailureOf([&] { codec.Write(dir.File("limited.tif")); });
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    // A failed write with the system's reason, not a damaged file.
    EXPECT_EQ(failure, (codectest::FileFailure{CFileException::hardIO, EFBIG}));
}
