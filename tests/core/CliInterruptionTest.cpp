// SPDX-License-Identifier: GPL-3.0-or-later
// grimasso-cli under signals, resource limits, full disks, odd inputs and
// protected files: it ends with the promised exit code and message and leaves
// no half-written file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/SmallFileSystem.h"
#include "core/TestPictures.h"

namespace {

using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;
namespace fs = std::filesystem;

const std::vector<std::uint8_t> kOldBytes = {'o', 'l', 'd'};

struct Finished {
    int exitCode;      // -1 when ended by a signal
    int killedBy;      // the signal, or 0
    std::string errorText;
};

// grimasso-cli started in the background with its standard error in a file.
class RunningCli {
public:
    RunningCli(const ScratchDirectory& scratch, const std::vector<std::string>& arguments, rlim_t fileSizeLimit = 0)
        : m_errors(scratch.File("stderr.txt"))
    {
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, STDERR_FILENO);
            if (fileSizeLimit > 0) {
                const rlimit limit{fileSizeLimit, fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            // The test process may ignore or block signals; the program starts clean.
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGXFSZ})
                std::signal(s, SIG_DFL);
            std::vector<char*> argv{const_cast<char*>(GRIMASSO_CLI_PATH)};
            for (const auto& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            ::execv(GRIMASSO_CLI_PATH, argv.data());
            ::_exit(127);
        }
    }
    ~RunningCli()
    {
        if (m_pid > 0 && !m_done) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

    void Signal(int signal) const { ::kill(m_pid, signal); }

    // Waits up to timeout for the end; a hang is killed and reported as SIGKILL.
    Finished Wait(std::chrono::seconds timeout = std::chrono::seconds(120))
    {
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (::waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(m_pid, SIGKILL);
                ::waitpid(m_pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        m_done = true;
        std::ifstream in(m_errors);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (WIFSIGNALED(status))
            return {-1, WTERMSIG(status), text};
        return {WEXITSTATUS(status), 0, text};
    }

private:
    pid_t m_pid = -1;
    bool m_done = false;
    std::string m_errors;
};

// Waits until predicate holds, up to a minute; false if it never did.
bool WaitFor(const std::function<bool()>& predicate)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The save's temporary file beside the target, if one exists right now.
bool TemporaryFileExists(const std::string& folder)
{
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".grimasso-save-", 0) == 0)
            return true;
    return false;
}

std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string SmallPicture(const ScratchDirectory& scratch)
{
    const auto header = testpictures::InfoHeader(48, 36, 24);
    return scratch.Write("input.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(48, 36)));
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// ---------------------------------------------------------------- signals

TEST(CliInterruption, SignalDuringASaveRemovesTheTemporaryFileAndKeepsTheOldOne)
{
    const struct {
        int signal;
        int exitCode;
        const char* message;
    } cases[] = {
        {SIGINT, 130, "Abgebrochen (Strg+C)"},
        {SIGTERM, 143, "Beendet (SIGTERM)"},
        {SIGHUP, 129, "Beendet (SIGHUP)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exitCode);
        ScratchDirectory scratch;
        const std::string input = SmallPicture(scratch);
        fs::create_directories(scratch.File("out"));
        const std::string target = scratch.Write("out/target.bmp", kOldBytes);
        // Some hundred megabytes of bitmap take long enough to write to be caught.
        RunningCli cli(scratch, {input, "--scale", "8000x6000", "--save", target});
        ASSERT_TRUE(WaitFor([&] { return TemporaryFileExists(scratch.File("out")); }));
        cli.Signal(c.signal);
        const Finished finished = cli.Wait();
        EXPECT_EQ(finished.exitCode, c.exitCode) << "signal " << finished.killedBy;
        EXPECT_TRUE(Contains(finished.errorText, c.message)) << finished.errorText;
        EXPECT_EQ(Names(scratch.File("out")), std::vector<std::string>{"target.bmp"});
        EXPECT_EQ(ReadWholeFile(target), kOldBytes);
    }
}

TEST(CliInterruption, SignalDuringAVideoRemovesThePartialVideoBehindALink)
{
    ScratchDirectory scratch;
    const std::string input = SmallPicture(scratch);
    fs::create_directories(scratch.File("videos"));
    const std::string video = scratch.File("videos/morph.avi");
    const std::string link = scratch.File("link.avi");
    fs::create_symlink("videos/morph.avi", link);
    // Far more frames than the test waits for.
    RunningCli cli(scratch, {input, "--quiet", "--rotate", "24,18,14,90", "--duration", "1000000", "--fps", "50",
                             "--video", link});
    // The video is written beside the file at the link's end.
    ASSERT_TRUE(WaitFor([&] { return TemporaryFileExists(scratch.File("videos")); }));
    cli.Signal(SIGTERM);
    const Finished finished = cli.Wait();
    EXPECT_EQ(finished.exitCode, 143) << "signal " << finished.killedBy;
    EXPECT_FALSE(fs::exists(video));
    EXPECT_TRUE(fs::is_symlink(link));
}

// ---------------------------------------------------------------- limits and full disks

TEST(CliLimits, FileSizeLimitFailsLikeAFullDiskInsteadOfKillingTheTool)
{
    ScratchDirectory scratch;
    const std::string input = SmallPicture(scratch);
    const std::string big = scratch.File("big.bmp");
    {
        RunningCli prepare(scratch, {input, "--scale", "400x300", "--save", big});
        ASSERT_EQ(prepare.Wait().exitCode, 0);
    }
    const std::string target = scratch.Write("target.bmp", kOldBytes);
    RunningCli cli(scratch, {big, "--save", target}, 16 * 1024);
    const Finished finished = cli.Wait();
    EXPECT_EQ(finished.exitCode, 1) << "signal " << finished.killedBy;
    EXPECT_TRUE(Contains(finished.errorText, "Die Daten konnten nicht vollständig geschrieben werden")) << finished.errorText;
    EXPECT_TRUE(Contains(finished.errorText, "File too large")) << finished.errorText;
    EXPECT_TRUE(Contains(finished.errorText, target)) << finished.errorText;
    EXPECT_EQ(ReadWholeFile(target), kOldBytes);
    EXPECT_EQ(Names(scratch.File("")), (std::vector<std::string>{"big.bmp", "input.bmp", "stderr.txt", "target.bmp"}));

    // A video over the limit fails the same way and leaves nothing.
    RunningCli video(scratch, {input, "--quiet", "--rotate", "24,18,14,90", "--video", scratch.File("v.avi")},
                     16 * 1024);
    const Finished videoFinished = video.Wait();
    EXPECT_EQ(videoFinished.exitCode, 1) << "signal " << videoFinished.killedBy;
    EXPECT_FALSE(fs::exists(scratch.File("v.avi")));
}

TEST(CliLimits, FullDiskNamesTheTrueCauseAndTheUsersFileForEveryFormat)
{
    ScratchDirectory scratch;
    const std::string input = SmallPicture(scratch);
    const std::string folder = scratch.File("small");
    SmallFileSystem small(folder);
    if (!small.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    small.Fill();
    for (const char* ending : {"bmp", "jpg", "png", "tif"}) {
        SCOPED_TRACE(ending);
        const std::string target = folder + "/picture." + ending;
        RunningCli cli(scratch, {input, "--scale", "400x300", "--save", target});
        const Finished finished = cli.Wait();
        EXPECT_EQ(finished.exitCode, 1);
        EXPECT_TRUE(Contains(finished.errorText, "Beim Speichern der Datei ist ein Fehler aufgetreten: "
                                                 "Die Daten konnten nicht vollständig geschrieben werden: " +
                                                     target + " (No space left on device)"))
            << finished.errorText;
        EXPECT_EQ(Names(folder), (std::vector<std::string>{"filler", "filler2"}));
    }
}

// ---------------------------------------------------------------- odd files

TEST(CliOddFiles, PipesAndDevicesAreRefusedAtOnceAsInput)
{
    ScratchDirectory scratch;
    const std::string pipe = scratch.File("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    for (const std::string& input : {pipe, std::string("/dev/zero")}) {
        SCOPED_TRACE(input);
        RunningCli cli(scratch, {input, "--save", scratch.File("out.bmp")});
        const Finished finished = cli.Wait(std::chrono::seconds(20));
        EXPECT_EQ(finished.exitCode, 1) << "signal " << finished.killedBy;
        EXPECT_TRUE(Contains(finished.errorText, "Beim Laden der Datei ist ein Fehler aufgetreten: Keine gewöhnliche "
                                                 "Datei (etwa eine Pipe oder ein Gerät): " + input))
            << finished.errorText;
        EXPECT_FALSE(fs::exists(scratch.File("out.bmp")));
    }
}

TEST(CliOddFiles, WriteProtectedTargetIsKeptWithExitOne)
{
    ScratchDirectory scratch;
    const std::string input = SmallPicture(scratch);
    const std::string target = scratch.Write("protected.bmp", kOldBytes);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    RunningCli cli(scratch, {input, "--save", target});
    const Finished finished = cli.Wait();
    EXPECT_EQ(finished.exitCode, 1);
    EXPECT_TRUE(Contains(finished.errorText, "Die Datei ist schreibgeschützt und wird nicht ersetzt: " + target))
        << finished.errorText;
    EXPECT_EQ(ReadWholeFile(target), kOldBytes);
}

}  // namespace
