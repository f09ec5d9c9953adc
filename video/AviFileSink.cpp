// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/AviFileSink.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

AviFileSink::AviFileSink(int fd) : m_fd(fd), m_buffer(kBufferBytes) {}

AviFileSink::~AviFileSink()
{
    if (m_fd >= 0) {
        Flush();
        ::close(m_fd);
    }
}

bool AviFileSink::Append(const void* data, std::size_t size)
{
    if (m_broken || m_fd < 0)
        return false;
    if (m_used + size <= kBufferBytes) {
        std::memcpy(m_buffer.data() + m_used, data, size);
        m_used += size;
        return true;
    }
    iovec parts[2] = {{m_buffer.data(), m_used}, {const_cast<void*>(data), size}};
    m_used = 0;
    return Written(WriteAll(parts, 2));
}

bool AviFileSink::WriteAt(std::uint64_t offset, const void* data, std::size_t size)
{
    if (!Flush())
        return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(m_fd, bytes, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Written(false);
        bytes += written;
        offset += static_cast<std::uint64_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AviFileSink::Close()
{
    if (m_fd < 0)
        return false;
    bool complete = Flush();
    const int fd = m_fd;
    m_fd = -1;
    // Some file systems report a lost write only here.
    if (::close(fd) != 0)
        complete = false;
    return complete;
}

bool AviFileSink::Flush()
{
    if (m_broken || m_fd < 0)
        return false;
    iovec part = {m_buffer.data(), m_used};
    m_used = 0;
    return Written(WriteAll(&part, 1));
}

bool AviFileSink::Written(bool complete)
{
    if (!complete)
        m_broken = true;
    return complete;
}

bool AviFileSink::WriteAll(iovec* parts, int count)
{
    while (count > 0) {
        if (parts->iov_len == 0) {
            ++parts;
            --count;
            continue;
        }
        const ssize_t written = ::writev(m_fd, parts, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        auto rest = static_cast<std::size_t>(written);
        while (count > 0 && rest >= parts->iov_len) {
            rest -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<std::uint8_t*>(parts->iov_base) + rest;
            parts->iov_len -= rest;
        }
    }
    return true;
}

std::unique_ptr<AviSink> OpenAviFileSink(const std::string& path, std::uint32_t mode, std::int32_t& result)
{
    if (!(mode & kAviOpenWrite)) {
        result = kAviErrorBadFlags;  // this writer cannot read
        return nullptr;
    }
    // Without a reader a pipe would block the open; O_NONBLOCK makes it fail instead.
    int flags = O_WRONLY | O_TRUNC | O_CLOEXEC | O_NONBLOCK;
    if (mode & kAviOpenCreate)
        flags |= O_CREAT;
    int fd;
    do
        fd = ::open(path.c_str(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        result = kAviErrorFileOpen;
        return nullptr;
    }
    struct stat info;
    const int statusFlags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || statusFlags < 0 ||
        ::fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        result = kAviErrorFileOpen;
        return nullptr;
    }
    try {
        auto sink = std::make_unique<AviFileSink>(fd);
        result = kAviResultOk;
        return sink;
    } catch (const std::exception&) {
        ::close(fd);
        result = kAviErrorFileOpen;
        return nullptr;
    }
}
