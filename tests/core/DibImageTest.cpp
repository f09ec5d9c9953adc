// SPDX-License-Identifier: GPL-3.0-or-later
// The raster image and the Windows bitmap reader and writer, and the byte streams under them.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "TestPictures.h"
#include "image/ByteStream.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

using namespace testpictures;

namespace {

int ArchiveCause(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return CArchiveException::none;
}

int FileErrno(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CFileException& e) {
        return e.m_lOsError;
    }
    return 0;
}

// Reads a file image from memory, as Read does from a file.
void ReadBitmap(CDibImage& image, const std::vector<std::uint8_t>& bytes, bool noFileHeader = false)
{
    ByteReader stream(bytes.data(), bytes.size());
    image.ReadFromArchive(stream, noFileHeader);
}

int ReadCause(const std::vector<std::uint8_t>& bytes, bool noFileHeader = false)
{
    CDibImage image;
    return ArchiveCause([&] { ReadBitmap(image, bytes, noFileHeader); });
}

PixelBuffer BufferOf(const std::vector<std::uint8_t>& bytes)
{
    PixelBuffer buffer = PixelBuffer::Allocate(bytes.size(), false);
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return buffer;
}

// The blue, green, red bytes of pixel x in row y (bottom-up) of a 24-bit image.
std::vector<std::uint8_t> Pixel24(const CDibImage& image, int x, int y)
{
    const auto rowBytes = RowBytes(image.m_header.biWidth, 24);
    const std::uint8_t* p = image.m_pBits.data() + y * rowBytes + 3 * x;
    return {p[0], p[1], p[2]};
}

std::vector<std::uint8_t> Bgr(const RGBQUAD& c)
{
    return {c.rgbBlue, c.rgbGreen, c.rgbRed};
}

bool HaveFullDevice()
{
    return std::filesystem::exists("/dev/full");
}

}  // namespace

// ---------------------------------------------------------------- byte streams

TEST(ByteStreamTest, FieldsAreLittleEndianAndReadBackFromMemory)
{
    std::vector<std::uint8_t> block;
    ByteWriter writer(block);
    writer.WriteU8(0x01);
    writer.WriteU16(0x0302);
    writer.WriteU32(0x07060504);
    writer.WriteI32(-2);
    const std::uint8_t tail[] = {0xAA, 0xBB};
    writer.WriteBytes(tail, 2);
    writer.Close();
    EXPECT_EQ(writer.Position(), 13u);
    EXPECT_EQ(block, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA, 0xBB}));

    ByteReader reader(block.data(), block.size());
    EXPECT_EQ(reader.ReadU8(), 0x01);
    EXPECT_EQ(reader.ReadU16(), 0x0302);
    EXPECT_EQ(reader.ReadU32(), 0x07060504u);
    EXPECT_EQ(reader.ReadI32(), -2);
    EXPECT_EQ(reader.Position(), 11u);
    EXPECT_EQ(reader.Remaining(), 2u);
    EXPECT_EQ(ArchiveCause([&] { reader.ReadU32(); }), CArchiveException::endOfFile);
    ByteReader skipper(block.data(), block.size());
    skipper.Skip(12);
    EXPECT_EQ(skipper.ReadU8(), 0xBB);
    EXPECT_EQ(ArchiveCause([&] { skipper.Skip(1); }), CArchiveException::endOfFile);
}

TEST(ByteStreamTest, FileRoundTripAcrossBufferBoundaries)
{
    ScratchDirectory dir;
    const std::string path = dir.File("stream.bin");
    std::vector<std::uint8_t> data(3 * ByteWriter::kBufferSize + 777);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 31 + i / 251);

    // Chunks smaller than, equal to and larger than the buffer, at odd offsets.
    const std::size_t chunks[] = {1, 3, 4095, 4096, 5000, 7};
    {
        ByteWriter writer(path);
        std::size_t at = 0;
        for (std::size_t i = 0; at < data.size(); ++i) {
            const std::size_t n = std::min(chunks[i % 6], data.size() - at);
            writer.WriteBytes(data.data() + at, n);
            at += n;
        }
        writer.Close();
    }
    EXPECT_EQ(ReadWholeFile(path), data);

    ByteReader reader(path);
    EXPECT_EQ(reader.Remaining(), data.size());
    std::vector<std::uint8_t> back(data.size());
    std::size_t at = 0;
    for (std::size_t i = 0; at < data.size(); ++i) {
        const std::size_t n = std::min(chunks[(i + 2) % 6], data.size() - at);
        reader.ReadBytes(back.data() + at, n);
        at += n;
    }
    EXPECT_EQ(back, data);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(ArchiveCause([&] { reader.ReadU8(); }), CArchiveException::endOfFile);
}

TEST(ByteStreamTest, OpenFailuresCarryTheSystemError)
{
    ScratchDirectory dir;
    EXPECT_EQ(FileErrno([&] { ByteReader reader(dir.File("missing.bmp")); }), ENOENT);
    EXPECT_EQ(FileErrno([&] { ByteWriter writer(dir.File("no/such/folder.bmp")); }), ENOENT);
    EXPECT_EQ(FileErrno([&] { ByteReader reader(dir.File("")); }), EISDIR);
}

TEST(ByteStreamTest, FullDiskIsReportedAtWriteAndAtClose)
{
    if (!HaveFullDevice())
        GTEST_SKIP() << "no /dev/full";
    {
        // Few bytes stay in the buffer: the failure shows only when Close flushes.
        ByteWriter writer("/dev/full");
        writer.WriteU32(42);
        EXPECT_EQ(FileErrno([&] { writer.Close(); }), ENOSPC);
    }
    {
        // More than a buffer: the failure shows at once, and again at Close.
        ByteWriter writer("/dev/full");
        const std::vector<std::uint8_t> block(2 * ByteWriter::kBufferSize, 1);
        EXPECT_EQ(FileErrno([&] { writer.WriteBytes(block.data(), block.size()); }), ENOSPC);
        EXPECT_EQ(FileErrno([&] { writer.WriteU8(1); }), ENOSPC);
        EXPECT_EQ(FileErrno([&] { writer.Close(); }), ENOSPC);
    }
}

// ---------------------------------------------------------------- writing

TEST(DibImageWrite, FileHoldsHeaderRowsAndPaddingAndReadsBack)
{
    ScratchDirectory dir;
    const int width = 5, height = 3;  // 15 pixel bytes + 1 padding byte a row
    CDibImage image;
    image.m_header.biClrUsed = 9;
    image.SetHeader(width, height, 24, nullptr);
    const BITMAPINFOHEADER defaults = image.GetHeader();
    EXPECT_EQ(defaults.biSize, 40u);
    EXPECT_EQ(defaults.biPlanes, 1);
    EXPECT_EQ(defaults.biClrUsed, 0u);
    EXPECT_EQ(defaults.biXPelsPerMeter, 14173);
    EXPECT_EQ(defaults.biYPelsPerMeter, 14173);
    image.m_header.biXPelsPerMeter = 3780;
    image.m_header.biSizeImage = 48;
    const std::vector<std::uint8_t> rows = Pattern24(width, height, 0xAB);
    image.m_pBits = BufferOf(rows);
    const std::string path = dir.File("out.bmp");
    image.Write(path);
    EXPECT_EQ(PixelBytes(image), rows) << "writing must not touch the rows";

    ByteAssembler expected;
    AppendFileHeader(expected, 54 + 3 * 16, 54);
    AppendInfoHeader(expected, image.m_header);
    expected.Bytes(rows);
    EXPECT_EQ(ReadWholeFile(path), expected.bytes);

    CDibImage back;
    back.Read(path);
    EXPECT_EQ(std::memcmp(&back.m_header, &image.m_header, sizeof(BITMAPINFOHEADER)), 0);
    EXPECT_EQ(PixelBytes(back), rows) << "padding bytes of a file are kept";
    EXPECT_TRUE(back.m_pColors.empty());
}

TEST(DibImageWrite, RefusedPicturesLeaveTheExistingFileAlone)
{
    ScratchDirectory dir;
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    const std::string path = dir.Write("keep.bmp", old);

    CDibImage compressed;
    compressed.SetHeader(4, 2, 24, nullptr);
    compressed.m_pBits = BufferOf(Pattern24(4, 2));
    compressed.m_header.biCompression = BI_RLE8;
    EXPECT_EQ(ArchiveCause([&] { compressed.Write(path); }), CArchiveException::badIndex);

    CDibImage paletted;  // no table would be written: the file would be unreadable
    paletted.SetHeader(4, 2, 8, nullptr);
    paletted.m_pBits = BufferOf(std::vector<std::uint8_t>(8, 1));
    EXPECT_EQ(ArchiveCause([&] { paletted.Write(path); }), CArchiveException::badIndex);

    CDibImage shortRows;  // fewer bytes in memory than the header describes
    shortRows.SetHeader(4, 3, 24, nullptr);
    shortRows.m_pBits = BufferOf(Pattern24(4, 2));
    EXPECT_EQ(ArchiveCause([&] { shortRows.Write(path); }), CArchiveException::badIndex);

    CDibImage empty;
    empty.SetHeader(0, 0, 24, nullptr);
    EXPECT_EQ(ArchiveCause([&] { empty.Write(path); }), CArchiveException::badIndex);

    EXPECT_EQ(ReadWholeFile(path), old);

    std::vector<std::uint8_t> block;
    ByteWriter writer(block);
    EXPECT_EQ(ArchiveCause([&] { compressed.WriteToArchive(writer); }), CArchiveException::badIndex);
    EXPECT_TRUE(block.empty());
}

TEST(DibImageWrite, FileSystemFailuresAreRaised)
{
    ScratchDirectory dir;
    CDibImage image;
    image.SetHeader(64, 64, 24, nullptr);
    image.m_pBits = BufferOf(Pattern24(64, 64));
    EXPECT_EQ(FileErrno([&] { image.Write(dir.File("missing/out.bmp")); }), ENOENT);
    if (HaveFullDevice()) {
        EXPECT_EQ(FileErrno([&] { image.Write("/dev/full"); }), ENOSPC);
    }

    // A picture smaller than the stream buffer fails only at the final flush.
    CDibImage tiny;
    tiny.SetHeader(1, 1, 24, nullptr);
    tiny.m_pBits = BufferOf(Pattern24(1, 1));
    if (HaveFullDevice()) {
        EXPECT_EQ(FileErrno([&] { tiny.Write("/dev/full"); }), ENOSPC);
    }
}

// ---------------------------------------------------------------- reading

TEST(DibImageRead, PalettedFilesKeepTheirTableAndRows)
{
    // 3 x 2 pixels at 1 bit: bits 101 and 011, the rest of each row is junk.
    const std::vector<std::uint8_t> rows1 = {0xBF, 0x12, 0x34, 0x56, 0x7F, 0x00, 0x00, 0x01};
    const std::vector<RGBQUAD> two = DistinctColours(2);
    CDibImage image;
    ReadBitmap(image, BitmapFile(InfoHeader(3, 2, 1), two, rows1));
    EXPECT_EQ(image.m_header.biBitCount, 1);
    ASSERT_EQ(image.m_pColors.size(), 2u);
    EXPECT_EQ(Bgr(image.m_pColors[1]), Bgr(two[1]));
    EXPECT_EQ(PixelBytes(image), rows1);

    ASSERT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(image.m_pBits.size(), 2u * 12);
    EXPECT_EQ(Pixel24(image, 0, 0), Bgr(two[1]));
    EXPECT_EQ(Pixel24(image, 1, 0), Bgr(two[0]));
    EXPECT_EQ(Pixel24(image, 2, 0), Bgr(two[1]));
    EXPECT_EQ(Pixel24(image, 0, 1), Bgr(two[0]));
    EXPECT_EQ(Pixel24(image, 1, 1), Bgr(two[1]));
    EXPECT_EQ(Pixel24(image, 2, 1), Bgr(two[1]));
    EXPECT_EQ(image.m_pBits.data()[9], 0) << "padding of a converted row is 0";
    EXPECT_EQ(image.m_pColors.size(), 2u) << "the table stays for the owner";
}

TEST(DibImageRead, ClrUsedShortensTheTableOnly)
{
    // 8 bits, 16 colours stored: the rows start right after the 16 entries.
    BITMAPINFOHEADER header = InfoHeader(4, 1, 8);
    header.biClrUsed = 16;
    const std::vector<RGBQUAD> colours = DistinctColours(16);
    const std::vector<std::uint8_t> rows = {0, 5, 15, 200};
    CDibImage image;
    ReadBitmap(image, BitmapFile(header, colours, rows));
    ASSERT_EQ(image.m_pColors.size(), 256u);
    EXPECT_EQ(Bgr(image.m_pColors[15]), Bgr(colours[15]));
    EXPECT_EQ(Bgr(image.m_pColors[16]), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(PixelBytes(image), rows);
    ASSERT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(Pixel24(image, 2, 0), Bgr(colours[15]));
    EXPECT_EQ(Pixel24(image, 3, 0), (std::vector<std::uint8_t>{0, 0, 0})) << "an index past the stored entries is black";

    // 24 bits with 5 table entries: they are skipped, with and without a usable pixel offset.
    BITMAPINFOHEADER header24 = InfoHeader(1, 2, 24);
    header24.biClrUsed = 5;
    const std::vector<std::uint8_t> rows24 = Pattern24(1, 2, 0x11);
    std::vector<std::uint8_t> file = BitmapFile(header24, DistinctColours(5), rows24);
    CDibImage truecolour;
    ReadBitmap(truecolour, file);
    EXPECT_EQ(PixelBytes(truecolour), rows24);
    EXPECT_TRUE(truecolour.m_pColors.empty());
    std::fill(file.begin() + 10, file.begin() + 14, 0);  // a writer that left the offset 0
    CDibImage zeroOffset;
    ReadBitmap(zeroOffset, file);
    EXPECT_EQ(PixelBytes(zeroOffset), rows24);
}

TEST(DibImageRead, PixelOffsetIsHonouredWhenItLiesInTheFile)
{
    const std::vector<std::uint8_t> rows = Pattern24(2, 2);
    ByteAssembler gap;  // 24 bits, 12 bytes of junk between header and rows
    AppendFileHeader(gap, 0, 54 + 12);
    AppendInfoHeader(gap, InfoHeader(2, 2, 24));
    gap.Repeat(12, 0xEE).Bytes(rows);
    CDibImage image;
    ReadBitmap(image, gap.bytes);
    EXPECT_EQ(PixelBytes(image), rows);

    // An offset past the end of the file is ignored: the rows follow the header.
    ByteAssembler beyond;
    AppendFileHeader(beyond, 0, 100000);
    AppendInfoHeader(beyond, InfoHeader(2, 2, 24));
    beyond.Bytes(rows);
    CDibImage image2;
    ReadBitmap(image2, beyond.bytes);
    EXPECT_EQ(PixelBytes(image2), rows);

    // An 8-bit file whose offset says only 2 colours precede the rows.
    ByteAssembler shortTable;
    AppendFileHeader(shortTable, 0, 54 + 8);
    AppendInfoHeader(shortTable, InfoHeader(4, 1, 8));
    AppendColours(shortTable, DistinctColours(2));
    shortTable.Bytes({1, 0, 1, 0});
    CDibImage image3;
    ReadBitmap(image3, shortTable.bytes);
    EXPECT_EQ(PixelBytes(image3), (std::vector<std::uint8_t>{1, 0, 1, 0}));
    EXPECT_EQ(Bgr(image3.m_pColors[1]), Bgr(DistinctColours(2)[1]));
}

TEST(DibImageRead, TopDownRowsArriveBottomUp)
{
    const int width = 3, height = 4;
    const std::vector<std::uint8_t> bottomUp = Pattern24(width, height, 0x5A);
    const auto rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    std::vector<std::uint8_t> topDown;
    for (int y = height - 1; y >= 0; --y)
        topDown.insert(topDown.end(), bottomUp.begin() + y * rowBytes, bottomUp.begin() + (y + 1) * rowBytes);
    CDibImage image;
    ReadBitmap(image, BitmapFile(InfoHeader(width, -height, 24), {}, topDown));
    EXPECT_EQ(image.m_header.biHeight, height);
    EXPECT_EQ(PixelBytes(image), bottomUp);

    // Run-length data has no top-down form.
    EXPECT_EQ(ReadCause(BitmapFile(InfoHeader(4, -2, 8, BI_RLE8), DistinctColours(256), {0, 1})),
              CArchiveException::badIndex);
}

TEST(DibImageRead, LongerHeadersAreSkippedShorterOnesRefused)
{
    const std::vector<std::uint8_t> rows = Pattern24(2, 3);
    for (std::uint32_t size : {108u, 124u}) {
        BITMAPINFOHEADER header = InfoHeader(2, 3, 24);
        header.biSize = size;
        ByteAssembler file;
        AppendFileHeader(file, 0, 14 + size);
        AppendInfoHeader(file, header);
        file.Repeat(size - 40, 0xCD).Bytes(rows);
        CDibImage image;
        ReadBitmap(image, file.bytes);
        EXPECT_EQ(PixelBytes(image), rows) << size;
        EXPECT_EQ(image.m_header.biSize, 40u) << "the header in memory is the 40-byte one";

        // The same as a packed bitmap, without a file header.
        ByteAssembler packed;
        AppendInfoHeader(packed, header);
        packed.Repeat(size - 40, 0xCD).Bytes(rows);
        CDibImage fromMemory;
        ReadBitmap(fromMemory, packed.bytes, true);
        EXPECT_EQ(PixelBytes(fromMemory), rows) << size;
    }
    ByteAssembler os2;  // the 12-byte header: width and height are 16-bit fields
    AppendFileHeader(os2, 0, 26);
    os2.U32(12).U16(2).U16(3).U16(1).U16(24).Repeat(40, 0);
    EXPECT_EQ(ReadCause(os2.bytes), CArchiveException::badIndex);
}

TEST(DibImageRead, PackedBitmapFromMemory)
{
    BITMAPINFOHEADER header = InfoHeader(5, 2, 8);
    const std::vector<RGBQUAD> colours = DistinctColours(256);
    const std::vector<std::uint8_t> rows = {9, 8, 7, 6, 5, 0xF0, 0xF1, 0xF2, 1, 2, 3, 4, 5, 0, 0, 0};
    ByteAssembler packed;
    AppendInfoHeader(packed, header);
    AppendColours(packed, colours);
    packed.Bytes(rows);
    CDibImage image;
    ReadBitmap(image, packed.bytes, true);
    EXPECT_EQ(PixelBytes(image), rows);
    ASSERT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(Pixel24(image, 4, 0), Bgr(colours[5]));
    EXPECT_EQ(Pixel24(image, 0, 1), Bgr(colours[1]));

    // A packed block read as a file lacks the "BM" type.
    EXPECT_EQ(ReadCause(packed.bytes, false), CArchiveException::badIndex);
}

TEST(DibImageRead, MalformedFilesAreRefused)
{
    std::vector<std::uint8_t> good = BitmapFile(InfoHeader(4, 4, 24), {}, Pattern24(4, 4));
    std::vector<std::uint8_t> badType = good;
    badType[1] = 'A';
    EXPECT_EQ(ReadCause(badType), CArchiveException::badIndex);

    const struct {
        std::uint16_t bitCount;
        std::uint32_t compression;
    } unsupported[] = {{16, BI_RGB}, {32, BI_RGB}, {4, 2}, {24, BI_RLE8}, {1, BI_RLE8}, {16, 3}, {8, 3}, {2, BI_RGB}, {0, BI_RGB}};
    for (const auto& format : unsupported) {
        const auto file = BitmapFile(InfoHeader(4, 4, format.bitCount, format.compression), DistinctColours(16),
                                     std::vector<std::uint8_t>(256, 0));
        EXPECT_EQ(ReadCause(file), CArchiveException::badIndex) << format.bitCount << "/" << format.compression;
    }

    const struct {
        std::int32_t width, height;
    } sizes[] = {{0, 4}, {4, 0}, {-4, 4}, {70000, 1}, {1, 70000}, {65535, 65535}, {1, INT32_MIN}};
    for (const auto& size : sizes) {
        const auto file = BitmapFile(InfoHeader(size.width, size.height, 24), {}, Pattern24(4, 4));
        EXPECT_EQ(ReadCause(file), CArchiveException::badIndex) << size.width << "x" << size.height;
    }
}

TEST(DibImageRead, TruncatedDataEndsWithEndOfFile)
{
    const std::vector<std::uint8_t> good = BitmapFile(InfoHeader(4, 4, 8), DistinctColours(256), std::vector<std::uint8_t>(16, 3));
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{13}, std::size_t{30}, std::size_t{54},
                               std::size_t{500}, good.size() - 1}) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(ReadCause(cut), CArchiveException::endOfFile) << length;
    }

    // A header claiming a huge picture over a tiny file fails the same way.
    ScratchDirectory dir;
    const std::string path = dir.Write("claims.bmp", BitmapFile(InfoHeader(16000, 16000, 24), {}, Pattern24(4, 4)));
    CDibImage image;
    EXPECT_EQ(ArchiveCause([&] { image.Read(path); }), CArchiveException::endOfFile);
    EXPECT_EQ(FileErrno([&] { image.Read(dir.File("absent.bmp")); }), ENOENT);
}

// ---------------------------------------------------------------- conversion

TEST(DibImageConvert, FourBitOddWidthUsesHighNibbleOfLastByte)
{
    // 3 pixels: indices 1, 2, 3 in bytes 0x12 0x3F; the low nibble F of the last byte is padding.
    const std::vector<RGBQUAD> colours = DistinctColours(16);
    CDibImage image;
    ReadBitmap(image, BitmapFile(InfoHeader(3, 2, 4), colours, {0x12, 0x3F, 0xFF, 0xFF, 0x45, 0x6E, 0, 0}));
    ASSERT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(image.m_header.biBitCount, 24);
    ASSERT_EQ(image.m_pBits.size(), 2u * 12);
    const std::vector<std::uint8_t> expected = {
        colours[1].rgbBlue, colours[1].rgbGreen, colours[1].rgbRed, colours[2].rgbBlue, colours[2].rgbGreen,
        colours[2].rgbRed,  colours[3].rgbBlue,  colours[3].rgbGreen, colours[3].rgbRed, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(image.m_pBits.data(), image.m_pBits.data() + 12), expected);
    EXPECT_EQ(Pixel24(image, 0, 1), Bgr(colours[4]));
    EXPECT_EQ(Pixel24(image, 2, 1), Bgr(colours[6]));
}

TEST(DibImageConvert, HeaderAfterConversionAndDepthsItCannotConvert)
{
    BITMAPINFOHEADER header = InfoHeader(2, 1, 8);
    header.biClrUsed = 256;
    header.biClrImportant = 3;
    header.biSizeImage = 4;
    CDibImage image;
    ReadBitmap(image, BitmapFile(header, DistinctColours(256), {7, 8, 0, 0}));
    ASSERT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(image.m_header.biClrUsed, 0u);
    EXPECT_EQ(image.m_header.biClrImportant, 0u);
    EXPECT_EQ(image.m_header.biSizeImage, 4u) << "left as read";
    EXPECT_EQ(image.m_pColors.size(), 256u);

    const std::uint8_t* before = image.m_pBits.data();
    EXPECT_TRUE(image.ConvertTo24Bit());
    EXPECT_EQ(image.m_pBits.data(), before) << "a 24-bit picture is left as it is";

    CDibImage sixteen;
    sixteen.SetHeader(2, 1, 16, nullptr);
    sixteen.m_pBits = BufferOf({1, 2, 3, 4});
    EXPECT_FALSE(sixteen.ConvertTo24Bit());
    EXPECT_EQ(sixteen.m_header.biBitCount, 16);
    EXPECT_EQ(PixelBytes(sixteen), (std::vector<std::uint8_t>{1, 2, 3, 4}));

    // A short table in memory: indices past it come out black instead of reading past it.
    CDibImage shortTable;
    shortTable.SetHeader(2, 1, 8, nullptr);
    shortTable.m_pBits = BufferOf({1, 200, 0, 0});
    shortTable.m_pColors = DistinctColours(2);
    ASSERT_TRUE(shortTable.ConvertTo24Bit());
    EXPECT_EQ(Pixel24(shortTable, 0, 0), Bgr(DistinctColours(2)[1]));
    EXPECT_EQ(Pixel24(shortTable, 1, 0), (std::vector<std::uint8_t>{0, 0, 0}));
}

// ---------------------------------------------------------------- run-length data

namespace {

std::vector<std::uint8_t> RunLengthFile(int width, int height, const std::vector<std::uint8_t>& data)
{
    return BitmapFile(InfoHeader(width, height, 8, BI_RLE8), DistinctColours(256), data);
}

std::vector<std::uint8_t> DecodeRunLength(int width, int height, const std::vector<std::uint8_t>& data)
{
    CDibImage image;
    ReadBitmap(image, RunLengthFile(width, height, data));
    EXPECT_EQ(image.m_header.biCompression, BI_RGB);
    return PixelBytes(image);
}

}  // namespace

TEST(DibImageRunLength, CodesDecodeIntoZeroFilledRows)
{
    // 6 x 3 pixels, 8 bytes a row.
    const std::vector<std::uint8_t> data = {
        0, 0,              // end of row at the start of a row: stays at 0
        3, 7,              // 7 7 7
        0, 3, 1, 2, 3, 0,  // absolute run of 3, padded to even
        0, 0,              // end of row: p = 8
        0, 2, 2, 1,        // delta: p = 8 + 2 + 8 = 18
        0, 4, 9, 8, 7, 6,  // absolute run of 4
        0, 1,              // end of bitmap
        5, 5};             // never read
    const std::vector<std::uint8_t> expected = {7, 7, 7, 1, 2, 3, 0, 0,  //
                                                0, 0, 0, 0, 0, 0, 0, 0,  //
                                                0, 0, 9, 8, 7, 6, 0, 0};
    EXPECT_EQ(DecodeRunLength(6, 3, data), expected);

    // A run may cross into the padding and the next row; without an end-of-bitmap
    // code the decoding ends when the buffer is full.
    EXPECT_EQ(DecodeRunLength(3, 2, {6, 4, 2, 5}), (std::vector<std::uint8_t>{4, 4, 4, 4, 4, 4, 5, 5}));
}

TEST(DibImageRunLength, DataPastTheBufferIsClipped)
{
    // 4 x 2 pixels = 8 bytes; each case would write beyond the last byte.
    EXPECT_EQ(DecodeRunLength(4, 2, {6, 1, 255, 2, 0xFF, 0xFF}), (std::vector<std::uint8_t>{1, 1, 1, 1, 1, 1, 2, 2}));
    EXPECT_EQ(DecodeRunLength(4, 2, {0, 2, 3, 1, 0, 5, 1, 2, 3, 4, 5}),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 1}));
    // Run-length: the absolute run is cut after the bytes that fit; its rest is not read.
    EXPECT_EQ(DecodeRunLength(4, 2, {4, 3, 0, 9, 1, 2, 3, 4, 5}),
              (std::vector<std::uint8_t>{3, 3, 3, 3, 1, 2, 3, 4}));
    // A delta far past the end ends the decoding; what follows is never read.
    EXPECT_EQ(DecodeRunLength(4, 2, {2, 6, 0, 2, 255, 255}), (std::vector<std::uint8_t>{6, 6, 0, 0, 0, 0, 0, 0}));
}

TEST(DibImageRunLength, DataEndingEarlyIsEndOfFile)
{
    EXPECT_EQ(ReadCause(RunLengthFile(4, 2, {2, 6, 0, 0})), CArchiveException::endOfFile);
    EXPECT_EQ(ReadCause(RunLengthFile(4, 2, {0, 5, 1, 2})), CArchiveException::endOfFile);
}
