// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli against inputs and surroundings that would hold it up or take
// all memory: scripts that are no files or never end, standard output that
// takes nothing, file names that would drive the terminal, memory that runs out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "face/FaceFinder.h"
#include "TestPictures.h"

namespace {

using testpictures::Quote;
using testpictures::ScratchDirectory;

struct Outcome {
    int exitCode;  // 128 + the signal for a process a signal ended
    std::string errors;
};

// Runs grimasso-cli with standard output onto output; prefix is shell code run
// first (limits). A tool that hangs is killed after two minutes (exit 137).
Outcome RunCli(const ScratchDirectory& scratch, const std::vector<std::string>& arguments,
            const std::string& output = "/dev/null", const std::string& prefix = "")
{
    std::string command = prefix + "exec timeout -s KILL 120 " + std::string(GRIMASSO_CLI_PATH);
    for (const auto& argument : arguments)
        command += " " + Quote(argument);
    const std::string errors = scratch.File("stderr.txt");
    const int status =
        std::system(("bash -c " + Quote(command + " >" + Quote(output) + " 2>" + Quote(errors))).c_str());
    std::ifstream in(errors);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
}

std::string Picture(const ScratchDirectory& scratch, int width = 48, int height = 36)
{
    const auto header = testpictures::InfoHeader(width, height, 24);
    return scratch.Write("input.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(width, height)));
}

std::string WriteText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// Eight scripts of ten lines, each line calling the next script, the last
// ten times lastLine: 10^8 steps in all.
std::string NestedScripts(const ScratchDirectory& scratch, const std::string& name, const std::string& lastLine)
{
    for (int level = 0; level < 8; ++level) {
        std::string text;
        for (int line = 0; line < 10; ++line)
            text += level < 7 ? "script " + scratch.File(name + std::to_string(level + 1)) + "\n" : lastLine + "\n";
        WriteText(scratch.File(name + std::to_string(level)), text);
    }
    return scratch.File(name + "0");
}

// A drag through 6000 points: 48 KiB of memory for 30 KiB of text.
std::string LongDrag()
{
    std::string drag = "drag 1,1";
    for (int i = 0; i < 6000; ++i)
        drag += ":" + std::to_string(i % 40) + "," + std::to_string(i % 30);
    return drag;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A gigabyte of address space: enough for the tool, far too little for what
// an unbounded script would take. AddressSanitizer reserves more than that
// for itself before the tool starts.
#if defined(__SANITIZE_ADDRESS__)
const std::string kMemoryLimit;
#else
const std::string kMemoryLimit = "ulimit -v 1000000; ";
#endif

TEST(CliBounds, ScriptsThatAreNoFilesOrNeverEndAreRefusedAtOnce)
{
    const std::string kTooMuch = "Die Skripte sind zu umfangreich: höchstens 100000 Schritte und Skriptdateien und "
                                 "16 MiB Skripttext zusammen";
    ScratchDirectory scratch;
    const std::string input = Picture(scratch);
    const std::string pipe = scratch.File("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    const std::string longLine = WriteText(scratch.File("long.txt"), std::string(1 << 20, 'x'));
    const struct {
        std::string script;
        std::string message;
    } cases[] = {
        {pipe, "Die Skriptdatei ist keine gewöhnliche Datei (etwa eine Pipe oder ein Gerät): " + pipe},
        {"/dev/zero", "Die Skriptdatei ist keine gewöhnliche Datei (etwa eine Pipe oder ein Gerät): /dev/zero"},
        {NestedScripts(scratch, "s", "smooth"), kTooMuch},
        {NestedScripts(scratch, "d", LongDrag()), kTooMuch},
        {longLine, "Skript " + longLine + ", Zeile 1: Die Zeile ist länger als 65536 Zeichen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const Outcome outcome =
            RunCli(scratch, {input, "--script", c.script, "--save", scratch.File("out.bmp")}, "/dev/null", kMemoryLimit);
        EXPECT_EQ(outcome.exitCode, 2) << outcome.errors;
        EXPECT_TRUE(Contains(outcome.errors, c.message)) << outcome.errors;
        EXPECT_FALSE(std::filesystem::exists(scratch.File("out.bmp")));
    }
}

TEST(CliBounds, OutputThatCannotBeWrittenFailsTheRun)
{
    if (!std::filesystem::exists(FaceFinder::kDefaultModelPath))
        GTEST_SKIP() << "libdlib-data is not installed";
    ScratchDirectory scratch;
    const std::string portrait = std::string(GRIMASSO_SOURCE_DIR) + "/resources/astronaut.bmp";
    const std::vector<std::string> runs[] = {
        {portrait, "--find-faces"},
        {portrait, "--explain", "--face", "eyes=150"},
    };
    for (const auto& arguments : runs) {
        SCOPED_TRACE(arguments[1]);
        ASSERT_EQ(RunCli(scratch, arguments).exitCode, 0) << "the same run succeeds where output can go";
        const Outcome full = RunCli(scratch, arguments, "/dev/full");
        EXPECT_EQ(full.exitCode, 1);
        EXPECT_TRUE(Contains(full.errors, "Die Ausgabe konnte nicht geschrieben werden (No space left on device)"))
            << full.errors;
    }
}

TEST(CliBounds, ControlCharactersInNamesArePrintedEscaped)
{
    ScratchDirectory scratch;
    const std::string input = Picture(scratch);
    const std::string folder = scratch.File("");
    const struct {
        std::vector<std::string> arguments;
        std::string shown;
    } cases[] = {
        {{folder + "no\nsuch.bmp"}, folder + "no\\x0asuch.bmp"},
        {{input, "--save", folder + "missing/\x1b[2Jout.png"}, folder + "missing/\\x1b[2Jout.png"},
        {{input, "--script", folder + "tab\there.txt"}, folder + "tab\\x09here.txt"},
        {{input, "--video", folder + "missing/\xc2\x9bv.avi"}, folder + "missing/\\xc2\\x9bv.avi"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const Outcome outcome = RunCli(scratch, c.arguments);
        EXPECT_NE(outcome.exitCode, 0);
        EXPECT_TRUE(Contains(outcome.errors, c.shown)) << outcome.errors;
        // One line, and nothing the terminal would act on.
        EXPECT_EQ(outcome.errors.find('\n'), outcome.errors.size() - 1) << outcome.errors;
        EXPECT_FALSE(Contains(outcome.errors, "\x1b")) << outcome.errors;
        EXPECT_FALSE(Contains(outcome.errors, "\xc2\x9b")) << outcome.errors;
    }
}

TEST(CliBounds, RunningOutOfMemoryDuringAVideoGivesTheMemoryMessage)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    ScratchDirectory scratch;
    const std::string big = scratch.File("big.bmp");
    ASSERT_EQ(RunCli(scratch, {Picture(scratch), "--scale", "4000x3000", "--save", big}).exitCode, 0);
    for (const char* ending : {"mp4", "webm"}) {
        SCOPED_TRACE(ending);
        const std::string video = scratch.File(std::string("out.") + ending);
        // Room for the picture and its maps, not for the encoder's frames.
        const Outcome outcome = RunCli(scratch, {big, "--quiet", "--rotate", "2000,1500,900,90", "--duration", "500",
                                                 "--fps", "10", "--video", video},
                                       "/dev/null", "ulimit -v 600000; ");
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_EQ(outcome.errors, "grimasso-cli: Nicht genügend Arbeitsspeicher, um das Video zu erzeugen: " + video +
                                      "\n");
        EXPECT_FALSE(std::filesystem::exists(video));
    }
}

}  // namespace
