// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/DocumentWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <memory>
#include <unistd.h>

#include <zip.h>
#include <zlib.h>

#include "deform/PictureScaling.h"
#include "image/Exceptions.h"
#include "image/PngImage.h"
#include "session/DocumentLayout.h"

namespace {

using namespace document_layout;

// zlib's level for the undeformed picture (with a single row filter) and for
// the maps: the fastest levels keep a document's save as quick as a PNG of the
// same picture, at some more size.
constexpr int kPictureCompressionLevel = 1;
constexpr int kMapCompressionLevel = 1;

struct ZipDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct SourceFreer {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

std::vector<std::uint8_t> EncodePng(std::int32_t width, std::int32_t height, const std::uint8_t* rows, int level,
                                    bool singleFilter = false)
{
    char* block = nullptr;
    std::size_t size = 0;
    std::FILE* stream = open_memstream(&block, &size);
    if (stream == nullptr)
        throw CMemoryException();
    CPngImage codec;
    codec.SetHeader(width, height, 24, nullptr);
    codec.SetCompressionLevel(level);
    codec.SetSingleFilter(singleFilter);
    const auto bytes = static_cast<std::size_t>(RowBytes(width, 24)) * static_cast<std::size_t>(height);
    codec.m_pBits = PixelBuffer::Borrow(rows, bytes);
    try {
        codec.WriteToStream(stream, std::string());
    } catch (...) {
        std::free(block);
        throw;
    }
    std::vector<std::uint8_t> png(block, block + size);
    std::free(block);
    return png;
}

std::vector<std::uint8_t> EncodePreview(const DocumentParts& parts)
{
    const std::int32_t width = parts.description.width, height = parts.description.height;
    const std::int32_t longest = std::max(width, height);
    const double scale = std::min(1.0, static_cast<double>(kPreviewSide) / longest);
    const std::int32_t previewWidth = std::max(1, static_cast<std::int32_t>(width * scale + 0.5));
    const std::int32_t previewHeight = std::max(1, static_cast<std::int32_t>(height * scale + 0.5));
    if (parts.deformed) {
        const ScaledPicture preview =
            ScalePictureNearest(HeaderOf24BitPicture(width, height), parts.deformed, previewWidth, previewHeight);
        return EncodePng(previewWidth, previewHeight, preview.pixels.data(), -1);
    }
    // Without the deformed picture (a recovery copy has only the maps), each
    // preview pixel is looked up through the map at the same nearest sample.
    const std::size_t previewRowBytes = static_cast<std::size_t>(RowBytes(previewWidth, 24));
    const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(width, 24));
    std::vector<std::uint8_t> rows(previewRowBytes * static_cast<std::size_t>(previewHeight), 0);
    for (std::int32_t y = 0; y < previewHeight; ++y) {
        const std::int32_t sy = std::min(static_cast<std::int32_t>(y * (double(height) / previewHeight) + 0.5), height - 1);
        for (std::int32_t x = 0; x < previewWidth; ++x) {
            const std::int32_t sx = std::min(static_cast<std::int32_t>(x * (double(width) / previewWidth) + 0.5), width - 1);
            const MapEntry entry = parts.map[static_cast<std::size_t>(sy) * static_cast<std::size_t>(width) + sx];
            const std::uint8_t* from = parts.original + entry.y * rowBytes + 3 * static_cast<std::size_t>(entry.x);
            std::copy(from, from + 3, rows.data() + static_cast<std::size_t>(y) * previewRowBytes + 3 * static_cast<std::size_t>(x));
        }
    }
    return EncodePng(previewWidth, previewHeight, rows.data(), -1);
}

[[noreturn]] void RaiseArchiveFailure(zip_t* archive)
{
    const zip_error_t* error = zip_get_error(archive);
    if (zip_error_code_zip(error) == ZIP_ER_MEMORY)
        throw CMemoryException();
    throw CFileException(CFileException::hardIO, zip_error_code_system(error), std::string());
}

// Adds name with data (which must outlive the archive), stored.
void AddEntry(zip_t* archive, const char* name, const void* data, std::size_t size)
{
    zip_source_t* source = zip_source_buffer(archive, data, size, 0);
    if (source == nullptr)
        RaiseArchiveFailure(archive);
    const zip_int64_t index = zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        RaiseArchiveFailure(archive);
    }
    if (zip_set_file_compression(archive, index, ZIP_CM_STORE, 0) != 0)
        RaiseArchiveFailure(archive);
}

// The map as the file keeps it: each entry relative to its own pixel (or, with
// base, to base's entry there), modulo 65536, in little-endian order. Where a
// picture is not deformed (or the undo map equals the map) the entries are
// zero, which deflate packs to almost nothing at little cost.
void RelativeRows(const MapEntry* map, const MapEntry* base, std::int32_t width, std::int32_t rowBegin,
                  std::int32_t rowEnd, std::uint16_t* out)
{
    for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
        const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x) {
            const MapEntry entry = map[first + static_cast<std::size_t>(x)];
            const MapEntry origin = base ? base[first + static_cast<std::size_t>(x)] : MapEntry{x, y};
            std::uint16_t dx = static_cast<std::uint16_t>(entry.x - origin.x);
            std::uint16_t dy = static_cast<std::uint16_t>(entry.y - origin.y);
            if constexpr (std::endian::native != std::endian::little) {
                dx = static_cast<std::uint16_t>((dx >> 8) | (dx << 8));
                dy = static_cast<std::uint16_t>((dy >> 8) | (dy << 8));
            }
            *out++ = dx;
            *out++ = dy;
        }
    }
}

// A map entry deflated here rather than by the archive: the relative rows are
// made a band at a time, so the full-size relative map (and the cost of
// touching its fresh pages) is never needed, and the work runs while the
// picture's PNG is encoded on the other thread.
struct DeflatedEntry {
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::size_t readOffset = 0;
    zip_error_t error;
};

void DeflateMap(const MapEntry* map, const MapEntry* base, std::int32_t width, std::int32_t height,
                DeflatedEntry& entry)
{
    z_stream stream{};
    // Raw deflate, as the archive stores it, at the fastest level.
    if (deflateInit2(&stream, kMapCompressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw CMemoryException();
    std::unique_ptr<z_stream, int (*)(z_stream*)> ender(&stream, deflateEnd);
    const std::int32_t bandRows = std::max<std::int32_t>(1, (1 << 16) / std::max(width, 1));
    std::vector<std::uint16_t> band(2 * static_cast<std::size_t>(width) * static_cast<std::size_t>(bandRows));
    uLong crc = crc32(0L, Z_NULL, 0);
    entry.bytes.resize(1 << 16);
    std::size_t produced = 0;
    for (std::int32_t row = 0; row < height || row == 0; row += bandRows) {
        const std::int32_t rowEnd = std::min(height, row + bandRows);
        const bool last = rowEnd >= height;
        const std::size_t bytes = 2 * sizeof(std::uint16_t) * static_cast<std::size_t>(width) *
                                  static_cast<std::size_t>(std::max(rowEnd - row, 0));
        RelativeRows(map, base, width, row, rowEnd, band.data());
        crc = crc32_z(crc, reinterpret_cast<const Bytef*>(band.data()), bytes);
        stream.next_in = reinterpret_cast<Bytef*>(band.data());
        stream.avail_in = static_cast<uInt>(bytes);
        for (;;) {
            if (produced == entry.bytes.size())
                entry.bytes.resize(entry.bytes.size() * 2);
            stream.next_out = entry.bytes.data() + produced;
            stream.avail_out = static_cast<uInt>(std::min<std::size_t>(entry.bytes.size() - produced, 1u << 30));
            const uInt room = stream.avail_out;
            const int result = deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            if (result == Z_STREAM_ERROR)
                throw CMemoryException();
            produced += room - stream.avail_out;
            if (last ? result == Z_STREAM_END : stream.avail_in == 0 && stream.avail_out != 0)
                break;
        }
        if (last)
            break;
    }
    entry.bytes.resize(produced);
    entry.size = 2 * sizeof(std::uint16_t) * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    entry.crc = static_cast<std::uint32_t>(crc);
}

// The archive's source for a DeflatedEntry: it reports the entry as deflated
// already, with its size and CRC, so the archive copies the bytes unchanged.
zip_int64_t DeflatedSource(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
{
    DeflatedEntry& entry = *static_cast<DeflatedEntry*>(state);
    switch (command) {
    case ZIP_SOURCE_OPEN:
        entry.readOffset = 0;
        return 0;
    case ZIP_SOURCE_READ: {
        const std::size_t count = std::min<std::size_t>(length, entry.bytes.size() - entry.readOffset);
        std::copy_n(entry.bytes.data() + entry.readOffset, count, static_cast<std::uint8_t*>(data));
        entry.readOffset += count;
        return static_cast<zip_int64_t>(count);
    }
    case ZIP_SOURCE_CLOSE:
    case ZIP_SOURCE_FREE:
        return 0;
    case ZIP_SOURCE_STAT: {
        if (length < sizeof(zip_stat_t))
            return -1;
        zip_stat_t* stat = static_cast<zip_stat_t*>(data);
        zip_stat_init(stat);
        stat->valid = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_CRC;
        stat->size = entry.size;
        stat->comp_size = entry.bytes.size();
        stat->comp_method = ZIP_CM_DEFLATE;
        stat->crc = entry.crc;
        return sizeof(zip_stat_t);
    }
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&entry.error, data, length);
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE, ZIP_SOURCE_STAT,
                                              ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE, -1);
    default:
        zip_error_set(&entry.error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

void AddDeflatedEntry(zip_t* archive, const char* name, DeflatedEntry& entry)
{
    zip_error_init(&entry.error);
    zip_source_t* source = zip_source_function(archive, DeflatedSource, &entry);
    if (source == nullptr)
        RaiseArchiveFailure(archive);
    if (zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(source);
        RaiseArchiveFailure(archive);
    }
}

void WriteAll(int fd, const std::uint8_t* data, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw CFileException(CFileException::hardIO, written < 0 ? errno : ENOSPC, std::string());
        data += written;
        count -= static_cast<std::size_t>(written);
    }
}

// Copies the finished archive from memory into the file at path.
void CopySourceToFile(zip_source_t* source, const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        throw CFileException(CFileException::generic, errno, path);
    try {
        if (zip_source_open(source) != 0)
            throw CMemoryException();
        std::vector<std::uint8_t> buffer(1 << 20);
        for (;;) {
            const zip_int64_t got = zip_source_read(source, buffer.data(), buffer.size());
            if (got < 0)
                throw CMemoryException();
            if (got == 0)
                break;
            WriteAll(fd, buffer.data(), static_cast<std::size_t>(got));
        }
        zip_source_close(source);
    } catch (...) {
        ::close(fd);
        throw;
    }
    if (::close(fd) != 0)
        throw CFileException(CFileException::hardIO, errno, path);
}

}  // namespace

std::vector<std::uint8_t> EncodeDocumentPicture(std::int32_t width, std::int32_t height, const std::uint8_t* rows)
{
    return EncodePng(width, height, rows, kPictureCompressionLevel, true);
}

void WriteDocument(const DocumentParts& parts, const std::string& path)
{
    const DocumentDescription& description = parts.description;
    const std::string text = FormatDescription(description);
    // The picture is encoded on a thread of its own while the maps and the
    // preview are prepared here: the two take about as long.
    std::future<std::vector<std::uint8_t>> encoding;
    if (parts.encodedPicture == nullptr)
        encoding = std::async(std::launch::async, EncodeDocumentPicture, description.width, description.height,
                              parts.original);
    const std::vector<std::uint8_t> preview = EncodePreview(parts);
    DeflatedEntry map, undo;
    DeflateMap(parts.map, nullptr, description.width, description.height, map);
    if (description.canUndo)
        DeflateMap(parts.undoMap, parts.map, description.width, description.height, undo);
    std::vector<std::uint8_t> ownPicture;
    const std::vector<std::uint8_t>* picture = parts.encodedPicture;
    if (picture == nullptr) {
        ownPicture = encoding.get();
        picture = &ownPicture;
    }

    zip_error_t error;
    zip_error_init(&error);
    std::unique_ptr<zip_source_t, SourceFreer> memory(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!memory)
        throw CMemoryException();
    std::unique_ptr<zip_t, ZipDiscarder> archive(zip_open_from_source(memory.get(), ZIP_TRUNCATE, &error));
    zip_error_fini(&error);
    if (!archive)
        throw CMemoryException();
    // The archive now holds the memory source; one more reference keeps the
    // finished bytes after the archive is closed.
    zip_source_keep(memory.get());

    AddEntry(archive.get(), kMimeTypeEntry, kMimeType.data(), kMimeType.size());
    // Stored: a few bytes gain nothing from deflating, and every byte stays under the checksum.
    AddEntry(archive.get(), kDescriptionEntry, text.data(), text.size());
    AddEntry(archive.get(), kPictureEntry, picture->data(), picture->size());
    AddEntry(archive.get(), kPreviewEntry, preview.data(), preview.size());
    AddDeflatedEntry(archive.get(), kMapEntry, map);
    if (description.canUndo)
        AddDeflatedEntry(archive.get(), kUndoMapEntry, undo);
    if (zip_close(archive.get()) != 0)
        RaiseArchiveFailure(archive.get());
    archive.release();  // closed, and freed by zip_close
    CopySourceToFile(memory.get(), path);
}
