// SPDX-License-Identifier: GPL-3.0-or-later
#include "face/FaceFeatures.h"

#include <algorithm>
#include <cmath>

double Distance(const FacePoint& a, const FacePoint& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

FacePoint CentreOf(const FoundFace& face, LandmarkRange range)
{
    FacePoint sum;
    for (int i = range.first; i < range.end; ++i) {
        sum.x += face.points[static_cast<std::size_t>(i)].x;
        sum.y += face.points[static_cast<std::size_t>(i)].y;
    }
    const double count = range.end - range.first;
    return {sum.x / count, sum.y / count};
}

FaceFeatures FeaturesOf(const FoundFace& face)
{
    const auto& p = face.points;
    FaceFeatures f;
    f.eyeOnLeft = CentreOf(face, kEyeOnLeft);
    f.eyeOnRight = CentreOf(face, kEyeOnRight);
    f.nose = CentreOf(face, kNostrils);
    f.mouth = CentreOf(face, kOuterLips);
    f.chin = p[kChinPoint];
    f.eyeWidthLeft = Distance(p[36], p[39]);
    f.eyeWidthRight = Distance(p[42], p[45]);
    f.noseWidth = Distance(p[31], p[35]);
    f.mouthWidth = Distance(p[kMouthCornerLeft], p[kMouthCornerRight]);
    f.eyeDistance = Distance(f.eyeOnLeft, f.eyeOnRight);
    f.jawWidth = Distance(p[0], p[16]);
    f.browsMiddle = CentreOf(face, kBrows);
    f.faceCentre = CentreOf(face, {0, static_cast<int>(FoundFace::kPointCount)});
    for (const FacePoint& point : p)
        f.faceRadius = std::max(f.faceRadius, Distance(point, f.faceCentre));
    return f;
}
