// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

MemoryFile::MemoryFile(const std::uint8_t* data, std::size_t size)
{
    m_fd = ::memfd_create("grimasso-fuzz", MFD_CLOEXEC);
    std::size_t written = 0;
    while (m_fd >= 0 && written < size) {
        const ssize_t n = ::write(m_fd, data + written, size - written);
        if (n <= 0)
            break;
        written += static_cast<std::size_t>(n);
    }
    // A harness that cannot hand the input over would report nothing useful.
    if (m_fd < 0 || written != size) {
        std::perror("memfd");
        std::abort();
    }
    m_path = "/proc/self/fd/" + std::to_string(m_fd);
}

MemoryFile::~MemoryFile()
{
    ::close(m_fd);
}
