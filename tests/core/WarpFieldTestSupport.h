#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures and checks shared by the warp field tests.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "deform/WarpField.h"

namespace warptest {

constexpr std::uint8_t kPaddingMarker = 0xA5;

// A 24-bit picture in which every pixel has its own colour (up to 4096 x 4096):
// blue and green carry the low bytes of x and y, red their high nibbles. Row
// padding is filled with a marker so that any write to it shows.
inline PixelBuffer MakePicture(std::int32_t width, std::int32_t height)
{
    const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    PixelBuffer pixels = PixelBuffer::Allocate(rowBytes * height, false);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = pixels.data() + rowBytes * y;
        for (std::int32_t x = 0; x < width; ++x) {
            row[3 * x] = static_cast<std::uint8_t>(x & 0xFF);
            row[3 * x + 1] = static_cast<std::uint8_t>(y & 0xFF);
            row[3 * x + 2] = static_cast<std::uint8_t>(((x >> 8) & 0x0F) | ((y >> 8) << 4));
        }
        for (std::size_t i = 3 * static_cast<std::size_t>(width); i < rowBytes; ++i)
            row[i] = kPaddingMarker;
    }
    return pixels;
}

inline std::unique_ptr<CWarpField> MakeField(std::int32_t width, std::int32_t height, std::int32_t radius = 20)
{
    return std::make_unique<CWarpField>(width, height, MakePicture(width, height), radius);
}

inline std::size_t PictureBytes(const CWarpField& field)
{
    return static_cast<std::size_t>(field.RowBytesOfPicture()) * field.Height();
}

inline std::vector<MapEntry> MapOf(const CWarpField& field)
{
    return std::vector<MapEntry>(field.Map(), field.Map() + static_cast<std::size_t>(field.Width()) * field.Height());
}

inline std::vector<std::uint8_t> PictureOf(const CWarpField& field)
{
    return std::vector<std::uint8_t>(field.Deformed(), field.Deformed() + PictureBytes(field));
}

inline MapEntry EntryAt(const CWarpField& field, std::int32_t x, std::int32_t y)
{
    return field.Map()[static_cast<std::size_t>(y) * field.Width() + x];
}

inline std::vector<MapEntry> IdentityMap(std::int32_t width, std::int32_t height)
{
    std::vector<MapEntry> map;
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            map.push_back(MapEntry{x, y});
    return map;
}

// The deformed picture that the given map calls for: every pixel copied from the
// undeformed picture at its entry, padding as in the undeformed picture.
inline std::vector<std::uint8_t> RenderingOf(const CWarpField& field, const std::vector<MapEntry>& map)
{
    const std::size_t rowBytes = static_cast<std::size_t>(field.RowBytesOfPicture());
    std::vector<std::uint8_t> picture(field.Original(), field.Original() + PictureBytes(field));
    for (std::int32_t y = 0; y < field.Height(); ++y)
        for (std::int32_t x = 0; x < field.Width(); ++x) {
            const MapEntry e = map[static_cast<std::size_t>(y) * field.Width() + x];
            for (int c = 0; c < 3; ++c)
                picture[y * rowBytes + 3 * x + c] = field.Original()[e.y * rowBytes + 3 * e.x + c];
        }
    return picture;
}

inline ::testing::AssertionResult AllEntriesInside(const CWarpField& field)
{
    const std::vector<MapEntry> map = MapOf(field);
    for (std::size_t i = 0; i < map.size(); ++i)
        if (map[i].x >= field.Width() || map[i].y >= field.Height())  // entries are unsigned
            return ::testing::AssertionFailure() << "entry " << i << " = (" << map[i].x << ", " << map[i].y << ")";
    return ::testing::AssertionSuccess();
}

// True when the deformed picture is exactly the rendering of the current map.
inline ::testing::AssertionResult PictureFollowsMap(const CWarpField& field)
{
    const std::vector<std::uint8_t> expected = RenderingOf(field, MapOf(field));
    const std::vector<std::uint8_t> actual = PictureOf(field);
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i])
            return ::testing::AssertionFailure() << "byte " << i << " of row " << i / field.RowBytesOfPicture()
                                                 << " differs from the rendering of the map";
    return ::testing::AssertionSuccess();
}

}  // namespace warptest

inline std::ostream& operator<<(std::ostream& out, const MapEntry& e)
{
    return out << "(" << e.x << ", " << e.y << ")";
}
