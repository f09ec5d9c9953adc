// The JPEG codec: round trips, what the written file holds, and its failures.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <jpeglib.h>

#include "core/TestPictures.h"
#include "image/CodecOptions.h"
#include "image/Exceptions.h"
#include "image/JpegImage.h"

using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace {

// Bottom-up 24-bit rows of a picture JPEG keeps well: the upper half red, the
// lower half blue, green rising gently from left to right.
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

void PrepareForSave(CDibImage& codec, int width, int height, const std::vector<std::uint8_t>& rows,
                    const CodecOptions* options, int bitCount = 24)
{
    codec.SetHeader(width, height, bitCount, options);
    codec.m_pBits = PixelBuffer::Allocate(rows.size(), false);
    std::memcpy(codec.m_pBits.data(), rows.data(), rows.size());
}

std::string SaveJpeg(const ScratchDirectory& dir, const std::string& name, int width, int height,
                     const std::vector<std::uint8_t>& rows, CodecOptions options = {})
{
    CJpegImage codec;
    PrepareForSave(codec, width, height, rows, &options);
    const std::string path = dir.File(name);
    codec.Write(path);
    return path;
}

// The cause of the CArchiveException that action raises; -1 when it raises none.
int ArchiveCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

// The markers of a JPEG file up to its first scan, each with its segment's payload.
struct JpegSegment {
    std::uint8_t marker;
    std::vector<std::uint8_t> payload;
};

std::vector<JpegSegment> SegmentsBeforeFirstScan(const std::vector<std::uint8_t>& file)
{
    std::vector<JpegSegment> segments;
    std::size_t pos = 2;  // after SOI
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        const std::uint8_t marker = file[pos + 1];
        const std::size_t length = static_cast<std::size_t>(file[pos + 2]) << 8 | file[pos + 3];
        if (length < 2 || pos + 2 + length > file.size())
            break;
        segments.push_back({marker, {file.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                                     file.begin() + static_cast<std::ptrdiff_t>(pos + 2 + length)}});
        if (marker == 0xDA)
            break;
        pos += 2 + length;
    }
    return segments;
}

// Every quantisation value of every table, in file order (8-bit tables only).
std::vector<int> QuantisationValues(const std::vector<std::uint8_t>& file)
{
    std::vector<int> values;
    for (const JpegSegment& segment : SegmentsBeforeFirstScan(file)) {
        if (segment.marker != 0xDB)
            continue;
        for (std::size_t at = 0; at + 65 <= segment.payload.size(); at += 65) {
            EXPECT_EQ(segment.payload[at] >> 4, 0) << "16-bit table";
            values.insert(values.end(), segment.payload.begin() + static_cast<std::ptrdiff_t>(at + 1),
                          segment.payload.begin() + static_cast<std::ptrdiff_t>(at + 65));
        }
    }
    return values;
}

bool HasMarker(const std::vector<JpegSegment>& segments, std::uint8_t marker)
{
    for (const JpegSegment& segment : segments)
        if (segment.marker == marker)
            return true;
    return false;
}

// Decodes a file straight through libjpeg into top-down RGB, as any other
// program would see it.
struct DecodedJpeg {
    JDIMENSION width = 0;
    JDIMENSION height = 0;
    std::vector<std::uint8_t> rgb;
};

struct TestErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void TestErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TestErrorManager*>(info->err)->jump, 1);
}

bool DecodeRows(jpeg_decompress_struct& info, TestErrorManager& error, std::FILE* file, DecodedJpeg& out)
{
    if (setjmp(error.jump) != 0)
        return false;
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.width = info.output_width;
    out.height = info.output_height;
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);  // before any further library call
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<std::size_t>(info.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

DecodedJpeg DecodeWithLibrary(const std::string& path)
{
    DecodedJpeg out;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return out;
    jpeg_decompress_struct info{};
    TestErrorManager error{};
    info.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = TestErrorExit;
    if (!DecodeRows(info, error, file, out))
        out.rgb.clear();
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return out;
}

double MeanAbsoluteDifference(const std::uint8_t* a, const std::uint8_t* b, std::size_t count)
{
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += std::abs(int{a[i]} - int{b[i]});
    return count == 0 ? 0 : sum / static_cast<double>(count);
}

}  // namespace

TEST(JpegImageRoundTrip, KeepsSizeOrientationAndChannelOrder)
{
    ScratchDirectory dir;
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{64, 48}, Size{1, 32}, Size{33, 17}}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const auto rows = RedOverBlue(size.width, size.height);
        CJpegImage writer;
        PrepareForSave(writer, size.width, size.height, rows, nullptr);
        const std::string path = dir.File("round.jpg");
        writer.Write(path);
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CJpegImage reader;
        reader.Read(path);
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

        const auto rowBytes = static_cast<std::size_t>(RowBytes(size.width, 24));
        const int boundary = size.height - 1 - size.height / 2;  // the last blue row
        for (int r = 0; r < size.height; ++r) {
            const std::uint8_t* got = reader.m_pBits.data() + r * rowBytes;
            const std::uint8_t* want = rows.data() + r * rowBytes;
            // Quality 100 keeps a smooth picture within a few levels, except next
            // to the red-blue edge, where the halved colour resolution blurs.
            if (r < boundary - 1 || r > boundary + 2) {
                EXPECT_LT(MeanAbsoluteDifference(got, want, static_cast<std::size_t>(size.width) * 3), 3.0)
                    << "row " << r;
            }
            for (std::size_t pad = static_cast<std::size_t>(size.width) * 3; pad < rowBytes; ++pad)
                EXPECT_EQ(got[pad], 0) << "padding of row " << r;
        }
        // Top row (buffer's last) red, bottom row blue: neither flipped nor swapped.
        const std::uint8_t* top = reader.m_pBits.data() + (size.height - 1) * rowBytes;
        const std::uint8_t* bottom = reader.m_pBits.data();
        EXPECT_GT(top[2], 180);
        EXPECT_LT(top[0], 70);
        EXPECT_GT(bottom[0], 180);
        EXPECT_LT(bottom[2], 70);
    }
}

TEST(JpegImageFile, FirstScanlineIsTheTopRowInRgbOrder)
{
    ScratchDirectory dir;
    const std::string path = SaveJpeg(dir, "top.jpg", 40, 24, RedOverBlue(40, 24));
    const DecodedJpeg decoded = DecodeWithLibrary(path);
    ASSERT_EQ(decoded.width, 40u);
    ASSERT_EQ(decoded.height, 24u);
    ASSERT_FALSE(decoded.rgb.empty());
    const std::uint8_t* first = decoded.rgb.data();
    const std::uint8_t* last = decoded.rgb.data() + (decoded.rgb.size() - 3);
    EXPECT_GT(first[0], 180) << "red first: the upper half";
    EXPECT_LT(first[2], 70);
    EXPECT_GT(last[2], 180) << "blue last: the lower half";
    EXPECT_LT(last[0], 70);
}

TEST(JpegImageFile, QualityReachesTheLibraryUnchanged)
{
    ScratchDirectory dir;
    const auto rows = testpictures::Pattern24(16, 16);
    // Quality 100 divides by 1 everywhere; 0 is taken as 1, the coarsest (255
    // everywhere in a baseline file); 75 halves the standard tables (16 -> 8).
    const auto best = QuantisationValues(ReadWholeFile(SaveJpeg(dir, "q100.jpg", 16, 16, rows, {100, 0})));
    const auto worst = QuantisationValues(ReadWholeFile(SaveJpeg(dir, "q0.jpg", 16, 16, rows, {0, 0})));
    const auto middle = QuantisationValues(ReadWholeFile(SaveJpeg(dir, "q75.jpg", 16, 16, rows, {75, 0})));
    ASSERT_EQ(best.size(), 128u);
    ASSERT_EQ(worst.size(), 128u);
    ASSERT_EQ(middle.size(), 128u);
    for (std::size_t i = 0; i < best.size(); ++i) {
        EXPECT_EQ(best[i], 1) << i;
        EXPECT_EQ(worst[i], 255) << i;
    }
    EXPECT_EQ(middle[0], 8);
}

TEST(JpegImageFile, BaselineUnlessProgressiveIsAsked)
{
    ScratchDirectory dir;
    const auto rows = RedOverBlue(24, 16);

    // A fresh codec without options keeps quality 100 and baseline.
    CJpegImage untouched;
    PrepareForSave(untouched, 24, 16, rows, nullptr);
    EXPECT_EQ(untouched.m_quality, 100);
    EXPECT_EQ(untouched.m_progressive, 0);
    untouched.Write(dir.File("plain.jpg"));
    const auto plainFile = ReadWholeFile(dir.File("plain.jpg"));
    const auto plain = SegmentsBeforeFirstScan(plainFile);
    EXPECT_TRUE(HasMarker(plain, 0xC0));
    EXPECT_FALSE(HasMarker(plain, 0xC2));
    EXPECT_EQ(QuantisationValues(plainFile)[0], 1);

    // The options record as an untouched dialog gives it: the same file.
    const auto fromDialogDefaults = ReadWholeFile(SaveJpeg(dir, "dialog.jpg", 24, 16, rows, CodecOptions{}));
    EXPECT_EQ(fromDialogDefaults, plainFile);

    const auto progressive = SegmentsBeforeFirstScan(ReadWholeFile(SaveJpeg(dir, "prog.jpg", 24, 16, rows, {100, 1})));
    EXPECT_TRUE(HasMarker(progressive, 0xC2));
    EXPECT_FALSE(HasMarker(progressive, 0xC0));

    CJpegImage reader;
    reader.Read(dir.File("prog.jpg"));
    EXPECT_EQ(reader.GetHeader().biWidth, 24);
    EXPECT_EQ(reader.GetHeader().biHeight, 16);
}

TEST(JpegImageFailures, EachFailureHasItsKind)
{
    ScratchDirectory dir;
    const auto rows = RedOverBlue(8, 8);

    // Writing a picture that is not 24-bit leaves the just-created file empty.
    CJpegImage eightBit;
    PrepareForSave(eightBit, 8, 8, std::vector<std::uint8_t>(static_cast<std::size_t>(RowBytes(8, 8)) * 8, 1),
                   nullptr, 8);
    const std::string refused = dir.File("eight.jpg");
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(refused); }), CArchiveException::badIndex);
    ASSERT_TRUE(std::filesystem::exists(refused));
    EXPECT_EQ(std::filesystem::file_size(refused), 0u);

    CJpegImage missing;
    try {
        missing.Read(dir.File("missing.jpg"));
        ADD_FAILURE() << "a missing file was read";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, -1);
    }

    CJpegImage noFolder;
    PrepareForSave(noFolder, 8, 8, rows, nullptr);
    EXPECT_THROW(noFolder.Write(dir.File("no/such/folder.jpg")), CFileException);

    CJpegImage notJpeg;
    const std::string text = dir.Write("text.jpg", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_EQ(ArchiveCause([&] { notJpeg.Read(text); }), CArchiveException::badIndex);

    // A file that breaks off before its frame header holds no picture.
    auto cut = ReadWholeFile(SaveJpeg(dir, "whole.jpg", 8, 8, rows));
    ASSERT_GT(cut.size(), 20u);
    cut.resize(20);  // start of image and the JFIF segment
    CJpegImage broken;
    EXPECT_EQ(ArchiveCause([&] { broken.Read(dir.Write("cut.jpg", cut)); }), CArchiveException::badIndex);
}

TEST(JpegImageFailures, FullDiskIsReportedNotSuccess)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CJpegImage codec;
    PrepareForSave(codec, 8, 8, RedOverBlue(8, 8), nullptr);
    EXPECT_EQ(ArchiveCause([&] { codec.Write("/dev/full"); }), CArchiveException::badIndex);
}
