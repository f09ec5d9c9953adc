// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RecoveryFolder.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool EndsWith(const std::string& text, const std::string& ending)
{
    return text.size() > ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

std::string RecoveryFolderPath()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base;
    if (state && *state == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.local/state";
    }
    return base + "/grimasso/recovery";
}

LeftoverCopy::LeftoverCopy(std::string folder, std::string id, int lockFd)
    : m_folder(std::move(folder)), m_id(std::move(id)), m_lockFd(lockFd)
{
}

LeftoverCopy::~LeftoverCopy()
{
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

LeftoverCopy::LeftoverCopy(LeftoverCopy&& other) noexcept
    : m_folder(std::move(other.m_folder)), m_id(std::move(other.m_id)), m_lockFd(other.m_lockFd)
{
    other.m_lockFd = -1;
}

std::string LeftoverCopy::DocumentPath() const
{
    return m_folder + "/" + m_id + ".grimasso";
}

std::string LeftoverCopy::Title() const
{
    std::ifstream in(m_folder + "/" + m_id + ".title");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void LeftoverCopy::Remove()
{
    ::unlink(DocumentPath().c_str());
    ::unlink((DocumentPath() + ".tmp").c_str());  // a write its editor did not live to finish
    ::unlink((m_folder + "/" + m_id + ".title").c_str());
    ::unlink((m_folder + "/" + m_id + ".title.tmp").c_str());
    // The lock file goes last and while still locked, so no editor starting
    // meanwhile takes the half-removed copy for one of its leftovers.
    ::unlink((m_folder + "/" + m_id + ".lock").c_str());
}

std::vector<LeftoverCopy> FindLeftoverCopies(const std::string& folder)
{
    std::vector<LeftoverCopy> copies;
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr)
        return copies;
    std::vector<std::string> ids;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (EndsWith(name, ".lock"))
            ids.push_back(name.substr(0, name.size() - 5));
    }
    ::closedir(directory);
    for (const std::string& id : ids) {
        const int fd = ::open((folder + "/" + id + ".lock").c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        // A running editor holds its lock: its copies are its own business.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        LeftoverCopy copy(folder, id, fd);
        struct stat status {};
        if (::stat(copy.DocumentPath().c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            copy.Remove();
            continue;
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}
