#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The failures of file and clipboard input and output. Codecs raise them; the
// document (and grimasso-cli) catch them all through CException in one place.
#include <exception>
#include <string>

class CException : public std::exception {
public:
    explicit CException(std::string what) : m_what(std::move(what)) {}
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    std::string m_what;
};

// A file that cannot be opened, created or written. m_cause says which:
//   generic       it cannot be opened or created;
//   accessDenied  it exists but we may not write it, so it is not replaced;
//   invalidFile   it is no regular file (a named pipe, a device, a folder);
//   hardIO        the data could not be written completely (a full disk, a size limit).
// m_lOsError is the operating system's errno, or -1 where the C library hid it.
class CFileException : public CException {
public:
    enum { none = 0, generic = 1, accessDenied = 5, invalidFile = 6, hardIO = 10 };
    CFileException(int cause, int osError, const std::string& path)
        : CException("file error " + std::to_string(cause) + " (" + std::to_string(osError) + "): " + path),
          m_cause(cause), m_lOsError(osError), m_strFileName(path) {}

    int m_cause;
    int m_lOsError;
    std::string m_strFileName;
};

// Malformed, unsupported or truncated data, or a picture the codec cannot write.
class CArchiveException : public CException {
public:
    enum { none = 0, generic = 1, readOnly = 2, endOfFile = 3, writeOnly = 4, badIndex = 5 };
    explicit CArchiveException(int cause)
        : CException("archive error " + std::to_string(cause)), m_cause(cause) {}

    int m_cause;
};

// A valid picture larger than Grimasso holds (see ImageLimits.h), refused
// before its pixels are allocated; the message names its size.
class CPictureSizeException : public CArchiveException {
public:
    CPictureSizeException(long long width, long long height)
        : CArchiveException(CArchiveException::badIndex), m_width(width), m_height(height) {}

    long long m_width;
    long long m_height;
};

// A buffer that cannot be allocated.
class CMemoryException : public CException {
public:
    CMemoryException() : CException("out of memory") {}
};
