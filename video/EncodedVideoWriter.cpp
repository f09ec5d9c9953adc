// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/EncodedVideoWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>

#include "image/DibImage.h"
#include "video/GifPalette.h"
#include "video/LibraryErrorCapture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// H.264 at about the quality where losses stop being visible; VP9's scale is
// different, 24 keeps the same detail.
constexpr const char* kMp4Quality = "18";
constexpr const char* kWebmQuality = "24";
// VP9's fastest setting that still spends effort on quality; 0 would take minutes a frame.
constexpr const char* kWebmSpeed = "4";

struct FormatSettings {
    const char* container;
    const char* encoder;
    AVPixelFormat pixelFormat;
};

FormatSettings SettingsOf(EncodedFormat format)
{
    switch (format) {
    case EncodedFormat::Mp4:
        return {"mp4", "libx264", AV_PIX_FMT_YUV420P};
    case EncodedFormat::WebM:
        return {"webm", "libvpx-vp9", AV_PIX_FMT_YUV420P};
    case EncodedFormat::Gif:
        break;
    }
    return {"gif", "gif", AV_PIX_FMT_PAL8};
}

// Set when a library logs on this thread that memory ran out, where FFmpeg's
// wrapper passes on a code that does not say so (libvpx: "Memory allocation
// error", with EINVAL).
thread_local bool t_loggedLackOfMemory = false;

// Prints nothing: the export reports failures in its own words.
void NoteLibraryMessage(void*, int level, const char* format, va_list arguments)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    va_list copy;
    va_copy(copy, arguments);
    std::vsnprintf(line, sizeof line, format, copy);
    va_end(copy);
    if (std::strstr(line, "Memory allocation error") || std::strstr(line, "Cannot allocate memory"))
        t_loggedLackOfMemory = true;
}

void SilenceLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_QUIET);
        av_log_set_callback(NoteLibraryMessage);
    });
}

// Whether the libraries said, in their log or on standard error (see
// LibraryErrorCapture.h), that memory ran out since Watch.
class LackOfMemoryWatch {
public:
    LackOfMemoryWatch() { t_loggedLackOfMemory = false; }
    bool End() { return m_capture.End() || t_loggedLackOfMemory; }

private:
    LibraryErrorCapture m_capture;
};

// Copies the bottom-up rows of a frame (rowBytes apart) into a top-down
// bgr24 frame of the same size.
void CopyTopDown(const std::uint8_t* bytes, std::int32_t rowBytes, AVFrame* frame)
{
    const std::size_t rowLength = static_cast<std::size_t>(frame->width) * 3;
    for (int y = 0; y < frame->height; ++y)
        std::memcpy(frame->data[0] + static_cast<std::ptrdiff_t>(y) * frame->linesize[0],
                    bytes + static_cast<std::size_t>(frame->height - 1 - y) * rowBytes, rowLength);
}

// Scales the bottom-up rows of a source frame into frame (top-down) with scaler.
void ScaleTopDown(SwsContext* scaler, const std::uint8_t* bytes, std::int32_t rowBytes, std::int32_t height,
                  AVFrame* frame)
{
    const std::uint8_t* source[1] = {bytes + static_cast<std::size_t>(height - 1) * rowBytes};
    const int stride[1] = {-rowBytes};
    sws_scale(scaler, source, stride, 0, height, frame->data, frame->linesize);
}

// Repeats the last column and row of the luma plane into the padding of an
// odd-sized picture; the chroma planes already cover it (they round up).
void RepeatEdges(AVFrame* frame, std::int32_t width, std::int32_t height)
{
    std::uint8_t* luma = frame->data[0];
    const int stride = frame->linesize[0];
    if (frame->width > width)
        for (int y = 0; y < height; ++y)
            luma[y * stride + width] = luma[y * stride + width - 1];
    if (frame->height > height)
        std::memcpy(luma + height * stride, luma + (height - 1) * stride, static_cast<std::size_t>(frame->width));
}

}  // namespace

struct EncodedStream {
    std::string path;
    AVFormatContext* container = nullptr;
    AVCodecContext* encoder = nullptr;
    AVStream* stream = nullptr;
    SwsContext* converter = nullptr;
    SwsContext* gifScaler = nullptr;  // GIF only, when the frames are scaled
    AVFrame* picture = nullptr;  // the encoder's input (GIF: the top-down bgr24 frame for the palette)
    AVFrame* mapped = nullptr;   // GIF only: the paletted frame
    AVPacket* packet = nullptr;
    GifPalette palette;
    bool palettePrepared = false;
    bool finalDelaySet = false;  // the muxer's final delay holds the last frame
    bool headerWritten = false;
    bool trailerWritten = false;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t rowBytes = 0;
    std::int32_t scaledWidth = 0;   // the frames' size after scaling
    std::int32_t scaledHeight = 0;
    std::int64_t nextPts = 0;
    std::int64_t ptsStep = 1;  // in the encoder's time base

    ~EncodedStream()
    {
        sws_freeContext(converter);
        sws_freeContext(gifScaler);
        av_frame_free(&picture);
        av_frame_free(&mapped);
        av_packet_free(&packet);
        avcodec_free_context(&encoder);
        if (container) {
            avio_closep(&container->pb);
            avformat_free_context(container);
        }
    }
};

EncodedVideoWriter::EncodedVideoWriter(EncodedFormat format) : m_format(format)
{
    SilenceLibraries();
}

EncodedVideoWriter::~EncodedVideoWriter() = default;

bool EncodedVideoWriter::Fail(int error)
{
    m_failed = true;
    m_outOfMemory = error == AVERROR(ENOMEM);
    return false;
}

bool EncodedVideoWriter::Open(const std::string& path)
{
    Abandon();
    m_failed = m_outOfMemory = m_ended = false;
    // A device or a pipe cannot take a file that is rewritten at its end.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return false;
    auto stream = std::make_unique<EncodedStream>();
    stream->path = path;
    // "file:" keeps a colon in the name from being read as a protocol.
    const std::string url = "file:" + path;
    int error = avformat_alloc_output_context2(&stream->container, nullptr, SettingsOf(m_format).container,
                                               url.c_str());
    if (error >= 0)
        error = avio_open(&stream->container->pb, url.c_str(), AVIO_FLAG_WRITE);
    if (error < 0)
        return Fail(error);
    m_stream = std::move(stream);
    return true;
}

// A fresh encoder context set up for the stream and opened with threads
// threads (0: as many as the machine has); AVERROR(ENOMEM) when the library
// reported a failed allocation.
int EncodedVideoWriter::OpenEncoder(const AVCodec* codec, int threads, std::int32_t width, std::int32_t height)
{
    EncodedStream& s = *m_stream;
    avcodec_free_context(&s.encoder);
    s.encoder = avcodec_alloc_context3(codec);
    if (!s.encoder)
        return AVERROR(ENOMEM);
    AVCodecContext* e = s.encoder;
    const FormatSettings settings = SettingsOf(m_format);
    e->width = width;
    e->height = height;
    e->pix_fmt = settings.pixelFormat;
    e->sample_aspect_ratio = AVRational{1, 1};
    e->framerate = AVRational{static_cast<int>(m_rate), 1};
    e->thread_count = threads;
    if (m_format == EncodedFormat::Gif) {
        // GIF counts in hundredths of a second: every frame shows for the
        // whole number nearest to 100 / rate (at least one).
        e->time_base = AVRational{1, 100};
        s.ptsStep = std::max<std::int64_t>(1, (200 + static_cast<std::int64_t>(m_rate)) / (2 * m_rate));
    } else {
        e->time_base = AVRational{1, static_cast<int>(m_rate)};
        // The matrix and range the converter uses, so players convert back alike.
        e->color_range = AVCOL_RANGE_MPEG;
        e->colorspace = AVCOL_SPC_SMPTE170M;
        e->color_primaries = AVCOL_PRI_SMPTE170M;
        e->color_trc = AVCOL_TRC_SMPTE170M;
    }
    if (m_format == EncodedFormat::Mp4) {
        av_opt_set(e->priv_data, "crf", kMp4Quality, 0);
    } else if (m_format == EncodedFormat::WebM) {
        e->bit_rate = 0;  // constant quality alone
        av_opt_set(e->priv_data, "crf", kWebmQuality, 0);
        av_opt_set(e->priv_data, "row-mt", "1", 0);
        av_opt_set(e->priv_data, "deadline", "good", 0);
        av_opt_set(e->priv_data, "cpu-used", kWebmSpeed, 0);
    }
    if (s.container->oformat->flags & AVFMT_GLOBALHEADER)
        e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The encoders allocate their frames here, and when they cannot they
    // return a code that names no cause.
    LackOfMemoryWatch watch;
    const int error = avcodec_open2(e, codec, nullptr);
    return watch.End() && error < 0 ? AVERROR(ENOMEM) : error;
}

bool EncodedVideoWriter::CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t)
{
    if (!m_stream || m_stream->encoder || rate == 0)
        return false;
    EncodedStream& s = *m_stream;
    BITMAPINFOHEADER header;
    std::memcpy(&header, format.data(), sizeof header);
    if (header.biWidth <= 0 || header.biHeight <= 0 || header.biBitCount != 24)
        return false;
    s.width = header.biWidth;
    s.height = header.biHeight;
    s.rowBytes = static_cast<std::int32_t>(RowBytes(s.width, 24));

    const FormatSettings settings = SettingsOf(m_format);
    const AVCodec* codec = avcodec_find_encoder_by_name(settings.encoder);
    if (!codec)
        return false;
    s.packet = av_packet_alloc();
    s.picture = av_frame_alloc();
    if (!s.packet || !s.picture)
        return Fail(AVERROR(ENOMEM));

    s.scaledWidth = s.width;
    s.scaledHeight = s.height;
    ScaledSize(m_format, m_longSide, s.scaledWidth, s.scaledHeight);
    const bool scaled = s.scaledWidth != s.width || s.scaledHeight != s.height;
    std::int32_t width = s.scaledWidth;
    std::int32_t height = s.scaledHeight;
    EncodedSize(m_format, width, height);
    m_rate = rate;
    int error = OpenEncoder(codec, 0, width, height);  // as many threads as the machine has
    // Under a memory limit the encoder's threads may find no room for their
    // stacks, which it reports as no particular cause: one thread needs none.
    if (error < 0 && error != AVERROR(ENOMEM))
        error = OpenEncoder(codec, 1, width, height);
    if (error < 0)
        return Fail(error);
    AVCodecContext* e = s.encoder;

    s.stream = avformat_new_stream(s.container, nullptr);
    if (!s.stream)
        return Fail(AVERROR(ENOMEM));
    error = avcodec_parameters_from_context(s.stream->codecpar, e);
    if (error < 0)
        return Fail(error);
    s.stream->time_base = e->time_base;
    s.stream->avg_frame_rate = e->framerate;

    // The picture the encoder takes (GIF: the frame for the palette graph).
    s.picture->width = m_format == EncodedFormat::Gif ? s.scaledWidth : width;
    s.picture->height = m_format == EncodedFormat::Gif ? s.scaledHeight : height;
    s.picture->format = m_format == EncodedFormat::Gif ? AV_PIX_FMT_BGR24 : settings.pixelFormat;
    error = av_frame_get_buffer(s.picture, 0);
    if (error < 0)
        return Fail(error);
    if (m_format == EncodedFormat::Gif) {
        s.mapped = av_frame_alloc();
        if (!s.mapped)
            return Fail(AVERROR(ENOMEM));
        if (scaled) {
            s.gifScaler = sws_getContext(s.width, s.height, AV_PIX_FMT_BGR24, s.scaledWidth, s.scaledHeight,
                                         AV_PIX_FMT_BGR24, SWS_AREA, nullptr, nullptr, nullptr);
            if (!s.gifScaler)
                return Fail(AVERROR(ENOMEM));
        }
    } else {
        // Scaling down averages the area each output pixel covers.
        s.converter = sws_getContext(s.width, s.height, AV_PIX_FMT_BGR24, s.scaledWidth, s.scaledHeight,
                                     settings.pixelFormat, scaled ? SWS_AREA : SWS_BICUBIC, nullptr, nullptr,
                                     nullptr);
        if (!s.converter)
            return Fail(AVERROR(ENOMEM));
    }

    AVDictionary* options = nullptr;
    if (m_format == EncodedFormat::Mp4)
        av_dict_set(&options, "movflags", "+faststart", 0);  // the index before the frames
    if (m_format == EncodedFormat::Gif)
        av_dict_set(&options, "loop", "0", 0);  // for ever
    error = avformat_write_header(s.container, &options);
    av_dict_free(&options);
    if (error < 0 || !FileIsHealthy())
        return Fail(error < 0 ? error : AVERROR(EIO));
    s.headerWritten = true;
    return true;
}

bool EncodedVideoWriter::FileIsHealthy()
{
    AVIOContext* pb = m_stream->container->pb;
    avio_flush(pb);
    return pb->error == 0;
}

bool EncodedVideoWriter::WritePackets()
{
    EncodedStream& s = *m_stream;
    for (;;) {
        int error = avcodec_receive_packet(s.encoder, s.packet);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return true;
        if (error < 0)
            return Fail(error);
        av_packet_rescale_ts(s.packet, s.encoder->time_base, s.stream->time_base);
        s.packet->stream_index = s.stream->index;
        error = av_interleaved_write_frame(s.container, s.packet);
        if (error < 0)
            return Fail(error);
    }
}

// Sends the picture to the encoder (or, with flush, the end of the input) and
// writes what comes out.
bool EncodedVideoWriter::Encode(bool flush)
{
    EncodedStream& s = *m_stream;
    AVFrame* input = m_format == EncodedFormat::Gif ? s.mapped : s.picture;
    // The encoder may allocate further frames as it goes (see CreateVideoStream).
    LackOfMemoryWatch watch;
    const int error = avcodec_send_frame(s.encoder, flush ? nullptr : input);
    const bool written = error >= 0 && WritePackets();
    const bool outOfMemory = watch.End();
    if (error < 0)
        return Fail(outOfMemory ? AVERROR(ENOMEM) : error);
    m_outOfMemory = m_outOfMemory || (!written && outOfMemory);
    return written;
}

// Takes every paletted frame the graph has ready to the encoder.
bool EncodedVideoWriter::EncodeGifFrames(bool flush)
{
    EncodedStream& s = *m_stream;
    while (s.palettePrepared) {  // no graph before the first frame
        const int error = s.palette.Pull(s.mapped);
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            break;
        if (error < 0)
            return Fail(error);
        if (!Encode(false))
            return false;
    }
    return !flush || Encode(true);
}

bool EncodedVideoWriter::WriteFrame(const void* bytes, std::size_t count)
{
    return WriteHeldFrame(bytes, count, 1);
}

bool EncodedVideoWriter::WriteHeldFrame(const void* bytes, std::size_t count, std::uint32_t showings)
{
    if (!m_stream || !m_stream->headerWritten || m_ended || m_failed)
        return false;
    EncodedStream& s = *m_stream;
    if (count < static_cast<std::size_t>(s.rowBytes) * static_cast<std::size_t>(s.height))
        return false;
    const auto* rows = static_cast<const std::uint8_t*>(bytes);
    int error = av_frame_make_writable(s.picture);
    if (error < 0)
        return Fail(error);
    // Only a GIF is ever asked to hold a frame (HoldsByDelay).
    const std::int64_t frameTimes = std::max<std::uint32_t>(showings, 1);
    s.picture->pts = s.nextPts;
    s.nextPts += s.ptsStep * frameTimes;

    if (m_format == EncodedFormat::Gif) {
        // Every frame of a morph is made of the undeformed picture's pixels: its
        // palette serves all (without one of its own, the first frame's does).
        if (!s.palettePrepared) {
            const std::uint8_t* paletteRows = m_paletteSource ? m_paletteSource : rows;
            if (s.gifScaler)
                ScaleTopDown(s.gifScaler, paletteRows, s.rowBytes, s.height, s.picture);
            else
                CopyTopDown(paletteRows, s.rowBytes, s.picture);
            error = s.palette.Prepare(*s.picture);
            if (error < 0)
                return Fail(error);
            s.palettePrepared = true;
        }
        if (s.gifScaler)
            ScaleTopDown(s.gifScaler, rows, s.rowBytes, s.height, s.picture);
        else
            CopyTopDown(rows, s.rowBytes, s.picture);
        // The muxer times each frame by the next one's; the last frame has no
        // next and takes the final delay, which must then be its own hold.
        if (frameTimes > 1 || s.finalDelaySet) {
            av_opt_set_int(s.container->priv_data, "final_delay", frameTimes > 1 ? s.ptsStep * frameTimes : -1, 0);
            s.finalDelaySet = frameTimes > 1;
        }
        error = s.palette.Push(s.picture);
        if (error < 0)
            return Fail(error);
        if (!EncodeGifFrames(false))
            return false;
    } else {
        ScaleTopDown(s.converter, rows, s.rowBytes, s.height, s.picture);
        RepeatEdges(s.picture, s.scaledWidth, s.scaledHeight);
        if (!Encode(false))
            return false;
    }
    // Each frame's bytes reach the file now, so a full disk shows at this frame.
    return FileIsHealthy() || Fail(AVERROR(EIO));
}

bool EncodedVideoWriter::EndStream()
{
    if (!m_stream)
        return true;
    if (m_ended)
        return !m_failed;
    m_ended = true;
    if (m_failed || !m_stream->headerWritten)
        return false;
    EncodedStream& s = *m_stream;
    if (m_format == EncodedFormat::Gif) {
        if (s.palettePrepared) {
            const int error = s.palette.Push(nullptr);
            if (error < 0)
                return Fail(error);
        }
        if (!EncodeGifFrames(true))
            return false;
    } else if (!Encode(true)) {
        return false;
    }
    s.trailerWritten = true;
    const int error = av_write_trailer(s.container);
    if (error < 0)
        return Fail(error);
    return FileIsHealthy() || Fail(AVERROR(EIO));
}

bool EncodedVideoWriter::Close()
{
    if (!m_stream)
        return true;
    bool complete = EndStream();
    const int error = avio_closep(&m_stream->container->pb);
    if (error < 0)
        complete = Fail(error);
    m_stream.reset();
    return complete;
}

void EncodedVideoWriter::Abandon()
{
    // The GIF muxer holds back the last frame until its trailer and frees it
    // only there; the file is deleted anyway, so the trailer's bytes and its
    // result do not matter.
    if (m_stream && m_stream->headerWritten && !m_stream->trailerWritten && m_format == EncodedFormat::Gif)
        (void)av_write_trailer(m_stream->container);
    m_stream.reset();
}
