#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Reading AVI files back in tests: a RIFF walker over the file as it lies on
// disk, a sink that fails on demand, and the ffprobe/ffmpeg views of a file.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "video/AviFileSink.h"
#include "video/AviWriter.h"

namespace avitest {

// One chunk of a RIFF file; lists (RIFF, LIST) carry their type and children.
struct Chunk {
    std::string id;
    std::uint32_t size = 0;
    std::uint64_t offset = 0;  // of the chunk header
    std::string listType;
    std::vector<Chunk> children;

    std::uint64_t DataOffset() const { return offset + 8; }
    // The first child with this id (or, for lists, list type); null when none.
    const Chunk* Find(const std::string& name) const
    {
        for (const Chunk& child : children)
            if (child.id == name || child.listType == name)
                return &child;
        return nullptr;
    }
    std::vector<const Chunk*> FindAll(const std::string& name) const
    {
        std::vector<const Chunk*> found;
        for (const Chunk& child : children)
            if (child.id == name || child.listType == name)
                found.push_back(&child);
        return found;
    }
};

// Walks a whole file. Every chunk must lie inside its parent (the file for the
// top level) and chunks are word aligned; a violation is recorded in error.
class RiffFile {
public:
    explicit RiffFile(const std::string& path) : m_in(path, std::ios::binary)
    {
        m_in.seekg(0, std::ios::end);
        m_size = static_cast<std::uint64_t>(m_in.tellg());
        Walk(0, m_size, top);
    }

    std::vector<std::uint8_t> Bytes(std::uint64_t offset, std::size_t count)
    {
        std::vector<std::uint8_t> bytes(count);
        m_in.clear();
        m_in.seekg(static_cast<std::streamoff>(offset));
        m_in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
        if (static_cast<std::size_t>(m_in.gcount()) != count)
            error = "read past the end at " + std::to_string(offset);
        return bytes;
    }
    std::vector<std::uint8_t> Data(const Chunk& chunk) { return Bytes(chunk.DataOffset(), chunk.size); }
    std::uint32_t U32(std::uint64_t offset)
    {
        const std::vector<std::uint8_t> b = Bytes(offset, 4);
        return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    std::uint64_t Size() const { return m_size; }

    std::vector<Chunk> top;
    std::string error;

private:
    void Walk(std::uint64_t begin, std::uint64_t end, std::vector<Chunk>& into)
    {
        std::uint64_t at = begin;
        while (at + 8 <= end && error.empty()) {
            const std::vector<std::uint8_t> head = Bytes(at, 8);
            Chunk chunk;
            chunk.id.assign(head.begin(), head.begin() + 4);
            chunk.size = head[4] | (head[5] << 8) | (head[6] << 16) | (static_cast<std::uint32_t>(head[7]) << 24);
            chunk.offset = at;
            const std::uint64_t dataEnd = at + 8 + chunk.size;
            if (dataEnd > end) {
                error = chunk.id + " at " + std::to_string(at) + " runs past its parent";
                return;
            }
            if (chunk.id == "RIFF" || chunk.id == "LIST") {
                const std::vector<std::uint8_t> type = Bytes(at + 8, 4);
                chunk.listType.assign(type.begin(), type.end());
                Walk(at + 12, dataEnd, chunk.children);
            }
            into.push_back(std::move(chunk));
            at = dataEnd + (dataEnd & 1);
        }
        if (at != end && at != end + 1 && error.empty())
            error = "stray bytes at " + std::to_string(at);
    }

    std::ifstream m_in;
    std::uint64_t m_size = 0;
};

inline std::uint32_t LittleU32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint16_t LittleU16(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
inline std::uint64_t LittleU64(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return LittleU32(b, at) | (static_cast<std::uint64_t>(LittleU32(b, at + 4)) << 32);
}

// A real file sink that fails on request: appends once more than appendBudget
// bytes went out, any rewrite of earlier bytes, or the final close.
struct SinkFailures {
    std::uint64_t appendBudget = UINT64_MAX;
    bool failWriteAt = false;
    bool failClose = false;
    std::uint64_t appended = 0;  // what the writer appended, failed calls included
};

class FailingSink : public AviSink {
public:
    FailingSink(std::unique_ptr<AviSink> inner, SinkFailures& failures)
        : m_inner(std::move(inner)), m_failures(failures)
    {
    }
    bool Append(const void* data, std::size_t size) override
    {
        m_failures.appended += size;
        if (m_failures.appended > m_failures.appendBudget)
            return false;
        return m_inner->Append(data, size);
    }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override
    {
        return !m_failures.failWriteAt && m_inner->WriteAt(offset, data, size);
    }
    bool Close() override
    {
        const bool closed = m_inner->Close();
        return closed && !m_failures.failClose;
    }

private:
    std::unique_ptr<AviSink> m_inner;
    SinkFailures& m_failures;
};

inline AviSinkOpener FailingOpener(SinkFailures& failures)
{
    return [&failures](const std::string& path, std::uint32_t mode, std::int32_t& result) -> std::unique_ptr<AviSink> {
        std::unique_ptr<AviSink> inner = OpenAviFileSink(path, mode, result);
        if (!inner)
            return nullptr;
        return std::make_unique<FailingSink>(std::move(inner), failures);
    };
}

// --- the file as other programs read it ------------------------------------

inline bool HaveTool(const std::string& name)
{
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

inline std::string Quoted(const std::string& path)
{
    std::string quoted = "'";
    for (char c : path)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Everything a command prints on standard output.
inline std::string Output(const std::string& command)
{
    std::string text;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return text;
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, got);
    ::pclose(pipe);
    return text;
}

// ffprobe's key=value view of the streams of a file (count adds nb_read_frames);
// "video_streams" tells how many video streams there are.
inline std::map<std::string, std::string> ProbeVideoStream(const std::string& path, bool count)
{
    const std::string text =
        Output("ffprobe -v error " + std::string(count ? "-count_frames " : "") +
               "-show_entries stream=codec_type,codec_name,width,height,r_frame_rate,nb_frames,nb_read_frames "
               "-of default=noprint_wrappers=1 " +
               Quoted(path) + " 2>/dev/null");
    std::map<std::string, std::string> values;
    int videoStreams = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
        videoStreams += line == "codec_type=video";
    }
    values["video_streams"] = std::to_string(videoStreams);
    return values;
}

// Every frame ffmpeg decodes (each once, whatever its delay), as top-down rows of 3 * width bytes (blue, green, red).
inline std::vector<std::vector<std::uint8_t>> DecodeFrames(const std::string& path, int width, int height)
{
    const std::string all = Output("ffmpeg -v error -i " + Quoted(path) + " -fps_mode passthrough -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    const std::size_t frameBytes = static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height);
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t at = 0; at + frameBytes <= all.size(); at += frameBytes)
        frames.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at),
                            all.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
    return frames;
}

// A bottom-up frame with padded rows in the decoded layout: top row first, no padding.
inline std::vector<std::uint8_t> AsDecoded(const std::uint8_t* frame, int width, int height, int rowBytes)
{
    std::vector<std::uint8_t> rows;
    rows.reserve(static_cast<std::size_t>(width) * 3 * static_cast<std::size_t>(height));
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = frame + static_cast<std::size_t>(y) * static_cast<std::size_t>(rowBytes);
        rows.insert(rows.end(), row, row + 3 * width);
    }
    return rows;
}

}  // namespace avitest
