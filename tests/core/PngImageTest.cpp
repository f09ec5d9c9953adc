// The PNG codec: lossless round trips, what the written file holds, the
// conversions of other PNG kinds into 24-bit pictures, and the failures.
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <png.h>

#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/PngImage.h"

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

std::uint32_t BigEndian32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

// The data of the first chunk of the given type, or nothing.
std::vector<std::uint8_t> ChunkData(const std::vector<std::uint8_t>& file, const char* type)
{
    std::size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const std::uint32_t length = BigEndian32(&file[pos]);
        if (pos + 12 + length > file.size())
            break;
        if (std::memcmp(&file[pos + 4], type, 4) == 0)
            return {file.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                    file.begin() + static_cast<std::ptrdiff_t>(pos + 8 + length)};
        pos += 12 + length;
    }
    return {};
}

// A PNG of any kind, written straight through libpng from top-down packed rows.
struct PngSpec {
    png_uint_32 width;
    png_uint_32 height;
    int bitDepth;
    int colorType;
    bool interlaced;
    std::vector<std::vector<std::uint8_t>> rows;  // file order, packed as PNG stores them (16-bit big-endian)
    std::vector<png_color> palette;
    std::vector<png_byte> transparency;  // alpha of the first palette entries
};

bool WriteWithLibrary(png_structp png, png_infop info, std::FILE* file, const PngSpec& spec, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colorType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty())
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    if (!spec.transparency.empty())
        png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()), nullptr);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

std::string WritePng(const ScratchDirectory& dir, const std::string& name, PngSpec spec)
{
    const std::string path = dir.File(name);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return {};
    std::vector<png_bytep> rows;
    for (auto& row : spec.rows)
        rows.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const bool written = WriteWithLibrary(png, info, file, spec, rows.data());
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return written ? path : std::string();
}

// The blue, green and red bytes of pixel x in buffer row r.
std::vector<int> PixelAt(const CDibImage& image, int x, int r)
{
    const auto rowBytes = RowBytes(image.m_header.biWidth, 24);
    const std::uint8_t* p = image.m_pBits.data() + r * rowBytes + 3 * x;
    return {p[0], p[1], p[2]};
}

}  // namespace

TEST(PngImageRoundTrip, KeepsEveryByte)
{
    ScratchDirectory dir;
    struct Size {
        int width, height;
    };
    for (const Size size : {Size{5, 3}, Size{1, 9}, Size{17, 4}}) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        const auto rows = Pattern24(size.width, size.height);
        CPngImage writer;
        PrepareForSave(writer, size.width, size.height, rows);
        writer.Write(dir.File("round.png"));
        ASSERT_EQ(0, std::memcmp(writer.m_pBits.data(), rows.data(), rows.size())) << "Write changed the rows";

        CPngImage reader;
        reader.Read(dir.File("round.png"));
        const BITMAPINFOHEADER h = reader.GetHeader();
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, size.width);
        EXPECT_EQ(h.biHeight, size.height);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, 24);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(h.biSizeImage, 0u);
        EXPECT_EQ(h.biXPelsPerMeter, 14173);
        EXPECT_EQ(h.biYPelsPerMeter, 14173);
        EXPECT_TRUE(reader.m_pColors.empty());
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
    EXPECT_EQ(ihdr[8], 8) << "bit depth";
    EXPECT_EQ(ihdr[9], 2) << "colour type RGB";
    EXPECT_EQ(ihdr[10], 0) << "compression";
    EXPECT_EQ(ihdr[11], 0) << "filter method";
    EXPECT_EQ(ihdr[12], 0) << "interlace";
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
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* want = &rows[(height - 1 - top) * rowBytes + 3 * x];
            const std::uint8_t* got = &rgb[(top * width + x) * 3];
            EXPECT_EQ(got[0], want[2]);
            EXPECT_EQ(got[1], want[1]);
            EXPECT_EQ(got[2], want[0]);
        }
}

TEST(PngImageRead, OtherKindsBecomeBlueGreenRed)
{
    ScratchDirectory dir;
    struct Case {
        const char* name;
        PngSpec spec;
        std::vector<std::vector<int>> topRow;  // blue, green, red of each pixel of the file's first row
    };
    const std::vector<Case> cases = {
        // Grey of 1, 2 and 4 bits fills the 8-bit range: white stays white.
        {"grey1", {3, 1, 1, PNG_COLOR_TYPE_GRAY, false, {{0xA0}}, {}, {}}, {{255, 255, 255}, {0, 0, 0}, {255, 255, 255}}},
        {"grey2", {3, 1, 2, PNG_COLOR_TYPE_GRAY, false, {{0xD8}}, {}, {}}, {{255, 255, 255}, {85, 85, 85}, {170, 170, 170}}},
        {"grey4", {2, 1, 4, PNG_COLOR_TYPE_GRAY, false, {{0xF1}}, {}, {}}, {{255, 255, 255}, {17, 17, 17}}},
        // Palette with transparency: plain colours, transparency dropped.
        {"palette",
         {2, 1, 8, PNG_COLOR_TYPE_PALETTE, false, {{0, 1}}, {{10, 20, 30}, {200, 100, 50}}, {0, 128}},
         {{30, 20, 10}, {50, 100, 200}}},
        {"palette2bit",
         {3, 1, 2, PNG_COLOR_TYPE_PALETTE, false, {{0x18}}, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {}},
         {{3, 2, 1}, {6, 5, 4}, {9, 8, 7}}},
        // 16 bits cut to the high byte; a fully transparent pixel keeps its colour.
        {"rgba16",
         {1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, false, {{0x12, 0x34, 0xAB, 0xCD, 0xFF, 0x00, 0x00, 0x00}}, {}, {}},
         {{0xFF, 0xAB, 0x12}}},
        {"greyalpha", {1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, false, {{77, 0}}, {}, {}}, {{77, 77, 77}}},
        {"grey16", {1, 1, 16, PNG_COLOR_TYPE_GRAY, false, {{0x80, 0xFF}}, {}, {}}, {{0x80, 0x80, 0x80}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WritePng(dir, std::string(c.name) + ".png", c.spec);
        ASSERT_FALSE(path.empty());
        CPngImage reader;
        reader.Read(path);
        ASSERT_EQ(reader.GetHeader().biBitCount, 24);
        ASSERT_EQ(reader.GetHeader().biWidth, static_cast<int>(c.spec.width));
        for (std::size_t x = 0; x < c.topRow.size(); ++x)
            EXPECT_EQ(PixelAt(reader, static_cast<int>(x), 0), c.topRow[x]) << "pixel " << x;
    }
}

TEST(PngImageRead, InterlacedEqualsPlainAndFirstRowIsTop)
{
    ScratchDirectory dir;
    const int width = 11;
    const int height = 9;
    PngSpec spec{width, height, 8, PNG_COLOR_TYPE_RGB, false, {}, {}, {}};
    for (int y = 0; y < height; ++y) {
        std::vector<std::uint8_t> row;
        for (int x = 0; x < width; ++x)
            row.insert(row.end(), {static_cast<std::uint8_t>(20 * y), static_cast<std::uint8_t>(x * 9),
                                   static_cast<std::uint8_t>(x + y)});
        spec.rows.push_back(row);
    }
    const std::string plainPath = WritePng(dir, "plain.png", spec);
    spec.interlaced = true;
    const std::string interlacedPath = WritePng(dir, "interlaced.png", spec);
    ASSERT_FALSE(plainPath.empty());
    ASSERT_FALSE(interlacedPath.empty());
    ASSERT_EQ(ChunkData(ReadWholeFile(interlacedPath), "IHDR").at(12), 1);

    CPngImage plain;
    plain.Read(plainPath);
    CPngImage interlaced;
    interlaced.Read(interlacedPath);
    ASSERT_EQ(plain.m_pBits.size(), interlaced.m_pBits.size());
    EXPECT_EQ(0, std::memcmp(plain.m_pBits.data(), interlaced.m_pBits.data(), plain.m_pBits.size()));
    // File row y (red 20 y) is buffer row height - 1 - y.
    EXPECT_EQ(PixelAt(plain, 3, height - 1), (std::vector<int>{3, 27, 0}));
    EXPECT_EQ(PixelAt(plain, 3, 0), (std::vector<int>{3 + 8, 27, 160}));
}

TEST(PngImageFailures, EachFailureHasItsKind)
{
    ScratchDirectory dir;

    CPngImage eightBit;
    PrepareForSave(eightBit, 4, 4, std::vector<std::uint8_t>(16, 0), 8);
    const std::string refused = dir.File("eight.png");
    EXPECT_EQ(ArchiveCause([&] { eightBit.Write(refused); }), CArchiveException::generic);
    EXPECT_FALSE(std::filesystem::exists(refused)) << "no file is created";

    CPngImage noFolder;
    PrepareForSave(noFolder, 4, 4, Pattern24(4, 4));
    try {
        noFolder.Write(dir.File("no/such/folder.png"));
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::generic);
        EXPECT_EQ(e.m_lOsError, -1);
    }

    // A file that cannot even be opened for the signature test counts as not a PNG.
    CPngImage missing;
    EXPECT_EQ(ArchiveCause([&] { missing.Read(dir.File("missing.png")); }), CArchiveException::generic);
    CPngImage text;
    EXPECT_EQ(ArchiveCause([&] { text.Read(dir.Write("text.png", {'h', 'e', 'l', 'l', 'o'})); }),
              CArchiveException::generic);
    CPngImage tiny;
    EXPECT_EQ(ArchiveCause([&] { tiny.Read(dir.Write("tiny.png", {0x89, 'P', 'N'})); }), CArchiveException::generic);

    // The signature matches, the data breaks off: a library error, no picture left behind.
    PrepareForSave(noFolder, 40, 30, Pattern24(40, 30));
    noFolder.Write(dir.File("whole.png"));
    auto cut = ReadWholeFile(dir.File("whole.png"));
    cut.resize(cut.size() / 2);
    CPngImage truncated;
    EXPECT_EQ(ArchiveCause([&] { truncated.Read(dir.Write("cut.png", cut)); }), CArchiveException::generic);
    EXPECT_TRUE(truncated.m_pBits.empty());
    EXPECT_EQ(truncated.GetHeader().biWidth, 0);

    // A damaged checksum in the image data is an error too.
    auto damaged = ReadWholeFile(dir.File("whole.png"));
    damaged[damaged.size() - 20] ^= 0x55;  // inside the last IDAT chunk
    CPngImage corrupt;
    EXPECT_EQ(ArchiveCause([&] { corrupt.Read(dir.Write("crc.png", damaged)); }), CArchiveException::generic);
}

TEST(PngImageFailures, FullDiskIsReportedNotSuccess)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CPngImage codec;
    PrepareForSave(codec, 8, 8, Pattern24(8, 8));
    EXPECT_EQ(ArchiveCause([&] { codec.Write("/dev/full"); }), CArchiveException::generic);
}
