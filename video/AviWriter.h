#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes one AVI file holding a single video stream of uncompressed frames, in
// the RIFF AVI format with the OpenDML extension: the first RIFF ('AVI ') carries
// the headers, its frames and the legacy idx1 index; further frames go to 'AVIX'
// RIFFs, each under 1 GiB; a super index in the stream header points to one
// standard index ('ix00') per RIFF, and 'dmlh' holds the total frame count.
//
// Calling order: Open, CreateVideoStream, WriteFrame once per frame, EndStream,
// Close. EndStream, Close and the destructor are safe in any state and any
// number of times. The writer shows no messages and never deletes files.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/AviFileSink.h"

// Index flag of a key frame.
constexpr std::uint32_t kAviKeyFrame = 0x10;

// The stream format: a 40-byte BITMAPINFOHEADER followed by 4 zero bytes.
constexpr std::size_t kVideoFormatBytes = 44;
using VideoFormatBlock = std::array<std::uint8_t, kVideoFormatBytes>;

struct AviStreamState;

class AviWriter {
public:
    AviWriter();
    // Writes through sinks from opener (tests put failures in the way with it).
    explicit AviWriter(AviSinkOpener opener);
    virtual ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // Closes whatever is open, then opens path; result receives 0 or an error code.
    bool Open(const std::string& path, std::uint32_t mode, std::int32_t& result);
    // Starts the file's only video stream: frames at rate per second, length the
    // number of frames the caller will write. Fails without an open file, for a
    // second stream, a rate of 0, a format without a positive width and a height,
    // or when the headers cannot be written.
    bool CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t length);
    // Stores the frame byte for byte as a key frame. The next frame index advances
    // even when the write fails. A frame the format cannot hold (one larger than a
    // RIFF may be, or with no index entry left) is refused without touching the
    // file; after bytes failed to reach the file, it is incomplete, and every later
    // write and EndStream fail too.
    bool WriteFrame(const void* bytes, std::size_t count);
    // Writes the indexes and the final headers and releases the stream. False when
    // this or an earlier write of the stream failed: the file is then not a
    // complete video. True when no stream is held.
    bool EndStream();
    // EndStream, then releases the file. False when anything of the file failed to
    // reach the disk. True when no file is held.
    bool Close();

    std::int32_t NextFrame() const { return m_nextFrame; }
    bool HasFile() const { return m_pFile != nullptr; }
    bool HasStream() const { return m_pStream != nullptr; }

    // Every RIFF stays below this size (1 GiB unless tests shrink it to reach
    // the 'AVIX' part with small files). Takes effect for the next stream.
    void SetRiffSizeLimit(std::uint64_t bytes) { m_riffSizeLimit = bytes; }

    static constexpr std::uint64_t kDefaultRiffSizeLimit = std::uint64_t{1} << 30;

private:
    bool WriteFrameChunk(const void* bytes, std::size_t count);
    bool StartRiff();
    bool FinishRiff();
    bool WriteHeaders();
    bool Append(const void* data, std::size_t size);

    AviSinkOpener m_opener;
    std::unique_ptr<AviSink> m_pFile;
    std::unique_ptr<AviStreamState> m_pStream;
    std::int32_t m_nextFrame = 0;
    bool m_streamCreated = false;  // the file already has its stream
    bool m_fileFailed = false;     // some bytes of the file did not arrive
    std::uint64_t m_riffSizeLimit = kDefaultRiffSizeLimit;
};
