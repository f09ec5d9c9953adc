// SPDX-License-Identifier: GPL-3.0-or-later
// The choice of writer by ending, and the AVI writer behind the common interface.
#include "video/VideoWriter.h"

#include <algorithm>
#include <cctype>

#include "video/EncoderModule.h"

namespace {

// The AVI writer, unchanged, in the calling order of the export.
class AviVideoWriter : public VideoWriter {
public:
    explicit AviVideoWriter(const AviSinkOpener& opener) : m_writer(opener) {}

    bool Open(const std::string& path) override
    {
        std::int32_t result = 0;
        return m_writer.Open(path, kAviOpenWrite | kAviOpenCreate, result);
    }
    bool CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t length) override
    {
        return m_writer.CreateVideoStream(format, rate, length);
    }
    bool WriteFrame(const void* bytes, std::size_t count) override { return m_writer.WriteFrame(bytes, count); }
    bool EndStream() override { return m_writer.EndStream(); }
    bool Close() override { return m_writer.Close(); }
    void Abandon() override
    {
        m_writer.EndStream();
        m_writer.Close();
    }
    bool KeepsFileAfterStreamFailure() const override { return true; }

private:
    AviWriter m_writer;
};

bool EndsWith(const std::string& lower, const char* ending)
{
    const std::string suffix(ending);
    return lower.size() > suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

VideoFileFormat VideoFileFormatForPath(const std::string& path)
{
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    // "x/.mp4" is a hidden file without an ending, as the editor sees it.
    const std::size_t slash = lower.find_last_of('/');
    const std::string name = slash == std::string::npos ? lower : lower.substr(slash + 1);
    if (EndsWith(name, ".mp4"))
        return VideoFileFormat::Mp4;
    if (EndsWith(name, ".webm"))
        return VideoFileFormat::WebM;
    if (EndsWith(name, ".gif"))
        return VideoFileFormat::Gif;
    return VideoFileFormat::Avi;
}

std::unique_ptr<VideoWriter> CreateVideoWriter(VideoFileFormat format, const AviSinkOpener& aviOpener)
{
    switch (format) {
    case VideoFileFormat::Mp4:
        return CreateEncodedVideoWriter(EncodedFormat::Mp4);
    case VideoFileFormat::WebM:
        return CreateEncodedVideoWriter(EncodedFormat::WebM);
    case VideoFileFormat::Gif:
        return CreateEncodedVideoWriter(EncodedFormat::Gif);
    case VideoFileFormat::Avi:
        break;
    }
    return std::make_unique<AviVideoWriter>(aviOpener);
}
