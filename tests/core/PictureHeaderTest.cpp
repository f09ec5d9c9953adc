// SPDX-License-Identifier: GPL-3.0-or-later
// The picture header on its way out of the program: the warp field's header has
// no resolution, so the video's format block carries none, while a saved file
// gets its resolution from the codec. Driven through grimasso-cli end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AviTestSupport.h"
#include "TestPictures.h"
#include "image/DibImage.h"

namespace {

using testpictures::ScratchDirectory;

constexpr int kWidth = 13;   // 39 bytes a row, padded to 40
constexpr int kHeight = 7;
constexpr std::uint32_t kRowBytes = 40;

int RunCli(const std::vector<std::string>& arguments)
{
    std::string command = std::string(GRIMASSO_CLI_PATH);
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    command += " --quiet >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string WriteInput(const ScratchDirectory& scratch)
{
    const auto header = testpictures::InfoHeader(kWidth, kHeight, 24);
    return scratch.Write("input.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(kWidth, kHeight)));
}

// The eleven fields of a little-endian BITMAPINFOHEADER at offset at.
std::vector<std::uint32_t> HeaderFields(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    using avitest::LittleU16;
    using avitest::LittleU32;
    return {LittleU32(bytes, at),      LittleU32(bytes, at + 4),  LittleU32(bytes, at + 8),
            LittleU16(bytes, at + 12), LittleU16(bytes, at + 14), LittleU32(bytes, at + 16),
            LittleU32(bytes, at + 20), LittleU32(bytes, at + 24), LittleU32(bytes, at + 28),
            LittleU32(bytes, at + 32), LittleU32(bytes, at + 36)};
}

}  // namespace

TEST(PictureHeaderOut, VideoFormatBlockIsTheWarpFieldsHeaderWithoutResolution)
{
    ScratchDirectory scratch;
    const std::string input = WriteInput(scratch);
    const std::string video = scratch.File("morph.avi");
    ASSERT_EQ(RunCli({input, "--rotate", "6,3,4,45", "--duration", "200", "--fps", "10", "--video", video}), 0);

    avitest::RiffFile file(video);
    ASSERT_EQ(file.error, "");
    ASSERT_FALSE(file.top.empty());
    const avitest::Chunk* hdrl = file.top[0].Find("hdrl");
    ASSERT_NE(hdrl, nullptr);
    const avitest::Chunk* strl = hdrl->Find("strl");
    ASSERT_NE(strl, nullptr);
    const avitest::Chunk* strf = strl->Find("strf");
    ASSERT_NE(strf, nullptr);
    const std::vector<std::uint8_t> format = file.Data(*strf);
    ASSERT_EQ(format.size(), 44u);
    const std::vector<std::uint32_t> expected = {40, kWidth, kHeight, 1, 24, 0, kRowBytes * kHeight, 0, 0, 0, 0};
    EXPECT_EQ(HeaderFields(format, 0), expected);
    EXPECT_EQ(avitest::LittleU32(format, 40), 0u);  // the four spare bytes
}

TEST(PictureHeaderOut, SavedFilesGetTheirResolutionFromTheCodec)
{
    ScratchDirectory scratch;
    const std::string input = WriteInput(scratch);
    const std::string saved = scratch.File("deformed.bmp");
    // A deforming step, so the picture is saved from the warp field.
    ASSERT_EQ(RunCli({input, "--rotate", "6,3,4,45", "--save", saved}), 0);

    const std::vector<std::uint8_t> bytes = testpictures::ReadWholeFile(saved);
    ASSERT_EQ(bytes.size(), 14u + 40u + kRowBytes * kHeight);
    const std::vector<std::uint32_t> expected = {40, kWidth, kHeight, 1, 24, 0, 0, 14173, 14173, 0, 0};
    EXPECT_EQ(HeaderFields(bytes, 14), expected);
}
