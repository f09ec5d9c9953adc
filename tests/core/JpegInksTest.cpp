// SPDX-License-Identifier: GPL-3.0-or-later
// JPEGs of printing inks (CMYK and YCCK, plain and with Adobe's inverted
// samples) load as the RGB colours those inks print.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "core/TestPictures.h"
#include "image/JpegImage.h"

namespace {

struct Ink {
    std::uint8_t c, m, y, k;
    std::uint8_t red, green, blue;  // what the ink prints on white
};

// Solid 16-pixel squares side by side, so the compression leaves each colour whole.
constexpr Ink kInks[] = {
    {0, 0, 0, 0, 255, 255, 255},       {255, 0, 0, 0, 0, 255, 255},      {0, 255, 255, 0, 255, 0, 0},
    {0, 0, 0, 255, 0, 0, 0},           {128, 0, 0, 128, 63, 127, 127},   {0, 64, 192, 32, 223, 167, 55},
};
constexpr int kSquare = 16;
constexpr int kCount = sizeof kInks / sizeof kInks[0];

enum class Layout { PlainCmyk, AdobeCmyk, AdobeYcck };

// Writes the ink squares through libjpeg in the given layout. Adobe files
// store every ink inverted (255 = no ink).
void WriteInkJpeg(const std::string& path, Layout layout)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kSquare * kCount;
    info.image_height = kSquare;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, layout == Layout::AdobeYcck ? JCS_YCCK : JCS_CMYK);
    info.write_Adobe_marker = layout != Layout::PlainCmyk;
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(kSquare) * kCount * 4);
    for (int x = 0; x < kSquare * kCount; ++x) {
        const Ink& ink = kInks[x / kSquare];
        const std::uint8_t values[4] = {ink.c, ink.m, ink.y, ink.k};
        for (int i = 0; i < 4; ++i)
            row[static_cast<std::size_t>(x) * 4 + i] = layout == Layout::PlainCmyk ? values[i] : 255 - values[i];
    }
    JSAMPROW rows[1] = {row.data()};
    while (info.next_scanline < info.image_height)
        jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
}

// Every square's middle pixel against its expected colour, in every row.
void ExpectInkColours(const CDibImage& image)
{
    ASSERT_EQ(image.GetHeader().biWidth, kSquare * kCount);
    ASSERT_EQ(image.GetHeader().biHeight, kSquare);
    ASSERT_EQ(image.GetHeader().biBitCount, 24);
    const auto rowBytes = RowBytes(kSquare * kCount, 24);
    for (int row = 0; row < kSquare; ++row)
        for (int i = 0; i < kCount; ++i) {
            const std::uint8_t* bgr = image.m_pBits.data() + row * rowBytes + 3 * (i * kSquare + kSquare / 2);
            EXPECT_NEAR(bgr[2], kInks[i].red, 3) << "square " << i << ", row " << row;
            EXPECT_NEAR(bgr[1], kInks[i].green, 3) << "square " << i << ", row " << row;
            EXPECT_NEAR(bgr[0], kInks[i].blue, 3) << "square " << i << ", row " << row;
        }
}

}  // namespace

TEST(JpegInks, EveryLayoutPrintsTheSameColours)
{
    testpictures::ScratchDirectory scratch;
    for (Layout layout : {Layout::PlainCmyk, Layout::AdobeCmyk, Layout::AdobeYcck}) {
        SCOPED_TRACE(static_cast<int>(layout));
        const std::string path = scratch.File("inks.jpg");
        WriteInkJpeg(path, layout);
        CJpegImage jpeg;
        jpeg.Read(path);
        ExpectInkColours(jpeg);
    }
}
