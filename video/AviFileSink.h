#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Where the AVI writer's bytes go: the sink interface, how a sink is opened, and
// the sink of real files.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct iovec;

// Open modes, with the values of the platform's file-open flags.
constexpr std::uint32_t kAviOpenWrite = 0x0001;
constexpr std::uint32_t kAviOpenCreate = 0x1000;

// Result codes stored by AviWriter::Open: 0 for success, otherwise an error in
// the range of the AVI file library's codes.
constexpr std::int32_t kAviResultOk = 0;
constexpr std::int32_t kAviErrorBadFlags = static_cast<std::int32_t>(0x80044069u);
constexpr std::int32_t kAviErrorFileOpen = static_cast<std::int32_t>(0x8004406Fu);

// Where the writer's bytes go: appended in order, with a few earlier bytes
// (sizes, counts, indexes) rewritten when the stream ends. Every call reports
// whether the bytes arrived.
class AviSink {
public:
    virtual ~AviSink() = default;
    virtual bool Append(const void* data, std::size_t size) = 0;
    virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Hands everything to the file and releases it.
    virtual bool Close() = 0;
};

// Opens the sink for path with an open mode; on failure returns null and stores
// an error code in result.
using AviSinkOpener =
    std::function<std::unique_ptr<AviSink>(const std::string& path, std::uint32_t mode, std::int32_t& result)>;

// The sink of real files: large buffered writes to a regular file. Other kinds of
// file (devices, pipes) are refused, as the format needs to rewrite its headers.
std::unique_ptr<AviSink> OpenAviFileSink(const std::string& path, std::uint32_t mode, std::int32_t& result);

// A regular file behind a 1 MiB buffer. Small pieces (chunk headers, indexes)
// collect in the buffer; a large block leaves together with them in one call.
// OpenAviFileSink makes them.
class AviFileSink final : public AviSink {
public:
    // Takes fd over: it is closed by Close or the destructor.
    explicit AviFileSink(int fd);
    ~AviFileSink() override;
    AviFileSink(const AviFileSink&) = delete;
    AviFileSink& operator=(const AviFileSink&) = delete;

    bool Append(const void* data, std::size_t size) override;
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override;
    bool Close() override;

private:
    static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

    bool Flush();
    // Once a write failed, the file's content is unknown: nothing more goes out.
    bool Written(bool complete);
    bool WriteAll(iovec* parts, int count);

    int m_fd;
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
    bool m_broken = false;
};

