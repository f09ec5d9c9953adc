// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/SrgbConversion.h"

#include <cmath>

#include <lcms2.h>

namespace {

// Closes a profile on every way out.
struct ProfileHandle {
    cmsHPROFILE profile;
    ~ProfileHandle()
    {
        if (profile != nullptr)
            cmsCloseProfile(profile);
    }
};

// The library's texts never reach the user; a broken profile only ends in a
// null handle, which callers take as "no profile".
void DropLibraryMessage(cmsContext, cmsUInt32Number, const char*) {}

bool CloseTo(double a, double b, double tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

bool SameColorant(cmsHPROFILE profile, cmsHPROFILE reference, cmsTagSignature tag)
{
    const auto* own = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* wanted = static_cast<const cmsCIEXYZ*>(cmsReadTag(reference, tag));
    // Profiles in the wild round their colorants to a few thousandths.
    constexpr double kTolerance = 0.003;
    return own != nullptr && wanted != nullptr && CloseTo(own->X, wanted->X, kTolerance) &&
           CloseTo(own->Y, wanted->Y, kTolerance) && CloseTo(own->Z, wanted->Z, kTolerance);
}

bool SameCurve(cmsHPROFILE profile, cmsHPROFILE reference, cmsTagSignature tag)
{
    const auto* own = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    const auto* wanted = static_cast<const cmsToneCurve*>(cmsReadTag(reference, tag));
    if (own == nullptr || wanted == nullptr)
        return false;
    for (int step = 0; step <= 16; ++step) {
        const float level = static_cast<float>(step) / 16.0f;
        // Less than a quarter of a level on a 255 scale.
        if (!CloseTo(cmsEvalToneCurveFloat(own, level), cmsEvalToneCurveFloat(wanted, level), 0.001))
            return false;
    }
    return true;
}

bool DescribesSrgb(cmsHPROFILE profile)
{
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile))
        return false;
    ProfileHandle srgb{cmsCreate_sRGBProfile()};
    if (srgb.profile == nullptr)
        return false;
    return SameColorant(profile, srgb.profile, cmsSigRedColorantTag) &&
           SameColorant(profile, srgb.profile, cmsSigGreenColorantTag) &&
           SameColorant(profile, srgb.profile, cmsSigBlueColorantTag) &&
           SameCurve(profile, srgb.profile, cmsSigRedTRCTag) && SameCurve(profile, srgb.profile, cmsSigGreenTRCTag) &&
           SameCurve(profile, srgb.profile, cmsSigBlueTRCTag);
}

cmsHPROFILE OpenProfile(const std::vector<std::uint8_t>& profile)
{
    static const bool silenced = [] {
        cmsSetLogErrorHandler(DropLibraryMessage);
        return true;
    }();
    (void)silenced;
    if (profile.empty() || profile.size() > 0xFFFFFFFFu)
        return nullptr;
    return cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size()));
}

}  // namespace

bool IsSrgbProfile(const std::vector<std::uint8_t>& profile)
{
    ProfileHandle handle{OpenProfile(profile)};
    return handle.profile != nullptr && DescribesSrgb(handle.profile);
}

std::unique_ptr<SrgbConversion> SrgbConversion::FromProfile(const std::vector<std::uint8_t>& profile, Input input)
{
    ProfileHandle source{OpenProfile(profile)};
    if (source.profile == nullptr)
        return nullptr;
    const bool inks = input != Input::Bgr;
    if (cmsGetColorSpace(source.profile) != (inks ? cmsSigCmykData : cmsSigRgbData))
        return nullptr;
    if (!inks && DescribesSrgb(source.profile))
        return nullptr;
    ProfileHandle srgb{cmsCreate_sRGBProfile()};
    if (srgb.profile == nullptr)
        return nullptr;
    const cmsUInt32Number format =
        input == Input::Bgr ? TYPE_BGR_8 : (input == Input::Cmyk ? TYPE_CMYK_8 : TYPE_CMYK_8_REV);
    // No cache: the transform is shared by the threads converting row bands.
    cmsHTRANSFORM transform =
        cmsCreateTransform(source.profile, format, srgb.profile, TYPE_BGR_8, INTENT_PERCEPTUAL,
                           cmsFLAGS_BLACKPOINTCOMPENSATION | cmsFLAGS_NOCACHE);
    if (transform == nullptr)
        return nullptr;
    return std::unique_ptr<SrgbConversion>(new SrgbConversion(transform));
}

SrgbConversion::~SrgbConversion()
{
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(m_transform));
}

void SrgbConversion::Convert(const std::uint8_t* source, std::uint8_t* target, std::uint32_t count) const
{
    cmsDoTransform(static_cast<cmsHTRANSFORM>(m_transform), source, target, count);
}
