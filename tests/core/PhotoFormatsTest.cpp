// SPDX-License-Identifier: GPL-3.0-or-later
// HEIC, AVIF and WebP files made here by the libraries' own encoders open with
// the pixels their libraries' reference decoders write (heif-convert, dwebp);
// saving under their endings is refused as an unknown ending, and formats we
// recognise but do not open are named.
#include <gtest/gtest.h>

#include <fstream>

#include "PhotoTestSupport.h"
#include "image/CodecChoice.h"
#include "resources/StringIds.h"
#include "session/SessionFailure.h"

namespace {

using namespace phototest;

// A PNG of 8 or 16 bits as 8-bit samples, 16 bits rounded to the nearest level.
Picture ReferencePng(const std::string& path, const std::string& folder)
{
    // ImageMagick's own reduction rounds; the 8-bit PNG it writes is read as stored.
    const std::string eight = path + ".8bit.png";
    EXPECT_TRUE(RunTool("convert " + path + " -depth 8 PNG24:" + eight)) << folder;
    return StoredPng(eight);
}

struct FormatCase {
    const char* name;
    const char* file;     // made by make from the folder's base.png (8 bits) and base16.png
    const char* make;
    const char* reference;  // writes reference.png from the file
    int tolerance;        // largest sample difference allowed
};

TEST(PhotoFormats, OpenWithTheReferenceDecodersPixels)
{
    if (!HasTool("heif-enc") || !HasTool("heif-convert") || !HasTool("cwebp") || !HasTool("dwebp") ||
        !HasTool("img2webp") || !HasTool("webpmux") || !HasTool("convert"))
        GTEST_SKIP() << "libheif-examples, webp or ImageMagick missing";
    ScratchFolder folder("formats");
    const std::string base = folder / "base.png";
    ASSERT_TRUE(RunTool("convert '" + testpictures::SamplePhoto("chelsea.png") + "' -resize 123x77! " + base));
    ASSERT_TRUE(RunTool("convert " + base + " -define png:bit-depth=16 PNG48:" + (folder / "base16.png")));
    ASSERT_TRUE(RunTool("convert " + base + " -alpha set -channel A -fx 'i/w' " + (folder / "alpha.png")));
    ASSERT_TRUE(RunTool("convert " + base + " -negate " + (folder / "second.png")));

    const FormatCase cases[] = {
        {"HEIC 8 bit", "picture.heic", "heif-enc -q 80 base.png -o picture.heic",
         "heif-convert picture.heic reference.png", 0},
        // The reference keeps 16 bits; ours rounds to 8, the reference is rounded the same way.
        {"HEIC 10 bit", "deep.heic", "heif-enc -b 10 -q 80 base16.png -o deep.heic",
         "heif-convert deep.heic reference.png", 1},
        {"AVIF", "picture.avif", "heif-enc -A -q 80 base.png -o picture.avif",
         "heif-convert picture.avif reference.png", 0},
        {"WebP lossy", "lossy.webp", "cwebp -quiet -q 80 base.png -o lossy.webp",
         "dwebp -quiet lossy.webp -o reference.png", 0},
        {"WebP lossless", "lossless.webp", "cwebp -quiet -lossless base.png -o lossless.webp",
         "dwebp -quiet lossless.webp -o reference.png", 0},
        // Alpha is dropped: the colours as stored, as dwebp writes them without alpha.
        {"WebP with alpha", "alpha.webp", "cwebp -quiet -q 80 -exact alpha.png -o alpha.webp",
         "dwebp -quiet alpha.webp -ppm -o reference.ppm && convert reference.ppm reference.png", 0},
        {"WebP animated", "animated.webp", "img2webp -q 80 -d 100 base.png second.png -o animated.webp",
         "webpmux -get frame 1 animated.webp -o first.webp && dwebp -quiet first.webp -o reference.png", 0},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string cd = "cd " + (folder / "") + " && ";
        ASSERT_TRUE(RunTool(cd + c.make));
        ASSERT_TRUE(RunTool(cd + "rm -f reference.png && " + c.reference));
        const Picture opened = Opened(folder / c.file);
        const Difference d = Compare(opened, ReferencePng(folder / "reference.png", c.name));
        EXPECT_GE(d.largest, 0) << "sizes differ: " << opened.width << "x" << opened.height;
        EXPECT_LE(d.largest, c.tolerance);
        // The formats open by their first bytes whatever the name says.
        ASSERT_TRUE(RunTool("cp " + (folder / c.file) + " " + (folder / "misnamed.jpg")));
        EXPECT_EQ(Compare(Opened(folder / "misnamed.jpg"), opened).largest, 0);
    }
}

TEST(PhotoFormats, SavingUnderTheirEndingsIsAnUnknownEnding)
{
    ScratchFolder folder("save-endings");
    PictureSession session(4, 3, PixelBuffer::Allocate(static_cast<std::size_t>(RowBytes(4, 24) * 3), true));
    for (const char* name : {"x.heic", "x.HEIF", "x.avif", "x.webp"}) {
        try {
            session.Save(folder / name);
            ADD_FAILURE() << name << " was saved";
        } catch (const SessionFailure& failure) {
            EXPECT_EQ(failure.GetCause(), SessionFailure::Cause::UnknownEnding) << name;
        }
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;
    }
}

// Files of formats we do not open are refused naming what they are; a file
// whose bytes name nothing still goes by its ending.
TEST(PhotoFormats, ForeignFormatsAreNamed)
{
    struct Case {
        std::string bytes;
        const char* name;
        int formatNameId;  // 0: no foreign format
    };
    const Case cases[] = {
        {"GIF89a\x01\0\x01\0", "a.gif", IDS_FORMAT_NAME_GIF},
        {std::string("\0\0\0\x0CjP  \r\n\x87\n", 12), "a.jp2", IDS_FORMAT_NAME_JPEG2000},
        {std::string("\xFF\x4F\xFF\x51", 4), "a.j2k", IDS_FORMAT_NAME_JPEG2000},
        {std::string("\xFF\x0A\xFA", 3), "a.jxl", IDS_FORMAT_NAME_JPEGXL},
        {std::string("\0\0\0\x0CJXL \r\n\x87\n", 12), "b.jxl", IDS_FORMAT_NAME_JPEGXL},
        {"8BPS\0\x01", "a.psd", IDS_FORMAT_NAME_PSD},
        {"%PDF-1.7\n", "a.pdf", IDS_FORMAT_NAME_PDF},
        {std::string("II*\0\x10\0\0\0CR\x02\0", 12), "a.cr2", IDS_FORMAT_NAME_CAMERA_RAW},
        {std::string("\0\0\0\x18" "ftypcrx \0\0\0\x01" "crx isom", 24), "a.cr3", IDS_FORMAT_NAME_CAMERA_RAW},
        {"FUJIFILMCCD-RAW 0201", "a.raf", IDS_FORMAT_NAME_CAMERA_RAW},
        {std::string("IIRO\x08\0\0\0", 8), "a.orf", IDS_FORMAT_NAME_CAMERA_RAW},
        // Named as a picture, but nothing inside says so.
        {"plain text", "a.gif.jpg", 0},
    };
    ScratchFolder folder("foreign");
    for (const Case& c : cases) {
        const std::string path = folder / c.name;
        std::ofstream(path, std::ios::binary) << c.bytes;
        try {
            PictureSession::Open(path);
            ADD_FAILURE() << c.name << " opened";
        } catch (const SessionFailure& failure) {
            EXPECT_EQ(failure.MessageId(), IDS_LOAD_FAILED) << c.name;
            EXPECT_EQ(failure.FormatNameId(), c.formatNameId) << c.name;
            EXPECT_EQ(failure.GetCause() == SessionFailure::Cause::ForeignFormat, c.formatNameId != 0) << c.name;
        }
    }
    // The brands of the ISO base media family that are pictures go to libheif.
    for (const char* brand : {"heic", "heix", "mif1", "msf1", "avif", "avis"}) {
        std::string head("\0\0\0\x18" "ftyp", 8);
        head += brand;
        head += std::string("\0\0\0\0", 4) + "mif1" + "miaf";
        EXPECT_EQ(FormatFromSignature(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()),
                  PictureFormat::Heif)
            << brand;
    }
    const std::string video("\0\0\0\x18" "ftypisom\0\0\0\0isommp41", 24);
    EXPECT_EQ(FormatFromSignature(reinterpret_cast<const std::uint8_t*>(video.data()), video.size()),
              PictureFormat::Unknown);
}

}  // namespace
