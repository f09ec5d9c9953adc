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

std::vector<std::uint8_t> RandomRows(int width, int height, unsigned seed)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowBytes(width, 24) * height));
    std::mt19937 random(seed);
    for (std::uint8_t& byte : rows)
        byte = static_cast<std::uint8_t>(random());
    return rows;
}

}  // namespace

TEST(PicturePyramid, EveryLevelIsTheRoundedAreaAverageOfTheOneBefore)
{
    for (const auto& [width, height] : {std::pair{1, 1}, {2, 2}, {5, 3}, {64, 33}, {7, 120}}) {
        const std::vector<std::uint8_t> picture = RandomRows(width, height, static_cast<unsigned>(width * 1000 + height));
        PicturePyramid pyramid;
        pyramid.Build(width, height, picture.data());
        // The level before: the picture (3 bytes a pixel, padded rows), then 4 bytes a pixel.
        const std::uint8_t* before = picture.data();
        int bytes = 3, w = width, h = height;
        std::int64_t rowBytes = RowBytes(width, 24);
        for (int k = 1; k <= pyramid.Levels(); ++k) {
            const PyramidLevel& level = pyramid.Level(k);
            ASSERT_EQ(level.width, (w + 1) / 2);
            ASSERT_EQ(level.height, (h + 1) / 2);
            for (int j = 0; j < level.height; ++j)
                for (int i = 0; i < level.width; ++i)
                    for (int c = 0; c < 3; ++c) {
                        int sum = 0, count = 0;
                        for (int y = 2 * j; y < std::min(2 * j + 2, h); ++y)
                            for (int x = 2 * i; x < std::min(2 * i + 2, w); ++x, ++count)
                                sum += before[rowBytes * y + bytes * x + c];
                        ASSERT_EQ(level.rows[level.rowBytes * j + 4 * i + c], (sum + count / 2) / count)
                            << width << " x " << height << ", level " << k << " at " << i << ", " << j;
                    }
            before = level.rows.data();
            bytes = 4;
            rowBytes = level.rowBytes;
            w = level.width;
            h = level.height;
        }
        EXPECT_EQ(w * h, 1);  // halved down to one pixel
    }
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
    const int width = 203, height = 117;
    const std::int64_t rowBytes = RowBytes(width, 24);
    // Bands of rows on threads of their own even for this small picture.
    const RowBandPolicy policy = GetRowBandPolicy();
    SetRowBandPolicy(RowBandPolicy{1, 3});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> picture = RandomRows(width, height, 7);
        PicturePyramid updated;
        updated.Build(width, height, picture.data());
        std::mt19937 random(11);
        for (int y = std::max(c.bottom, 0); y <= std::min(c.top, height - 1); ++y)
            for (int x = std::max(c.left, 0); x <= std::min(c.right, width - 1); ++x)
                for (int channel = 0; channel < 3; ++channel)
                    picture[rowBytes * y + 3 * x + channel] = static_cast<std::uint8_t>(random());
        updated.Update(picture.data(), c.left, c.bottom, c.right, c.top);
        PicturePyramid rebuilt;
        rebuilt.Build(width, height, picture.data());
        ASSERT_EQ(updated.Levels(), rebuilt.Levels());
        for (int k = 1; k <= updated.Levels(); ++k)
            ASSERT_EQ(updated.Level(k).rows, rebuilt.Level(k).rows) << "level " << k;
    }
    SetRowBandPolicy(policy);
}
