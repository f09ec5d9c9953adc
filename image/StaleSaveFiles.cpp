// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/StaleSaveFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kPrefix[] = ".grimasso-save-";
constexpr char kSuffix[] = ".tmp";

// The process id in a temporary file's name, or 0 when name is not one.
pid_t ProcessOf(const std::string& name)
{
    const std::size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, kPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0)
        return 0;
    const std::size_t dash = name.find('-', prefix);
    if (dash == std::string::npos || dash == prefix || dash > prefix + 9)
        return 0;
    pid_t pid = 0;
    for (std::size_t i = prefix; i < dash; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

// Only a process that does not exist at all: one we may not signal still runs.
bool IsGone(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

std::string SaveTemporaryPrefix()
{
    return std::string(kPrefix) + std::to_string(::getpid()) + "-";
}

void RemoveStaleSaveFiles(const std::string& folder)
{
    const std::string place = folder.empty() ? std::string(".") : folder;
    DIR* directory = ::opendir(place.c_str());
    if (directory == nullptr)
        return;
    const int fd = ::dirfd(directory);
    while (const dirent* entry = ::readdir(directory)) {
        const pid_t pid = ProcessOf(entry->d_name);
        if (pid <= 0 || pid == ::getpid() || !IsGone(pid))
            continue;
        struct stat status {};
        if (::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(status.st_mode) ||
            status.st_uid != ::geteuid())
            continue;
        ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(directory);
}
