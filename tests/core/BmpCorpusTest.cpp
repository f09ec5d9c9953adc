// SPDX-License-Identifier: GPL-3.0-or-later
// Real bitmap files of many writers and flavours: the good ones load with the right
// pixels, the unsupported ones are refused, the broken ones never crash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "TestPictures.h"
#include "image/ByteStream.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"

namespace {

const std::filesystem::path kBitmapCorpus = std::filesystem::path(GRIMASSO_CORPUS_DIR) / "bmp";

#define REQUIRE_CORPUS()                                                \
    do {                                                                \
        if (!std::filesystem::is_directory(kBitmapCorpus))              \
            GTEST_SKIP() << "no bitmap corpus at " << kBitmapCorpus;    \
    } while (0)

std::string PathOf(const std::string& name)
{
    return (kBitmapCorpus / name).string();
}

// Loads a corpus file and brings it to 24 bits.
void Load24(CDibImage& image, const std::string& name)
{
    image.Read(PathOf(name));
    ASSERT_TRUE(image.ConvertTo24Bit()) << name;
    ASSERT_EQ(image.m_pBits.size(),
              static_cast<std::size_t>(RowBytes(image.m_header.biWidth, 24) * image.m_header.biHeight))
        << name;
}

const std::uint8_t* PixelAt(const CDibImage& image, int x, int y)
{
    return image.m_pBits.data() + y * RowBytes(image.m_header.biWidth, 24) + 3 * x;
}

// The result of reading one file: "ok", "badIndex", "endOfFile", or another failure's name.
std::string Outcome(const std::string& name)
{
    CDibImage image;
    try {
        image.Read(PathOf(name));
    } catch (const CArchiveException& e) {
        if (e.m_cause == CArchiveException::badIndex)
            return "badIndex";
        if (e.m_cause == CArchiveException::endOfFile)
            return "endOfFile";
        return "archive " + std::to_string(e.m_cause);
    } catch (const CFileException& e) {
        return "file " + std::to_string(e.m_lOsError);
    } catch (const CMemoryException&) {
        return "memory";
    }
    if (!image.ConvertTo24Bit())
        return "unconvertible";
    return "ok";
}

}  // namespace

TEST(BmpCorpus, GoodFilesOfSupportedDepthsLoadWithTheirSize)
{
    REQUIRE_CORPUS();
    const struct {
        const char* name;
        int bitCount, width, height;
    } files[] = {
        {"g/pal1.bmp", 1, 127, 64},      {"g/pal1bg.bmp", 1, 127, 64},     {"g/pal1wb.bmp", 1, 127, 64},
        {"g/pal4.bmp", 4, 127, 64},      {"g/pal8-0.bmp", 8, 127, 64},     {"g/pal8.bmp", 8, 127, 64},
        {"g/pal8nonsquare.bmp", 8, 127, 32}, {"g/pal8rle.bmp", 8, 127, 64}, {"g/pal8topdown.bmp", 8, 127, 64},
        {"g/pal8v4.bmp", 8, 127, 64},    {"g/pal8v5.bmp", 8, 127, 64},     {"g/pal8w124.bmp", 8, 124, 61},
        {"g/pal8w125.bmp", 8, 125, 62},  {"g/pal8w126.bmp", 8, 126, 63},   {"g/rgb24.bmp", 24, 127, 64},
        {"g/rgb24pal.bmp", 24, 127, 64},
    };
    for (const auto& file : files) {
        CDibImage image;
        image.Read(PathOf(file.name));
        const BITMAPINFOHEADER h = image.GetHeader();
        EXPECT_EQ(h.biBitCount, file.bitCount) << file.name;
        EXPECT_EQ(h.biWidth, file.width) << file.name;
        EXPECT_EQ(h.biHeight, file.height) << file.name;
        EXPECT_EQ(h.biSize, 40u) << file.name;
        EXPECT_EQ(h.biCompression, BI_RGB) << file.name;
        EXPECT_EQ(image.m_pColors.size(), file.bitCount == 24 ? 0u : std::size_t{1} << file.bitCount) << file.name;
        EXPECT_EQ(image.m_pBits.size(), static_cast<std::size_t>(RowBytes(file.width, file.bitCount) * file.height))
            << file.name;
    }
}

TEST(BmpCorpus, UnsupportedFlavoursAreRefusedWithBadIndex)
{
    REQUIRE_CORPUS();
    // 16 and 32 bits, 4-bit run-length, the OS/2 header, and the formats embedding JPEG or PNG.
    for (const char* name : {"g/pal4rle.bmp", "g/rgb16.bmp", "g/rgb16-565.bmp", "g/rgb16-565pal.bmp", "g/rgb32.bmp",
                             "g/rgb32bf.bmp", "g/pal8os2.bmp", "q/pal2.bmp", "q/pal4rletrns.bmp", "q/pal8os2sp.bmp",
                             "q/pal8os2v2-16.bmp", "q/rgb24jpeg.bmp", "q/rgb24png.bmp", "q/rgba32.bmp",
                             "q/rgb16-231.bmp", "q/rgba16-4444.bmp"})
        EXPECT_EQ(Outcome(name), "badIndex") << name;
}

TEST(BmpCorpus, TrueColourVariantsMatchTheReference)
{
    REQUIRE_CORPUS();
    CDibImage reference;
    Load24(reference, "g/rgb24.bmp");
    // Bottom-left is black, top-left red (the colour bands of the test pattern).
    EXPECT_EQ(std::vector<std::uint8_t>(PixelAt(reference, 0, 0), PixelAt(reference, 0, 0) + 3),
              (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(PixelAt(reference, 0, 63), PixelAt(reference, 0, 63) + 3),
              (std::vector<std::uint8_t>{0, 0, 255}));
    const std::vector<std::uint8_t> expected = testpictures::PixelBytes(reference);
    // A colour table to skip, a larger one, and V5 headers with colour profiles.
    for (const char* name : {"g/rgb24pal.bmp", "q/rgb24largepal.bmp", "q/rgb24prof.bmp", "q/rgb24lprof.bmp"}) {
        CDibImage image;
        Load24(image, name);
        EXPECT_EQ(testpictures::PixelBytes(image),
                  expected)
            << name;
    }
}

TEST(BmpCorpus, EightBitVariantsShowTheSamePicture)
{
    REQUIRE_CORPUS();
    CDibImage pal8;
    Load24(pal8, "g/pal8.bmp");
    const std::vector<std::uint8_t> expected = testpictures::PixelBytes(pal8);
    // No colour count, run-length, top-down, V4 and V5 headers, a gap before the rows,
    // the 64-byte header, and colour counts beyond the table.
    for (const char* name : {"g/pal8-0.bmp", "g/pal8rle.bmp", "g/pal8topdown.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
                             "q/pal8offs.bmp", "q/pal8os2v2.bmp", "q/pal8oversizepal.bmp", "b/badpalettesize.bmp"}) {
        CDibImage image;
        Load24(image, name);
        EXPECT_EQ(testpictures::PixelBytes(image),
                  expected)
            << name;
    }
}

TEST(BmpCorpus, LowDepthsKeepTheBlackAndWhiteOfTheReference)
{
    REQUIRE_CORPUS();
    CDibImage reference;
    Load24(reference, "g/rgb24.bmp");
    // The lettering is pure black and white in every depth; dithering changes only the rest.
    for (const char* name : {"g/pal8.bmp", "g/pal4.bmp", "g/pal1.bmp", "g/pal1wb.bmp"}) {
        CDibImage image;
        Load24(image, name);
        int blackOrWhite = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 127; ++x) {
                const std::uint8_t* r = PixelAt(reference, x, y);
                const bool black = r[0] == 0 && r[1] == 0 && r[2] == 0;
                const bool white = r[0] == 255 && r[1] == 255 && r[2] == 255;
                if (!black && !white)
                    continue;
                ++blackOrWhite;
                const std::uint8_t* p = PixelAt(image, x, y);
                ASSERT_TRUE(p[0] == r[0] && p[1] == r[1] && p[2] == r[2]) << name << " at " << x << "," << y;
            }
        EXPECT_GT(blackOrWhite, 1000) << name;
    }

    // The blue-green file has the same indices as the black-and-white one.
    CDibImage pal1, pal1bg;
    pal1.Read(PathOf("g/pal1.bmp"));
    pal1bg.Read(PathOf("g/pal1bg.bmp"));
    const RGBQUAD zero = pal1bg.m_pColors[0], one = pal1bg.m_pColors[1];
    Load24(pal1, "g/pal1.bmp");
    Load24(pal1bg, "g/pal1bg.bmp");
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 127; ++x) {
            const RGBQUAD& colour = PixelAt(pal1, x, y)[0] == 0 ? zero : one;
            const std::uint8_t* p = PixelAt(pal1bg, x, y);
            ASSERT_TRUE(p[0] == colour.rgbBlue && p[1] == colour.rgbGreen && p[2] == colour.rgbRed) << x << "," << y;
        }
}

TEST(BmpCorpus, OtherWidthsAreNotSheared)
{
    REQUIRE_CORPUS();
    // Row padding of 0 to 3 bytes: a wrong row stride would push the colour bands
    // sideways. The left edge is the red band, the right edge the bluish grey one.
    for (const char* name : {"g/pal8w124.bmp", "g/pal8w125.bmp", "g/pal8w126.bmp", "g/pal8nonsquare.bmp"}) {
        CDibImage image;
        Load24(image, name);
        const int width = image.m_header.biWidth;
        int outOfBand = 0;
        for (int y = 0; y < image.m_header.biHeight; ++y) {
            const std::uint8_t* left = PixelAt(image, 0, y);
            const std::uint8_t* right = PixelAt(image, width - 1, y);
            outOfBand += !(left[2] >= left[1] && left[2] >= left[0]);
            outOfBand += !(right[0] >= right[1] && right[0] >= right[2]);
        }
        EXPECT_LE(outOfBand, 2) << name;
    }
}

TEST(BmpCorpus, BrokenAndQuestionableFilesAreRefusedOrLoad)
{
    REQUIRE_CORPUS();
    // Files whose fault this reader detects; every other one must load or fail cleanly.
    const std::map<std::string, std::string> expected = {
        {"b/badbitcount.bmp", "badIndex"},  {"b/badwidth.bmp", "badIndex"},
        {"b/reallybig.bmp", "badIndex"},    {"b/rletopdown.bmp", "badIndex"},
        {"b/shortfile.bmp", "endOfFile"},
        // A wrong image size, density, file size, plane count or header size does not
        // hide the rows; run-length data past the picture is cut off; indices past the
        // stored colours show black.
        {"b/badbitssize.bmp", "ok"},        {"b/baddens1.bmp", "ok"},
        {"b/baddens2.bmp", "ok"},           {"b/badfilesize.bmp", "ok"},
        {"b/badheadersize.bmp", "ok"},      {"b/badplanes.bmp", "ok"},
        {"b/badrle.bmp", "ok"},             {"b/pal8badindex.bmp", "ok"},
        {"q/pal1p1.bmp", "ok"},             {"q/pal8rletrns.bmp", "ok"},
    };
    int checked = 0;
    for (const char* folder : {"b", "q"}) {
        for (const auto& entry : std::filesystem::directory_iterator(kBitmapCorpus / folder)) {
            if (entry.path().extension() != ".bmp")
                continue;
            const std::string name = std::string(folder) + "/" + entry.path().filename().string();
            const std::string outcome = Outcome(name);
            const auto known = expected.find(name);
            if (known != expected.end()) {
                EXPECT_EQ(outcome, known->second) << name;
                ++checked;
            } else {
                EXPECT_TRUE(outcome == "ok" || outcome == "badIndex" || outcome == "endOfFile") << name << ": " << outcome;
            }
        }
    }
    EXPECT_EQ(checked, static_cast<int>(expected.size()));
}

TEST(BmpCorpus, CorruptedCopiesFailCleanly)
{
    REQUIRE_CORPUS();
    // Random byte changes, mostly in the headers and the first run-length codes:
    // every copy must load or raise one of the reader's exceptions.
    std::mt19937 random(20240601);
    for (const char* name : {"g/pal8rle.bmp", "g/pal4.bmp", "g/pal8v5.bmp", "g/rgb24.bmp", "q/pal8rletrns.bmp"}) {
        const std::vector<std::uint8_t> original = testpictures::ReadWholeFile(PathOf(name));
        ASSERT_GT(original.size(), 200u) << name;
        int loaded = 0;
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes = original;
            const int changes = 1 + round % 4;
            for (int i = 0; i < changes; ++i) {
                const std::size_t limit = round % 2 == 0 ? std::min<std::size_t>(bytes.size(), 200) : bytes.size();
                bytes[random() % limit] = static_cast<std::uint8_t>(random());
            }
            if (round % 5 == 0)
                bytes.resize(random() % bytes.size());
            CDibImage image;
            ByteReader stream(bytes.data(), bytes.size());
            try {
                image.ReadFromArchive(stream, false);
                ++loaded;
                image.ConvertTo24Bit();
            } catch (const CArchiveException& e) {
                EXPECT_TRUE(e.m_cause == CArchiveException::badIndex || e.m_cause == CArchiveException::endOfFile)
                    << name << " round " << round;
            }
        }
        EXPECT_GT(loaded, 0) << name;
    }
}
