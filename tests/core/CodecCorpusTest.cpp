// SPDX-License-Identifier: GPL-3.0-or-later
// The JPEG, PNG and TIFF codecs against real files written by other programs:
// every file either loads correctly or is refused with its codec's exception.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include <png.h>

#include "core/TestPictures.h"
#include "image/Exceptions.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

namespace fs = std::filesystem;

namespace {

const fs::path kCorpus = GRIMASSO_CORPUS_DIR;

#define SKIP_WITHOUT_CORPUS()                                    \
    if (!fs::is_directory(kCorpus))                              \
        GTEST_SKIP() << "corpus folder " << kCorpus << " is not present"

std::vector<fs::path> FilesIn(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string().find('.') != std::string::npos &&
            entry.path().extension() != ".LICENSE" && entry.path().extension() != ".README")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Reads path; true when it loaded, else the archive cause in cause. Any other
// exception escapes and fails the test.
bool Loads(CDibImage& codec, const fs::path& path, int& cause)
{
    try {
        codec.Read(path.string());
        return true;
    } catch (const CArchiveException& e) {
        cause = e.m_cause;
        EXPECT_TRUE(codec.m_pBits.empty() || dynamic_cast<CJpegImage*>(&codec)) << "pixels left after a failed read";
        return false;
    }
}

// The contract of every successful read: a 24-bit picture and a buffer of padded rows.
void ExpectWellFormed(const CDibImage& image)
{
    EXPECT_EQ(image.m_header.biBitCount, 24);
    EXPECT_EQ(image.m_header.biSize, 40u);
    EXPECT_EQ(image.m_pBits.size(), static_cast<std::size_t>(RowBytes(image.m_header.biWidth, 24) * image.m_header.biHeight));
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

double MeanDifference(const CDibImage& a, const CDibImage& b)
{
    if (a.m_pBits.size() != b.m_pBits.size() || a.m_pBits.empty())
        return 1e9;
    double sum = 0;
    for (std::size_t i = 0; i < a.m_pBits.size(); ++i)
        sum += std::abs(a.m_pBits.data()[i] - b.m_pBits.data()[i]);
    return sum / static_cast<double>(a.m_pBits.size());
}

// A reference decoding straight through libpng, on a path of its own: alpha
// and 16-bit samples are kept and picked apart here, rows stay in file order.
struct ReferencePicture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int stride = 0;          // bytes a pixel
    int sampleBytes = 0;     // 1 or 2; the high byte comes first
    std::vector<std::uint8_t> raw;
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
    out.sampleBytes = png_get_bit_depth(png, info) / 8;
    out.stride = png_get_channels(png, info) * out.sampleBytes;
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    out.raw.resize(rowBytes * out.height);
    for (png_uint_32 y = 0; y < out.height; ++y)
        out.rows.push_back(out.raw.data() + y * rowBytes);
    png_read_image(png, out.rows.data());
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

// The reference's first row is the picture's top row; its red, green and blue
// (high bytes) are bytes 2, 1, 0 of each pixel. Reports the first mismatch only.
void ExpectMatchesReference(const CDibImage& image, const ReferencePicture& ref)
{
    ASSERT_EQ(image.m_header.biWidth, static_cast<int>(ref.width));
    ASSERT_EQ(image.m_header.biHeight, static_cast<int>(ref.height));
    const auto rowBytes = RowBytes(ref.width, 24);
    for (png_uint_32 y = 0; y < ref.height; ++y)
        for (png_uint_32 x = 0; x < ref.width; ++x) {
            const std::uint8_t* want = ref.rows[y] + x * ref.stride;
            const std::uint8_t* got = image.m_pBits.data() + (ref.height - 1 - y) * rowBytes + 3 * x;
            if (got[2] != want[0] || got[1] != want[ref.sampleBytes] || got[0] != want[2 * ref.sampleBytes]) {
                ADD_FAILURE() << "pixel " << x << "," << y << " from the top differs";
                return;
            }
        }
}

}  // namespace

TEST(CodecCorpusPng, SuiteFilesLoadLikeTheReferenceAndCorruptOnesAreRefused)
{
    SKIP_WITHOUT_CORPUS();
    const fs::path folder = kCorpus / "png/pngsuite";
    int valid = 0;
    int corrupt = 0;
    for (const fs::path& path : FilesIn(folder)) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        CPngImage codec;
        int cause = -1;
        const bool loaded = Loads(codec, path, cause);
        if (name[0] == 'x') {
            ++corrupt;
            EXPECT_FALSE(loaded);
            EXPECT_EQ(cause, CArchiveException::generic);
            continue;
        }
        ++valid;
        ASSERT_TRUE(loaded) << "refused with cause " << cause;
        ExpectWellFormed(codec);
        // 16 bits cut to the high byte, alpha dropped without blending,
        // palette and transparency as plain colours, grey of 1 to 4 bits scaled.
        ReferencePicture reference;
        ASSERT_TRUE(ReadReference(path, reference));
        ExpectMatchesReference(codec, reference);
        const auto colourType = testpictures::ReadWholeFile(path).at(25);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            EXPECT_TRUE(EveryPixelGrey(codec));
        }
        // An interlaced file equals its plain twin (fourth letter i versus n).
        std::string twin = name;
        twin[3] = 'n';
        if (name[3] == 'i' && fs::exists(folder / twin)) {
            CPngImage plain;
            plain.Read((folder / twin).string());
            EXPECT_EQ(MeanDifference(plain, codec), 0.0) << "differs from " << twin;
        }
    }
    EXPECT_GT(valid, 150);
    EXPECT_GT(corrupt, 10);

    // 1-bit grey holds black and full white only.
    CPngImage grey;
    grey.Read((folder / "basn0g01.png").string());
    const auto bytes = std::count(grey.m_pBits.data(), grey.m_pBits.data() + grey.m_pBits.size(), 0) +
                       std::count(grey.m_pBits.data(), grey.m_pBits.data() + grey.m_pBits.size(), 255);
    EXPECT_EQ(bytes, static_cast<std::ptrdiff_t>(grey.m_pBits.size()));
}

TEST(CodecCorpusAll, OtherFilesLoadOrAreRefusedWithTheirKind)
{
    SKIP_WITHOUT_CORPUS();
    struct Folder {
        const char* name;
        int refusal;
        int atLeastLoaded;
        int variantRefusal;  // a valid kind of the format we cannot render
    };
    for (const Folder& folder : {Folder{"png", CArchiveException::generic, 7, CArchiveException::generic},
                                 Folder{"jpeg", CArchiveException::badIndex, 13, CArchiveException::badIndex},
                                 Folder{"tiff", CArchiveException::generic, 28, CArchiveException::badIndex}}) {
        int loadedCount = 0;
        for (const fs::path& path : FilesIn(kCorpus / folder.name)) {
            SCOPED_TRACE(path.filename().string());
            std::unique_ptr<CDibImage> codec;
            if (std::string(folder.name) == "png")
                codec = std::make_unique<CPngImage>();
            else if (std::string(folder.name) == "jpeg")
                codec = std::make_unique<CJpegImage>();
            else
                codec = std::make_unique<CTiffImage>();
            int cause = -1;
            if (Loads(*codec, path, cause)) {
                ++loadedCount;
                ExpectWellFormed(*codec);
            } else {
                EXPECT_TRUE(cause == folder.refusal || cause == folder.variantRefusal) << "cause " << cause;
            }
        }
        EXPECT_GE(loadedCount, folder.atLeastLoaded) << folder.name;
    }
}

TEST(CodecCorpusAll, KnownFilesGiveKnownPictures)
{
    SKIP_WITHOUT_CORPUS();
    // One picture in three formats: TIFF gives exactly the PNG's pixels, JPEG
    // nearly; so orientation and channel order hold for every reader.
    CPngImage png;
    png.Read((kCorpus / "png/hopper.png").string());
    ReferencePicture reference;
    ASSERT_TRUE(ReadReference(kCorpus / "png/hopper.png", reference));
    ExpectMatchesReference(png, reference);
    for (const char* name : {"hopper.tif", "hopper_lzw.tif", "hopper_bigtiff.tif"}) {
        CTiffImage tiff;
        tiff.Read((kCorpus / "tiff" / name).string());
        EXPECT_EQ(MeanDifference(tiff, png), 0.0) << name;
    }
    CJpegImage jpeg;
    jpeg.Read((kCorpus / "jpeg/hopper.jpg").string());
    EXPECT_LT(MeanDifference(jpeg, png), 1.0);

    CJpegImage greyJpeg;
    greyJpeg.Read((kCorpus / "jpeg/hopper_gray.jpg").string());
    EXPECT_TRUE(EveryPixelGrey(greyJpeg));
    CTiffImage greyTiff;
    greyTiff.Read((kCorpus / "tiff/hopper_gray_4bpp.tif").string());
    EXPECT_TRUE(EveryPixelGrey(greyTiff));

    // Three pages: green 10 x 10, red 10 x 10, blue 20 x 20. Only the first is read.
    CTiffImage pages;
    pages.Read((kCorpus / "tiff/multipage.tiff").string());
    ASSERT_EQ(pages.GetHeader().biWidth, 10);
    ASSERT_EQ(pages.GetHeader().biHeight, 10);
    for (int r = 0; r < 10; ++r)
        for (int x = 0; x < 10; ++x) {
            const std::uint8_t* p = pages.m_pBits.data() + r * RowBytes(10, 24) + 3 * x;
            EXPECT_TRUE(p[0] == 0 && p[1] == 128 && p[2] == 0) << x << "," << r;
        }
}

TEST(CodecCorpusJpeg, CmykLoadsLikeImageMagicksConversion)
{
    SKIP_WITHOUT_CORPUS();
    if (std::system("command -v convert >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's convert is not installed";
    // A print workflow's file: Adobe's inverted CMYK. ImageMagick converts it
    // without a colour profile, as we do.
    const fs::path source = kCorpus / "jpeg/pil_sample_cmyk.jpg";
    testpictures::ScratchDirectory scratch;
    const std::string reference = scratch.File("reference.bmp");
    const std::string command = "convert '" + source.string() + "' -colorspace sRGB -type TrueColor 'BMP3:" +
                                reference + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    CJpegImage cmyk;
    cmyk.Read(source.string());
    ExpectWellFormed(cmyk);
    CDibImage expected;
    expected.Read(reference);
    ASSERT_EQ(cmyk.GetHeader().biWidth, expected.GetHeader().biWidth);
    ASSERT_EQ(cmyk.GetHeader().biHeight, expected.GetHeader().biHeight);
    EXPECT_LT(MeanDifference(cmyk, expected), 1.0);
    int largest = 0;
    for (std::size_t i = 0; i < cmyk.m_pBits.size(); ++i)
        largest = std::max(largest, std::abs(cmyk.m_pBits.data()[i] - expected.m_pBits.data()[i]));
    EXPECT_LE(largest, 2);
}
