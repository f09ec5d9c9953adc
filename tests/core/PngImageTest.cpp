// SPDX-License-Identifier: GPL-3.0-or-later
// The PNG codec: lossless round trips, what the written file holds, and its
// failures. (The conversions of every other kind of PNG are checked against the
// PNG suite in CodecCorpusTest.)
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <png.h>
#include <zlib.h>

#include "core/CodecTestSupport.h"
#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/PngImage.h"

using codectest::ArchiveCause;
using codectest::PrepareForSave;
using testpictures::Pattern24;
using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace {

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The data of the first chunk of the given type, or nothing.
std::vector<std::uint8_t> ChunkData(const std::vector<std::uint8_t>& file, const char* type)
{
    for (std::size_t pos = 8; pos + 12 <= file.size(); pos += 12 + BigEndian32(&file[pos])) {
        const std::size_t end = pos + 8 + BigEndian32(&file[pos]);
        if (end <= file.size() && std::memcmp(&file[pos + 4], type, 4) == 0)
            return {file.begin() + static_cast<std::ptrdiff_t>(pos + 8), file.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    return {};
}

}  // namespace

TEST(PngImageRoundTrip, KeepsEveryByte)
{
    ScratchDirectory dir;
    for (const auto& [width, height] : {std::pair{5, 3}, std::pair{1, 9}, std::pair{17, 4}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const auto rows = Pattern24(width, height);
        CPngImage writer;
        PrepareForSave(writer, width, height, rows);
        writer.Write(dir.File("round.png"));
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CPngImage reader;
        reader.Read(dir.File("round.png"));
        const BITMAPINFOHEADER h = reader.GetHeader();
        codectest::ExpectWorkingHeader(h, width, height);
        ASSERT_EQ(reader.m_pBits.size(), rows.size());
        EXPECT_EQ(0, std::memcmp(reader.m_pBits.data(), rows.data(), rows.size()));
    }
}

TEST(PngImageFile, EightBitRgbWithGammaAndTopRowFirst)
{
    ScratchDirectory dir;
    const int width = 7;
    const int height = 5;
    const auto rows = Pattern24(width, height);
    CPngImage writer;
    PrepareForSave(writer, width, height, rows);
    const std::string path = dir.File("file.png");
    writer.Write(path);

    const auto file = ReadWholeFile(path);
    const auto ihdr = ChunkData(file, "IHDR");
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(BigEndian32(&ihdr[0]), 7u);
    EXPECT_EQ(BigEndian32(&ihdr[4]), 5u);
    // Bit depth 8, colour type 2 (RGB), compression, filter and interlace 0.
    EXPECT_EQ(std::vector<std::uint8_t>(ihdr.begin() + 8, ihdr.end()), (std::vector<std::uint8_t>{8, 2, 0, 0, 0}));
    const auto gama = ChunkData(file, "gAMA");
    ASSERT_EQ(gama.size(), 4u);
    EXPECT_EQ(BigEndian32(gama.data()), 45455u) << "file gamma 1/2.2";

    // Another reader sees the top row first, in red-green-blue order.
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    for (int top = 0; top < height; ++top)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(rgb[(top * width + x) * 3 + c], rows[(height - 1 - top) * rowBytes + 3 * x + 2 - c]);
}

TEST(PngImageFailures, EachFailureHasItsKind)
{
    ScratchDirectory dir;
    CPngImage eightBit;
    PrepareForSave(eightBit, 4, 4, std::vector<std::uint8_t>(16, 0), nullptr, 8);
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(dir.File("eight.png")); }), CArchiveException::generic);
    EXPECT_FALSE(std::filesystem::exists(dir.File("eight.png"))) << "no file is created";

    CPngImage writer;
    PrepareForSave(writer, 40, 30, Pattern24(40, 30));
    try {
        writer.Write(dir.File("no/such/folder.png"));
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, -1);
    }

    // A file that cannot be opened for the signature test counts as not a PNG.
    CPngImage missing;
    EXPECT_EQ(ArchiveCause([&] { missing.Read(dir.File("missing.png")); }), CArchiveException::generic);
    CPngImage text;
    EXPECT_EQ(ArchiveCause([&] { text.Read(dir.Write("text.png", {'h', 'e', 'l', 'l', 'o'})); }),
              CArchiveException::generic);

    // The signature matches, the data breaks off: a library error, no picture left behind.
    writer.Write(dir.File("whole.png"));
    const auto whole = ReadWholeFile(dir.File("whole.png"));
    CPngImage truncated;
    const std::vector<std::uint8_t> half(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2));
    EXPECT_EQ(ArchiveCause([&] { truncated.Read(dir.Write("cut.png", half)); }), CArchiveException::generic);
    EXPECT_TRUE(truncated.m_pBits.empty());
    EXPECT_EQ(truncated.GetHeader().biWidth, 0);

    // A header claiming 60000 x 60000 pixels (with a valid checksum) is refused
    // before any allocation.
    auto huge = whole;
    for (std::size_t at : {16u, 20u}) {
        huge[at] = huge[at + 1] = 0;
        huge[at + 2] = 60000 >> 8;
        huge[at + 3] = 60000 & 0xFF;
    }
    const auto crc = static_cast<std::uint32_t>(crc32(0, &huge[12], 17));
    for (int i = 0; i < 4; ++i)
        huge[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    CPngImage absurd;
    EXPECT_EQ(ArchiveCause([&] { absurd.Read(dir.Write("huge.png", huge)); }), CArchiveException::generic);
    EXPECT_TRUE(absurd.m_pBits.empty());

    // A full disk is reported as a failed write with the system's reason.
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(codectest::FileFailureOf([&] { writer.Write("/dev/full"); }),
                  (codectest::FileFailure{CFileException::hardIO, ENOSPC}));
    }
}
