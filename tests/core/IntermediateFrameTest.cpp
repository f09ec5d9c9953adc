// SPDX-License-Identifier: GPL-3.0-or-later
// The video frame builder: frame 0 is the undeformed picture, the full fraction
// the deformed one, displacements shrink toward zero in between, padding is 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "WarpFieldTestSupport.h"
#include "deform/IntermediateFrame.h"
#include "deform/WarpField.h"

namespace {

// A picture with its own map, for maps no tool would make.
struct MappedPicture {
    std::int32_t width;
    std::int32_t height;
    std::int32_t rowBytes;
    PixelBuffer original;
    std::vector<MapEntry> map;

    MappedPicture(std::int32_t w, std::int32_t h)
        : width(w), height(h), rowBytes(static_cast<std::int32_t>(RowBytes(w, 24))),
          original(warptest::MakePicture(w, h)), map(warptest::IdentityMap(w, h))
    {
    }
    FrameSource Source() const { return FrameSource{width, height, rowBytes, original.data(), map.data()}; }
    MapEntry& At(std::int32_t x, std::int32_t y) { return map[static_cast<std::size_t>(y) * width + x]; }
    std::vector<std::uint8_t> Frame(double c, const std::vector<DisplacedSpan>* spans = nullptr) const
    {
        std::vector<std::uint8_t> frame(static_cast<std::size_t>(rowBytes) * height, 0xEE);
        BuildFrameInto(Source(), c, frame.data(), spans);
        return frame;
    }
    // The pixel at (x, y) of a frame, as blue, green, red.
    static std::vector<std::uint8_t> Pixel(const std::vector<std::uint8_t>& frame, std::int32_t rowBytes,
                                           std::int32_t x, std::int32_t y)
    {
        const std::size_t at = static_cast<std::size_t>(y) * rowBytes + 3 * static_cast<std::size_t>(x);
        return {frame[at], frame[at + 1], frame[at + 2]};
    }
    std::vector<std::uint8_t> OriginalPixel(std::int32_t x, std::int32_t y) const
    {
        const std::size_t at = static_cast<std::size_t>(y) * rowBytes + 3 * static_cast<std::size_t>(x);
        return {original.data()[at], original.data()[at + 1], original.data()[at + 2]};
    }
};

// The formula written out pixel by pixel, the way it reads: two products and
// a truncation for every pixel, the sample clamped into the picture.
std::vector<std::uint8_t> ReferenceFrame(const MappedPicture& p, double c)
{
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(p.rowBytes) * p.height, 0);
    for (std::int32_t i = 0; i < p.height; ++i)
        for (std::int32_t j = 0; j < p.width; ++j) {
            const MapEntry e = p.map[static_cast<std::size_t>(i) * p.width + j];
            std::int32_t sx = j + static_cast<std::int32_t>(std::trunc(c * (e.x - j)));
            std::int32_t sy = i + static_cast<std::int32_t>(std::trunc(c * (e.y - i)));
            sx = std::clamp(sx, 0, p.width - 1);
            sy = std::clamp(sy, 0, p.height - 1);
            for (int k = 0; k < 3; ++k)
                frame[static_cast<std::size_t>(i) * p.rowBytes + 3 * j + k] =
                    p.original.data()[static_cast<std::size_t>(sy) * p.rowBytes + 3 * sx + k];
        }
    return frame;
}

// Every entry somewhere in the picture, far from its own pixel as often as near.
void Scramble(MappedPicture& p, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::int32_t> column(0, p.width - 1);
    std::uniform_int_distribution<std::int32_t> row(0, p.height - 1);
    for (MapEntry& e : p.map)
        if (random() % 3 != 0)
            e = MapEntry{column(random), row(random)};
}

}  // namespace

TEST(IntermediateFrame, UndeformedPictureGivesTheSameFrameAtEveryTime)
{
    const auto field = warptest::MakeField(9, 4);
    PixelBuffer first;
    field->BuildIntermediateFrame(2000, 0, first);
    ASSERT_EQ(first.size(), warptest::PictureBytes(*field));
    for (std::uint32_t t : {143u, 1000u, 1857u, 2000u}) {
        PixelBuffer frame;
        field->BuildIntermediateFrame(2000, t, frame);
        ASSERT_EQ(frame.size(), first.size());
        EXPECT_EQ(std::vector<std::uint8_t>(frame.data(), frame.data() + frame.size()),
                  std::vector<std::uint8_t>(first.data(), first.data() + first.size()))
            << "time " << t;
    }
}

TEST(IntermediateFrame, DisplacementsTruncateTowardZero)
{
    MappedPicture p(16, 12);
    p.At(7, 3) = MapEntry{2, 3};    // dx = -5
    p.At(4, 6) = MapEntry{9, 6};    // dx = +5
    p.At(5, 10) = MapEntry{5, 5};   // dy = -5
    p.At(12, 1) = MapEntry{15, 0};  // dx = +3, dy = -1
    const std::vector<std::uint8_t> half = p.Frame(0.5);
    EXPECT_EQ(MappedPicture::Pixel(half, p.rowBytes, 7, 3), p.OriginalPixel(5, 3));    // -2.5 -> -2, not -3
    EXPECT_EQ(MappedPicture::Pixel(half, p.rowBytes, 4, 6), p.OriginalPixel(6, 6));    // +2.5 -> +2
    EXPECT_EQ(MappedPicture::Pixel(half, p.rowBytes, 5, 10), p.OriginalPixel(5, 8));   // -2.5 -> -2
    EXPECT_EQ(MappedPicture::Pixel(half, p.rowBytes, 12, 1), p.OriginalPixel(13, 1));  // 1.5 -> 1, -0.5 -> 0

    const std::vector<std::uint8_t> full = p.Frame(1.0);
    EXPECT_EQ(MappedPicture::Pixel(full, p.rowBytes, 7, 3), p.OriginalPixel(2, 3));
    EXPECT_EQ(MappedPicture::Pixel(full, p.rowBytes, 12, 1), p.OriginalPixel(15, 0));
}

TEST(IntermediateFrame, FullFractionEqualsTheDeformedPicture)
{
    const auto field = warptest::MakeField(41, 33);
    field->BeginDeformation(ModeRotate);
    field->Rotate(20, 16, 14.0, 70.0, 2.0);
    field->EndDeformation();
    field->BeginDeformation(ModeEnlarge);
    field->Enlarge(10, 10, 9.0, 3.0);
    field->EndDeformation();
    ASSERT_NE(warptest::MapOf(*field), warptest::IdentityMap(41, 33)) << "the tools must have deformed something";

    PixelBuffer frame;
    field->BuildIntermediateFrame(2000, 2000, frame);
    const std::int32_t rowBytes = field->RowBytesOfPicture();
    for (std::int32_t y = 0; y < field->Height(); ++y)
        for (std::int32_t x = 0; x < field->Width(); ++x)
            for (int k = 0; k < 3; ++k) {
                const std::size_t at = static_cast<std::size_t>(y) * rowBytes + 3 * x + k;
                ASSERT_EQ(frame.data()[at], field->Deformed()[at]) << x << "," << y;
            }
}

TEST(IntermediateFrame, MatchesThePerPixelFormulaAtEveryFraction)
{
    // 23 pixels a row: 69 bytes and 3 padding bytes, which the frame must set to 0
    // (the undeformed picture has a marker there, the frame buffer starts dirty).
    MappedPicture p(23, 17);
    Scramble(p, 7);
    // Frame fractions of real videos, among them 1000/1040 and the overshoots
    // 1100/1050 and 1000/500, whose samples must be clamped to the nearest edge.
    for (double c : {0.0, 143.0 / 2000.0, 0.25, 0.5, 1000.0 / 1040.0, 1.0, 1100.0 / 1050.0, 2.0})
        EXPECT_EQ(p.Frame(c), ReferenceFrame(p, c)) << "fraction " << c;
}

TEST(IntermediateFrame, SpansOfDisplacedPixelsGiveTheSameFrame)
{
    MappedPicture p(19, 12);
    for (std::int32_t y = 3; y <= 8; ++y)
        for (std::int32_t x = 5; x <= 11; ++x)
            p.At(x, y) = MapEntry{(x * 7) % 19, (y * 5) % 12};
    p.At(0, 10) = MapEntry{18, 11};  // a row displaced only at its ends
    p.At(18, 10) = MapEntry{0, 0};
    const std::vector<DisplacedSpan> spans = FindDisplacedSpans(p.Source());
    ASSERT_EQ(spans.size(), 12u);
    EXPECT_GT(spans[0].first, spans[0].last) << "an undeformed row has no span";
    EXPECT_EQ(spans[4].first, 5);
    EXPECT_EQ(spans[4].last, 11);
    EXPECT_EQ(spans[10].first, 0);
    EXPECT_EQ(spans[10].last, 18);
    for (double c : {0.5, 1.0, 1.3})
        EXPECT_EQ(p.Frame(c, &spans), ReferenceFrame(p, c)) << "fraction " << c;
}

TEST(IntermediateFrame, LargePicturesBuiltInTwoBandsMatchTheFormula)
{
    // Over a million pixels, so the rows are split between two threads.
    MappedPicture p(1100, 1000);
    Scramble(p, 3);
    for (double c : {0.37, 1.2})
        EXPECT_EQ(p.Frame(c), ReferenceFrame(p, c)) << "fraction " << c;
}

TEST(IntermediateFrame, FractionOfTimeAndDuration)
{
    EXPECT_DOUBLE_EQ(FrameFraction(2000, 1000), 0.5);
    EXPECT_DOUBLE_EQ(FrameFraction(1040, 1000), 1000.0 / 1040.0);
    // Without a duration there is nothing in between: the start, then the end.
    EXPECT_EQ(FrameFraction(0, 0), 0.0);
    EXPECT_EQ(FrameFraction(0, 5), 1.0);
}
