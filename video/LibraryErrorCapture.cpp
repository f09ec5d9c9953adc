// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/LibraryErrorCapture.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// More than any library writes in one call; the rest is dropped.
constexpr std::size_t kMaxCaptured = 16384;

std::mutex g_capturing;

void WriteAll(int fd, const char* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written <= 0)
            return;
        data += written;
        count -= static_cast<std::size_t>(written);
    }
}

}  // namespace

LibraryErrorCapture::LibraryErrorCapture()
{
    g_capturing.lock();
    m_hold.emplace();
    std::fflush(stderr);
    m_capture = ::memfd_create("grimasso-library-errors", MFD_CLOEXEC);
    m_saved = m_capture >= 0 ? ::dup(STDERR_FILENO) : -1;
    if (m_saved < 0 || ::dup2(m_capture, STDERR_FILENO) < 0) {
        // Without a memory file the messages go where they always went.
        if (m_saved >= 0)
            ::close(m_saved);
        if (m_capture >= 0)
            ::close(m_capture);
        m_saved = m_capture = -1;
    }
}

LibraryErrorCapture::~LibraryErrorCapture()
{
    End();
}

bool LibraryErrorCapture::End()
{
    if (!m_hold)
        return m_outOfMemory;
    if (m_capture >= 0) {
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        char text[kMaxCaptured];
        const ssize_t got = ::pread(m_capture, text, sizeof text, 0);
        ::close(m_capture);
        m_saved = m_capture = -1;
        const std::string_view captured(text, got > 0 ? static_cast<std::size_t>(got) : 0);
        for (std::size_t start = 0; start < captured.size();) {
            const std::size_t newline = captured.find('\n', start);
            const std::size_t end = newline == std::string_view::npos ? captured.size() : newline + 1;
            const std::string_view line = captured.substr(start, end - start);
            if (line.substr(0, 6) == "x264 [")
                m_outOfMemory = m_outOfMemory || line.find("malloc of size") != std::string_view::npos;
            else
                WriteAll(STDERR_FILENO, line.data(), line.size());
            start = end;
        }
    }
    m_hold.reset();  // a held signal acts now, with standard error back in place
    g_capturing.unlock();
    return m_outOfMemory;
}
