#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Buffered little-endian byte streams for the bitmap formats. A reader takes its
// bytes from a file or from a memory block (a packed bitmap from the clipboard);
// a writer puts them into a file or appends them to a growable memory block.
//
// Failures are raised, never returned:
//   - a file that cannot be opened or created, or a failed read:
//     CFileException(generic), m_lOsError = errno;
//   - reading past the end of the data: CArchiveException(endOfFile);
//   - a failed write (a full disk, a size limit, a lost device), also when the
//     last buffered bytes are flushed on Close: CFileException(hardIO), m_lOsError = errno.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ByteReader {
public:
    static constexpr std::size_t kBufferSize = 4096;

    // Opens path for reading.
    explicit ByteReader(const std::string& path);
    // Reads from size bytes at data; the block must outlive the reader.
    ByteReader(const std::uint8_t* data, std::size_t size);
    ~ByteReader();
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32();
    // Fills count bytes at destination, or raises endOfFile when fewer remain.
    void ReadBytes(std::uint8_t* destination, std::size_t count);
    // Steps over count bytes; raises endOfFile when fewer remain.
    void Skip(std::uint64_t count);

    // Bytes consumed since the start of the data.
    std::uint64_t Position() const { return m_position; }
    // Bytes still to come, when known (memory blocks and regular files).
    std::optional<std::uint64_t> Remaining() const;

    // Releases the file; further reads raise endOfFile. Called by the destructor too.
    void Close();

private:
    // Refills the file buffer; false at the end of the file.
    bool Refill();
    [[noreturn]] void RaiseEndOfFile();

    int m_fd = -1;
    std::string m_path;
    std::vector<std::uint8_t> m_fileBuffer;
    const std::uint8_t* m_next = nullptr;  // next unread byte
    const std::uint8_t* m_end = nullptr;   // one past the last buffered byte
    std::uint64_t m_position = 0;
    std::optional<std::uint64_t> m_totalSize;
};

class ByteWriter {
public:
    static constexpr std::size_t kBufferSize = 4096;

    // Creates path, or truncates an existing file, for writing.
    explicit ByteWriter(const std::string& path);
    // Appends to block; the block must outlive the writer.
    explicit ByteWriter(std::vector<std::uint8_t>& block);
    // Closes without reporting errors: call Close to learn whether all bytes arrived.
    ~ByteWriter();
    ByteWriter(const ByteWriter&) = delete;
    ByteWriter& operator=(const ByteWriter&) = delete;

    void WriteU8(std::uint8_t value);
    void WriteU16(std::uint16_t value);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value);
    void WriteBytes(const std::uint8_t* source, std::size_t count);

    // Bytes written since the start.
    std::uint64_t Position() const { return m_position; }

    // Hands the buffered bytes to the file.
    void Flush();
    // Flushes and closes the file; raises when any byte could not be written.
    void Close();

private:
    void WriteToFile(const std::uint8_t* data, std::size_t count);
    [[noreturn]] void RaiseWriteError(int error);
    // Raises again the error that broke the stream, or generic after Close.
    void CheckUsable() const;

    int m_fd = -1;
    std::string m_path;
    std::vector<std::uint8_t>* m_block = nullptr;
    std::vector<std::uint8_t> m_fileBuffer;
    std::uint64_t m_position = 0;
    bool m_failed = false;
    int m_error = 0;  // errno of the failure that broke the stream
};
