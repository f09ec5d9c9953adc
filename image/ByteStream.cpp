// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/ByteStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "image/Exceptions.h"

namespace {

[[noreturn]] void RaiseFileError(int error, const std::string& path)
{
    throw CFileException(CFileException::generic, error, path);
}

}  // namespace

// ---------------------------------------------------------------- ByteReader

ByteReader::ByteReader(const std::string& path) : m_path(path), m_fileBuffer(kBufferSize)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        RaiseFileError(errno, path);
    struct stat status {};
    if (::fstat(m_fd, &status) != 0) {
        const int error = errno;
        Close();
        RaiseFileError(error, path);
    }
    if (S_ISDIR(status.st_mode)) {
        Close();
        RaiseFileError(EISDIR, path);
    }
    if (S_ISREG(status.st_mode))
        m_totalSize = static_cast<std::uint64_t>(status.st_size);
}

ByteReader::ByteReader(const std::uint8_t* data, std::size_t size)
    : m_next(data), m_end(data + size), m_totalSize(size)
{
}

ByteReader::~ByteReader()
{
    Close();
}

void ByteReader::Close()
{
    if (m_fd >= 0) {
        ::close(m_fd);  // read-only: nothing can be lost here
        m_fd = -1;
    }
    m_next = m_end;
}

std::optional<std::uint64_t> ByteReader::Remaining() const
{
    if (!m_totalSize)
        return std::nullopt;
    return *m_totalSize > m_position ? *m_totalSize - m_position : 0;
}

bool ByteReader::Refill()
{
    if (m_fd < 0)
        return false;
    for (;;) {
        const ssize_t got = ::read(m_fd, m_fileBuffer.data(), m_fileBuffer.size());
        if (got > 0) {
            m_next = m_fileBuffer.data();
            m_end = m_next + got;
            return true;
        }
        if (got == 0)
            return false;
        if (errno != EINTR)
            RaiseFileError(errno, m_path);
    }
}

void ByteReader::RaiseEndOfFile()
{
    throw CArchiveException(CArchiveException::endOfFile);
}

std::uint8_t ByteReader::ReadU8()
{
    if (m_next == m_end && !Refill())
        RaiseEndOfFile();
    ++m_position;
    return *m_next++;
}

std::uint16_t ByteReader::ReadU16()
{
    std::uint8_t bytes[2];
    ReadBytes(bytes, sizeof bytes);
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t ByteReader::ReadU32()
{
    std::uint8_t bytes[4];
    ReadBytes(bytes, sizeof bytes);
    return std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) | (std::uint32_t{bytes[2]} << 16) |
           (std::uint32_t{bytes[3]} << 24);
}

std::int32_t ByteReader::ReadI32()
{
    return static_cast<std::int32_t>(ReadU32());
}

void ByteReader::ReadBytes(std::uint8_t* destination, std::size_t count)
{
    while (count > 0) {
        if (m_next == m_end) {
            // Large blocks go straight from the file into place, without the detour
            // through the buffer.
            if (m_fd >= 0 && count >= m_fileBuffer.size()) {
                const ssize_t got = ::read(m_fd, destination, count);
                if (got > 0) {
                    destination += got;
                    count -= static_cast<std::size_t>(got);
                    m_position += static_cast<std::uint64_t>(got);
                    continue;
                }
                if (got < 0 && errno == EINTR)
                    continue;
                if (got < 0)
                    RaiseFileError(errno, m_path);
                RaiseEndOfFile();
            }
            if (!Refill())
                RaiseEndOfFile();
        }
        const std::size_t chunk = std::min<std::size_t>(count, static_cast<std::size_t>(m_end - m_next));
        std::memcpy(destination, m_next, chunk);
        m_next += chunk;
        destination += chunk;
        count -= chunk;
        m_position += chunk;
    }
}

void ByteReader::Skip(std::uint64_t count)
{
    // With a known size a skip past the end fails at once instead of reading up to it.
    if (const auto left = Remaining(); left && count > *left) {
        m_position += static_cast<std::uint64_t>(m_end - m_next);
        Close();
        RaiseEndOfFile();
    }
    while (count > 0) {
        if (m_next == m_end && !Refill())
            RaiseEndOfFile();
        const std::uint64_t chunk = std::min<std::uint64_t>(count, static_cast<std::uint64_t>(m_end - m_next));
        m_next += chunk;
        count -= chunk;
        m_position += chunk;
    }
}

// ---------------------------------------------------------------- ByteWriter

ByteWriter::ByteWriter(const std::string& path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0)
        RaiseFileError(errno, path);
    m_fileBuffer.reserve(kBufferSize);
}

ByteWriter::ByteWriter(std::vector<std::uint8_t>& block) : m_block(&block) {}

ByteWriter::~ByteWriter()
{
    if (m_fd < 0)
        return;
    // Best effort for a writer that was not closed; only Close reports failures.
    if (!m_failed) {
        try {
            Flush();
        } catch (const CException&) {
        }
    }
    ::close(m_fd);
}

void ByteWriter::RaiseWriteError(int error)
{
    m_failed = true;
    m_error = error;
    m_fileBuffer.clear();
    throw CFileException(CFileException::hardIO, error, m_path);
}

void ByteWriter::CheckUsable() const
{
    if (m_failed)
        throw CFileException(CFileException::hardIO, m_error, m_path);
    if (!m_block && m_fd < 0)
        throw CArchiveException(CArchiveException::generic);  // written after Close
}

void ByteWriter::WriteToFile(const std::uint8_t* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(m_fd, data, count);
        if (written > 0) {
            data += written;
            count -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        RaiseWriteError(written < 0 ? errno : ENOSPC);
    }
}

void ByteWriter::WriteU8(std::uint8_t value)
{
    WriteBytes(&value, 1);
}

void ByteWriter::WriteU16(std::uint16_t value)
{
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)};
    WriteBytes(bytes, sizeof bytes);
}

void ByteWriter::WriteU32(std::uint32_t value)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    WriteBytes(bytes, sizeof bytes);
}

void ByteWriter::WriteI32(std::int32_t value)
{
    WriteU32(static_cast<std::uint32_t>(value));
}

void ByteWriter::WriteBytes(const std::uint8_t* source, std::size_t count)
{
    CheckUsable();
    if (count == 0)
        return;
    if (m_block) {
        try {
            m_block->insert(m_block->end(), source, source + count);
        } catch (const std::bad_alloc&) {
            throw CMemoryException();
        } catch (const std::length_error&) {
            throw CMemoryException();
        }
    } else if (m_fileBuffer.size() + count < kBufferSize) {
        m_fileBuffer.insert(m_fileBuffer.end(), source, source + count);
    } else {
        // Fill up the buffer, then send whole blocks straight to the file.
        const std::size_t head = kBufferSize - m_fileBuffer.size();
        m_fileBuffer.insert(m_fileBuffer.end(), source, source + head);
        Flush();
        const std::uint8_t* rest = source + head;
        const std::size_t restCount = count - head;
        const std::size_t direct = restCount - restCount % kBufferSize;
        WriteToFile(rest, direct);
        m_fileBuffer.assign(rest + direct, source + count);
    }
    m_position += count;
}

void ByteWriter::Flush()
{
    if (m_block || m_fd < 0)
        return;
    CheckUsable();
    WriteToFile(m_fileBuffer.data(), m_fileBuffer.size());
    m_fileBuffer.clear();
}

void ByteWriter::Close()
{
    if (m_block || m_fd < 0)
        return;
    if (!m_failed) {
        try {
            Flush();
        } catch (const CException&) {
            ::close(m_fd);
            m_fd = -1;
            throw;
        }
    }
    const int fd = m_fd;
    m_fd = -1;
    if (m_failed) {
        ::close(fd);
        throw CFileException(CFileException::hardIO, m_error, m_path);
    }
    // Network and some local file systems report a lost write only here.
    if (::close(fd) != 0)
        RaiseWriteError(errno);
}
