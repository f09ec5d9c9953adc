// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG codec: round trips, what the written file holds, and its failures.
// (Reading real files, and the orientation of the reader against another
// format, is checked in CodecCorpusTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include "core/CodecTestSupport.h"
#include "core/TestPictures.h"
#include "image/CodecOptions.h"
#include "image/Exceptions.h"
#include "image/JpegImage.h"

using codectest::ArchiveCause;
using codectest::PrepareForSave;
using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace {

// Bottom-up rows of a picture JPEG keeps well: the upper half red, the lower
// half blue, green rising gently from left to right.
std::vector<std::uint8_t> RedOverBlue(int width, int height)
{
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(height), 0);
    for (int r = 0; r < height; ++r) {
        const bool upper = (height - 1 - r) < height / 2;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* pixel = &rows[static_cast<std::size_t>(r) * rowBytes + 3 * static_cast<std::size_t>(x)];
            pixel[0] = upper ? 40 : 210;
            pixel[1] = static_cast<std::uint8_t>(60 + x * 2 % 120);
            pixel[2] = upper ? 210 : 40;
        }
    }
    return rows;
}

std::vector<std::uint8_t> SavedFile(const ScratchDirectory& dir, CodecOptions options)
{
    CJpegImage codec;
    PrepareForSave(codec, 16, 16, testpictures::Pattern24(16, 16), &options);
    codec.Write(dir.File("saved.jpg"));
    return ReadWholeFile(dir.File("saved.jpg"));
}

// The cause of the CArchiveException that action raises; -1 when it raises none.
// Where the segment with marker (0xFF, marker) starts before the first scan, or npos.
std::size_t FindSegment(const std::vector<std::uint8_t>& file, std::uint8_t marker, std::size_t from = 2)
{
    for (std::size_t pos = from; pos + 4 <= file.size() && file[pos] == 0xFF && file[pos + 1] != 0xDA;
         pos += 2 + (std::size_t{file[pos + 2]} << 8 | file[pos + 3])) {
        if (file[pos + 1] == marker)
            return pos;
    }
    return std::string::npos;
}

// Every value of every quantisation table in the file (8-bit tables).
std::vector<int> QuantisationValues(const std::vector<std::uint8_t>& file)
{
    std::vector<int> values;
    for (std::size_t pos = FindSegment(file, 0xDB), end = 0; pos != std::string::npos; pos = FindSegment(file, 0xDB, end)) {
        end = pos + 2 + (std::size_t{file[pos + 2]} << 8 | file[pos + 3]);
        for (std::size_t table = pos + 4; table + 65 <= end; table += 65)
            values.insert(values.end(), file.begin() + static_cast<std::ptrdiff_t>(table + 1),
                          file.begin() + static_cast<std::ptrdiff_t>(table + 65));
    }
    return values;
}

}  // namespace

TEST(JpegImageRoundTrip, KeepsSizeOrientationAndChannelOrder)
{
    ScratchDirectory dir;
    for (const auto& [width, height] : {std::pair{64, 48}, std::pair{1, 32}, std::pair{33, 17}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const auto rows = RedOverBlue(width, height);
        CJpegImage writer;
        PrepareForSave(writer, width, height, rows, nullptr);
        writer.Write(dir.File("round.jpg"));
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CJpegImage reader;
        reader.Read(dir.File("round.jpg"));
        const BITMAPINFOHEADER h = reader.GetHeader();
        codectest::ExpectWorkingHeader(h, width, height);
        ASSERT_EQ(reader.m_pBits.size(), rows.size());

        // Quality 100 keeps a smooth picture within a few levels, except next to
        // the red-blue edge, where the halved colour resolution blurs.
        const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
        const int edge = height - 1 - height / 2;
        for (int r = 0; r < height; ++r) {
            const std::uint8_t* got = reader.m_pBits.data() + r * rowBytes;
            const std::uint8_t* want = rows.data() + r * rowBytes;
            double difference = 0;
            for (int i = 0; i < width * 3; ++i)
                difference += std::abs(got[i] - want[i]);
            if (r < edge - 1 || r > edge + 2) {
                EXPECT_LT(difference / (width * 3), 3.0) << "row " << r;
            }
            for (std::size_t pad = static_cast<std::size_t>(width) * 3; pad < rowBytes; ++pad)
                EXPECT_EQ(got[pad], 0) << "padding of row " << r;
        }
        const std::uint8_t* top = reader.m_pBits.data() + (height - 1) * rowBytes;
        EXPECT_TRUE(top[2] > 180 && top[0] < 70) << "top row is red";
    }
}

TEST(JpegImageFile, QualityAndProgressionReachTheLibrary)
{
    ScratchDirectory dir;
    // Quality 100 divides by 1 everywhere; 0 is taken as 1, the coarsest (255
    // everywhere in a baseline file); 75 halves the standard tables (16 -> 8).
    const auto best = QuantisationValues(SavedFile(dir, {100, 0}));
    const auto worst = QuantisationValues(SavedFile(dir, {0, 0}));
    ASSERT_EQ(best.size(), 128u);
    ASSERT_EQ(worst.size(), 128u);
    EXPECT_EQ(std::count(best.begin(), best.end(), 1), 128);
    EXPECT_EQ(std::count(worst.begin(), worst.end(), 255), 128);
    EXPECT_EQ(QuantisationValues(SavedFile(dir, {75, 0})).at(0), 8);

    // A codec given no options writes what the untouched dialog asks for: quality 100, baseline.
    CJpegImage untouched;
    PrepareForSave(untouched, 16, 16, testpictures::Pattern24(16, 16), nullptr);
    untouched.Write(dir.File("untouched.jpg"));
    const auto baseline = ReadWholeFile(dir.File("untouched.jpg"));
    EXPECT_EQ(baseline, SavedFile(dir, CodecOptions{}));
    EXPECT_NE(FindSegment(baseline, 0xC0), std::string::npos);
    EXPECT_EQ(FindSegment(baseline, 0xC2), std::string::npos);

    const auto progressive = SavedFile(dir, {100, 1});
    EXPECT_NE(FindSegment(progressive, 0xC2), std::string::npos);
    EXPECT_EQ(FindSegment(progressive, 0xC0), std::string::npos);
    CJpegImage reader;
    reader.Read(dir.File("saved.jpg"));
    EXPECT_EQ(reader.GetHeader().biWidth, 16);
}

TEST(JpegImageFailures, EachFailureHasItsKind)
{
    ScratchDirectory dir;
    // Writing a picture that is not 24-bit leaves the just-created file empty.
    CJpegImage eightBit;
    PrepareForSave(eightBit, 8, 8, std::vector<std::uint8_t>(64, 1), nullptr, 8);
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(dir.File("eight.jpg")); }), CArchiveException::badIndex);
    ASSERT_TRUE(std::filesystem::exists(dir.File("eight.jpg")));
    EXPECT_EQ(std::filesystem::file_size(dir.File("eight.jpg")), 0u);

    CJpegImage missing;
    try {
        missing.Read(dir.File("missing.jpg"));
        ADD_FAILURE() << "a missing file was read";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, -1);
    }
    CJpegImage notJpeg;
    EXPECT_EQ(ArchiveCause([&] { notJpeg.Read(dir.Write("text.jpg", {'h', 'e', 'l', 'l', 'o'})); }),
              CArchiveException::badIndex);

    // A frame header claiming 60000 x 60000 pixels is refused before any allocation.
    auto huge = SavedFile(dir, {});
    const std::size_t frame = FindSegment(huge, 0xC0);
    ASSERT_NE(frame, std::string::npos);
    huge[frame + 5] = huge[frame + 7] = 60000 >> 8;
    huge[frame + 6] = huge[frame + 8] = 60000 & 0xFF;
    CJpegImage absurd;
    EXPECT_EQ(ArchiveCause([&] { absurd.Read(dir.Write("huge.jpg", huge)); }), CArchiveException::badIndex);
    EXPECT_TRUE(absurd.m_pBits.empty());

    // A full disk is reported as a failed write with the system's reason.
    if (std::filesystem::exists("/dev/full")) {
        CJpegImage full;
        PrepareForSave(full, 8, 8, RedOverBlue(8, 8), nullptr);
        EXPECT_EQ(codectest::FileFailureOf([&] { full.Write("/dev/full"); }),
                  (codectest::FileFailure{CFileException::hardIO, ENOSPC}));
    }
}
