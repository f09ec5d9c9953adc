// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RecoveryFolder.h"

#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "image/ImageLimits.h"

namespace {

bool EndsWith(const std::string& text, const std::string& ending)
{
    return text.size() > ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// A window title is a line of text; anything longer is not one of ours.
constexpr off_t kMaxTitleBytes = 4096;
// The largest document a picture within the limits makes: two pictures of 3
// bytes a pixel and two maps of 4, stored or deflated, with room to spare.
constexpr off_t kMaxDocumentBytes = static_cast<off_t>(kMaxPicturePixels * 16 + (std::int64_t{1} << 20));

// Whether an open file is one we may trust: a regular file of ours, no larger than limit.
bool IsOwnRegularFile(const struct stat& status, off_t limit)
{
    return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_size <= limit;
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
    // Never through a link, never blocking on a pipe, and never more than a title's length.
    const int fd = ::open((m_folder + "/" + m_id + ".title").c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    struct stat status {};
    std::string title;
    if (::fstat(fd, &status) == 0 && IsOwnRegularFile(status, kMaxTitleBytes)) {
        title.resize(static_cast<std::size_t>(status.st_size));
        const ssize_t got = ::read(fd, title.data(), title.size());
        title.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    ::close(fd);
    return title;
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
        const int fd = ::open((folder + "/" + id + ".lock").c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat lockStatus {};
        if (::fstat(fd, &lockStatus) != 0 || !IsOwnRegularFile(lockStatus, kMaxTitleBytes)) {
            ::close(fd);
            continue;  // not ours to judge, nor to remove
        }
        // A running editor holds its lock: its copies are its own business.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        LeftoverCopy copy(folder, id, fd);
        // Looked at without following a link: the copy is offered only when it
        // is a regular file of ours of a size a document can have.
        struct stat status {};
        if (::lstat(copy.DocumentPath().c_str(), &status) != 0 || !IsOwnRegularFile(status, kMaxDocumentBytes)) {
            copy.Remove();
            continue;
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}
