// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli's face steps on real photos: where the features are found, no
// face where there is none, --face equal to the steps --explain writes, and the
// German messages when there is no face or no model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "face/FaceFinder.h"

namespace {

using testpictures::Quote;
using testpictures::ScratchDirectory;

struct CliRun {
    int exitCode;
    std::string out;
    std::string errors;
};

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CliRun RunCli(const ScratchDirectory& scratch, const std::vector<std::string>& arguments, const std::string& prefix = "")
{
    std::string command = prefix + "exec " + GRIMASSO_CLI_PATH;
    for (const auto& argument : arguments)
        command += " " + Quote(argument);
    const std::string out = scratch.File("stdout.txt"), errors = scratch.File("stderr.txt");
    const int status = std::system(("bash -c " + Quote(command + " >" + Quote(out) + " 2>" + Quote(errors))).c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(errors)};
}

std::string Sample(const char* name)
{
    return testpictures::SamplePhoto(name);
}

bool ModelInstalled()
{
    return std::filesystem::exists(FaceFinder::kDefaultModelPath);
}

// The numbers of a JSON text after key, e.g. "\"nose\": [224.1, 131.6]".
std::vector<double> NumbersAfter(const std::string& json, const std::string& key, std::size_t count)
{
    std::vector<double> numbers;
    std::size_t at = json.find("\"" + key + "\"");
    if (at == std::string::npos)
        return numbers;
    at += key.size() + 2;
    while (numbers.size() < count && at < json.size()) {
        at = json.find_first_of("-0123456789", at);
        if (at == std::string::npos)
            break;
        std::size_t used = 0;
        numbers.push_back(std::stod(json.substr(at), &used));
        at += used;
    }
    return numbers;
}

#define REQUIRE_MODEL() \
    if (!ModelInstalled()) GTEST_SKIP() << "libdlib-data is not installed"

// The centres where a person marks them on the sample portrait (x, y from the top).
TEST(FaceCli, FindsTheFeaturesOfThePortraitWhereAPersonWouldMarkThem)
{
    REQUIRE_MODEL();
    ScratchDirectory scratch;
    const CliRun run = RunCli(scratch, {Sample("astronaut.png"), "--find-faces"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(NumbersAfter(run.out, "points", 136).size(), 136u);
    EXPECT_EQ(run.out.find("\"box\""), run.out.rfind("\"box\""));  // one face
    const std::vector<std::pair<const char*, std::vector<double>>> marks = {
        {"eyes", {204, 101, 246, 103}}, {"nose", {225, 128}}, {"mouth", {223, 147}}, {"chin", {221, 179}}};
    for (const auto& [feature, mark] : marks) {
        const std::vector<double> found = NumbersAfter(run.out, feature, mark.size());
        ASSERT_EQ(found.size(), mark.size()) << feature;
        for (std::size_t i = 0; i < mark.size(); ++i)
            EXPECT_NEAR(found[i], mark[i], 6.0) << feature << " " << i;
    }
}

TEST(FaceCli, PicturesWithoutAFaceGiveAnEmptyListAndTheFaceStepFails)
{
    REQUIRE_MODEL();
    ScratchDirectory scratch;
    const auto pattern = testpictures::InfoHeader(64, 48, 24);
    const std::string patternFile =
        scratch.Write("pattern.bmp", testpictures::BitmapFile(pattern, {}, testpictures::Pattern24(64, 48)));
    for (const std::string& input :
         {testpictures::SamplePhoto("chelsea.png", false), testpictures::SamplePhoto("coffee.png", false), patternFile}) {
        if (input.empty())
            continue;  // without the shared samples, the made picture alone
        SCOPED_TRACE(input);
        const CliRun list = RunCli(scratch, {input, "--find-faces"});
        EXPECT_EQ(list.exitCode, 0);
        EXPECT_EQ(list.out, "[]\n");
        const CliRun face = RunCli(scratch, {input, "--face", "eyes=150", "--save", scratch.File("never.png")});
        EXPECT_EQ(face.exitCode, 1);
        EXPECT_NE(face.errors.find("Im Bild wurde kein Gesicht gefunden."), std::string::npos) << face.errors;
        EXPECT_FALSE(std::filesystem::exists(scratch.File("never.png")));
    }
}

// The written steps, run as a script of their own, give the same picture.
TEST(FaceCli, FaceEqualsTheStepsExplainWrites)
{
    REQUIRE_MODEL();
    ScratchDirectory scratch;
    const std::string input = Sample("astronaut.png");
    ASSERT_EQ(RunCli(scratch, {input, "--radius", "33", "--drag", "100,100:110,90", "--save", scratch.File("plain.bmp")})
                  .exitCode, 0);
    for (const std::string settings : {"eyes=180,chin=60,head=130", "smile=70,width=130,nose=60,mouth=140,forehead=150",
                                       "eyes=50,chin=-100,smile=-100,width=50,head=60,which=1"}) {
        SCOPED_TRACE(settings);
        const CliRun face = RunCli(scratch, {input, "--radius", "33", "--explain", "--face", settings, "--drag", "100,100:110,90",
                                          "--save", scratch.File("face.bmp")});
        ASSERT_EQ(face.exitCode, 0) << face.errors;
        std::vector<std::string> arguments{input, "--radius", "33"};
        std::istringstream lines(face.out);
        std::string line;
        int steps = 0;
        while (std::getline(lines, line)) {
            const auto gap = line.find(' ');
            ASSERT_NE(gap, std::string::npos) << line;
            arguments.push_back(line.substr(0, gap));
            arguments.push_back(line.substr(gap + 1));
            ++steps;
        }
        EXPECT_GE(steps, 3);
        arguments.insert(arguments.end(), {"--drag", "100,100:110,90", "--save", scratch.File("steps.bmp")});
        ASSERT_EQ(RunCli(scratch, arguments).exitCode, 0);
        const std::string faced = ReadText(scratch.File("face.bmp"));
        EXPECT_FALSE(faced.empty());
        EXPECT_TRUE(faced == ReadText(scratch.File("steps.bmp")));
        EXPECT_FALSE(faced == ReadText(scratch.File("plain.bmp")));
    }
}

// The landmarks found again after --caricature 250 lie at the targets --explain
// printed, and --face caricature=K,... equals --caricature and the steps it writes.
TEST(FaceCli, CaricatureMovesTheLandmarksToItsTargetsAndEqualsItsExplainedSteps)
{
    REQUIRE_MODEL();
    ScratchDirectory scratch;
    const std::string input = Sample("astronaut.png");
    const CliRun caricature = RunCli(scratch, {input, "--explain", "--caricature", "250", "--save", scratch.File("c.png")});
    ASSERT_EQ(caricature.exitCode, 0) << caricature.errors;
    const std::vector<double> points = NumbersAfter(caricature.out, "points", 136);
    const std::vector<double> targets = NumbersAfter(caricature.out, "targets", 136);
    ASSERT_EQ(points.size(), 136u);
    ASSERT_EQ(targets.size(), 136u);
    EXPECT_EQ(NumbersAfter(caricature.out, "mean", 136).size(), 136u);
    const CliRun found = RunCli(scratch, {scratch.File("c.png"), "--find-faces"});
    const std::vector<double> again = NumbersAfter(found.out, "points", 136);
    ASSERT_EQ(again.size(), 136u) << found.out;
    const std::vector<double> eyes = NumbersAfter(found.out, "eyes", 4);
    const double eyeDistance = std::hypot(eyes[2] - eyes[0], eyes[3] - eyes[1]);
    // The finder's own shape model pulls what it finds back toward the mean
    // face, so of the way from the points to the targets it sees only part.
    double toTargets = 0, along = 0, way = 0;
    for (std::size_t i = 0; i < 136; ++i) {
        if (i % 2 == 0)
            toTargets += std::hypot(again[i] - targets[i], again[i + 1] - targets[i + 1]) / 68;
        along += (again[i] - points[i]) * (targets[i] - points[i]);
        way += (targets[i] - points[i]) * (targets[i] - points[i]);
    }
    EXPECT_LT(toTargets, 0.08 * eyeDistance);
    EXPECT_GT(along / way, 0.25);

    const CliRun face = RunCli(scratch, {input, "--explain", "--face", "caricature=250,eyes=150,chin=40", "--save",
                                         scratch.File("face.bmp")});
    ASSERT_EQ(face.exitCode, 0) << face.errors;
    EXPECT_EQ(face.out.rfind("--caricature 250,which=1\n", 0), 0u) << face.out;
    std::vector<std::string> arguments{input};
    std::istringstream lines(face.out);
    for (std::string line; std::getline(lines, line);) {
        arguments.push_back(line.substr(0, line.find(' ')));
        arguments.push_back(line.substr(line.find(' ') + 1));
    }
    arguments.insert(arguments.end(), {"--save", scratch.File("steps.bmp")});
    ASSERT_EQ(RunCli(scratch, arguments).exitCode, 0);
    EXPECT_TRUE(ReadText(scratch.File("face.bmp")) == ReadText(scratch.File("steps.bmp")));

    const auto pattern = testpictures::InfoHeader(64, 48, 24);
    const std::string patternFile =
        scratch.Write("pattern.bmp", testpictures::BitmapFile(pattern, {}, testpictures::Pattern24(64, 48)));
    const CliRun none = RunCli(scratch, {patternFile, "--caricature", "150"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.errors.find("Im Bild wurde kein Gesicht gefunden."), std::string::npos) << none.errors;
}

TEST(FaceCli, MalformedFaceSettingsExitWithTwo)
{
    ScratchDirectory scratch;
    for (const char* value : {"eyes=251", "eyes=49", "smile=-101", "width=151", "ears=120", "which=0", "eyes",
                              "eyes=1.5", "eyes=120,,nose=90"}) {
        const CliRun run = RunCli(scratch, {Sample("astronaut.png"), "--face", value});
        EXPECT_EQ(run.exitCode, 2) << value;
        EXPECT_NE(run.errors.find("--face"), std::string::npos) << value;
    }
}

TEST(FaceCli, WithoutTheModelTheFaceStepsNameThePackage)
{
    ScratchDirectory scratch;
    for (const char* step : {"--find-faces", "--face"}) {
        std::vector<std::string> arguments{Sample("astronaut.png"), step};
        if (std::string(step) == "--face")
            arguments.push_back("eyes=150");
        const CliRun run = RunCli(scratch, arguments, "GRIMASSO_FACE_MODEL=" + scratch.File("missing.dat") + " ");
        EXPECT_EQ(run.exitCode, 1) << step;
        EXPECT_NE(run.errors.find("libdlib-data"), std::string::npos) << run.errors;
    }
    // A second face where there is only one.
    if (ModelInstalled()) {
        const CliRun run = RunCli(scratch, {Sample("astronaut.png"), "--face", "eyes=150,which=2"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find("Nummer 2"), std::string::npos) << run.errors;
    }
}

}  // namespace
