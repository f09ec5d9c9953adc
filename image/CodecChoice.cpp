#include "image/CodecChoice.h"

#include <cctype>

#include "image/JpegImage.h"
#include "image/PngImage.h"
#include "image/TiffImage.h"

namespace {

bool EndsWithIgnoringCase(const std::string& path, const char* ending)
{
    if (path.size() < 3)
        return false;
    for (std::size_t i = 0; i < 3; ++i) {
        const auto c = static_cast<unsigned char>(path[path.size() - 3 + i]);
        if (std::tolower(c) != ending[i])
            return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<CDibImage> CreateCodecForPath(const std::string& path)
{
    if (EndsWithIgnoringCase(path, "bmp"))
        return std::make_unique<CDibImage>();
    if (EndsWithIgnoringCase(path, "jpg"))
        return std::make_unique<CJpegImage>();
    if (EndsWithIgnoringCase(path, "tif"))
        return std::make_unique<CTiffImage>();
    if (EndsWithIgnoringCase(path, "png"))
        return std::make_unique<CPngImage>();
    return nullptr;
}
