// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/DocumentReader.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <zip.h>

#include "image/RowBands.h"
#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/ImageLimits.h"
#include "image/PngImage.h"
#include "resources/StringIds.h"
#include "session/DocumentError.h"
#include "session/DocumentLayout.h"

namespace {

using namespace document_layout;

// Deflate never packs more than 1032 bytes into one; a directory that claims
// more is lying, and believing it would allocate for nothing.
constexpr std::uint64_t kMaxDeflateRatio = 1032;

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using Archive = std::unique_ptr<zip_t, ZipCloser>;

[[noreturn]] void BadPart(const char* name)
{
    throw DocumentError(IDS_DOCUMENT_CAUSE_PART, name);
}

// The directory's record of name, checked against the file: a known method,
// no encryption, and sizes that the file's length can hold.
zip_stat_t StatOf(zip_t* archive, const char* name, std::uint64_t fileSize)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name, ZIP_FL_ENC_GUESS, &stat) != 0)
        BadPart(name);
    const zip_uint64_t needed = ZIP_STAT_SIZE | ZIP_STAT_COMP_SIZE | ZIP_STAT_COMP_METHOD | ZIP_STAT_INDEX;
    if ((stat.valid & needed) != needed || stat.comp_size > fileSize ||
        (stat.comp_method != ZIP_CM_STORE && stat.comp_method != ZIP_CM_DEFLATE) ||
        ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE))
        BadPart(name);
    if (stat.comp_method == ZIP_CM_STORE ? stat.size != stat.comp_size
                                         : stat.size / kMaxDeflateRatio > stat.comp_size + 1)
        BadPart(name);
    return stat;
}

// Reads exactly size bytes of the entry into destination; the library checks
// the checksum when the end of the entry is reached, which the last read asks for.
void ReadEntry(zip_t* archive, const zip_stat_t& stat, const char* name, std::uint8_t* destination, std::uint64_t size)
{
    std::unique_ptr<zip_file_t, EntryCloser> file(zip_fopen_index(archive, stat.index, 0));
    if (!file)
        BadPart(name);
    std::uint64_t done = 0;
    while (done < size) {
        const zip_uint64_t chunk = std::min<std::uint64_t>(size - done, std::uint64_t{1} << 30);
        const zip_int64_t got = zip_fread(file.get(), destination + done, chunk);
        if (got <= 0)
            BadPart(name);
        done += static_cast<std::uint64_t>(got);
    }
    std::uint8_t extra;
    if (zip_fread(file.get(), &extra, 1) != 0)
        BadPart(name);
}

std::vector<std::uint8_t> ReadSmallEntry(zip_t* archive, const char* name, std::uint64_t fileSize, std::uint64_t limit)
{
    const zip_stat_t stat = StatOf(archive, name, fileSize);
    if (stat.size > limit)
        BadPart(name);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.size));
    ReadEntry(archive, stat, name, bytes.data(), stat.size);
    return bytes;
}

MapBuffer ReadMap(zip_t* archive, const char* name, std::uint64_t fileSize, const DocumentDescription& description,
                  const MapBuffer* base = nullptr)
{
    const zip_stat_t stat = StatOf(archive, name, fileSize);
    const std::size_t entries = static_cast<std::size_t>(description.width) * static_cast<std::size_t>(description.height);
    if (stat.size != entries * kMapEntryBytes)
        throw DocumentError(IDS_DOCUMENT_CAUSE_SIZE, std::to_string(description.width), std::to_string(description.height));
    MapBuffer map;
    try {
        map.resize(entries);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    ReadEntry(archive, stat, name, reinterpret_cast<std::uint8_t*>(map.data()), stat.size);
    // Each entry is stored relative to its own pixel (or base's entry there), modulo 65536.
    const std::int32_t width = description.width, height = description.height;
    std::atomic<bool> inside{true};
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        bool bandInside = true;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            MapEntry* row = map.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (std::int32_t x = 0; x < width; ++x) {
                std::uint16_t dx = row[x].x, dy = row[x].y;
                if constexpr (std::endian::native != std::endian::little) {
                    dx = static_cast<std::uint16_t>((dx >> 8) | (dx << 8));
                    dy = static_cast<std::uint16_t>((dy >> 8) | (dy << 8));
                }
                const MapEntry origin = base ? (*base)[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]
                                             : MapEntry{x, y};
                const auto sx = static_cast<std::uint16_t>(dx + origin.x), sy = static_cast<std::uint16_t>(dy + origin.y);
                bandInside = bandInside && sx < width && sy < height;
                row[x] = MapEntry{sx, sy};
            }
        }
        if (!bandInside)
            inside = false;
    });
    if (!inside)
        BadPart(name);
    return map;
}

PixelBuffer DecodePicture(const std::vector<std::uint8_t>& png, const DocumentDescription& description)
{
    if (png.size() < 8 || std::memcmp(png.data(), "\x89PNG\r\n\x1A\n", 8) != 0)
        BadPart(kPictureEntry);
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(png.data()), png.size(), "rb");
    if (stream == nullptr)
        throw CMemoryException();
    CPngImage codec;
    // A header that disagrees with the description is refused before the
    // picture it claims is allocated.
    codec.ExpectSize(description.width, description.height);
    try {
        codec.ReadFromStream(stream);
    } catch (const CMemoryException&) {
        throw;
    } catch (const CException&) {
        BadPart(kPictureEntry);
    }
    const BITMAPINFOHEADER header = codec.GetHeader();
    if (header.biWidth != description.width || header.biHeight != description.height)
        BadPart(kPictureEntry);
    return std::move(codec.m_pBits);
}

DocumentContents ReadFromArchive(zip_t* archive, std::uint64_t fileSize, DocumentPartsToRead parts)
{
    // The type comes first and stored, so that its bytes sit at a fixed place.
    zip_stat_t first;
    zip_stat_init(&first);
    if (zip_get_num_entries(archive, 0) < 1 || zip_stat_index(archive, 0, 0, &first) != 0 ||
        !(first.valid & ZIP_STAT_NAME) || std::strcmp(first.name, kMimeTypeEntry) != 0)
        BadPart(kMimeTypeEntry);
    const std::vector<std::uint8_t> type = ReadSmallEntry(archive, kMimeTypeEntry, fileSize, kMimeType.size());
    if (std::string_view(reinterpret_cast<const char*>(type.data()), type.size()) != kMimeType)
        BadPart(kMimeTypeEntry);

    const std::vector<std::uint8_t> text = ReadSmallEntry(archive, kDescriptionEntry, fileSize, kMaxDescriptionBytes);
    DocumentContents contents;
    contents.description = ParseDescription(std::string(text.begin(), text.end()));
    const DocumentDescription& description = contents.description;

    // The compressed pictures can hold no more than the file; their checksums
    // are checked even where only the map is wanted.
    const std::vector<std::uint8_t> picture = ReadSmallEntry(archive, kPictureEntry, fileSize, fileSize);
    ReadSmallEntry(archive, kPreviewEntry, fileSize, fileSize);
    // The picture is decoded on a thread of its own while the maps are
    // inflated here; the archive is touched by this thread only.
    std::future<PixelBuffer> decoding;
    if (parts == DocumentPartsToRead::Everything)
        decoding = std::async(std::launch::async, DecodePicture, std::cref(picture), std::cref(description));
    contents.map = ReadMap(archive, kMapEntry, fileSize, description);
    // Carrying a deformation over uses the map alone: the undo map, as large
    // again, is not even read.
    if (description.canUndo && parts == DocumentPartsToRead::Everything)
        contents.undoMap = ReadMap(archive, kUndoMapEntry, fileSize, description, &contents.map);
    if (decoding.valid())
        contents.picture = decoding.get();
    return contents;
}

[[noreturn]] void RaiseOpenFailure(int code)
{
    if (code == ZIP_ER_MEMORY)
        throw CMemoryException();
    throw DocumentError(IDS_DOCUMENT_CAUSE_CONTAINER);
}

}  // namespace

DocumentContents ReadDocument(const std::string& path, DocumentPartsToRead parts)
{
    RequireRegularFile(path);
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw CFileException(CFileException::generic, errno, path);
    int code = 0;
    Archive archive(zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!archive) {
        if (code == ZIP_ER_OPEN || code == ZIP_ER_NOENT)
            throw CFileException(CFileException::generic, -1, path);
        RaiseOpenFailure(code);
    }
    return ReadFromArchive(archive.get(), static_cast<std::uint64_t>(status.st_size), parts);
}

DocumentContents ReadDocumentFromMemory(const std::uint8_t* data, std::size_t size, DocumentPartsToRead parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(data, size, 0, &error);
    if (source == nullptr) {
        zip_error_fini(&error);
        throw CMemoryException();
    }
    Archive archive(zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &error));
    if (!archive) {
        zip_source_free(source);
        const int code = zip_error_code_zip(&error);
        zip_error_fini(&error);
        RaiseOpenFailure(code);
    }
    zip_error_fini(&error);
    return ReadFromArchive(archive.get(), size, parts);
}

bool HasDocumentSignature(const std::uint8_t* bytes, std::size_t count)
{
    // Local header: signature, then at 8 the method (0: stored), at 26 the
    // name's length, at 28 the extra field's, the name at 30, the data after it.
    constexpr std::size_t kNameAt = 30;
    const std::size_t nameLength = std::strlen(kMimeTypeEntry);
    if (count < kNameAt + nameLength + kMimeType.size() || std::memcmp(bytes, "PK\x03\x04", 4) != 0)
        return false;
    const auto u16 = [bytes](std::size_t at) { return static_cast<std::size_t>(bytes[at] | (bytes[at + 1] << 8)); };
    if (u16(8) != 0 || u16(26) != nameLength || std::memcmp(bytes + kNameAt, kMimeTypeEntry, nameLength) != 0)
        return false;
    const std::size_t dataAt = kNameAt + nameLength + u16(28);
    return count >= dataAt + kMimeType.size() && std::memcmp(bytes + dataAt, kMimeType.data(), kMimeType.size()) == 0;
}

bool IsDocumentFile(const std::string& path)
{
    std::uint8_t head[256] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    return got > 0 && HasDocumentSignature(head, static_cast<std::size_t>(got));
}
