#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz inputs for readers that only take a path: the bytes go into an anonymous
// in-memory file, reachable through /proc/self/fd, so no input touches the disk
// and every run starts from a fresh file.
#include <cstddef>
#include <cstdint>
#include <string>

class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // A name the C library, libtiff and our own streams can open.
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};
