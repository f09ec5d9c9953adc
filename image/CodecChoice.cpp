// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/CodecChoice.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

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

}  // namespace

PictureFormat FormatFromSignature(const std::uint8_t* bytes, std::size_t count)
{
    if (StartsWith(bytes, count, "BM", 2))
        return PictureFormat::Bitmap;
    if (StartsWith(bytes, count, "\xFF\xD8\xFF", 3))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, count, "\x89PNG\r\n\x1A\n", 8))
        return PictureFormat::Png;
    if (StartsWith(bytes, count, "II*\0", 4) || StartsWith(bytes, count, "MM\0*", 4))
        return PictureFormat::Tiff;
    return PictureFormat::Unknown;
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

PictureFormat FormatOfFile(const std::string& path)
{
    std::uint8_t head[8] = {};
    std::size_t count = 0;
    // Without blocking: a named pipe handed over by mistake must not stall the
    // sniff (the codec's own open refuses it later).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
        const ssize_t got = ::read(fd, head, sizeof head);
        count = got > 0 ? static_cast<std::size_t>(got) : 0;
        ::close(fd);
    }
    const PictureFormat byContent = FormatFromSignature(head, count);
    return byContent != PictureFormat::Unknown ? byContent : FormatFromEnding(path);
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
