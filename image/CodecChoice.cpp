// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/CodecChoice.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <fcntl.h>
#include <unistd.h>

#include "image/HeifImage.h"
#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"
#include "image/WebpImage.h"

namespace {

bool EndsWithIgnoringCase(const std::string& path, const char* ending)
{
    const std::size_t length = std::strlen(ending);
    if (path.size() < length)
        return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(path[path.size() - length + i]);
        if (std::tolower(c) != ending[i])
            return false;
    }
    return true;
}

bool StartsWith(const std::uint8_t* bytes, std::size_t count, const char* signature, std::size_t length)
{
    return count >= length && std::memcmp(bytes, signature, length) == 0;
}

// Enough for an ISO base media file's type box with a few compatible brands.
constexpr std::size_t kSniffBytes = 64;

// True when bytes start with an ISO base media "ftyp" box whose major brand
// or one of whose compatible brands is one of brands (four characters each).
bool HasFileTypeBrand(const std::uint8_t* bytes, std::size_t count, std::initializer_list<const char*> brands)
{
    if (count < 16 || std::memcmp(bytes + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxSize = (std::size_t{bytes[0]} << 24) | (std::size_t{bytes[1]} << 16) |
                                (std::size_t{bytes[2]} << 8) | bytes[3];
    const std::size_t end = std::min(count, boxSize);
    for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // skips the minor version
        for (const char* brand : brands) {
            if (std::memcmp(bytes + at, brand, 4) == 0)
                return true;
        }
    }
    return false;
}

std::size_t ReadHead(const std::string& path, std::uint8_t* head, std::size_t size)
{
    // Without blocking: a named pipe handed over by mistake must not stall the
    // sniff (the codec's own open refuses it later).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    const ssize_t got = ::read(fd, head, size);
    ::close(fd);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

}  // namespace

PictureFormat FormatFromSignature(const std::uint8_t* bytes, std::size_t count)
{
    if (StartsWith(bytes, count, "BM", 2))
        return PictureFormat::Bitmap;
    if (StartsWith(bytes, count, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, count, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    // Canon's raw files are TIFFs in structure only: their first image is a
    // small preview, so they count as a camera file instead.
    if ((StartsWith(bytes, count, "II*\0", 4) || StartsWith(bytes, count, "MM\0*", 4)) &&
        ForeignFormatFromSignature(bytes, count) == ForeignFormat::None)
        return PictureFormat::Tiff;
    if (count >= 12 && StartsWith(bytes, count, "RIFF", 4) && std::memcmp(bytes + 8, "WEBP", 4) == 0)
        return PictureFormat::Webp;
    if (HasFileTypeBrand(bytes, count, {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis"}) &&
        ForeignFormatFromSignature(bytes, count) == ForeignFormat::None)
        return PictureFormat::Heif;
    return PictureFormat::Unknown;
}

ForeignFormat ForeignFormatFromSignature(const std::uint8_t* bytes, std::size_t count)
{
    if (StartsWith(bytes, count, "GIF87a", 6) || StartsWith(bytes, count, "GIF89a", 6))
        return ForeignFormat::Gif;
    if (StartsWith(bytes, count, "\0\0\0\x0CjP  \r\n\x87\n", 12) || StartsWith(bytes, count, "\xFF\x4F\xFF\x51", 4))
        return ForeignFormat::Jpeg2000;
    if (StartsWith(bytes, count, "\0\0\0\x0CJXL \r\n\x87\n", 12) || StartsWith(bytes, count, "\xFF\x0A", 2))
        return ForeignFormat::JpegXl;
    if (StartsWith(bytes, count, "8BPS", 4))
        return ForeignFormat::Psd;
    if (StartsWith(bytes, count, "%PDF-", 5))
        return ForeignFormat::Pdf;
    const bool canonTiff = count >= 10 && StartsWith(bytes, count, "II*\0", 4) && bytes[8] == 'C' && bytes[9] == 'R';
    if (canonTiff || StartsWith(bytes, count, "FUJIFILMCCD-RAW", 15) || StartsWith(bytes, count, "IIRO", 4) ||
        StartsWith(bytes, count, "IIRS", 4) || StartsWith(bytes, count, "IIU\0", 4) ||
        HasFileTypeBrand(bytes, count, {"crx "}))
        return ForeignFormat::CameraRaw;
    return ForeignFormat::None;
}

ForeignFormat ForeignFormatOfFile(const std::string& path)
{
    std::uint8_t head[kSniffBytes] = {};
    return ForeignFormatFromSignature(head, ReadHead(path, head, sizeof head));
}

PictureFormat FormatFromEnding(const std::string& path)
{
    // The three-character endings match without a dot, as they always have.
    if (EndsWithIgnoringCase(path, "bmp"))
        return PictureFormat::Bitmap;
    if (EndsWithIgnoringCase(path, "jpg") || EndsWithIgnoringCase(path, ".jpeg") || EndsWithIgnoringCase(path, ".jpe"))
        return PictureFormat::Jpeg;
    if (EndsWithIgnoringCase(path, "tif") || EndsWithIgnoringCase(path, ".tiff"))
        return PictureFormat::Tiff;
    if (EndsWithIgnoringCase(path, "png"))
        return PictureFormat::Png;
    return PictureFormat::Unknown;
}

PictureFormat OpeningFormatFromEnding(const std::string& path)
{
    if (EndsWithIgnoringCase(path, ".heic") || EndsWithIgnoringCase(path, ".heif") ||
        EndsWithIgnoringCase(path, ".avif"))
        return PictureFormat::Heif;
    if (EndsWithIgnoringCase(path, ".webp"))
        return PictureFormat::Webp;
    return FormatFromEnding(path);
}

PictureFormat FormatOfFile(const std::string& path)
{
    std::uint8_t head[kSniffBytes] = {};
    const std::size_t count = ReadHead(path, head, sizeof head);
    const PictureFormat byContent = FormatFromSignature(head, count);
    if (byContent != PictureFormat::Unknown)
        return byContent;
    // A file recognised as something else is not opened by its ending.
    if (ForeignFormatFromSignature(head, count) != ForeignFormat::None)
        return PictureFormat::Unknown;
    return OpeningFormatFromEnding(path);
}

std::unique_ptr<CDibImage> CreateCodec(PictureFormat format)
{
    switch (format) {
    case PictureFormat::Bitmap:
        return std::make_unique<CDibImage>();
    case PictureFormat::Jpeg:
        return std::make_unique<CJpegImage>();
    case PictureFormat::Tiff:
        return std::make_unique<CTiffImage>();
    case PictureFormat::Png:
        return std::make_unique<CPngImage>();
    case PictureFormat::Heif:
        return std::make_unique<CHeifImage>();
    case PictureFormat::Webp:
        return std::make_unique<CWebpImage>();
    case PictureFormat::Unknown:
        break;
    }
    return nullptr;
}

std::unique_ptr<CDibImage> CreateCodecForPath(const std::string& path)
{
    return CreateCodec(FormatFromEnding(path));
}

std::unique_ptr<CDibImage> CreateCodecForFile(const std::string& path)
{
    return CreateCodec(FormatOfFile(path));
}
