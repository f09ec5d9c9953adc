#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the video export writes frames through: our own AVI writer for .avi (and
// any ending we do not know), or an FFmpeg encoder for .mp4, .webm and .gif.
// Calling order: Open, CreateVideoStream, WriteFrame once per frame, then
// either EndStream and Close for a finished video, or Abandon. Writers show no
// messages and never delete files; the export loop does both.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/AviWriter.h"

class VideoWriter {
public:
    virtual ~VideoWriter() = default;

    // Creates the file (false: it cannot be created).
    virtual bool Open(const std::string& path) = 0;
    // Sets up the stream for frames in the layout the format block describes
    // (24-bit rows, bottom-up, padded to 4 bytes), rate frames a second, length
    // frames in all. False when the stream or its encoder cannot be set up.
    virtual bool CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t length) = 0;
    // Writes one frame; false when it could not be written or encoded.
    virtual bool WriteFrame(const void* bytes, std::size_t count) = 0;
    // Finishes the stream (indexes, delayed frames, trailers); false when that
    // or anything before failed.
    virtual bool EndStream() = 0;
    // Hands everything to the file and releases it; false when bytes were lost.
    virtual bool Close() = 0;
    // Releases the file without finishing it: the caller deletes it anyway.
    virtual void Abandon() = 0;

    // Set before CreateVideoStream: the long side of the frames written (0: the
    // picture's own size), and the undeformed picture (the stream's layout) whose
    // colours the frames are made of. The AVI writer keeps every frame as it is.
    virtual void SetOutputLongSide(std::int32_t /*longSide*/) {}
    virtual void SetPaletteSource(const std::uint8_t* /*rows*/) {}
    // True when a held frame is written once, shown showings frame times long;
    // otherwise the export writes it showings times.
    virtual bool HoldsByDelay() const { return false; }
    virtual bool WriteHeldFrame(const void* bytes, std::size_t count, std::uint32_t /*showings*/)
    {
        return WriteFrame(bytes, count);
    }

    // The last failure came from a lack of memory, not from the file.
    virtual bool RanOutOfMemory() const { return false; }
    // After a failed CreateVideoStream the created file stays on disk (the
    // AVI writer releases it empty); encoded formats leave nothing behind.
    virtual bool KeepsFileAfterStreamFailure() const { return false; }
};

enum class VideoFileFormat { Avi, Mp4, WebM, Gif };

// By the path's ending, compared without regard to case; unknown endings and
// names without one give Avi.
VideoFileFormat VideoFileFormatForPath(const std::string& path);

// The writer for format; aviOpener is where the AVI writer's sinks come from.
std::unique_ptr<VideoWriter> CreateVideoWriter(VideoFileFormat format, const AviSinkOpener& aviOpener);
