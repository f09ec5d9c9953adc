#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Videos encoded through FFmpeg's libraries:
//   Mp4  - H.264 (libx264), yuv420p, constant quality, the index at the front
//          so that playback starts at once; an odd width or height gets one
//          more column or row repeating the edge, as 4:2:0 needs even sizes.
//   WebM - VP9 (libvpx), yuv420p, constant quality, rows encoded in parallel.
//   Gif  - an animated GIF looping forever, every delay the nearest whole
//          hundredth of a second to 1 / rate; one palette for all frames (see
//          GifPalette.h); a held frame is one frame with a longer delay.
// With a long side set, frames are scaled down by area averaging (MP4 and WebM
// to even sides).
// Library messages are silenced; failures are only reported as false.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "video/VideoWriter.h"

enum class EncodedFormat { Mp4, WebM, Gif };

struct EncodedStream;
struct AVCodec;

class EncodedVideoWriter : public VideoWriter {
public:
    explicit EncodedVideoWriter(EncodedFormat format);
    ~EncodedVideoWriter() override;

    // Refuses anything but a regular file (or a name that does not exist yet).
    bool Open(const std::string& path) override;
    bool CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t length) override;
    bool WriteFrame(const void* bytes, std::size_t count) override;
    bool EndStream() override;
    bool Close() override;
    void Abandon() override;
    bool RanOutOfMemory() const override { return m_outOfMemory; }
    void SetOutputLongSide(std::int32_t longSide) override { m_longSide = longSide; }
    void SetPaletteSource(const std::uint8_t* rows) override { m_paletteSource = rows; }
    bool HoldsByDelay() const override { return m_format == EncodedFormat::Gif; }
    bool WriteHeldFrame(const void* bytes, std::size_t count, std::uint32_t showings) override;

    // The size of the encoded picture for a width x height frame.
    static void EncodedSize(EncodedFormat format, std::int32_t& width, std::int32_t& height);
    // The size of the frames of a width x height picture with longSide as the
    // long side (0, or not less than the picture's, keeps the size); MP4 and
    // WebM round the other side to even.
    static void ScaledSize(EncodedFormat format, std::int32_t longSide, std::int32_t& width, std::int32_t& height);

private:
    bool Fail(int error);
    int OpenEncoder(const AVCodec* codec, int threads, std::int32_t width, std::int32_t height);
    bool Encode(bool flush);
    bool WritePackets();
    bool EncodeGifFrames(bool flush);
    bool FileIsHealthy();

    EncodedFormat m_format;
    std::unique_ptr<EncodedStream> m_stream;
    bool m_failed = false;
    bool m_outOfMemory = false;
    bool m_ended = false;
    std::int32_t m_longSide = 0;
    std::uint32_t m_rate = 0;
    const std::uint8_t* m_paletteSource = nullptr;
};
