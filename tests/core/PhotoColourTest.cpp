// SPDX-License-Identifier: GPL-3.0-or-later
// Embedded colour profiles: a picture carrying a wide-gamut profile opens as
// lcms's own double-precision conversion to sRGB (perceptual, black-point
// compensation) gives it; sRGB profiles and unusable ones leave every byte as
// stored. The profiles are made here from their published primaries and
// written into the files by exiftool.
#include <gtest/gtest.h>

#include <fstream>
#include <lcms2.h>

#include "PhotoTestSupport.h"

namespace {

using namespace phototest;

// Saves a profile made by lcms to path, and closes it.
void SaveProfile(cmsHPROFILE profile, const std::string& path)
{
    ASSERT_NE(profile, nullptr);
    ASSERT_TRUE(cmsSaveProfileToFile(profile, path.c_str()));
    cmsCloseProfile(profile);
}

cmsHPROFILE RgbProfile(const cmsCIExyYTRIPLE& primaries, cmsToneCurve* curve)
{
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

cmsHPROFILE AdobeRgbLike()
{
    return RgbProfile({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 563.0 / 256.0));
}

cmsHPROFILE DisplayP3Like()
{
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return RgbProfile({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
}

// picture converted from profile to sRGB by lcms in double precision, rounded.
Picture ConvertedByLcms(const Picture& picture, const std::string& profilePath)
{
    cmsHPROFILE source = cmsOpenProfileFromFile(profilePath.c_str(), "r");
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = cmsCreateTransform(source, TYPE_BGR_DBL, srgb, TYPE_BGR_DBL, INTENT_PERCEPTUAL,
                                                 cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOOPTIMIZE);
    Picture result = picture;
    for (std::size_t i = 0; i < picture.pixels.size(); i += 3) {
        double in[3], out[3];
        for (int c = 0; c < 3; ++c)
            in[c] = picture.pixels[i + c] / 255.0;
        cmsDoTransform(transform, in, out, 1);
        for (int c = 0; c < 3; ++c)
            result.pixels[i + c] = static_cast<std::uint8_t>(std::lround(std::clamp(out[c], 0.0, 1.0) * 255.0));
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    return result;
}

class PhotoColour : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HasTool("exiftool") || !HasTool("convert") || !HasTool("cwebp"))
            GTEST_SKIP() << "exiftool, ImageMagick or cwebp missing";
        // Saturated colours show a wrong conversion most: the cat's fur and the
        // coffee cup's reds.
        ASSERT_TRUE(RunTool("convert '" + testpictures::SamplePhoto("coffee.png") + "' -resize 97x65! " +
                            (m_folder / "base.png")));
        ASSERT_TRUE(RunTool("convert " + (m_folder / "base.png") + " -quality 92 " + (m_folder / "base.jpg")));
        ASSERT_TRUE(RunTool("convert " + (m_folder / "base.png") + " " + (m_folder / "base.tif")));
        ASSERT_TRUE(RunTool("cwebp -quiet -lossless " + (m_folder / "base.png") + " -o " + (m_folder / "base.webp")));
    }

    // base.format with profilePath embedded.
    std::string Tagged(const std::string& format, const std::string& profilePath, const std::string& name)
    {
        const std::string tagged = m_folder / (name + "." + format);
        EXPECT_TRUE(RunTool("cp " + (m_folder / ("base." + format)) + " " + tagged));
        EXPECT_TRUE(RunTool("exiftool -q -q -overwrite_original '-ICC_Profile<=" + profilePath + "' " + tagged));
        return tagged;
    }

    ScratchFolder m_folder{"colour"};
};

TEST_F(PhotoColour, WideGamutProfilesConvertLikeLcms)
{
    const std::string adobe = m_folder / "adobe.icc";
    const std::string p3 = m_folder / "p3.icc";
    SaveProfile(AdobeRgbLike(), adobe);
    SaveProfile(DisplayP3Like(), p3);
    for (const char* format : {"jpg", "png", "tif", "webp"}) {
        const Picture stored = Opened(m_folder / (std::string("base.") + format));
        for (const std::string& profile : {adobe, p3}) {
            SCOPED_TRACE(std::string(format) + " with " + profile);
            const Picture opened = Opened(Tagged(format, profile, "wide"));
            const Difference fromReference = Compare(opened, ConvertedByLcms(stored, profile));
            EXPECT_GE(fromReference.mean, 0.0);
            EXPECT_LE(fromReference.mean, 1.0);
            EXPECT_LE(fromReference.largest, 3);
            // And the conversion did happen: these gamuts move saturated colours far.
            EXPECT_GT(Compare(opened, stored).largest, 10);
        }
    }
}

// HEIC and AVIF may name their colours by code points instead of a profile:
// Display P3 primaries with sRGB's curve convert like the P3 profile; sRGB's
// own code points leave the pixels as libheif's reference decoder writes them.
TEST_F(PhotoColour, HeifCodePointsConvertLikeTheirProfile)
{
    if (!HasTool("heif-convert"))
        GTEST_SKIP() << "libheif-examples missing";
    const std::string p3 = m_folder / "p3.icc";
    SaveProfile(DisplayP3Like(), p3);
    struct Case {
        const char* file;
        heif_compression_format format;
        int primaries;  // 12: Display P3; 1: sRGB's
    };
    const Case cases[] = {{"p3.heic", heif_compression_HEVC, 12},
                          {"p3.avif", heif_compression_AV1, 12},
                          {"srgb.heic", heif_compression_HEVC, 1}};
    const Picture base = StoredPng(m_folder / "base.png");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string file = m_folder / c.file;
        WriteHeif(base, c.format, file, 1, c.primaries);
        const std::string decoded = file + ".png";
        ASSERT_TRUE(RunTool("heif-convert " + file + " " + decoded));
        const Picture stored = StoredPng(decoded);
        const bool wide = c.primaries != 1;
        const Picture expected = wide ? ConvertedByLcms(stored, p3) : stored;
        const Difference d = Compare(Opened(file), expected);
        EXPECT_GE(d.mean, 0.0);
        EXPECT_LE(d.mean, wide ? 1.0 : 0.0);
        if (wide) {
            EXPECT_GT(Compare(Opened(file), stored).largest, 10) << "not converted";
        }
    }
}

TEST_F(PhotoColour, SrgbAndUnusableProfilesLeaveEveryByte)
{
    const std::string srgb = m_folder / "srgb.icc";
    SaveProfile(cmsCreate_sRGBProfile(), srgb);
    // A profile of another colour space than the picture's.
    const std::string grey = m_folder / "grey.icc";
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    SaveProfile(cmsCreateGrayProfile(cmsD50_xyY(), curve), grey);
    cmsFreeToneCurve(curve);
    // A profile whose header promises more than it holds.
    const std::string broken = m_folder / "broken.icc";
    {
        std::ifstream in(srgb, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes.resize(200);
        std::ofstream(broken, std::ios::binary) << bytes;
    }
    for (const char* format : {"jpg", "png", "tif", "webp"}) {
        const Picture stored = Opened(m_folder / (std::string("base.") + format));
        for (const std::string& profile : {srgb, grey, broken}) {
            SCOPED_TRACE(std::string(format) + " with " + profile);
            const Picture opened = Opened(Tagged(format, profile, "plain"));
            EXPECT_EQ(Compare(opened, stored).largest, 0);
        }
    }
}

}  // namespace
