#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// How a codec's stdio output ended. The libraries only learn that an fwrite
// fell short and jump back through their error handler, so the errno of that
// moment is taken right after the library's last call, before anything else
// runs. Close then closes the file, whose final flush may fail as well, and
// raises CFileException(hardIO) with the operating system's reason.
#include <cerrno>
#include <cstdio>
#include <string>

#include "image/Exceptions.h"

class WriteOutcome {
public:
    explicit WriteOutcome(std::FILE* file) : m_error(errno), m_file(file), m_failed(std::ferror(file) != 0) {}
    ~WriteOutcome()
    {
        if (m_file)
            std::fclose(m_file);
    }
    WriteOutcome(const WriteOutcome&) = delete;
    WriteOutcome& operator=(const WriteOutcome&) = delete;

    void Close(const std::string& path)
    {
        std::FILE* file = m_file;
        m_file = nullptr;
        const bool closed = std::fclose(file) == 0;
        const int error = m_failed ? m_error : errno;
        if (m_failed || !closed)
            throw CFileException(CFileException::hardIO, error > 0 ? error : EIO, path);
    }

private:
    int m_error;
    std::FILE* m_file;
    bool m_failed;
};
