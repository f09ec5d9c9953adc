#include "image/SafeSave.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "image/Exceptions.h"

namespace {

// The folder part of path including its trailing slash ("" for a bare name).
std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Reserves a fresh, empty file name in folder; the codec then writes to it.
// The codec object is already chosen, so the name needs no particular ending.
std::string CreateTemporaryName(const std::string& path)
{
    const std::string base = FolderOf(path) + ".grimasso-save-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = base + std::to_string(attempt) + ".tmp";
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST)
            throw CFileException(CFileException::generic, errno, path);
    }
    throw CFileException(CFileException::generic, EEXIST, path);
}

// A new file gets the permissions a plainly created file would get; an existing
// target keeps its own.
void CopyPermissions(const std::string& target, const std::string& temporary)
{
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        ::chmod(temporary.c_str(), existing.st_mode & 07777);
        return;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(temporary.c_str(), 0666 & ~mask);
}

}  // namespace

void SavePictureSafely(CDibImage& codec, const std::string& path)
{
    const std::string temporary = CreateTemporaryName(path);
    try {
        codec.Write(temporary);
        CopyPermissions(path, temporary);
        if (std::rename(temporary.c_str(), path.c_str()) != 0)
            throw CFileException(CFileException::generic, errno, path);
    } catch (...) {
        std::remove(temporary.c_str());
        throw;
    }
}
