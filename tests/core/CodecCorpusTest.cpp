// The JPEG, PNG and TIFF codecs against real files written by other programs:
// every file either loads correctly or is refused with its codec's exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <vector>

#include <png.h>
#include <tiffio.h>

#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

namespace fs = std::filesystem;
using testpictures::ReadWholeFile;

namespace {

fs::path CorpusFolder(const char* sub)
{
    return fs::path(GRIMASSO_CORPUS_DIR) / sub;
}

std::vector<fs::path> FilesIn(const fs::path& folder, const std::vector<std::string>& endings)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string ending = entry.path().extension().string();
        if (entry.is_regular_file() && std::find(endings.begin(), endings.end(), ending) != endings.end())
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

#define SKIP_WITHOUT(folder)                                              \
    if (!fs::is_directory(folder))                                        \
        GTEST_SKIP() << "corpus folder " << (folder) << " is not present"

// What Read did with a file: loaded, or refused with an archive cause. Any other
// exception escapes and fails the test.
struct Outcome {
    bool loaded = false;
    int cause = -1;
};

Outcome TryRead(CDibImage& codec, const fs::path& path)
{
    Outcome outcome;
    try {
        codec.Read(path.string());
        outcome.loaded = true;
    } catch (const CArchiveException& e) {
        outcome.cause = e.m_cause;
    }
    return outcome;
}

std::size_t ExpectedBufferSize(const CDibImage& image)
{
    return static_cast<std::size_t>(RowBytes(image.m_header.biWidth, 24) * image.m_header.biHeight);
}

bool EveryPixelGrey(const CDibImage& image)
{
    const auto rowBytes = RowBytes(image.m_header.biWidth, 24);
    for (int r = 0; r < image.m_header.biHeight; ++r)
        for (int x = 0; x < image.m_header.biWidth; ++x) {
            const std::uint8_t* p = image.m_pBits.data() + r * rowBytes + 3 * x;
            if (p[0] != p[1] || p[1] != p[2])
                return false;
        }
    return true;
}

// ---- PNG: a reference decoding straight through libpng, kept apart from the
// codec's own path: alpha and 16-bit samples are kept and picked apart here.

struct ReferencePicture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
    int bytesPerSample = 0;
    std::vector<std::uint8_t> raw;  // top-down, as the file orders its rows
    std::vector<png_bytep> rows;
};

[[noreturn]] void ReferenceError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}
void ReferenceWarning(png_structp, png_const_charp) {}

bool DecodeReference(png_structp png, png_infop info, std::FILE* file, ReferencePicture& out)
{
    if (setjmp(png_jmpbuf(png)) != 0)
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.channels = png_get_channels(png, info);
    out.bytesPerSample = png_get_bit_depth(png, info) / 8;
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    out.raw.resize(rowBytes * out.height);
    out.rows.resize(out.height);
    for (png_uint_32 y = 0; y < out.height; ++y)
        out.rows[y] = out.raw.data() + y * rowBytes;
    png_read_image(png, out.rows.data());
    png_read_end(png, nullptr);
    return true;
}

bool ReadReference(const fs::path& path, ReferencePicture& out)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ReferenceError, ReferenceWarning);
    png_infop info = png_create_info_struct(png);
    const bool ok = DecodeReference(png, info, file, out);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return ok;
}

// Compares the codec's picture with the reference: the reference's first row is
// the picture's top row, its red, green and blue (high bytes) become bytes 2, 1, 0.
void ExpectMatchesReference(const CDibImage& image, const ReferencePicture& ref)
{
    ASSERT_EQ(image.m_header.biWidth, static_cast<int>(ref.width));
    ASSERT_EQ(image.m_header.biHeight, static_cast<int>(ref.height));
    ASSERT_GE(ref.channels, 3);
    const auto rowBytes = RowBytes(ref.width, 24);
    const int stride = ref.channels * ref.bytesPerSample;
    int mismatches = 0;
    for (png_uint_32 y = 0; y < ref.height && mismatches < 5; ++y)
        for (png_uint_32 x = 0; x < ref.width && mismatches < 5; ++x) {
            const std::uint8_t* want = ref.rows[y] + x * stride;
            const std::uint8_t* got = image.m_pBits.data() + (ref.height - 1 - y) * rowBytes + 3 * x;
            const bool same = got[2] == want[0] && got[1] == want[ref.bytesPerSample] &&
                              got[0] == want[2 * ref.bytesPerSample];
            if (!same) {
                ++mismatches;
                ADD_FAILURE() << "pixel " << x << "," << y << " from the top differs";
            }
        }
}

// The colour type byte of a PNG's header.
int PngColourType(const fs::path& path)
{
    const auto bytes = ReadWholeFile(path);
    return bytes.size() > 25 ? bytes[25] : -1;
}

// ---- JPEG: the frame size from the first start-of-frame segment, walking the
// segments as a decoder does (bytes between segments are skipped).

bool JpegFrameSize(const std::vector<std::uint8_t>& f, int& width, int& height)
{
    std::size_t pos = 2;
    while (pos + 1 < f.size()) {
        if (f[pos] != 0xFF) {
            ++pos;
            continue;
        }
        const std::uint8_t m = f[pos + 1];
        if (m == 0xFF || m == 0x00 || m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {
            ++pos;  // fill byte, stuffed zero or a marker without a segment
            continue;
        }
        if (pos + 3 >= f.size())
            return false;
        const std::size_t length = static_cast<std::size_t>(f[pos + 2]) << 8 | f[pos + 3];
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
            if (pos + 8 >= f.size())
                return false;
            height = f[pos + 5] << 8 | f[pos + 6];
            width = f[pos + 7] << 8 | f[pos + 8];
            return true;
        }
        pos += 2 + length;
    }
    return false;
}

// ---- TIFF: the first directory's size, asked of the library without any noise.

int Silent(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

bool TiffFirstSize(const fs::path& path, std::uint32_t& width, std::uint32_t& height)
{
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, nullptr);
    TIFF* tif = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    if (tif == nullptr)
        return false;
    const bool ok = TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) == 1 && TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height) == 1;
    TIFFClose(tif);
    return ok;
}

}  // namespace

TEST(CodecCorpusPng, SuiteFilesLoadLikeTheReferenceAndCorruptOnesAreRefused)
{
    const fs::path folder = CorpusFolder("png/pngsuite");
    SKIP_WITHOUT(folder);
    int valid = 0;
    int corrupt = 0;
    for (const fs::path& path : FilesIn(folder, {".png"})) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        CPngImage codec;
        const Outcome outcome = TryRead(codec, path);
        if (name[0] == 'x') {
            ++corrupt;
            EXPECT_FALSE(outcome.loaded);
            EXPECT_EQ(outcome.cause, CArchiveException::generic);
            EXPECT_TRUE(codec.m_pBits.empty());
            continue;
        }
        ++valid;
        ASSERT_TRUE(outcome.loaded) << "refused with cause " << outcome.cause;
        EXPECT_EQ(codec.GetHeader().biBitCount, 24);
        EXPECT_EQ(codec.m_pBits.size(), ExpectedBufferSize(codec));
        ReferencePicture reference;
        ASSERT_TRUE(ReadReference(path, reference));
        ExpectMatchesReference(codec, reference);
        const int colourType = PngColourType(path);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            EXPECT_TRUE(EveryPixelGrey(codec));
        }

        // An interlaced file equals its plain twin (the fourth letter i versus n).
        if (name.size() > 4 && name[3] == 'i') {
            std::string twin = name;
            twin[3] = 'n';
            if (fs::exists(folder / twin)) {
                CPngImage plain;
                plain.Read((folder / twin).string());
                ASSERT_EQ(plain.m_pBits.size(), codec.m_pBits.size());
                EXPECT_EQ(0, std::memcmp(plain.m_pBits.data(), codec.m_pBits.data(), plain.m_pBits.size()))
                    << "differs from " << twin;
            }
        }
    }
    EXPECT_GT(valid, 100);
    EXPECT_GT(corrupt, 10);
}

TEST(CodecCorpusPng, SuiteSpecialCases)
{
    const fs::path folder = CorpusFolder("png/pngsuite");
    SKIP_WITHOUT(folder);
    // 1-bit grey: black and white only, white at full strength.
    CPngImage grey;
    grey.Read((folder / "basn0g01.png").string());
    bool sawWhite = false;
    for (std::size_t i = 0; i < grey.m_pBits.size(); ++i) {
        const std::uint8_t v = grey.m_pBits.data()[i];
        EXPECT_TRUE(v == 0 || v == 255) << "byte " << i << " is " << int{v};
        sawWhite = sawWhite || v == 255;
    }
    EXPECT_TRUE(sawWhite);
    // sNN files are NN x NN pixels.
    CPngImage odd;
    odd.Read((folder / "s35i3p04.png").string());
    EXPECT_EQ(odd.GetHeader().biWidth, 35);
    EXPECT_EQ(odd.GetHeader().biHeight, 35);
}

TEST(CodecCorpusPng, OtherFilesLoadOrAreRefused)
{
    const fs::path folder = CorpusFolder("png");
    SKIP_WITHOUT(folder);
    for (const fs::path& path : FilesIn(folder, {".png"})) {
        SCOPED_TRACE(path.filename().string());
        CPngImage codec;
        const Outcome outcome = TryRead(codec, path);
        if (!outcome.loaded) {
            EXPECT_EQ(outcome.cause, CArchiveException::generic);
            continue;
        }
        ReferencePicture reference;
        if (ReadReference(path, reference))
            ExpectMatchesReference(codec, reference);
    }
    CPngImage hopper;
    hopper.Read((folder / "hopper.png").string());
    EXPECT_EQ(hopper.m_pBits.size(), ExpectedBufferSize(hopper));
}

TEST(CodecCorpusJpeg, FilesLoadAtTheirFrameSizeOrAreRefused)
{
    const fs::path folder = CorpusFolder("jpeg");
    SKIP_WITHOUT(folder);
    int loaded = 0;
    for (const fs::path& path : FilesIn(folder, {".jpg", ".jpeg"})) {
        SCOPED_TRACE(path.filename().string());
        CJpegImage codec;
        const Outcome outcome = TryRead(codec, path);
        if (!outcome.loaded) {
            EXPECT_EQ(outcome.cause, CArchiveException::badIndex);
            continue;
        }
        ++loaded;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(JpegFrameSize(ReadWholeFile(path), width, height));
        EXPECT_EQ(codec.GetHeader().biWidth, width);
        EXPECT_EQ(codec.GetHeader().biHeight, height);
        EXPECT_EQ(codec.GetHeader().biBitCount, 24);
        EXPECT_EQ(codec.m_pBits.size(), ExpectedBufferSize(codec));
    }
    EXPECT_GT(loaded, 8);

    CJpegImage grey;
    grey.Read((folder / "hopper_gray.jpg").string());
    EXPECT_TRUE(EveryPixelGrey(grey));
    // The library cannot turn CMYK into RGB: a library error.
    CJpegImage cmyk;
    EXPECT_EQ(TryRead(cmyk, folder / "pil_sample_cmyk.jpg").cause, CArchiveException::badIndex);
}

TEST(CodecCorpusTiff, FilesLoadTheirFirstImageOrAreRefused)
{
    const fs::path folder = CorpusFolder("tiff");
    SKIP_WITHOUT(folder);
    int loaded = 0;
    for (const fs::path& path : FilesIn(folder, {".tif", ".tiff"})) {
        SCOPED_TRACE(path.filename().string());
        CTiffImage codec;
        const Outcome outcome = TryRead(codec, path);
        if (!outcome.loaded) {
            EXPECT_EQ(outcome.cause, CArchiveException::generic);
            EXPECT_TRUE(codec.m_pBits.empty());
            continue;
        }
        ++loaded;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        ASSERT_TRUE(TiffFirstSize(path, width, height));
        EXPECT_EQ(codec.GetHeader().biWidth, static_cast<int>(width));
        EXPECT_EQ(codec.GetHeader().biHeight, static_cast<int>(height));
        EXPECT_EQ(codec.m_pBits.size(), ExpectedBufferSize(codec));
    }
    EXPECT_GT(loaded, 20);
}

TEST(CodecCorpusTiff, KnownFilesGiveKnownPictures)
{
    const fs::path folder = CorpusFolder("tiff");
    SKIP_WITHOUT(folder);
    CTiffImage plain;
    plain.Read((folder / "hopper.tif").string());
    // The same picture stored other ways decodes to the same bytes.
    for (const char* name : {"hopper_lzw.tif", "hopper_bigtiff.tif", "hopper_lzma.tif"}) {
        SCOPED_TRACE(name);
        CTiffImage other;
        other.Read((folder / name).string());
        ASSERT_EQ(other.m_pBits.size(), plain.m_pBits.size());
        EXPECT_EQ(0, std::memcmp(other.m_pBits.data(), plain.m_pBits.data(), plain.m_pBits.size()));
    }

    CTiffImage grey;
    grey.Read((folder / "hopper_gray_4bpp.tif").string());
    EXPECT_TRUE(EveryPixelGrey(grey));

    // Three pages: green 10 x 10, red 10 x 10, blue 20 x 20. Only the first is read.
    CTiffImage pages;
    pages.Read((folder / "multipage.tiff").string());
    ASSERT_EQ(pages.GetHeader().biWidth, 10);
    ASSERT_EQ(pages.GetHeader().biHeight, 10);
    const auto rowBytes = RowBytes(10, 24);
    for (int r = 0; r < 10; ++r)
        for (int x = 0; x < 10; ++x) {
            const std::uint8_t* p = pages.m_pBits.data() + r * rowBytes + 3 * x;
            EXPECT_EQ((std::vector<int>{p[0], p[1], p[2]}), (std::vector<int>{0, 128, 0})) << x << "," << r;
        }
}
