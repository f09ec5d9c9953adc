// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/SafeSave.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/PartialFiles.h"
#include "image/StaleSaveFiles.h"

namespace {

// Unlinks a temporary file and forgets it, whatever way the save ends.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : m_path(std::move(path)) { MarkPartialFile(PartialFile::Save, m_path); }
    ~TemporaryFile()
    {
        if (!m_path.empty())
            ::unlink(m_path.c_str());
        UnmarkPartialFile(PartialFile::Save);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& Path() const { return m_path; }
    // The file now lives on under another name.
    void Release()
    {
        m_path.clear();
        UnmarkPartialFile(PartialFile::Save);
    }

private:
    std::string m_path;
};

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // Closes and reports whether the kernel accepted every byte.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

[[noreturn]] void RaiseWriteFailure(int error)
{
    throw CFileException(CFileException::hardIO, error, std::string());
}

// No write bit at all refuses even a process that could override it, as a
// file's owner would expect; otherwise the kernel's answer for our effective ids.
bool MayWrite(const std::string& target, const struct stat& status)
{
    if ((status.st_mode & 0222) == 0) {
        errno = EACCES;
        return false;
    }
    return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0;
}

// Creates a fresh temporary file beside target; -1 with errno set when the folder
// takes no new file.
int CreateTemporaryBeside(const std::string& target, std::string& name)
{
    RemoveStaleSaveFiles(FolderOf(target));
    const std::string base = FolderOf(target) + SaveTemporaryPrefix();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        name = base + std::to_string(attempt) + ".tmp";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// The new file takes over the old one's owner, group and mode; a new picture
// gets the mode a plainly created file would get. Changing the owner is only
// allowed to privileged processes, so EPERM is expected and ignored; the group
// may still succeed on its own.
void TakeOverIdentity(int fd, const struct stat* existing)
{
    if (existing) {
        if (::fchown(fd, existing->st_uid, existing->st_gid) != 0 && errno == EPERM &&
            ::fchown(fd, static_cast<uid_t>(-1), existing->st_gid) != 0) {
            // Neither is ours to give: the file keeps our own ids.
        }
        // After fchown, which clears set-id bits.
        ::fchmod(fd, existing->st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
}

void SyncFolder(const std::string& target)
{
    const std::string folder = FolderOf(target);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    // Some file systems cannot sync a folder; the rename has happened regardless.
    (void)::fsync(fd);
    ::close(fd);
}

// The usual way: a complete temporary file renamed over the target. False when
// the folder takes no new file while the target exists, so a write in place
// is the way left.
bool SaveByRename(const FileWriter& write, const std::string& target, const struct stat* existing)
{
    std::string name;
    std::optional<TemporaryFile> temporary;
    {
        // Created and remembered at one stroke, or an interruption in between would leave it.
        InterruptionHold hold;
        const int created = CreateTemporaryBeside(target, name);
        if (created < 0) {
            const int error = errno;
            if (existing && (error == EACCES || error == EPERM))
                return false;
            throw CFileException(CFileException::generic, error, std::string());
        }
        ::close(created);
        temporary.emplace(name);
    }
    write(temporary->Path());

    Descriptor file(::open(temporary->Path().c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0)
        throw CFileException(CFileException::generic, errno, std::string());
    TakeOverIdentity(file.get(), existing);
    if (::fsync(file.get()) != 0)
        RaiseWriteFailure(errno);
    file.Close();
    {
        InterruptionHold hold;
        if (std::rename(temporary->Path().c_str(), target.c_str()) != 0)
            throw CFileException(CFileException::generic, errno, std::string());
        temporary->Release();
    }
    SyncFolder(target);
    return true;
}

// A scratch file in the system's temporary folder, for a picture that is to be
// copied into place; created and remembered at one stroke, like the file above.
void CreateScratchFile(std::optional<TemporaryFile>& scratch)
{
    const char* variable = std::getenv("TMPDIR");
    const std::string folder = std::string(variable && *variable ? variable : "/tmp") + "/";
    RemoveStaleSaveFiles(folder);
    // Named like the files beside the targets, so that a save killed here is cleared up alike.
    std::string pattern = folder + SaveTemporaryPrefix() + "XXXXXX.tmp";
    InterruptionHold hold;
    const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (fd < 0)
        throw CFileException(CFileException::generic, errno, std::string());
    ::close(fd);
    scratch.emplace(pattern);
}

void WriteAll(int fd, const char* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            RaiseWriteFailure(written < 0 ? errno : ENOSPC);
        data += written;
        count -= static_cast<std::size_t>(written);
    }
}

// The encoded picture copied over the existing file, which keeps its inode and
// with it every hard link, its owner, group and mode.
void SaveInPlace(const FileWriter& write, const std::string& target)
{
    std::optional<TemporaryFile> scratch;
    CreateScratchFile(scratch);
    write(scratch->Path());

    Descriptor source(::open(scratch->Path().c_str(), O_RDONLY | O_CLOEXEC));
    struct stat encoded {};
    if (source.get() < 0 || ::fstat(source.get(), &encoded) != 0)
        throw CFileException(CFileException::generic, errno, std::string());
    Descriptor destination(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY));
    if (destination.get() < 0)
        throw CFileException(CFileException::generic, errno, std::string());
    // Reserve the space first, so that a full disk or a size limit fails here
    // while the old picture is still whole. Not every file system can do this.
    if (encoded.st_size > 0 && ::fallocate(destination.get(), 0, 0, encoded.st_size) != 0 &&
        errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL)
        RaiseWriteFailure(errno);

    InterruptionHold hold;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(source.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw CFileException(CFileException::generic, errno, std::string());
        if (got == 0)
            break;
        WriteAll(destination.get(), buffer, static_cast<std::size_t>(got));
    }
    if (::ftruncate(destination.get(), encoded.st_size) != 0 || ::fsync(destination.get()) != 0)
        RaiseWriteFailure(errno);
    if (!destination.Close())
        RaiseWriteFailure(errno);
}

}  // namespace

void SavePictureSafely(CDibImage& codec, const std::string& path)
{
    SaveFileSafely([&codec](const std::string& file) { codec.Write(file); }, path);
}

void SaveFileSafely(const FileWriter& write, const std::string& path)
{
    try {
        const std::string target = ResolveLinkTarget(path);
        // Still a link after every hop: a loop, which must fail rather than be replaced.
        struct stat link {};
        if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
            throw CFileException(CFileException::generic, ELOOP, path);
        struct stat existing {};
        const bool exists = ::stat(target.c_str(), &existing) == 0;
        if (exists && !S_ISREG(existing.st_mode))
            throw CFileException(CFileException::invalidFile, S_ISDIR(existing.st_mode) ? EISDIR : -1, path);
        if (exists && !MayWrite(target, existing))
            throw CFileException(CFileException::accessDenied, errno, path);

        if (exists && existing.st_nlink > 1)
            SaveInPlace(write, target);
        else if (!SaveByRename(write, target, exists ? &existing : nullptr))
            SaveInPlace(write, target);
    } catch (const CFileException& failure) {
        // The user knows the picture by the name they gave, not by our temporary files.
        throw CFileException(failure.m_cause, failure.m_lOsError, path);
    }
}
