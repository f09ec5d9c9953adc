// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard block: building, reading back, and its bitmap-file form.
#include <gtest/gtest.h>

#include <cstring>

#include "core/TestPictures.h"
#include "image/ByteStream.h"
#include "image/Exceptions.h"
#include "image/PackedBitmap.h"

using namespace testpictures;

namespace {

// The header of a 24-bit picture as the warp field hands it out.
BITMAPINFOHEADER PictureHeader(int width, int height)
{
    BITMAPINFOHEADER header = InfoHeader(width, height, 24);
    header.biSizeImage = static_cast<std::uint32_t>(RowBytes(width, 24) * height);
    header.biXPelsPerMeter = 0;
    header.biYPelsPerMeter = 0;
    return header;
}

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

}  // namespace

TEST(PackedBitmapBlock, ThreeByTwoPictureIsSixtyEightBytesWithHeaderRowsAndSpareBytes)
{
    const std::vector<std::uint8_t> rows = Pattern24(3, 2, 0xEE);
    const BITMAPINFOHEADER header = PictureHeader(3, 2);
    const std::vector<std::uint8_t> block = BuildPackedBitmap(header, rows.data());

    ASSERT_EQ(block.size(), 68u);  // 40 + 2 rows of 9 bytes padded to 12 + 4
    EXPECT_EQ(U32At(block, 0), 40u);
    EXPECT_EQ(U32At(block, 4), 3u);
    EXPECT_EQ(U32At(block, 8), 2u);
    EXPECT_EQ(block[14], 24);
    EXPECT_EQ(U32At(block, 20), 24u);  // biSizeImage
    // The rows follow the header directly, padding included, bottom row first.
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), block.begin() + 40));
    for (std::size_t i = 64; i < 68; ++i)
        EXPECT_EQ(block[i], 0) << "spare byte " << i;
}

TEST(PackedBitmapBlock, ReadsBackIdentical)
{
    for (const auto& [width, height] : {std::pair{3, 2}, std::pair{1, 1}, std::pair{17, 5}}) {
        const std::vector<std::uint8_t> rows = Pattern24(width, height);
        const std::vector<std::uint8_t> block = BuildPackedBitmap(PictureHeader(width, height), rows.data());
        CDibImage image;
        ReadPackedBitmap(image, block.data(), block.size());
        ASSERT_TRUE(image.ConvertTo24Bit());
        EXPECT_EQ(image.GetHeader().biWidth, width);
        EXPECT_EQ(image.GetHeader().biHeight, height);
        ASSERT_EQ(image.m_pBits.size(), rows.size());
        EXPECT_EQ(std::memcmp(image.m_pBits.data(), rows.data(), rows.size()), 0) << width << " x " << height;
    }
}

TEST(PackedBitmapBlock, TopDownRowsAreStoredBottomUp)
{
    // Two rows of two pixels, top row first, 6 bytes a row plus 2 bytes of stride slack.
    const std::uint8_t topDown[] = {1, 2, 3, 4, 5, 6, 99, 99,  // top row
                                    7, 8, 9, 10, 11, 12, 99, 99};
    const std::vector<std::uint8_t> block = PackTopDownBgrRows(2, 2, topDown, 8);
    ASSERT_EQ(block.size(), 40u + 2 * 8 + 4);
    CDibImage image;
    ReadPackedBitmap(image, block.data(), block.size());
    const std::uint8_t* bits = image.m_pBits.data();
    const std::uint8_t bottomFirst[] = {7, 8, 9, 10, 11, 12, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0};
    EXPECT_EQ(std::memcmp(bits, bottomFirst, sizeof bottomFirst), 0);
    EXPECT_EQ(image.GetHeader().biBitCount, 24);
}

TEST(PackedBitmapBlock, BitmapFileFormReadsAsTheSamePicture)
{
    const std::vector<std::uint8_t> rows = Pattern24(5, 3);
    const std::vector<std::uint8_t> block = BuildPackedBitmap(PictureHeader(5, 3), rows.data());
    const std::vector<std::uint8_t> file = BmpFileFromPackedBitmap(block);
    ASSERT_EQ(file.size(), 14 + block.size() - 4);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32At(file, 2), file.size());
    EXPECT_EQ(U32At(file, 10), 54u);

    ByteReader stream(file.data(), file.size());
    CDibImage image;
    image.ReadFromArchive(stream, false);
    ASSERT_EQ(image.m_pBits.size(), rows.size());
    EXPECT_EQ(std::memcmp(image.m_pBits.data(), rows.data(), rows.size()), 0);
}

TEST(PackedBitmapRead, RefusesShortAndUnsupportedBlocks)
{
    const std::vector<std::uint8_t> rows = Pattern24(4, 4);
    std::vector<std::uint8_t> block = BuildPackedBitmap(PictureHeader(4, 4), rows.data());
    block.resize(40 + 12 * 3);  // one row missing
    CDibImage shortImage;
    try {
        ReadPackedBitmap(shortImage, block.data(), block.size());
        FAIL() << "a short block was accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }

    // A screen capture's 32-bit block.
    ByteAssembler capture;
    AppendInfoHeader(capture, InfoHeader(1, 1, 32));
    capture.U32(0x00FF8040);
    CDibImage deepImage;
    try {
        ReadPackedBitmap(deepImage, capture.bytes.data(), capture.bytes.size());
        FAIL() << "a 32-bit block was accepted";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::badIndex);
    }
}
