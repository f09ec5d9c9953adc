// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/HeifImage.h"

#include <cstddef>
#include <cstdio>
#include <memory>
#include <vector>

#include <libheif/heif.h>

#include "image/CodedColourProfile.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"
#include "image/LoadControl.h"

namespace {

struct ContextDeleter {
    void operator()(heif_context* p) const { heif_context_free(p); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
};
struct ImageDeleter {
    void operator()(heif_image* p) const { heif_image_release(p); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
};

[[noreturn]] void ThrowFor(const heif_error& error)
{
    // A side beyond the library's limit (ours) is no picture any encoder wrote.
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        throw CArchiveException(CArchiveException::generic);
    switch (error.code) {
    case heif_error_Memory_allocation_error:
        throw CMemoryException();
    case heif_error_Unsupported_filetype:
    case heif_error_Unsupported_feature:
    case heif_error_Decoder_plugin_error:
        throw CArchiveException(CArchiveException::badIndex);
    default:
        throw CArchiveException(CArchiveException::generic);
    }
}

void Require(const heif_error& error)
{
    if (error.code != heif_error_Ok)
        ThrowFor(error);
}

// A sample of bits bits scaled to 8, rounded to the nearest level.
std::uint8_t ReduceTo8Bits(unsigned sample, unsigned maximum)
{
    return static_cast<std::uint8_t>((sample * 255u + maximum / 2) / maximum);
}

// Copies the library's top-down interleaved rows into bottom-up blue-green-red rows.
void CopyRows(const heif_image* image, int width, int height, int bits, std::uint8_t* rows, std::ptrdiff_t rowBytes)
{
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
    if (plane == nullptr)
        throw CArchiveException(CArchiveException::generic);
    const unsigned maximum = (1u << bits) - 1;
    for (int y = 0; y < height; ++y) {
        if (y % 64 == 0)
            LoadCheckpoint();
        const std::uint8_t* source = plane + static_cast<std::ptrdiff_t>(y) * stride;
        std::uint8_t* pixel = rows + static_cast<std::ptrdiff_t>(height - 1 - y) * rowBytes;
        if (bits <= 8) {
            for (int x = 0; x < width; ++x, source += 3, pixel += 3) {
                pixel[0] = source[2];
                pixel[1] = source[1];
                pixel[2] = source[0];
            }
            continue;
        }
        // Little-endian 16-bit samples holding bits significant bits.
        for (int x = 0; x < width; ++x, source += 6, pixel += 3) {
            pixel[0] = ReduceTo8Bits(source[4] | (source[5] << 8), maximum);
            pixel[1] = ReduceTo8Bits(source[2] | (source[3] << 8), maximum);
            pixel[2] = ReduceTo8Bits(source[0] | (source[1] << 8), maximum);
        }
    }
}

// The colours of an image that names its primaries and transfer function
// instead of embedding a profile, as a profile; empty for sRGB's.
std::vector<std::uint8_t> ProfileOfCodePoints(const heif_image_handle* handle)
{
    heif_color_profile_nclx* nclx = nullptr;
    // The library hands over its record even with an error about unknown code points.
    const bool known = heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok;
    if (!known || nclx == nullptr) {
        if (nclx != nullptr)
            heif_nclx_color_profile_free(nclx);
        return {};
    }
    const CodedColours colours{nclx->color_primary_red_x,   nclx->color_primary_red_y,
                               nclx->color_primary_green_x, nclx->color_primary_green_y,
                               nclx->color_primary_blue_x,  nclx->color_primary_blue_y,
                               nclx->color_primary_white_x, nclx->color_primary_white_y,
                               static_cast<int>(nclx->color_primaries),
                               static_cast<int>(nclx->transfer_characteristics)};
    heif_nclx_color_profile_free(nclx);
    return ProfileForCodedColours(colours);
}

}  // namespace

void CHeifImage::Read(const std::string& path)
{
    if (std::FILE* probe = std::fopen(path.c_str(), "rb"))
        std::fclose(probe);
    else
        throw CFileException(CFileException::generic, -1, path);

    std::unique_ptr<heif_context, ContextDeleter> context(heif_context_alloc());
    if (!context)
        throw CMemoryException();
    // The library refuses longer sides before decoding; the area is ours to judge,
    // so that a valid picture too large to hold is named as such.
    heif_context_set_maximum_image_size_limit(context.get(), static_cast<int>(kMaxPictureDimension));
    Require(heif_context_read_from_file(context.get(), path.c_str(), nullptr));

    heif_image_handle* rawHandle = nullptr;
    Require(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    std::unique_ptr<heif_image_handle, HandleDeleter> handle(rawHandle);
    RequireAcceptablePictureSize(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()));

    const int lumaBits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const bool deep = lumaBits > 8;
    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options)
        throw CMemoryException();
    options->ignore_transformations = 0;  // rotation and mirroring as the file says

    // The library decodes in one call this version cannot interrupt: the load
    // can end before and after it.
    LoadCheckpoint();
    heif_image* rawImage = nullptr;
    Require(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                              deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB,
                              options.get()));
    std::unique_ptr<heif_image, ImageDeleter> image(rawImage);

    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    if (!IsAcceptablePictureSize(width, height) || bits < 8 || bits > 16 || (bits > 8) != deep)
        throw CArchiveException(CArchiveException::generic);

    m_metadata = PictureMetadata{};
    const heif_color_profile_type profileType = heif_image_handle_get_color_profile_type(handle.get());
    if (profileType == heif_color_profile_type_prof || profileType == heif_color_profile_type_rICC) {
        m_metadata.iccProfile.resize(heif_image_handle_get_raw_color_profile_size(handle.get()));
        if (m_metadata.iccProfile.empty() ||
            heif_image_handle_get_raw_color_profile(handle.get(), m_metadata.iccProfile.data()).code != heif_error_Ok)
            m_metadata.iccProfile.clear();
    } else if (profileType == heif_color_profile_type_nclx) {
        m_metadata.iccProfile = ProfileOfCodePoints(handle.get());
    }

    const std::int64_t rowBytes = RowBytes(width, 24);
    PixelBuffer pixels = PixelBuffer::Allocate(static_cast<std::size_t>(rowBytes * height), true);
    CopyRows(image.get(), width, height, bits, pixels.data(), rowBytes);
    CDibImage::SetHeader(width, height, 24, nullptr);
    m_pColors.clear();
    m_pBits = std::move(pixels);
}

void CHeifImage::Write(const std::string&)
{
    throw CArchiveException(CArchiveException::writeOnly);
}
