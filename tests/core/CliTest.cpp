// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli end to end: every step against the engine driven directly, the
// exit codes and messages of bad steps, and saves that must not destroy files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "deform/WarpField.h"
#include "image/CodecChoice.h"
#include "image/DibImage.h"
#include "TestPictures.h"

namespace {

using testpictures::Quote;
using testpictures::ScratchDirectory;

struct CliResult {
    int exitCode;
    std::string errorText;
};

// Runs grimasso-cli with arguments; prefix is shell code run first (limits, traps).
CliResult RunCli(const ScratchDirectory& scratch, const std::vector<std::string>& arguments,
                 const std::string& prefix = "")
{
    std::string command = std::string(GRIMASSO_CLI_PATH);
    for (const auto& argument : arguments)
        command += " " + Quote(argument);
    const std::string errors = scratch.File("stderr.txt");
    const std::string shell = "bash -c " + Quote(prefix + "exec " + command + " 2>" + Quote(errors) + " >/dev/null");
    const int status = std::system(shell.c_str());
    std::ifstream in(errors);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

constexpr int kWidth = 48;
constexpr int kHeight = 36;

std::string WritePattern(const ScratchDirectory& scratch, int width = kWidth, int height = kHeight)
{
    const auto header = testpictures::InfoHeader(width, height, 24);
    return scratch.Write("input.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(width, height)));
}

// The reference: the same picture in a warp field driven by the test.
std::unique_ptr<CWarpField> LoadField(const std::string& path)
{
    CDibImage image;
    image.Read(path);
    EXPECT_TRUE(image.ConvertTo24Bit());
    const auto header = image.GetHeader();
    return std::make_unique<CWarpField>(header.biWidth, header.biHeight, std::move(image.m_pBits), 20);
}

std::vector<std::uint8_t> Rows(const CWarpField& field)
{
    BITMAPINFOHEADER header{};
    const std::uint8_t* pixels = nullptr;
    field.GetPicture(header, pixels);
    return {pixels, pixels + RowBytes(header.biWidth, 24) * header.biHeight};
}

std::vector<std::uint8_t> SavedRows(const std::string& path)
{
    CDibImage image;
    image.Read(path);
    const auto header = image.GetHeader();
    return {image.m_pBits.data(), image.m_pBits.data() + RowBytes(header.biWidth, 24) * header.biHeight};
}

// Screen y (from the top) to the engine's row (from the bottom).
std::int32_t Row(std::int32_t y) { return kHeight - 1 - y; }

struct GestureCase {
    const char* name;
    std::vector<std::string> steps;
    std::function<void(CWarpField&)> reference;
};

TEST(CliSteps, EveryGestureDoesWhatTheEngineDoes)
{
    const std::vector<GestureCase> cases = {
        {"drag with radius", {"--radius", "9", "--drag", "20,10:23,14:30,20"},
         [](CWarpField& f) {
             f.SetRadius(9);
             std::int32_t ax = 20, ay = Row(10);
             f.BeginDeformation(ModeMovePoint);
             f.MovePointLive(ax, ay, 23, Row(14));
             f.MovePointLive(ax, ay, 30, Row(20));
             f.EndDeformation();
         }},
        {"drag leaving the picture is clamped", {"--drag", "5,5:-40,80"},
         [](CWarpField& f) {
             std::int32_t ax = 5, ay = Row(5);
             f.BeginDeformation(ModeMovePoint);
             f.MovePointLive(ax, ay, 0, 0);
             f.EndDeformation();
         }},
        {"enlarge", {"--enlarge", "24,18,10.5,2.5"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeEnlarge);
             f.Enlarge(24, Row(18), 10.5, 2.5);
             f.EndDeformation();
         }},
        {"shrink", {"--shrink", "20,15,12,0.25"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeShrink);
             f.Shrink(20, Row(15), 12, 0.25);
             f.EndDeformation();
         }},
        {"rotate with amplification", {"--rotate", "24,18,14,-90,2.5"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeRotate);
             f.Rotate(24, Row(18), 14, -90, 2.5);
             f.EndDeformation();
         }},
        {"rotate then smooth", {"--rotate", "24,18,14,120", "--smooth"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeRotate);
             f.Rotate(24, Row(18), 14, 120, 1);
             f.EndDeformation();
             f.BeginDeformation(ModeSmooth);
             f.SmoothMap();
             f.EndDeformation();
         }},
        {"a region far larger than any picture", {"--enlarge", "24,18,1e308,10"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeEnlarge);
             f.Enlarge(24, Row(18), 1e308, 10);
             f.EndDeformation();
         }},
        {"a swirl far larger than any picture", {"--rotate", "24,18,1e300,30,10"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeRotate);
             f.Rotate(24, Row(18), 1e300, 30, 10);
             f.EndDeformation();
         }},
        {"exaggerate after a swirl", {"--rotate", "24,18,14,120", "--exaggerate", "137.5"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeRotate);
             f.Rotate(24, Row(18), 14, 120, 1);
             f.EndDeformation();
             f.BeginDeformation(ModeExaggerate);
             f.Exaggerate(1.375);
             f.EndDeformation();
         }},
        {"undo restores the state before the last gesture",
         {"--enlarge", "10,10,8,3", "--rotate", "30,20,10,45", "--undo"},
         [](CWarpField& f) {
             f.BeginDeformation(ModeEnlarge);
             f.Enlarge(10, Row(10), 8, 3);
             f.EndDeformation();
         }},
    };
    for (const auto& gesture : cases) {
        SCOPED_TRACE(gesture.name);
        ScratchDirectory scratch;
        const std::string input = WritePattern(scratch);
        const std::string output = scratch.File("out.bmp");
        std::vector<std::string> arguments{input};
        arguments.insert(arguments.end(), gesture.steps.begin(), gesture.steps.end());
        arguments.insert(arguments.end(), {"--save", output});
        const CliResult result = RunCli(scratch, arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errorText;

        auto field = LoadField(input);
        const auto undeformed = Rows(*field);
        gesture.reference(*field);
        const auto expected = Rows(*field);
        EXPECT_NE(expected, undeformed) << "the case must deform something";
        EXPECT_EQ(SavedRows(output), expected);
    }
}

TEST(CliSteps, PointsAtTheEndsOfTheIntegerRangeClampToTheNearestEdge)
{
    // Each pair must give the same picture: the far-off point lands on the edge
    // it lies beyond, never on the opposite one through a wrapped-around value.
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> pairs = {
        {{"--drag", "10,-2147483648:40,30"}, {"--drag", "10,0:40,30"}},
        {{"--drag", "10,20:30,-2147483648"}, {"--drag", "10,20:30,0"}},
        {{"--drag", "10,2147483647:40,2"}, {"--drag", "10,35:40,2"}},
        {{"--drag", "-2147483648,5:2147483647,20"}, {"--drag", "0,5:47,20"}},
        {{"--enlarge", "2147483647,-2147483648,10,2"}, {"--enlarge", "47,0,10,2"}},
        {{"--shrink", "24,-2147483648,10,0.5"}, {"--shrink", "24,0,10,0.5"}},
        {{"--rotate", "-2147483648,2147483647,12,90"}, {"--rotate", "0,35,12,90"}},
    };
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const auto undeformed = Rows(*LoadField(input));
    for (const auto& [extreme, edge] : pairs) {
        SCOPED_TRACE(extreme[1]);
        std::vector<std::string> first{input};
        first.insert(first.end(), extreme.begin(), extreme.end());
        first.insert(first.end(), {"--save", scratch.File("extreme.bmp")});
        std::vector<std::string> second{input};
        second.insert(second.end(), edge.begin(), edge.end());
        second.insert(second.end(), {"--save", scratch.File("edge.bmp")});
        const CliResult result = RunCli(scratch, first);
        ASSERT_EQ(result.exitCode, 0) << result.errorText;
        ASSERT_EQ(RunCli(scratch, second).exitCode, 0);
        EXPECT_EQ(SavedRows(scratch.File("extreme.bmp")), SavedRows(scratch.File("edge.bmp")));
        EXPECT_NE(SavedRows(scratch.File("edge.bmp")), undeformed) << "the case must deform something";
    }
}

TEST(CliSteps, SavedBitmapIsTheDocumentsSave)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch, 5, 3);  // rows of 15 bytes padded to 16
    const std::string output = scratch.File("copy.BMP");
    ASSERT_EQ(RunCli(scratch, {input, "--save", output}).exitCode, 0);
    const auto bytes = testpictures::ReadWholeFile(output);
    ASSERT_EQ(bytes.size(), 54u + 3 * 16);
    EXPECT_EQ(bytes[2] | bytes[3] << 8, 54 + 3 * 16);  // bfSize
    EXPECT_EQ(bytes[10], 54);                          // bfOffBits
    EXPECT_EQ(bytes[28], 24);                          // biBitCount
    const auto original = testpictures::Pattern24(5, 3);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), bytes.begin() + 54));
}

TEST(CliSteps, InputsOpenByContentAndSavesTakeTheLongEndings)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch, 5, 3);
    const auto original = testpictures::Pattern24(5, 3);
    // Saves by the long endings, checked by the first bytes they wrote.
    const std::pair<std::string, PictureFormat> saves[] = {
        {"copy.tiff", PictureFormat::Tiff}, {"copy.jpeg", PictureFormat::Jpeg}, {"copy.JPE", PictureFormat::Jpeg}};
    for (const auto& [name, format] : saves) {
        ASSERT_EQ(RunCli(scratch, {input, "--save", scratch.File(name)}).exitCode, 0) << name;
        const auto bytes = testpictures::ReadWholeFile(scratch.File(name));
        EXPECT_EQ(FormatFromSignature(bytes.data(), bytes.size()), format) << name;
    }
    // A PNG named .jpg and the TIFF opened again: the lossless pixels come back exactly.
    ASSERT_EQ(RunCli(scratch, {input, "--save", scratch.File("copy.png")}).exitCode, 0);
    std::filesystem::rename(scratch.File("copy.png"), scratch.File("x.jpg"));
    for (const char* name : {"x.jpg", "copy.tiff"}) {
        const std::string back = scratch.File(std::string(name) + "-back.bmp");
        ASSERT_EQ(RunCli(scratch, {scratch.File(name), "--save", back}).exitCode, 0) << name;
        EXPECT_EQ(SavedRows(back), original) << name;
    }
    EXPECT_EQ(RunCli(scratch, {scratch.File("copy.jpeg"), "--save", scratch.File("j.bmp")}).exitCode, 0);

    // Neither content nor ending names a picture: exit 1, the message names the file.
    const std::string text = scratch.Write("notizen.txt", {'E', 'i', 'n', 'k', 'a', 'u', 'f'});
    const CliResult refused = RunCli(scratch, {text});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errorText.find("Beim Laden der Datei ist ein Fehler aufgetreten"), std::string::npos);
    EXPECT_NE(refused.errorText.find("notizen.txt"), std::string::npos) << refused.errorText;
}

TEST(CliSteps, ScaleStartsANewUndeformedPicture)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::string output = scratch.File("small.bmp");
    ASSERT_EQ(RunCli(scratch, {input, "--rotate", "24,18,14,90", "--scale", "24x18", "--save", output}).exitCode, 0);
    CDibImage saved;
    saved.Read(output);
    EXPECT_EQ(saved.GetHeader().biWidth, 24);
    EXPECT_EQ(saved.GetHeader().biHeight, 18);
    // The scaled picture has no gesture to undo.
    const CliResult undo = RunCli(scratch, {input, "--rotate", "24,18,14,90", "--scale", "24x18", "--undo"});
    EXPECT_EQ(undo.exitCode, 2);
    EXPECT_NE(undo.errorText.find("--undo"), std::string::npos) << undo.errorText;
}

TEST(CliSteps, ScriptRunsLikeTheSameArguments)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::string script = scratch.File("steps.txt");
    std::ofstream(script) << "# a caricature\n\nradius 12\ndrag 20,10:26,16   # the nose\n"
                             "  enlarge 12,12,6,2\nsave " << scratch.File("a.bmp") << "\n";
    ASSERT_EQ(RunCli(scratch, {input, "--script", script}).exitCode, 0);
    ASSERT_EQ(RunCli(scratch, {input, "--radius", "12", "--drag", "20,10:26,16", "--enlarge", "12,12,6,2",
                               "--save", scratch.File("b.bmp")}).exitCode, 0);
    EXPECT_EQ(testpictures::ReadWholeFile(scratch.File("a.bmp")), testpictures::ReadWholeFile(scratch.File("b.bmp")));
}

// A document saved halfway and reopened continues exactly like one run: the
// picture, the video and the Undo of the first run's last gesture.
TEST(CliSteps, DocumentSavedHalfwayContinuesLikeOneRun)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::vector<std::string> steps = {"--drag", "20,10:26,16:30,12", "--scale", "60x44", "--enlarge",
                                            "30,20,9,2",  "--smooth", "--rotate", "25,25,12,80,2"};
    const std::vector<std::vector<std::string>> endings = {
        {"--duration", "600", "--save", "out.bmp", "--video", "out.avi"},
        {"--undo", "--save", "out.bmp"},
        {"--undo", "--drag", "5,5:9,9", "--save", "out.bmp"},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending[0] + " " + ending[1]);
        std::vector<std::string> first = {input, "--quiet"}, oneRun = first;
        first.insert(first.end(), steps.begin(), steps.end());
        first.insert(first.end(), {"--save", scratch.File("a.grimasso")});
        oneRun.insert(oneRun.end(), steps.begin(), steps.end());
        std::vector<std::string> second = {scratch.File("a.grimasso"), "--quiet"};
        for (const std::string& argument : ending) {
            const bool isFile = argument.find('.') != std::string::npos;
            oneRun.push_back(isFile ? scratch.File("one-" + argument) : argument);
            second.push_back(isFile ? scratch.File("two-" + argument) : argument);
        }
        ASSERT_EQ(RunCli(scratch, first).exitCode, 0);
        ASSERT_EQ(RunCli(scratch, second).exitCode, 0);
        ASSERT_EQ(RunCli(scratch, oneRun).exitCode, 0);
        for (const std::string& argument : ending) {
            if (argument.find('.') != std::string::npos) {
                EXPECT_EQ(testpictures::ReadWholeFile(scratch.File("one-" + argument)),
                          testpictures::ReadWholeFile(scratch.File("two-" + argument))) << argument;
            }
        }
    }
    // A damaged document names the load message and what is wrong with it.
    const std::string damaged = scratch.Write("kaputt.grimasso", {'P', 'K', 3, 4});
    const CliResult result = RunCli(scratch, {input, "--apply", damaged});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errorText.find("Grimasso-Dokument"), std::string::npos) << result.errorText;
}

TEST(CliErrors, MalformedStepsExitWithTwoBeforeAnyWork)
{
    const std::vector<std::vector<std::string>> badSteps = {
        {"--radius", "0"}, {"--radius", "1001"}, {"--radius", "zwanzig"}, {"--drag", "1,2"},
        {"--drag", "1,2:3"}, {"--enlarge", "1,2,3,11"}, {"--enlarge", "1,2,-3,2"}, {"--shrink", "1,2,3,0.001"},
        {"--rotate", "1,2,3,181"}, {"--rotate", "1,2,3,90,0.5"}, {"--scale", "0x5"}, {"--scale", "10001x5"},
        {"--jpeg-quality", "101"}, {"--duration", "0"}, {"--fps", "51"}, {"--bogus"}, {"--radius"},
        {"--smooth=1"},
    };
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::string early = scratch.File("early.bmp");
    for (const auto& steps : badSteps) {
        SCOPED_TRACE(steps.front());
        std::vector<std::string> arguments{input, "--save", early};
        arguments.insert(arguments.end(), steps.begin(), steps.end());
        const CliResult result = RunCli(scratch, arguments);
        EXPECT_EQ(result.exitCode, 2);
        const std::string named = steps.front().substr(0, steps.front().find('='));
        EXPECT_NE(result.errorText.find(named), std::string::npos) << result.errorText;
        EXPECT_FALSE(std::filesystem::exists(early)) << "a bad step must stop the run before any save";
    }
}

TEST(CliErrors, ExtremeAndMalformedNumbersExitWithTwo)
{
    // Beyond the integer range, not a number, infinite, beyond a double, empty,
    // with stray characters: refused by name, never run with a wrapped value.
    const std::vector<std::string> badIntegers = {"2147483648", "-2147483649", "99999999999999999999", "nan",
                                                  "inf", "1e309", "", "5x", " 5", "5 ", "+5", "0x10", "1.5", "1e2"};
    std::vector<std::vector<std::string>> badSteps;
    for (const char* step : {"--radius", "--jpeg-quality", "--duration", "--fps", "--hold-start", "--hold-end",
                             "--video-size"})
        for (const auto& value : badIntegers)
            badSteps.push_back({step, value});
    const std::vector<std::vector<std::string>> badShapes = {
        {"--drag", "2147483648,0:1,1"}, {"--drag", "0,nan:1,1"}, {"--drag", "1,2:3,4:"}, {"--drag", ":1,2:3,4"},
        {"--drag", "1,2:3,4x"}, {"--drag", "1e3,2:3,4"}, {"--drag", "1,,2:3,4"}, {"--drag", ""},
        {"--enlarge", "1,2,nan,2"}, {"--enlarge", "1,2,inf,2"}, {"--enlarge", "1,2,1e309,2"},
        {"--enlarge", "1,2,3,nan"}, {"--enlarge", "1,2,3,inf"}, {"--enlarge", "2147483648,2,3,2"},
        {"--enlarge", "1,2,3,"}, {"--enlarge", "1,2,3,2,"}, {"--enlarge", "1,2,3,2x"},
        {"--shrink", "1,2,-inf,0.5"}, {"--shrink", "1,2,3,-0.5"}, {"--shrink", "1,2,3,1e-400x"},
        {"--rotate", "1,2,3,nan"}, {"--rotate", "1,2,3,90,inf"}, {"--rotate", "1,2,3,90,nan"},
        {"--rotate", "1,2,3,1e309"}, {"--rotate", "1,2,3,-180.0001"}, {"--rotate", "1,2,3,90,2,"},
        {"--scale", "2147483648x5"}, {"--scale", "5x-1"}, {"--scale", "5x"}, {"--scale", "x5"},
        {"--scale", "5x5x5"}, {"--scale", "nanx5"}, {"--scale", " 5x5"}, {"--scale", "-2147483648x5"},
        {"--exaggerate", "300.01"}, {"--exaggerate", "-0.5"}, {"--exaggerate", "nan"}, {"--exaggerate", "1e309"},
        {"--exaggerate", "50%"}, {"--ease", "fast"}, {"--ease", "Smooth"}, {"--ease", ""}, {"--loop", "twice"},
        {"--loop", "ping-pong"}, {"--hold-start", "10001"}, {"--hold-end", "-1"}, {"--video-size", "15"},
        // Beyond the picture's long side: refused when the step runs, before the save.
        {"--video-size", "65535"},
    };
    badSteps.insert(badSteps.end(), badShapes.begin(), badShapes.end());
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    for (const auto& steps : badSteps) {
        SCOPED_TRACE(steps[0] + " " + steps[1]);
        const CliResult result = RunCli(scratch, {input, steps[0], steps[1], "--save", scratch.File("out.bmp")});
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_NE(result.errorText.find(steps[0]), std::string::npos) << result.errorText;
    }
    EXPECT_FALSE(std::filesystem::exists(scratch.File("out.bmp")));
}

TEST(CliErrors, NothingToUndoOnANewPicture)
{
    ScratchDirectory scratch;
    const CliResult result = RunCli(scratch, {WritePattern(scratch), "--undo"});
    EXPECT_EQ(result.exitCode, 2);
}

// Walking the history past either end, by 0 or without a number is a
// malformed step, before anything is saved; a walk that stays inside it gives
// the picture of a plain run of the steps up to there.
TEST(CliErrors, HistoryWalksStayInsideTheHistory)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::vector<std::vector<std::string>> outside = {
        {"--step-back", "1"},
        {"--smooth", "--step-back", "2"},
        {"--smooth", "--step-forward", "1"},
        {"--smooth", "--undo", "--step-forward", "2"},
        {"--smooth", "--step-back", "0"},
        {"--smooth", "--step-back"},
    };
    for (const auto& steps : outside) {
        std::vector<std::string> arguments{input};
        arguments.insert(arguments.end(), steps.begin(), steps.end());
        arguments.insert(arguments.end(), {"--save", scratch.File("out.bmp")});
        const CliResult result = RunCli(scratch, arguments);
        EXPECT_EQ(result.exitCode, 2) << steps.size();
        EXPECT_FALSE(std::filesystem::exists(scratch.File("out.bmp")));
    }
    const std::string drag = "10,10:30,25";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> same = {
        {{"--drag", drag, "--smooth", "--rotate", "40,30,20,90", "--step-back", "2"}, {"--drag", drag}},
        {{"--drag", drag, "--smooth", "--step-back", "2", "--step-forward", "1"}, {"--drag", drag}},
        {{"--drag", drag, "--smooth", "--undo", "--step-forward", "1"}, {"--drag", drag, "--smooth"}},
        {{"--drag", drag, "--smooth", "--step-back", "1", "--enlarge", "40,30,15,2"}, {"--drag", drag, "--enlarge", "40,30,15,2"}},
    };
    for (const auto& [walked, plain] : same) {
        std::vector<std::string> first{input}, second{input};
        first.insert(first.end(), walked.begin(), walked.end());
        first.insert(first.end(), {"--save", scratch.File("walked.bmp")});
        second.insert(second.end(), plain.begin(), plain.end());
        second.insert(second.end(), {"--save", scratch.File("plain.bmp")});
        ASSERT_EQ(RunCli(scratch, first).exitCode, 0);
        ASSERT_EQ(RunCli(scratch, second).exitCode, 0);
        EXPECT_EQ(testpictures::ReadWholeFile(scratch.File("walked.bmp")), testpictures::ReadWholeFile(scratch.File("plain.bmp"))) << walked.size();
    }
}

TEST(CliErrors, LoadFailuresExitWithOneAndTheGermanMessage)
{
    ScratchDirectory scratch;
    const std::string notABitmap = scratch.Write("junk.bmp", {'n', 'o', 'p', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    for (const std::string& input : {scratch.File("missing.bmp"), notABitmap, WritePattern(scratch) + ".gif"}) {
        SCOPED_TRACE(input);
        const CliResult result = RunCli(scratch, {input});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_NE(result.errorText.find("Beim Laden der Datei ist ein Fehler aufgetreten"), std::string::npos)
            << result.errorText;
    }
}

TEST(CliErrors, FailedSaveLeavesTheExistingFileAndNoLitter)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch, 200, 100);  // 60 KB of rows
    const std::string target = scratch.Write("target.bmp", {'o', 'l', 'd'});
    // Writes beyond 8 KiB fail (EFBIG) instead of killing the process.
    const CliResult result = RunCli(scratch, {input, "--save", target}, "trap '' XFSZ; ulimit -f 8; ");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.errorText.find("Beim Speichern der Datei ist ein Fehler aufgetreten"), std::string::npos)
        << result.errorText;
    EXPECT_EQ(testpictures::ReadWholeFile(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.File("")))
        ++files;
    EXPECT_EQ(files, 3);  // input, target, stderr.txt: no temporary file left behind

    const CliResult unknownEnding = RunCli(scratch, {input, "--save", scratch.File("out.gif")});
    EXPECT_EQ(unknownEnding.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(scratch.File("out.gif")));
}

TEST(CliVideo, WritesTheMorphWithTheChosenTimingAndReportsFailures)
{
    ScratchDirectory scratch;
    const std::string input = WritePattern(scratch);
    const std::string video = scratch.File("morph.avi");
    const CliResult result =
        RunCli(scratch, {input, "--rotate", "24,18,14,90", "--duration", "1050", "--fps", "10", "--video", video});
    ASSERT_EQ(result.exitCode, 0) << result.errorText;
    // 12 frames of 36 rows of 144 bytes, each in its own chunk.
    EXPECT_GT(std::filesystem::file_size(video), 12u * 36 * 144);
    if (std::system("command -v ffprobe >/dev/null 2>&1") == 0) {
        const std::string probe = scratch.File("probe.txt");
        const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                    "stream=nb_read_frames,r_frame_rate -of csv=p=0 " + Quote(video) + " > " +
                                    Quote(probe);
        ASSERT_EQ(std::system(command.c_str()), 0);
        std::ifstream in(probe);
        std::string line;
        std::getline(in, line);
        EXPECT_EQ(line, "10/1,12");
    }

    const CliResult failure = RunCli(scratch, {input, "--video", scratch.File("no/such/folder/v.avi")});
    EXPECT_EQ(failure.exitCode, 1);
    EXPECT_NE(failure.errorText.find("Video-Datei konnte nicht geöffnet werden"), std::string::npos)
        << failure.errorText;
}

}  // namespace
