// SPDX-License-Identifier: GPL-3.0-or-later
// The halved copies a zoomed-out view draws: each level the rounded area
// average of the one before (odd edges averaging the pixels that exist), and
// an update of a changed box that ends where a full rebuild ends.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/DibImage.h"
#include "image/PicturePyramid.h"
#include "image/RowBands.h"

namespace {

struct Picture {
    int width;
    int height;
    std::vector<std::uint8_t> rows;
    std::uint8_t* At(int x, int y) { return rows.data() + RowBytes(width, 24) * y + 3 * x; }
};

Picture RandomPicture(int width, int height, unsigned seed)
{
    Picture picture{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(RowBytes(width, 24) * height))};
    std::mt19937 random(seed);
    for (std::uint8_t& byte : picture.rows)
        byte = static_cast<std::uint8_t>(random());
    return picture;
}

// Level k's pixel (i, j) from level k - 1's pixels as an independent model:
// the rounded mean of the 1, 2 or 4 pixels of its block that exist.
// The picture has 3 bytes a pixel in padded rows, the levels 4 bytes a pixel.
int ModelPixel(const std::uint8_t* rows, int bytesPerPixel, std::int64_t rowBytes, int width, int height, int i, int j,
               int channel)
{
    int sum = 0, count = 0;
    for (int y = 2 * j; y < std::min(2 * j + 2, height); ++y)
        for (int x = 2 * i; x < std::min(2 * i + 2, width); ++x) {
            sum += rows[rowBytes * y + bytesPerPixel * x + channel];
            ++count;
        }
    return (sum + count / 2) / count;
}

void ExpectSameLevels(const PicturePyramid& actual, const PicturePyramid& expected)
{
    ASSERT_EQ(actual.Levels(), expected.Levels());
    for (int k = 1; k <= actual.Levels(); ++k)
        ASSERT_EQ(actual.Level(k).rows, expected.Level(k).rows) << "level " << k;
}

}  // namespace

TEST(PicturePyramid, EveryLevelIsTheRoundedAreaAverageOfTheOneBefore)
{
    for (const auto& [width, height] : {std::pair{1, 1}, {2, 2}, {5, 3}, {64, 33}, {7, 120}}) {
        Picture picture = RandomPicture(width, height, static_cast<unsigned>(width * 1000 + height));
        PicturePyramid pyramid;
        pyramid.Build(width, height, picture.rows.data());
        const std::uint8_t* before = picture.rows.data();
        int bytesPerPixel = 3;
        std::int64_t rowBytes = RowBytes(width, 24);
        int w = width, h = height;
        for (int k = 1; k <= pyramid.Levels(); ++k) {
            const PyramidLevel& level = pyramid.Level(k);
            ASSERT_EQ(level.width, (w + 1) / 2);
            ASSERT_EQ(level.height, (h + 1) / 2);
            for (int j = 0; j < level.height; ++j)
                for (int i = 0; i < level.width; ++i)
                    for (int c = 0; c < 4; ++c)
                        ASSERT_EQ(level.rows[level.rowBytes * j + 4 * i + c],
                                  c == 3 ? 255 : ModelPixel(before, bytesPerPixel, rowBytes, w, h, i, j, c))
                            << width << " x " << height << ", level " << k << " at " << i << ", " << j;
            before = level.rows.data();
            bytesPerPixel = 4;
            rowBytes = level.rowBytes;
            w = level.width;
            h = level.height;
        }
        // Halved down to one pixel.
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 1);
    }

    // A checkerboard of black and white is mid-grey one level down: the
    // average of all four pixels, not one of them.
    Picture board{4, 2, std::vector<std::uint8_t>(static_cast<std::size_t>(RowBytes(4, 24) * 2))};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            std::fill_n(board.At(x, y), 3, (x + y) % 2 ? 255 : 0);
    PicturePyramid pyramid;
    pyramid.Build(4, 2, board.rows.data());
    EXPECT_EQ(pyramid.Level(1).rows[0], 128);
    EXPECT_EQ(pyramid.Level(1).rows[6], 128);
}

TEST(PicturePyramid, UpdatingAChangedBoxEqualsARebuild)
{
    struct Case {
        const char* what;
        int left, bottom, right, top;
    };
    const Case cases[] = {
        {"one pixel", 100, 50, 100, 50},
        {"a box in the middle", 37, 21, 140, 88},
        {"the odd right and top edges", 180, 100, 202, 116},
        {"the bottom-left corner", 0, 0, 3, 2},
        {"reaching past the picture", -20, -20, 500, 500},
    };
    // Bands of rows on threads of their own even for this small picture.
    const RowBandPolicy policy = GetRowBandPolicy();
    SetRowBandPolicy(RowBandPolicy{1, 3});
    for (const Case& c : cases) {
        Picture picture = RandomPicture(203, 117, 7);
        PicturePyramid updated;
        updated.Build(picture.width, picture.height, picture.rows.data());
        std::mt19937 random(11);
        for (int y = std::max(c.bottom, 0); y <= std::min(c.top, picture.height - 1); ++y)
            for (int x = std::max(c.left, 0); x <= std::min(c.right, picture.width - 1); ++x)
                for (int channel = 0; channel < 3; ++channel)
                    picture.At(x, y)[channel] = static_cast<std::uint8_t>(random());
        updated.Update(picture.rows.data(), c.left, c.bottom, c.right, c.top);
        PicturePyramid rebuilt;
        rebuilt.Build(picture.width, picture.height, picture.rows.data());
        SCOPED_TRACE(c.what);
        ExpectSameLevels(updated, rebuilt);
    }
    SetRowBandPolicy(policy);
}
