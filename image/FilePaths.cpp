// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/FilePaths.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "image/Exceptions.h"

namespace {
// As many links as the kernel itself follows before giving up with ELOOP.
constexpr int kMaxLinkHops = 40;
}  // namespace

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path)
{
    return path.substr(FolderOf(path).size());
}

std::string ResolveLinkTarget(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat status {};
        if (::lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
            return current;
        std::vector<char> text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 4095) + 1);
        const ssize_t length = ::readlink(current.c_str(), text.data(), text.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= text.size())
            return current;  // changed under us: the caller's open reports the trouble
        const std::string target(text.data(), static_cast<std::size_t>(length));
        // A relative link counts from the folder that holds the link.
        current = target.front() == '/' ? target : FolderOf(current) + target;
    }
    return current;  // a loop: opening it fails with ELOOP
}

void RequireRegularFile(const std::string& path)
{
    // O_NONBLOCK: opening a named pipe without a writer would otherwise wait for ever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        throw CFileException(CFileException::generic, errno, path);
    struct stat status {};
    const bool known = ::fstat(fd, &status) == 0;
    const int error = errno;
    ::close(fd);
    if (!known)
        throw CFileException(CFileException::generic, error, path);
    if (!S_ISREG(status.st_mode))
        throw CFileException(CFileException::invalidFile, S_ISDIR(status.st_mode) ? EISDIR : -1, path);
}
