// SPDX-License-Identifier: GPL-3.0-or-later
// Videos are written like saved pictures: whatever ends an export early (a
// signal, a file-size limit, a full disk, a cancel), the old file is left byte
// for byte and no temporary file stays; the picture's own file is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

#include "SmallFileSystem.h"
#include "TestPictures.h"
#include "VideoExportTestSupport.h"
#include "session/PictureSession.h"

namespace {

using testpictures::ReadWholeFile;
using testpictures::Quote;
using testpictures::ScratchDirectory;
using videotest::Events;
using videotest::RecordingProgress;
namespace fs = std::filesystem;

const std::vector<std::uint8_t> kOldVideo = {'o', 'l', 'd', ' ', 'v', 'i', 'd', 'e', 'o'};
const char* const kEndings[] = {"avi", "mp4", "webm", "gif"};

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool TemporaryFileIn(const std::string& folder)
{
    for (const auto& name : Names(folder))
        if (name.rfind(".grimasso-save-", 0) == 0)
            return true;
    return false;
}

std::string Picture(const ScratchDirectory& scratch)
{
    const auto header = testpictures::InfoHeader(48, 36, 24);
    return scratch.Write("input.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(48, 36)));
}

struct Outcome {
    int exitCode;  // 128 + the signal for a process a signal ended
    std::string errors;
};

// grimasso-cli with arguments after the shell code prefix (limits). With
// interruptIn, SIGINT reaches it once a temporary file shows in that folder
// (or after a minute at the latest).
Outcome RunCli(const ScratchDirectory& scratch, const std::vector<std::string>& arguments,
               const std::string& prefix = "", const std::string& interruptIn = "")
{
    std::string command = GRIMASSO_CLI_PATH;
    for (const auto& argument : arguments)
        command += " " + Quote(argument);
    const std::string errors = scratch.File("stderr.txt");
    std::string script = prefix + command + " 2>" + Quote(errors) + " & pid=$!; ";
    if (!interruptIn.empty())
        script += "i=0; until ls -A " + Quote(interruptIn) + " | grep -q '^.grimasso-save-' || [ $i -gt 60000 ]; "
                  "do sleep 0.001; i=$((i+1)); done; kill -INT $pid; ";
    script += "wait $pid";
    const int status = std::system(("bash -c " + Quote(script)).c_str());
    std::ifstream in(errors);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
}

// A morph long enough to be caught and larger than the file-size limit.
const std::vector<std::string> kLongMorph = {"--quiet", "--rotate", "24,18,14,90", "--duration", "1000000",
                                             "--fps", "50"};
const std::vector<std::string> kMorph = {"--quiet", "--rotate", "24,18,14,90", "--duration", "20000", "--fps", "50"};

std::vector<std::string> Arguments(const std::string& input, const std::vector<std::string>& steps,
                                   const std::string& video)
{
    std::vector<std::string> arguments{input};
    arguments.insert(arguments.end(), steps.begin(), steps.end());
    arguments.insert(arguments.end(), {"--video", video});
    return arguments;
}

TEST(VideoSafeWriting, CommandLineExportThatFailsOrIsInterruptedKeepsTheOldVideo)
{
    ScratchDirectory scratch;
    const std::string input = Picture(scratch);
    SmallFileSystem disk(scratch.File("disk"));
    enum class Ending { Interrupted, FileSizeLimit, FullDisk };
    for (const Ending ending : {Ending::Interrupted, Ending::FileSizeLimit, Ending::FullDisk}) {
        if (ending == Ending::FullDisk && !disk.Mounted())
            continue;  // mounting a small file system needs root
        for (const char* format : kEndings) {
            SCOPED_TRACE(std::string(format) + " " + std::to_string(static_cast<int>(ending)));
            const std::string folder = ending == Ending::FullDisk ? scratch.File("disk") : scratch.File("out");
            fs::create_directories(folder);
            const std::string target = folder + "/old." + format;
            WriteBytes(target, kOldVideo);
            std::vector<std::string> expected{std::string("old.") + format};
            if (ending == Ending::Interrupted) {
                const Outcome outcome = RunCli(scratch, Arguments(input, kLongMorph, target), "", folder);
                EXPECT_EQ(outcome.exitCode, 130) << outcome.errors;
            } else {
                if (ending == Ending::FullDisk) {
                    disk.Fill();
                    expected = {"filler", "filler2", std::string("old.") + format};
                }
                const Outcome outcome = RunCli(scratch, Arguments(input, kMorph, target),
                                               ending == Ending::FileSizeLimit ? "ulimit -f 8; " : "");
                EXPECT_EQ(outcome.exitCode, 1) << outcome.errors;
                EXPECT_NE(outcome.errors.find(": " + target + "\n"), std::string::npos) << outcome.errors;
            }
            EXPECT_EQ(ReadWholeFile(target), kOldVideo);
            EXPECT_EQ(Names(folder), expected);
            fs::remove_all(folder + "/filler");
            fs::remove_all(folder + "/filler2");
            fs::remove(target);
        }
    }
}

TEST(VideoSafeWriting, CommandLineRefusesAVideoOntoItsOwnPicture)
{
    ScratchDirectory scratch;
    const std::string input = Picture(scratch);
    const std::vector<std::uint8_t> picture = ReadWholeFile(input);
    fs::create_symlink(input, scratch.File("link.avi"));
    for (const std::string& target : {input, scratch.File("link.avi")}) {
        SCOPED_TRACE(target);
        const Outcome outcome = RunCli(scratch, Arguments(input, kMorph, target));
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.errors.find("Das Video würde die Datei des geöffneten Bildes selbst überschreiben (bitte "
                                      "einen anderen Dateinamen wählen): " + target),
                  std::string::npos)
            << outcome.errors;
        EXPECT_EQ(ReadWholeFile(input), picture);
    }
}

std::unique_ptr<PictureSession> Deformed(const std::string& input)
{
    auto session = PictureSession::Open(input);
    session->BeginRegion(ModeRotate, 24, 18, 14);
    session->PreviewRotate(90, 1);
    session->CommitRegion();
    return session;
}

TEST(VideoSafeWriting, CancelledExportKeepsTheOldVideoAndAFinishedOneReplacesIt)
{
    ScratchDirectory scratch;
    const auto session = Deformed(Picture(scratch));
    fs::create_directories(scratch.File("out"));
    fs::create_directories(scratch.File("tmp"));
    ::setenv("TMPDIR", scratch.File("tmp").c_str(), 1);
    for (const bool hardLinked : {false, true}) {
        for (const char* format : kEndings) {
            SCOPED_TRACE(std::string(format) + (hardLinked ? " hard-linked" : ""));
            const std::string target = scratch.File(std::string("out/old.") + format);
            WriteBytes(target, kOldVideo);
            std::vector<std::string> expected{std::string("old.") + format};
            if (hardLinked) {
                fs::create_hard_link(target, scratch.File("out/second"));
                expected.push_back("second");
            }
            RecordingProgress progress;
            progress.cancelAtQuestion = 3;
            EXPECT_EQ(session->ExportVideo(target, progress), VideoExportOutcome::Cancelled);
            EXPECT_EQ(ReadWholeFile(target), kOldVideo);
            EXPECT_EQ(Names(scratch.File("out")), expected);
            EXPECT_TRUE(Names(scratch.File("tmp")).empty());
            fs::remove(target);
            fs::remove(scratch.File("out/second"));
        }
    }
    ::unsetenv("TMPDIR");

    // A finished video replaces the file behind a link, which keeps its mode.
    const std::string target = scratch.Write("out/real.mp4", kOldVideo);
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    fs::create_symlink("real.mp4", scratch.File("out/link.mp4"));
    RecordingProgress progress;
    ASSERT_EQ(session->ExportVideo(scratch.File("out/link.mp4"), progress), VideoExportOutcome::Done);
    EXPECT_TRUE(fs::is_symlink(scratch.File("out/link.mp4")));
    const std::vector<std::uint8_t> bytes = ReadWholeFile(target);
    ASSERT_GT(bytes.size(), 12u);
    EXPECT_EQ(std::string(bytes.begin() + 4, bytes.begin() + 8), "ftyp");
    struct stat status {};
    ASSERT_EQ(::stat(target.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_FALSE(TemporaryFileIn(scratch.File("out")));
}

TEST(VideoSafeWriting, TheFileThePictureLivesInIsRefusedBeforeAnythingIsWritten)
{
    ScratchDirectory scratch;
    const std::string input = Picture(scratch);
    const auto session = Deformed(input);
    const std::string saved = scratch.File("saved.png");
    fs::create_symlink(saved, scratch.File("link.gif"));
    session->Save(saved);
    const std::vector<std::uint8_t> savedBytes = ReadWholeFile(saved);
    // After the save the picture lives in saved.png; the file it came from is
    // free for a video.
    for (const std::string& target : {saved, input}) {
        SCOPED_TRACE(target);
        RecordingProgress progress;
        const bool own = target == saved;
        EXPECT_EQ(session->ExportVideo(target, progress),
                  own ? VideoExportOutcome::OntoPicture : VideoExportOutcome::Done);
        if (own) {
            EXPECT_EQ(progress.events, (Events{"fail43470"}));
            EXPECT_EQ(ReadWholeFile(saved), savedBytes);
        }
    }
    // Opened through a link, the file is known by what it is, not by its name.
    const auto reopened = PictureSession::Open(scratch.File("link.gif"));
    RecordingProgress progress;
    EXPECT_EQ(reopened->ExportVideo(saved, progress), VideoExportOutcome::OntoPicture);
    EXPECT_EQ(ReadWholeFile(saved), savedBytes);
}

}  // namespace
