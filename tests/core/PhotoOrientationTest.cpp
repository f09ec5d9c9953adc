// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures recorded turned or mirrored open upright: each of the eight Exif
// orientations, written by exiftool into JPEG, PNG (eXIf), TIFF (the tag) and
// WebP (EXIF chunk), must give exactly the picture ImageMagick makes by turning
// the untagged file the same way.
#include <gtest/gtest.h>

#include "PhotoTestSupport.h"
#include "image/DibImage.h"
#include "image/ExifOrientation.h"
#include "image/PictureOrientation.h"

namespace {

using namespace phototest;

struct OrientationCase {
    int orientation;
    const char* turn;  // ImageMagick's operation bringing the stored picture upright
};

constexpr OrientationCase kOrientations[] = {
    {1, ""}, {2, "-flop"}, {3, "-rotate 180"}, {4, "-flip"},
    {5, "-transpose"}, {6, "-rotate 90"}, {7, "-transverse"}, {8, "-rotate 270"},
};

TEST(PhotoOrientation, EveryOrientationOfEveryFormatOpensUpright)
{
    if (!HasTool("exiftool") || !HasTool("convert") || !HasTool("cwebp"))
        GTEST_SKIP() << "exiftool, ImageMagick or cwebp missing";
    ScratchFolder folder("orientation");
    // 61 x 43: odd sides, so a turned row has a different padding than a stored one.
    const std::string png = folder / "base.png";
    ASSERT_TRUE(RunTool("convert '" + SamplePortrait() + "' -resize 61x43! " + png));
    ASSERT_TRUE(RunTool("convert " + png + " -quality 90 " + (folder / "base.jpg")));
    ASSERT_TRUE(RunTool("convert " + png + " " + (folder / "base.tif")));
    ASSERT_TRUE(RunTool("cwebp -quiet -lossless " + png + " -o " + (folder / "base.webp")));

    for (const char* format : {"jpg", "png", "tif", "webp"}) {
        const std::string base = folder / (std::string("base.") + format);
        for (const OrientationCase& c : kOrientations) {
            const std::string tagged = folder / ("turned" + std::to_string(c.orientation) + "." + format);
            ASSERT_TRUE(RunTool("cp " + base + " " + tagged));
            ASSERT_TRUE(RunTool("exiftool -q -q -overwrite_original -n -Orientation=" +
                            std::to_string(c.orientation) + " " + tagged));
            const std::string reference = tagged + ".reference.png";
            ASSERT_TRUE(RunTool("convert " + base + " " + c.turn + " " + reference));

            const Picture expected = StoredPng(reference);
            const Picture opened = Opened(tagged);
            const Difference d = Compare(opened, expected);
            EXPECT_EQ(d.largest, 0) << format << " orientation " << c.orientation << ": opened " << opened.width
                                    << "x" << opened.height << ", upright " << expected.width << "x"
                                    << expected.height;
        }
    }
}

// HEIC and AVIF carry their orientation as rotation and mirroring boxes, which
// the encoder writes from an Exif orientation: every value opens upright.
// A JPEG is turned as its rows come from the decoder, in bands of stored
// rows: each band must write exactly the pixels of its rows (the others are
// not decoded yet, so here they hold other bytes), and any split into bands
// must give the picture the whole turn gives, padding included.
TEST(PhotoOrientation, TurningBandsOfStoredRowsGivesTheWholeTurn)
{
    constexpr std::int32_t kWidth = 7, kHeight = 5;  // odd: both row lengths padded
    std::vector<std::uint8_t> stored(static_cast<std::size_t>(RowBytes(kWidth, 24) * kHeight));
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const StoredPicture picture{stored.data(), kWidth, kHeight};
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const bool swaps = OrientationSwapsSides(orientation);
        const std::size_t bytes =
            static_cast<std::size_t>(RowBytes(swaps ? kHeight : kWidth, 24) * (swaps ? kWidth : kHeight));
        std::vector<std::uint8_t> whole(bytes, 0xEE);
        WriteUprightRows(picture, orientation, whole.data(), 0, swaps ? kWidth : kHeight);
        for (std::int32_t band : {1, 2, 5}) {
            std::vector<std::uint8_t> banded(bytes, 0xEE);
            for (std::int32_t top = 0; top < kHeight; top += band) {
                const std::int32_t end = std::min(kHeight, top + band);
                std::vector<std::uint8_t> decoding = stored;  // rows counted from the top, stored bottom-up
                for (std::int32_t y = 0; y < kHeight; ++y)
                    if (y < top || y >= end)
                        std::fill_n(decoding.begin() + (kHeight - 1 - y) * RowBytes(kWidth, 24), 3 * kWidth, 0x55);
                WriteUprightFromStoredRows(StoredPicture{decoding.data(), kWidth, kHeight}, orientation, banded.data(),
                                           top, end);
            }
            EXPECT_EQ(banded, whole) << "orientation " << orientation << ", bands of " << band;
        }
    }
}

TEST(PhotoOrientation, HeifRotationAndMirroringOpenUpright)
{
    if (!HasTool("convert"))
        GTEST_SKIP() << "ImageMagick missing";
    ScratchFolder folder("heif-orientation");
    const std::string png = folder / "base.png";
    ASSERT_TRUE(RunTool("convert '" + SamplePortrait() + "' -resize 64x48! " + png));
    const Picture stored = StoredPng(png);
    for (const auto& [format, ending] : {std::pair{heif_compression_HEVC, ".heic"}, std::pair{heif_compression_AV1, ".avif"}}) {
        // The coded pixels are the same whatever the orientation: the upright
        // file, opened, is what the others must turn into.
        const std::string upright = folder / (std::string("upright") + ending);
        WriteHeif(stored, format, upright, 1);
        const std::string uprightPng = upright + ".png";
        PictureSession::Open(upright)->Save(uprightPng);
        for (const OrientationCase& c : kOrientations) {
            const std::string turned = folder / ("turned" + std::to_string(c.orientation) + ending);
            WriteHeif(stored, format, turned, c.orientation);
            const std::string reference = turned + ".reference.png";
            ASSERT_TRUE(RunTool("convert " + uprightPng + " " + c.turn + " " + reference));
            EXPECT_EQ(Compare(Opened(turned), StoredPng(reference)).largest, 0)
                << ending << " orientation " << c.orientation;
        }
    }
}

// Blocks that carry no usable orientation count as upright, never as an error.
TEST(PhotoOrientation, UnusableExifBlocksCountAsUpright)
{
    const std::uint8_t tiffHeaderOnly[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
    // One IFD entry: Orientation (0x0112), SHORT, count 1, value 9 (out of range).
    const std::uint8_t outOfRange[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
                                       1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0};
    std::uint8_t turned[sizeof outOfRange];
    std::memcpy(turned, outOfRange, sizeof turned);
    turned[24] = 6;
    const std::uint8_t bigEndianTurned[] = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1,
                                            0, 8, 0, 0, 0, 0, 0, 0};
    const std::uint8_t notExif[] = {'J', 'F', 'I', 'F', 0, 1, 2};

    EXPECT_EQ(ExifOrientation(nullptr, 0), 1);
    EXPECT_EQ(ExifOrientation(tiffHeaderOnly, sizeof tiffHeaderOnly), 1);
    EXPECT_EQ(ExifOrientation(outOfRange, sizeof outOfRange), 1);
    EXPECT_EQ(ExifOrientation(notExif, sizeof notExif), 1);
    EXPECT_EQ(ExifOrientation(turned, sizeof turned), 6);
    EXPECT_EQ(ExifOrientation(bigEndianTurned, sizeof bigEndianTurned), 8);
    EXPECT_EQ(ExifOrientation(turned, 20), 1) << "cut off inside the entry";
}

}  // namespace
