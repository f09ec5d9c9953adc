// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/WebpImage.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "image/Exceptions.h"
#include "image/ExifOrientation.h"
#include "image/ImageLimits.h"
#include "image/LoadControl.h"

namespace {

// A RIFF chunk's size field is 32 bits, so no valid file is larger.
constexpr long kMaxFileBytes = 0xFFFFFFFFL;

// The most pixels one byte of a file can carry, a little above the best the
// formats reach. Lossy frames spend more than a bit and a half on the modes of
// every 16 x 16 macroblock however plain it is. Lossless codes can describe a
// flat colour in next to nothing, but no encoder gets a real picture below a
// byte for some 24000 pixels, so a file far smaller than that is taken for
// damaged (or a trap) rather than allocated for. Animations are judged like
// lossless files: their canvas may lie mostly outside every frame.
constexpr std::int64_t kLossyPixelsPerByte = 2048;
constexpr std::int64_t kLosslessPixelsPerByte = 65536;

bool FileCanHoldCanvas(const std::vector<std::uint8_t>& bytes, int width, int height)
{
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
        return false;
    const bool lossy = features.format == 1 && !features.has_animation;
    return FileCanHoldPixels(std::int64_t{width} * height, static_cast<std::int64_t>(bytes.size()),
                             lossy ? kLossyPixelsPerByte : kLosslessPixelsPerByte);
}

std::vector<std::uint8_t> ReadWholeFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw CFileException(CFileException::generic, -1, path);
    std::vector<std::uint8_t> bytes;
    bool complete = std::fseek(file, 0, SEEK_END) == 0;
    const long size = complete ? std::ftell(file) : -1;
    complete = complete && size >= 0 && size <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (complete) {
        try {
            bytes.resize(static_cast<std::size_t>(size));
        } catch (const std::bad_alloc&) {
            std::fclose(file);
            throw CMemoryException();
        }
        complete = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    if (!complete)
        throw CArchiveException(CArchiveException::generic);
    return bytes;
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* p) const { WebPDemuxDelete(p); }
};
struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* p) const { WebPAnimDecoderDelete(p); }
};

// The payload of the first chunk named fourcc, or an empty range.
std::vector<std::uint8_t> ChunkOf(WebPDemuxer* demux, const char* fourcc)
{
    WebPChunkIterator chunk;
    std::vector<std::uint8_t> payload;
    if (WebPDemuxGetChunk(demux, fourcc, 1, &chunk)) {
        payload.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
        WebPDemuxReleaseChunkIterator(&chunk);
    }
    return payload;
}

// Reverses the order of rows in place: the library writes top-down rows.
void TurnRowsBottomUp(std::uint8_t* rows, std::ptrdiff_t rowBytes, int height)
{
    std::vector<std::uint8_t> spare(static_cast<std::size_t>(rowBytes));
    for (int top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = rows + top * rowBytes;
        std::uint8_t* b = rows + bottom * rowBytes;
        std::memcpy(spare.data(), a, spare.size());
        std::memcpy(a, b, spare.size());
        std::memcpy(b, spare.data(), spare.size());
    }
}

struct IncrementalDecoderDeleter {
    void operator()(WebPIDecoder* p) const { WebPIDelete(p); }
};

// A still picture straight into the rows, blue-green-red, alpha dropped. The
// decoder is given the data a piece at a time, so that a cancelled load ends
// between pieces and the share read can be told.
void DecodeStill(const WebPData& data, int height, std::uint8_t* rows, std::ptrdiff_t rowBytes)
{
    constexpr std::size_t kPieceBytes = std::size_t{256} << 10;
    std::unique_ptr<WebPIDecoder, IncrementalDecoderDeleter> decoder(
        WebPINewRGB(MODE_BGR, rows, static_cast<std::size_t>(rowBytes * height), static_cast<int>(rowBytes)));
    if (!decoder)
        throw CMemoryException();
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t given = 0; status == VP8_STATUS_SUSPENDED && given < data.size;) {
        LoadProgress(static_cast<std::int64_t>(given), static_cast<std::int64_t>(data.size));
        given = std::min(data.size, given + kPieceBytes);
        // The same buffer, grown: the decoder goes on where it stopped.
        status = WebPIUpdate(decoder.get(), data.bytes, given);
    }
    if (status != VP8_STATUS_OK)
        throw CArchiveException(CArchiveException::generic);
    // The padding of the last column stays as the zero-filled buffer had it.
    TurnRowsBottomUp(rows, rowBytes, height);
}

// The first frame of an animation on its canvas, as a player shows it first.
void DecodeFirstFrame(const WebPData& data, int width, int height, std::uint8_t* rows, std::ptrdiff_t rowBytes)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        throw CArchiveException(CArchiveException::generic);
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(WebPAnimDecoderNew(&data, &options));
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    LoadCheckpoint();
    if (!decoder || !WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || canvas == nullptr)
        throw CArchiveException(CArchiveException::generic);
    LoadCheckpoint();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* source = canvas + static_cast<std::ptrdiff_t>(y) * width * 4;
        std::uint8_t* pixel = rows + static_cast<std::ptrdiff_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x, source += 4, pixel += 3) {
            pixel[0] = source[0];
            pixel[1] = source[1];
            pixel[2] = source[2];
        }
    }
}

}  // namespace

void CWebpImage::Read(const std::string& path)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const WebPData data{bytes.data(), bytes.size()};
    std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux)
        throw CArchiveException(CArchiveException::generic);
    const int width = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH));
    const int height = static_cast<int>(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
    const std::uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);
    // What the file cannot hold is damage, however large; only then is the size judged.
    if (width <= 0 || height <= 0 || !FileCanHoldCanvas(bytes, width, height))
        throw CArchiveException(CArchiveException::generic);
    RequireAcceptablePictureSize(width, height);

    m_metadata = PictureMetadata{};
    if (flags & ICCP_FLAG)
        m_metadata.iccProfile = ChunkOf(demux.get(), "ICCP");
    if (flags & EXIF_FLAG) {
        const std::vector<std::uint8_t> exif = ChunkOf(demux.get(), "EXIF");
        m_metadata.orientation = ExifOrientation(exif.data(), exif.size());
    }

    const std::int64_t rowBytes = RowBytes(width, 24);
    PixelBuffer pixels = PixelBuffer::Allocate(static_cast<std::size_t>(rowBytes * height), true);
    if (flags & ANIMATION_FLAG) {
        DecodeFirstFrame(data, width, height, pixels.data(), rowBytes);
    } else {
        // A still picture is one frame covering the canvas.
        WebPIterator frame;
        if (!WebPDemuxGetFrame(demux.get(), 1, &frame))
            throw CArchiveException(CArchiveException::generic);
        const WebPData fragment = frame.fragment;
        const bool covers = frame.x_offset == 0 && frame.y_offset == 0 && frame.width == width && frame.height == height;
        WebPDemuxReleaseIterator(&frame);
        if (!covers)
            throw CArchiveException(CArchiveException::generic);
        DecodeStill(fragment, height, pixels.data(), rowBytes);
    }
    CDibImage::SetHeader(width, height, 24, nullptr);
    m_pColors.clear();
    m_pBits = std::move(pixels);
}

void CWebpImage::Write(const std::string&)
{
    throw CArchiveException(CArchiveException::writeOnly);
}
