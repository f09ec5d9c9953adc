// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/CodedColourProfile.h"

#include <lcms2.h>

namespace {

// The parametric curve (lcms type 4) of a transfer code point, false when
// there is none we convert: Y = (aX + b)^g above d, cX below.
bool CurveOf(int transfer, cmsFloat64Number (&curve)[5])
{
    switch (transfer) {
    case 2:   // unspecified: taken for sRGB's
    case 13:  // sRGB
        curve[0] = 2.4, curve[1] = 1 / 1.055, curve[2] = 0.055 / 1.055, curve[3] = 1 / 12.92, curve[4] = 0.04045;
        return true;
    case 1:   // BT.709
    case 6:   // BT.601
    case 14:  // BT.2020, 10 bits
    case 15:  // BT.2020, 12 bits
        curve[0] = 1 / 0.45, curve[1] = 1 / 1.099, curve[2] = 0.099 / 1.099, curve[3] = 1 / 4.5, curve[4] = 0.081;
        return true;
    case 4:   // gamma 2.2
    case 5:   // gamma 2.8
    case 8:   // linear
        curve[0] = transfer == 4 ? 2.2 : (transfer == 5 ? 2.8 : 1.0);
        curve[1] = 1, curve[2] = 0, curve[3] = 0, curve[4] = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace

std::vector<std::uint8_t> ProfileForCodedColours(const CodedColours& colours)
{
    std::vector<std::uint8_t> bytes;
    cmsFloat64Number parameters[5];
    // sRGB's primaries with the curves of video (BT.709, BT.601) are what every
    // viewer shows as sRGB: left untouched.
    if (colours.primaries == 1 || colours.primaries == 2 || !CurveOf(colours.transfer, parameters))
        return bytes;
    const cmsCIExyY white{colours.whiteX, colours.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{{colours.redX, colours.redY, 1.0},
                                    {colours.greenX, colours.greenY, 1.0},
                                    {colours.blueX, colours.blueY, 1.0}};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    if (curve == nullptr)
        return bytes;
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    if (profile == nullptr)
        return bytes;
    cmsUInt32Number size = 0;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}
