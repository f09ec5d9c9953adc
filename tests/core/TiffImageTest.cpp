// The TIFF codec: lossless round trips, the one kind of file it writes, and
// how library errors end.
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

#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/TiffImage.h"

using testpictures::Pattern24;
using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace {

void PrepareForSave(CDibImage& codec, int width, int height, const std::vector<std::uint8_t>& rows, int bitCount = 24)
{
    codec.SetHeader(width, height, bitCount, nullptr);
    codec.m_pBits = PixelBuffer::Allocate(rows.size(), false);
    std::memcpy(codec.m_pBits.data(), rows.data(), rows.size());
}

int ArchiveCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

std::uint32_t Big16(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return std::uint32_t{f.at(at)} << 8 | f.at(at + 1);
}

std::uint32_t Big32(const std::vector<std::uint8_t>& f, std::size_t at)
{
    return Big16(f, at) << 16 | Big16(f, at + 2);
}

// The first directory of a big-endian TIFF: tag -> values (SHORT and LONG only)
// and where its values lie in the file.
struct TiffEntry {
    std::vector<std::uint32_t> values;
    std::size_t valueOffset = 0;
};

std::map<std::uint32_t, TiffEntry> FirstDirectory(const std::vector<std::uint8_t>& f)
{
    std::map<std::uint32_t, TiffEntry> entries;
    const std::size_t ifd = Big32(f, 4);
    const std::uint32_t count = Big16(f, ifd);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = ifd + 2 + 12 * i;
        const std::uint32_t tag = Big16(f, at);
        const std::uint32_t type = Big16(f, at + 2);
        const std::uint32_t n = Big32(f, at + 4);
        const std::size_t size = type == 3 ? 2 : type == 4 ? 4 : 0;
        TiffEntry entry;
        entry.valueOffset = size * n <= 4 ? at + 8 : Big32(f, at + 8);
        for (std::uint32_t k = 0; size != 0 && k < n; ++k)
            entry.values.push_back(size == 2 ? Big16(f, entry.valueOffset + 2 * k) : Big32(f, entry.valueOffset + 4 * k));
        entries[tag] = entry;
    }
    return entries;
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
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{5, 3}, Size{1, 9}, Size{17, 4}}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const auto rows = Pattern24(size.width, size.height);
        CTiffImage writer;
        PrepareForSave(writer, size.width, size.height, rows);
        writer.Write(dir.File("round.tif"));
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CTiffImage reader;
        reader.Read(dir.File("round.tif"));
        const BITMAPINFOHEADER h = reader.GetHeader();
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, size.width);
        EXPECT_EQ(h.biHeight, size.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biXPelsPerMeter, 14173);
        EXPECT_EQ(h.biYPelsPerMeter, 14173);
        EXPECT_TRUE(reader.m_pColors.empty());
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
    EXPECT_EQ((std::vector<std::uint8_t>(f.begin(), f.begin() + 4)), (std::vector<std::uint8_t>{0x4D, 0x4D, 0x00, 0x2A}));

    auto tags = FirstDirectory(f);
    using V = std::vector<std::uint32_t>;
    EXPECT_EQ(tags[256].values, V{6});
    EXPECT_EQ(tags[257].values, V{4});
    EXPECT_EQ(tags[258].values, (V{8, 8, 8}));
    EXPECT_EQ(tags[277].values, V{3});
    EXPECT_EQ(tags[284].values, V{1});
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
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(f.at(offsets[strip] + 3 * x + c), rows[(height - 1 - strip) * rowBytes + 3 * x + (2 - c)])
                    << "strip " << strip << " pixel " << x;
}

TEST(TiffImageFailures, EachFailureHasItsKindAndStaysQuiet)
{
    ScratchDirectory dir;
    const TIFFErrorHandler previousError = TIFFSetErrorHandler(CountMessage);
    const TIFFErrorHandler previousWarning = TIFFSetWarningHandler(CountMessage);
    g_globalMessages = 0;

    CTiffImage eightBit;
    PrepareForSave(eightBit, 4, 4, std::vector<std::uint8_t>(16, 0), 8);
    const std::string refused = dir.File("eight.tif");
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(refused); }), CArchiveException::generic);
    EXPECT_FALSE(std::filesystem::exists(refused)) << "no file is created";

    CTiffImage noFolder;
    PrepareForSave(noFolder, 4, 4, Pattern24(4, 4));
    try {
        noFolder.Write(dir.File("no/such/folder.tif"));
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

    PrepareForSave(noFolder, 30, 20, Pattern24(30, 20));
    noFolder.Write(dir.File("whole.tif"));
    const auto whole = ReadWholeFile(dir.File("whole.tif"));

    // The directory (written last) is cut off.
    CTiffImage cut;
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    EXPECT_EQ(ArchiveCause([&] { cut.Read(dir.Write("cut.tif", half)); }), CArchiveException::generic);

    // The directory is fine, but the last strip lies beyond the end of the file:
    // the error comes from inside the raster read.
    auto tags = FirstDirectory(whole);
    auto damaged = whole;
    const std::size_t lastOffset = tags[273].valueOffset + 4 * (tags[273].values.size() - 1);
    damaged[lastOffset] = 0x7F;
    CTiffImage beyond;
    EXPECT_EQ(ArchiveCause([&] { beyond.Read(dir.Write("beyond.tif", damaged)); }), CArchiveException::generic);
    EXPECT_TRUE(beyond.m_pBits.empty());

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
    const int cause = ArchiveCause([&] { codec.Write(dir.File("limited.tif")); });
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousSignal);

    EXPECT_EQ(cause, CArchiveException::generic);
}
