#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A file as the file system knows it, whatever name or link leads to it.
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

// The file at path after following every link; nothing when there is none.
inline std::optional<FileIdentity> IdentityOfFile(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}
