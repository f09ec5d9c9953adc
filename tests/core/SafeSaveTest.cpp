// SPDX-License-Identifier: GPL-3.0-or-later
// Saving over existing files: links, permissions, owner, group and mode, a
// folder that takes no new file, and failed writes with their true cause.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/CodecTestSupport.h"
#include "core/SmallFileSystem.h"
#include "core/TestPictures.h"
#include "image/CodecChoice.h"
#include "image/Exceptions.h"
#include "image/SafeSave.h"

namespace {

using codectest::FileFailure;
using codectest::FileFailureOf;
using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
constexpr uid_t kNobody = 65534;

// Rows of pseudo-random pixels, which no format can pack much smaller.
std::vector<std::uint8_t> Noise(int width, int height)
{
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(RowBytes(width, 24)) * static_cast<std::size_t>(height));
    std::uint32_t state = 12345;
    for (auto& byte : rows) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return rows;
}

// A codec for path's ending holding a picture, as the document prepares a save.
std::unique_ptr<CDibImage> PreparedCodec(const std::string& path, int width = 40, int height = 30)
{
    auto codec = CreateCodecForPath(path);
    EXPECT_TRUE(codec) << path;
    codectest::PrepareForSave(*codec, width, height, Noise(width, height));
    return codec;
}

// The bytes a plain Write of the same picture produces: what every save must leave.
std::vector<std::uint8_t> ExpectedBytes(const ScratchDirectory& dir, const std::string& ending)
{
    const std::string reference = dir.File("reference." + ending);
    PreparedCodec(reference)->Write(reference);
    auto bytes = ReadWholeFile(reference);
    fs::remove(reference);
    return bytes;
}

void Save(const std::string& path)
{
    SavePictureSafely(*PreparedCodec(path), path);
}

// Names in folder other than those listed: a save must leave no litter.
std::vector<std::string> Strays(const std::string& folder, const std::vector<std::string>& expected)
{
    std::vector<std::string> strays;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(expected.begin(), expected.end(), name) == expected.end())
            strays.push_back(name);
    }
    return strays;
}

struct stat StatusOf(const std::string& path)
{
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return status;
}

// Runs action in a child process with the ids of an ordinary user; the child's
// exit code is action's result. Needs root to drop to that user.
int RunAsOrdinaryUser(const std::function<int()>& action)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(99);
        ::_exit(action());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The save's outcome as a child's exit code.
enum ChildOutcome { kSaved = 0, kRefusedAsWriteProtected = 1, kOtherFailure = 2 };

int SaveInChild(const std::string& path)
{
    try {
        Save(path);
        return kSaved;
    } catch (const CFileException& e) {
        return e.m_cause == CFileException::accessDenied ? kRefusedAsWriteProtected : kOtherFailure;
    } catch (...) {
        return kOtherFailure;
    }
}

// ---------------------------------------------------------------- links

TEST(SafeSaveLinks, SymbolicLinkStaysAndItsTargetGetsThePicture)
{
    ScratchDirectory dir;
    fs::create_directories(dir.File("real"));
    const std::string target = dir.Write("real/target.bmp", kOldBytes);
    const std::string absoluteLink = dir.File("absolute.bmp");
    const std::string relativeLink = dir.File("relative.bmp");
    const std::string chainLink = dir.File("chain.bmp");
    fs::create_symlink(target, absoluteLink);
    fs::create_symlink("real/target.bmp", relativeLink);
    fs::create_symlink("relative.bmp", chainLink);
    const auto expected = ExpectedBytes(dir, "bmp");

    for (const std::string& link : {absoluteLink, relativeLink, chainLink}) {
        SCOPED_TRACE(link);
        fs::remove(target);
        dir.Write("real/target.bmp", kOldBytes);
        Save(link);
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(ReadWholeFile(target), expected);
        EXPECT_TRUE(Strays(dir.File(""), {"real", "absolute.bmp", "relative.bmp", "chain.bmp"}).empty());
        EXPECT_TRUE(Strays(dir.File("real"), {"target.bmp"}).empty());
    }

    // A link to a file not yet there creates that file and keeps the link.
    fs::remove(target);
    Save(relativeLink);
    EXPECT_TRUE(fs::is_symlink(relativeLink));
    EXPECT_EQ(ReadWholeFile(target), expected);
}

// Points the system's temporary folder at a folder of the test for its lifetime.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::string& folder)
    {
        if (const char* previous = std::getenv("TMPDIR"))
            m_previous = previous;
        fs::create_directories(folder);
        ::setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TemporaryFolderOverride()
    {
        if (m_previous)
            ::setenv("TMPDIR", m_previous->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> m_previous;
};

TEST(SafeSaveLinks, LoopingLinkFailsAndStaysALink)
{
    ScratchDirectory dir;
    fs::create_symlink("b.bmp", dir.File("a.bmp"));
    fs::create_symlink("a.bmp", dir.File("b.bmp"));
    EXPECT_THROW(Save(dir.File("a.bmp")), CFileException);
    EXPECT_EQ(fs::read_symlink(dir.File("a.bmp")), "b.bmp");
    EXPECT_EQ(fs::read_symlink(dir.File("b.bmp")), "a.bmp");
    EXPECT_TRUE(Strays(dir.File(""), {"a.bmp", "b.bmp"}).empty());
}

// The process id of a child that has ended and been reaped: no process has it.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// Temporary files that a killed save left go at the next save into their
// folder, beside the target and in the system's temporary folder (a file with
// hard links); those of running processes, of other names and links stay.
TEST(SafeSaveLinks, LeftoversOfKilledSavesGoAtTheNextSave)
{
    ScratchDirectory dir;
    const TemporaryFolderOverride systemTemporary(dir.File("system-tmp"));
    const std::string dead = ".grimasso-save-" + std::to_string(EndedProcess());
    const std::string running = ".grimasso-save-1-0.tmp";  // init runs for ever
    for (const std::string folder : {"beside", "system-tmp"}) {
        fs::create_directories(dir.File(folder));
        dir.Write(folder + "/" + dead + "-0.tmp", kOldBytes);
        dir.Write(folder + "/" + dead + "-abcdef.tmp", kOldBytes);
        dir.Write(folder + "/" + running, kOldBytes);
        dir.Write(folder + "/notes.tmp", kOldBytes);
        fs::create_symlink("notes.tmp", dir.File(folder + "/" + dead + "-1.tmp"));
    }
    const struct {
        const char* what;
        std::string target;
        const char* folder;
        std::vector<std::string> left;
    } cases[] = {
        {"beside the target", dir.File("beside/picture.png"), "beside",
         {"picture.png", running, "notes.tmp", dead + "-1.tmp"}},
        {"in the temporary folder", dir.File("first.png"), "system-tmp", {running, "notes.tmp", dead + "-1.tmp"}},
    };
    dir.Write("first.png", kOldBytes);
    fs::create_hard_link(dir.File("first.png"), dir.File("second.png"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Save(c.target);
        EXPECT_EQ(Strays(dir.File(c.folder), c.left), std::vector<std::string>{});
        for (const std::string& name : c.left)
            EXPECT_TRUE(fs::exists(fs::symlink_status(dir.File(std::string(c.folder) + "/" + name)))) << name;
    }
}

TEST(SafeSaveLinks, EveryHardLinkShowsTheNewPicture)
{
    ScratchDirectory dir;
    const TemporaryFolderOverride systemTemporary(dir.File("system-tmp"));
    const std::string first = dir.Write("first.png", kOldBytes);
    const std::string second = dir.File("second.png");
    fs::create_hard_link(first, second);
    const ino_t inode = StatusOf(first).st_ino;

    Save(second);
    const auto expected = ExpectedBytes(dir, "png");
    EXPECT_EQ(ReadWholeFile(first), expected);
    EXPECT_EQ(ReadWholeFile(second), expected);
    EXPECT_EQ(StatusOf(first).st_nlink, 2u);
    EXPECT_EQ(StatusOf(second).st_ino, inode);

    // A longer old file is cut to the new picture's size.
    const std::vector<std::uint8_t> longer(200000, 7);
    {
        std::FILE* out = std::fopen(first.c_str(), "r+b");
        ASSERT_NE(out, nullptr);
        std::fwrite(longer.data(), 1, longer.size(), out);
        std::fclose(out);
    }
    Save(first);
    EXPECT_EQ(ReadWholeFile(second), expected);
    EXPECT_TRUE(Strays(dir.File(""), {"first.png", "second.png", "system-tmp"}).empty());
    EXPECT_TRUE(fs::is_empty(dir.File("system-tmp"))) << "the encoded copy is removed";
}

// ---------------------------------------------------------------- permissions

TEST(SafeSavePermissions, WriteProtectedFileIsNeitherReplacedNorWritten)
{
    ScratchDirectory dir;
    const std::string locked = dir.Write("locked.jpg", kOldBytes);
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    EXPECT_EQ(FileFailureOf([&] { Save(locked); }).cause, CFileException::accessDenied);
    EXPECT_EQ(ReadWholeFile(locked), kOldBytes);
    EXPECT_EQ(StatusOf(locked).st_mode & 07777, 0444u);
    EXPECT_TRUE(Strays(dir.File(""), {"locked.jpg"}).empty());

    // Through a link, the file behind it decides.
    fs::create_symlink("locked.jpg", dir.File("link.jpg"));
    EXPECT_EQ(FileFailureOf([&] { Save(dir.File("link.jpg")); }).cause, CFileException::accessDenied);
    EXPECT_EQ(ReadWholeFile(locked), kOldBytes);
}

TEST(SafeSavePermissions, AnotherUsersFileWithoutWritePermissionForUsIsKept)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    ScratchDirectory dir;
    // A folder where the ordinary user may create files, holding root's file
    // that only root may write: a rename would go around that.
    fs::permissions(dir.File(""), fs::perms::all);
    const std::string foreign = dir.Write("foreign.tif", kOldBytes);
    fs::permissions(foreign, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                 fs::perms::others_read);
    EXPECT_EQ(RunAsOrdinaryUser([&] { return SaveInChild(foreign); }), kRefusedAsWriteProtected);
    EXPECT_EQ(ReadWholeFile(foreign), kOldBytes);
    EXPECT_EQ(StatusOf(foreign).st_uid, 0u);
    EXPECT_TRUE(Strays(dir.File(""), {"foreign.tif"}).empty());
}

TEST(SafeSavePermissions, WritableFileInALockedFolderIsWrittenInPlace)
{
    ScratchDirectory dir;
    fs::create_directories(dir.File("locked"));
    const std::string file = dir.Write("locked/picture.bmp", kOldBytes);
    const auto expected = ExpectedBytes(dir, "bmp");
    const auto lockFolder = [&] {
        fs::permissions(dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                                fs::perms::group_exec | fs::perms::others_read |
                                                fs::perms::others_exec);
    };
    if (::geteuid() == 0) {
        // Root may create files anywhere: act as the file's ordinary owner.
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
        lockFolder();
        EXPECT_EQ(RunAsOrdinaryUser([&] { return SaveInChild(file); }), kSaved);
        EXPECT_EQ(StatusOf(file).st_uid, kNobody);
    } else {
        lockFolder();
        EXPECT_NO_THROW(Save(file));
    }
    fs::permissions(dir.File("locked"), fs::perms::owner_all);
    EXPECT_EQ(ReadWholeFile(file), expected);
    EXPECT_TRUE(Strays(dir.File("locked"), {"picture.bmp"}).empty());

    // A new file there still cannot be made, and says why.
    lockFolder();
    if (::geteuid() == 0) {
        EXPECT_EQ(RunAsOrdinaryUser([&] { return SaveInChild(dir.File("locked/new.bmp")); }), kOtherFailure);
    } else {
        EXPECT_EQ(FileFailureOf([&] { Save(dir.File("locked/new.bmp")); }),
                  (FileFailure{CFileException::generic, EACCES}));
    }
    fs::permissions(dir.File("locked"), fs::perms::owner_all);
}

TEST(SafeSavePermissions, OwnerGroupAndModeSurviveTheSave)
{
    ScratchDirectory dir;
    const std::string file = dir.Write("kept.png", kOldBytes);
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    // Only root can hand the file to someone else; otherwise our own ids must stay.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(file.c_str(), kNobody, kNobody), 0);
    }
    const struct stat before = StatusOf(file);

    Save(file);
    const struct stat after = StatusOf(file);
    EXPECT_NE(after.st_ino, before.st_ino) << "a single link is replaced by a rename";
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(ReadWholeFile(file), ExpectedBytes(dir, "png"));
}

TEST(SafeSavePermissions, OnlyRegularFilesAreSavedOver)
{
    ScratchDirectory dir;
    fs::create_directories(dir.File("folder.bmp"));
    EXPECT_EQ(FileFailureOf([&] { Save(dir.File("folder.bmp")); }).cause, CFileException::invalidFile);
    const std::string pipe = dir.File("pipe.bmp");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(FileFailureOf([&] { Save(pipe); }).cause, CFileException::invalidFile);
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(Strays(dir.File(""), {"folder.bmp", "pipe.bmp"}).empty());
}

// ---------------------------------------------------------------- failed writes

TEST(SafeSaveFailures, EveryCodecReportsAFullDiskWithTheSystemsReason)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    for (const char* ending : {"bmp", "jpg", "png", "tif"}) {
        SCOPED_TRACE(ending);
        // Small pictures fail only when the last buffered bytes are flushed.
        for (const int size : {2, 300}) {
            auto codec = PreparedCodec(std::string("x.") + ending, size, size);
            EXPECT_EQ(FileFailureOf([&] { codec->Write("/dev/full"); }),
                      (FileFailure{CFileException::hardIO, ENOSPC}));
        }
    }
}

TEST(SafeSaveFailures, FullFileSystemKeepsTheOldFileAndNamesTheUsersFile)
{
    ScratchDirectory dir;
    const std::string folder = dir.File("small");
    SmallFileSystem small(folder);
    if (!small.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string single = dir.Write("small/single.bmp", kOldBytes);
    const std::string linked = dir.Write("small/linked.bmp", kOldBytes);
    fs::create_hard_link(linked, folder + "/other-name.bmp");
    small.Fill();

    for (const char* ending : {"bmp", "jpg", "png", "tif"}) {
        SCOPED_TRACE(ending);
        // A new file, an existing one replaced by rename, and one written in place.
        for (const std::string name : {"new", "single", "linked"}) {
            const std::string target = folder + "/" + name + "." + ending;
            const std::string path = name == "new" ? target : folder + "/" + name + ".bmp";
            auto codec = PreparedCodec(target, 300, 300);
            try {
                SavePictureSafely(*codec, path);
                ADD_FAILURE() << "saved onto a full disk: " << path;
            } catch (const CFileException& e) {
                EXPECT_EQ(e.m_cause, CFileException::hardIO) << path;
                EXPECT_EQ(e.m_lOsError, ENOSPC) << path;
                EXPECT_EQ(e.m_strFileName, path);
            }
            if (name != "new") {
                EXPECT_EQ(ReadWholeFile(path), kOldBytes);
            }
            EXPECT_TRUE(Strays(folder, {"single.bmp", "linked.bmp", "other-name.bmp", "filler", "filler2"}).empty());
        }
    }
}

}  // namespace
