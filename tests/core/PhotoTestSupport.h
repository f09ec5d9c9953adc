#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Shared steps of the tests on photos from phones and cameras: a scratch
// folder, the reference tools run through the shell, and pictures as opened.
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "TestPictures.h"
#include "image/DibImage.h"
#include "image/PngImage.h"
#include "session/PictureSession.h"

namespace phototest {

// A fresh folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name)
        : m_path(std::filesystem::temp_directory_path() / ("grimasso-" + name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    std::string operator/(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

inline bool HasTool(const std::string& tool)
{
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs command in the shell, its output dropped; true on exit status 0.
inline bool RunTool(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A picture as width, height and its pixels top-down, three bytes a pixel in
// blue-green-red order, without the rows' padding.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

inline Picture FromRows(int width, int height, const std::uint8_t* rows)
{
    Picture picture{width, height, {}};
    const std::int64_t rowBytes = RowBytes(width, 24);
    for (int y = height - 1; y >= 0; --y)
        picture.pixels.insert(picture.pixels.end(), rows + y * rowBytes, rows + y * rowBytes + 3 * width);
    return picture;
}

// The picture as every way of opening hands it on.
inline Picture Opened(const std::string& path)
{
    const std::unique_ptr<PictureSession> session = PictureSession::Open(path);
    BITMAPINFOHEADER header{};
    const std::uint8_t* rows = nullptr;
    session->GetPicture(header, rows);
    return FromRows(header.biWidth, header.biHeight, rows);
}

// A PNG as stored, nothing applied (the references the tools write).
inline Picture StoredPng(const std::string& path)
{
    CPngImage png;
    png.Read(path);
    return FromRows(png.m_header.biWidth, png.m_header.biHeight, png.m_pBits.data());
}

// The mean and the largest difference of two pictures' samples; both -1 when
// their sizes differ.
struct Difference {
    double mean = -1;
    int largest = -1;
};

inline Difference Compare(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size() || a.pixels.empty())
        return {};
    Difference d{0, 0};
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const int delta = std::abs(int{a.pixels[i]} - int{b.pixels[i]});
        sum += delta;
        d.largest = std::max(d.largest, delta);
    }
    d.mean = sum / static_cast<double>(a.pixels.size());
    return d;
}

// Encodes picture with libheif's own encoder for format, recording
// orientation as the file's rotation and mirroring boxes and, when primaries
// is not 0, those colour primaries with sRGB's curve as the file's code points.
inline void WriteHeif(const Picture& picture, heif_compression_format format, const std::string& path,
                      int orientation, int primaries = 0)
{
    heif_context* context = heif_context_alloc();
    heif_image* image = nullptr;
    ASSERT_EQ(heif_image_create(picture.width, picture.height, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                                &image).code, heif_error_Ok);
    ASSERT_EQ(heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, 8).code,
              heif_error_Ok);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x)
            for (int c = 0; c < 3; ++c)
                plane[y * stride + 3 * x + c] = picture.pixels[3 * (y * picture.width + x) + 2 - c];
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    if (primaries != 0) {
        heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
        heif_nclx_color_profile_set_color_primaries(nclx, static_cast<std::uint16_t>(primaries));
        heif_nclx_color_profile_set_transfer_characteristics(nclx, 13);
        heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
        nclx->full_range_flag = 1;
        heif_image_set_nclx_color_profile(image, nclx);
        heif_nclx_color_profile_free(nclx);
        options->macOS_compatibility_workaround_no_nclx_profile = 0;
    }
    heif_encoder* encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, format, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 90);
    EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, nullptr).code, heif_error_Ok);
    EXPECT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(context);
}

// A small photo from the samples, at an odd size so rows carry padding.
inline std::string SamplePortrait()
{
    return testpictures::SamplePhoto("astronaut.png");
}

}  // namespace phototest
