// SPDX-License-Identifier: GPL-3.0-or-later
// The RIFF AVI writer. Layout of a file (sizes and counts are written as
// placeholders first and rewritten when the stream ends):
//
//   RIFF 'AVI '
//     LIST 'hdrl'  avih, LIST 'strl' (strh, strf, indx, strn), LIST 'odml' (dmlh)
//     LIST 'movi'  00db frames ..., ix00
//     idx1
//   RIFF 'AVIX'                     (as many as needed, each under the limit)
//     LIST 'movi'  00db frames ..., ix00
#include "video/AviWriter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "image/ByteStream.h"
#include "image/DibImage.h"

namespace {

constexpr char kStreamName[] = "Animation created by Glyphwave";
constexpr std::uint32_t kStreamNameBytes = sizeof kStreamName;  // with its terminating zero
constexpr std::uint32_t kMainHeaderBytes = 56;
constexpr std::uint32_t kStreamHeaderBytes = 56;
constexpr std::uint32_t kExtendedHeaderBytes = 248;
constexpr std::uint32_t kSuperIndexHeaderBytes = 24;
constexpr std::uint32_t kSuperIndexEntryBytes = 16;
constexpr std::uint32_t kStdIndexHeaderBytes = 24;
constexpr std::uint32_t kStdIndexEntryBytes = 8;
constexpr std::uint32_t kLegacyIndexEntryBytes = 16;
constexpr std::uint32_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kMainFlagHasIndex = 0x10;
constexpr std::uint32_t kMainFlagIsInterleaved = 0x100;
constexpr std::uint8_t kIndexOfIndexes = 0x00;
constexpr std::uint8_t kIndexOfChunks = 0x01;
// The super index is sized when the stream starts and cannot grow later.
constexpr std::uint32_t kMinSuperIndexEntries = 256;
constexpr std::uint32_t kMaxSuperIndexEntries = 1u << 20;
// Chunk sizes in the standard index keep their top bit for the delta-frame flag.
constexpr std::size_t kMaxFrameBytes = 0x7FFFFFFF;

std::uint32_t Padded(std::uint32_t size)
{
    return size + (size & 1);
}

void WriteFourcc(ByteWriter& out, const char (&id)[5])
{
    out.WriteBytes(reinterpret_cast<const std::uint8_t*>(id), 4);
}

void WriteZeros(ByteWriter& out, std::size_t count)
{
    static const std::uint8_t zeros[64] = {};
    for (; count > sizeof zeros; count -= sizeof zeros)
        out.WriteBytes(zeros, sizeof zeros);
    out.WriteBytes(zeros, count);
}

void WriteU64(ByteWriter& out, std::uint64_t value)
{
    out.WriteU32(static_cast<std::uint32_t>(value));
    out.WriteU32(static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t SaturatedU32(std::uint64_t value)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(value, 0xFFFFFFFFu));
}

}  // namespace

struct AviStreamState {
    struct Chunk {
        std::uint64_t dataOffset;  // first byte of the frame in the file
        std::uint32_t size;
    };
    struct IndexOfRiff {
        std::uint64_t offset;  // of its 'ix00' chunk
        std::uint32_t size;    // of that chunk, header included
        std::uint32_t frames;
    };

    VideoFormatBlock format{};
    std::uint32_t rate = 1;
    std::uint32_t length = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint64_t riffSizeLimit = 0;
    std::uint32_t superIndexCapacity = 0;
    std::vector<IndexOfRiff> superIndex;

    // The RIFF being filled.
    bool firstRiff = true;
    std::uint64_t riffStart = 0;  // offset of its 'RIFF'
    std::uint64_t moviStart = 0;  // offset of the 'LIST' of its movi list
    std::vector<Chunk> chunks;    // its frames

    std::uint64_t end = 0;  // bytes written so far
    std::uint32_t totalFrames = 0;
    std::uint32_t framesInFirstRiff = 0;
    std::uint32_t largestFrame = 0;
    std::uint32_t firstRiffSize = 0;  // known once the first RIFF is finished
    std::uint32_t firstMoviSize = 0;
};

namespace {

// Everything in front of the first frame: the RIFF header, the header list and
// the head of the first movi list, with the values the state holds now.
std::vector<std::uint8_t> HeaderArea(const AviStreamState& s)
{
    const std::uint32_t indxBytes = kSuperIndexHeaderBytes + kSuperIndexEntryBytes * s.superIndexCapacity;
    const std::uint32_t strlBytes = 4 + (kChunkHeaderBytes + kStreamHeaderBytes) +
                                    (kChunkHeaderBytes + kVideoFormatBytes) + (kChunkHeaderBytes + indxBytes) +
                                    (kChunkHeaderBytes + Padded(kStreamNameBytes));
    const std::uint32_t odmlBytes = 4 + kChunkHeaderBytes + kExtendedHeaderBytes;
    const std::uint32_t hdrlBytes =
        4 + (kChunkHeaderBytes + kMainHeaderBytes) + (kChunkHeaderBytes + strlBytes) + (kChunkHeaderBytes + odmlBytes);
    const std::uint32_t frameChunkBytes = s.largestFrame + kChunkHeaderBytes;
    const std::uint32_t height = static_cast<std::uint32_t>(s.height < 0 ? -std::int64_t{s.height} : s.height);

    std::vector<std::uint8_t> block;
    ByteWriter out(block);
    WriteFourcc(out, "RIFF");
    out.WriteU32(s.firstRiffSize);
    WriteFourcc(out, "AVI ");

    WriteFourcc(out, "LIST");
    out.WriteU32(hdrlBytes);
    WriteFourcc(out, "hdrl");
    WriteFourcc(out, "avih");
    out.WriteU32(kMainHeaderBytes);
    out.WriteU32(static_cast<std::uint32_t>((1000000u + s.rate / 2) / s.rate));  // microseconds a frame
    out.WriteU32(SaturatedU32(std::uint64_t{frameChunkBytes} * s.rate));         // bytes a second at most
    out.WriteU32(0);                                                             // padding granularity
    out.WriteU32(kMainFlagHasIndex | kMainFlagIsInterleaved);
    out.WriteU32(s.framesInFirstRiff);  // the extended header counts them all
    out.WriteU32(0);                    // initial frames
    out.WriteU32(1);                    // streams
    out.WriteU32(frameChunkBytes);      // suggested buffer size
    out.WriteU32(static_cast<std::uint32_t>(s.width));
    out.WriteU32(height);
    WriteZeros(out, 16);

    WriteFourcc(out, "LIST");
    out.WriteU32(strlBytes);
    WriteFourcc(out, "strl");
    WriteFourcc(out, "strh");
    out.WriteU32(kStreamHeaderBytes);
    WriteFourcc(out, "vids");
    WriteFourcc(out, "MSVC");
    out.WriteU32(0);  // flags
    out.WriteU16(0);  // priority
    out.WriteU16(0);  // language
    out.WriteU32(0);  // initial frames
    out.WriteU32(1);  // scale
    out.WriteU32(s.rate);
    out.WriteU32(0);  // start
    // A caller that wrote more frames than announced gets all of them counted.
    out.WriteU32(std::max(s.length, s.totalFrames));
    out.WriteU32(0);            // suggested buffer size
    out.WriteU32(0xFFFFFFFFu);  // quality: the default
    out.WriteU32(0);            // sample size: frames vary
    out.WriteU16(0);            // frame rectangle: left, top, right, bottom
    out.WriteU16(0);
    out.WriteU16(static_cast<std::uint16_t>(s.width));
    out.WriteU16(static_cast<std::uint16_t>(s.height));

    WriteFourcc(out, "strf");
    out.WriteU32(kVideoFormatBytes);
    out.WriteBytes(s.format.data(), s.format.size());

    WriteFourcc(out, "indx");
    out.WriteU32(indxBytes);
    out.WriteU16(4);  // longs an entry
    out.WriteU8(0);   // sub type
    out.WriteU8(kIndexOfIndexes);
    out.WriteU32(static_cast<std::uint32_t>(s.superIndex.size()));
    WriteFourcc(out, "00db");
    WriteZeros(out, 12);
    for (const AviStreamState::IndexOfRiff& entry : s.superIndex) {
        WriteU64(out, entry.offset);
        out.WriteU32(entry.size);
        out.WriteU32(entry.frames);
    }
    WriteZeros(out, kSuperIndexEntryBytes * (s.superIndexCapacity - s.superIndex.size()));

    WriteFourcc(out, "strn");
    out.WriteU32(kStreamNameBytes);
    out.WriteBytes(reinterpret_cast<const std::uint8_t*>(kStreamName), kStreamNameBytes);
    WriteZeros(out, Padded(kStreamNameBytes) - kStreamNameBytes);

    WriteFourcc(out, "LIST");
    out.WriteU32(odmlBytes);
    WriteFourcc(out, "odml");
    WriteFourcc(out, "dmlh");
    out.WriteU32(kExtendedHeaderBytes);
    out.WriteU32(s.totalFrames);
    WriteZeros(out, kExtendedHeaderBytes - 4);

    WriteFourcc(out, "LIST");
    out.WriteU32(s.firstMoviSize);
    WriteFourcc(out, "movi");
    return block;
}

// How many RIFFs the announced frames need, with room to spare for frames
// larger than the format says; the super index gets an entry for each.
std::uint32_t SuperIndexCapacity(std::uint64_t frameBytes, std::uint32_t length, std::uint64_t riffSizeLimit)
{
    const std::uint64_t perFrame =
        kChunkHeaderBytes + frameBytes + (frameBytes & 1) + kStdIndexEntryBytes + kLegacyIndexEntryBytes;
    const std::uint64_t usable = riffSizeLimit > 65536 ? riffSizeLimit - 65536 : riffSizeLimit / 2;
    const std::uint64_t framesPerRiff = std::max<std::uint64_t>(1, usable / perFrame);
    const std::uint64_t riffs = (std::uint64_t{length} + framesPerRiff - 1) / framesPerRiff;
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(2 * riffs + 16, kMinSuperIndexEntries, kMaxSuperIndexEntries));
}

}  // namespace

AviWriter::AviWriter() : m_opener(OpenAviFileSink) {}

AviWriter::AviWriter(AviSinkOpener opener) : m_opener(std::move(opener)) {}

AviWriter::~AviWriter()
{
    Close();
}

bool AviWriter::Open(const std::string& path, std::uint32_t mode, std::int32_t& result)
{
    Close();
    result = kAviResultOk;
    std::unique_ptr<AviSink> file = m_opener ? m_opener(path, mode, result) : nullptr;
    if (!file) {
        if (result == kAviResultOk)
            result = kAviErrorFileOpen;
        return false;
    }
    if (result != kAviResultOk) {
        file->Close();
        return false;
    }
    m_pFile = std::move(file);
    m_streamCreated = false;
    m_fileFailed = false;
    return true;
}

bool AviWriter::CreateVideoStream(const VideoFormatBlock& format, std::uint32_t rate, std::uint32_t length)
{
    if (!m_pFile || m_streamCreated || m_fileFailed || rate == 0)
        return false;
    BITMAPINFOHEADER header;
    std::memcpy(&header, format.data(), sizeof header);
    if (header.biWidth <= 0 || header.biHeight == 0)
        return false;

    std::unique_ptr<AviStreamState> stream;
    std::vector<std::uint8_t> headerArea;
    try {
        stream = std::make_unique<AviStreamState>();
        stream->format = format;
        stream->rate = rate;
        stream->length = length;
        stream->width = header.biWidth;
        stream->height = header.biHeight;
        stream->riffSizeLimit = std::min(m_riffSizeLimit, kDefaultRiffSizeLimit);
        const std::uint64_t absHeight = static_cast<std::uint64_t>(std::abs(std::int64_t{header.biHeight}));
        const std::uint16_t bitCount = header.biBitCount ? header.biBitCount : 24;
        const std::uint64_t frameBytes =
            static_cast<std::uint64_t>(RowBytes(header.biWidth, bitCount)) * absHeight;
        stream->superIndexCapacity = SuperIndexCapacity(frameBytes, length, stream->riffSizeLimit);
        headerArea = HeaderArea(*stream);
    } catch (const std::exception&) {
        return false;  // nothing written yet
    }
    m_streamCreated = true;
    if (!Append(headerArea.data(), headerArea.size()))
        return false;
    stream->end = headerArea.size();
    stream->riffStart = 0;
    stream->moviStart = headerArea.size() - 12;
    m_pStream = std::move(stream);
    m_nextFrame = 0;
    return true;
}

bool AviWriter::WriteFrame(const void* bytes, std::size_t count)
{
    // The index is used up by the attempt, whatever its outcome.
    if (m_nextFrame < INT32_MAX)
        ++m_nextFrame;
    if (!m_pStream || m_fileFailed || (count > 0 && bytes == nullptr) || count > kMaxFrameBytes)
        return false;
    try {
        return WriteFrameChunk(bytes, count);
    } catch (const std::exception&) {
        // Index bookkeeping failed after the frame may have reached the file.
        m_fileFailed = true;
        return false;
    }
}

bool AviWriter::WriteFrameChunk(const void* bytes, std::size_t count)
{
    AviStreamState& s = *m_pStream;
    const auto size = static_cast<std::uint32_t>(count);
    const std::uint64_t chunkBytes = kChunkHeaderBytes + Padded(size);
    // What the RIFF would measure with this frame, once its indexes are written.
    const auto riffBytesWith = [&](std::uint64_t end, std::size_t chunksBefore, bool first) {
        const std::uint64_t entries = chunksBefore + 1;
        std::uint64_t riffEnd =
            end + chunkBytes + kChunkHeaderBytes + kStdIndexHeaderBytes + kStdIndexEntryBytes * entries;
        if (first)
            riffEnd += kChunkHeaderBytes + kLegacyIndexEntryBytes * entries;
        return riffEnd;
    };

    if (riffBytesWith(s.end, s.chunks.size(), s.firstRiff) - s.riffStart >= s.riffSizeLimit) {
        // A fresh 'AVIX' RIFF starts with 24 bytes of headers; a frame that does not
        // fit there fits nowhere. Both RIFFs need a super index entry.
        const bool fitsFreshRiff = riffBytesWith(24, 0, false) < s.riffSizeLimit;
        if (s.chunks.empty() || !fitsFreshRiff || s.superIndex.size() + 2 > s.superIndexCapacity)
            return false;
        if (!FinishRiff() || !StartRiff())
            return false;
    }

    s.chunks.reserve(s.chunks.size() + 1);
    std::vector<std::uint8_t> head;
    ByteWriter out(head);
    WriteFourcc(out, "00db");
    out.WriteU32(size);
    static const std::uint8_t padByte = 0;
    if (!Append(head.data(), head.size()) || !Append(bytes, count) || ((size & 1) && !Append(&padByte, 1)))
        return false;
    s.chunks.push_back({s.end + kChunkHeaderBytes, size});
    s.end += chunkBytes;
    ++s.totalFrames;
    s.largestFrame = std::max(s.largestFrame, size);
    return true;
}

bool AviWriter::StartRiff()
{
    AviStreamState& s = *m_pStream;
    std::vector<std::uint8_t> head;
    ByteWriter out(head);
    WriteFourcc(out, "RIFF");
    out.WriteU32(0);  // rewritten by FinishRiff
    WriteFourcc(out, "AVIX");
    WriteFourcc(out, "LIST");
    out.WriteU32(0);
    WriteFourcc(out, "movi");
    if (!Append(head.data(), head.size()))
        return false;
    s.firstRiff = false;
    s.riffStart = s.end;
    s.moviStart = s.end + 12;
    s.end += head.size();
    return true;
}

bool AviWriter::FinishRiff()
{
    AviStreamState& s = *m_pStream;
    const auto frames = static_cast<std::uint32_t>(s.chunks.size());
    std::vector<std::uint8_t> tail;
    ByteWriter out(tail);
    if (frames > 0) {
        // The standard index closes the movi list; its offsets count from the RIFF.
        const std::uint32_t ixBytes = kStdIndexHeaderBytes + kStdIndexEntryBytes * frames;
        WriteFourcc(out, "ix00");
        out.WriteU32(ixBytes);
        out.WriteU16(2);  // longs an entry
        out.WriteU8(0);   // sub type
        out.WriteU8(kIndexOfChunks);
        out.WriteU32(frames);
        WriteFourcc(out, "00db");
        WriteU64(out, s.riffStart);
        out.WriteU32(0);
        for (const AviStreamState::Chunk& chunk : s.chunks) {
            out.WriteU32(static_cast<std::uint32_t>(chunk.dataOffset - s.riffStart));
            out.WriteU32(chunk.size);  // top bit clear: a key frame
        }
        s.superIndex.push_back({s.end, kChunkHeaderBytes + ixBytes, frames});
    }
    const std::uint64_t moviEnd = s.end + tail.size();
    const auto moviSize = static_cast<std::uint32_t>(moviEnd - (s.moviStart + kChunkHeaderBytes));
    if (s.firstRiff) {
        // The legacy index of the first RIFF; offsets count from the 'movi' tag.
        WriteFourcc(out, "idx1");
        out.WriteU32(kLegacyIndexEntryBytes * frames);
        for (const AviStreamState::Chunk& chunk : s.chunks) {
            WriteFourcc(out, "00db");
            out.WriteU32(kAviKeyFrame);
            out.WriteU32(static_cast<std::uint32_t>(chunk.dataOffset - kChunkHeaderBytes - (s.moviStart + 8)));
            out.WriteU32(chunk.size);
        }
    }
    if (!Append(tail.data(), tail.size()))
        return false;
    s.end += tail.size();
    const auto riffSize = static_cast<std::uint32_t>(s.end - (s.riffStart + kChunkHeaderBytes));
    if (s.firstRiff) {
        // Both go out with the final headers.
        s.firstRiffSize = riffSize;
        s.firstMoviSize = moviSize;
        s.framesInFirstRiff = frames;
    } else {
        std::vector<std::uint8_t> size;
        ByteWriter sizeOut(size);
        sizeOut.WriteU32(riffSize);
        sizeOut.WriteU32(moviSize);
        if (!m_pFile->WriteAt(s.riffStart + 4, size.data(), 4) ||
            !m_pFile->WriteAt(s.moviStart + 4, size.data() + 4, 4)) {
            m_fileFailed = true;
            return false;
        }
    }
    s.chunks.clear();
    return true;
}

bool AviWriter::WriteHeaders()
{
    const std::vector<std::uint8_t> headerArea = HeaderArea(*m_pStream);
    if (!m_pFile->WriteAt(0, headerArea.data(), headerArea.size())) {
        m_fileFailed = true;
        return false;
    }
    return true;
}

bool AviWriter::EndStream()
{
    if (!m_pStream)
        return true;
    bool complete = false;
    try {
        complete = !m_fileFailed && FinishRiff() && WriteHeaders();
    } catch (const std::exception&) {
        m_fileFailed = true;
    }
    m_pStream.reset();
    return complete;
}

bool AviWriter::Close()
{
    bool complete = EndStream();
    if (m_pFile) {
        complete = m_pFile->Close() && !m_fileFailed && complete;
        m_pFile.reset();
    }
    m_streamCreated = false;
    m_fileFailed = false;
    return complete;
}

bool AviWriter::Append(const void* data, std::size_t size)
{
    if (!m_pFile->Append(data, size)) {
        m_fileFailed = true;
        return false;
    }
    return true;
}
