#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The features of a found face derived from its landmark points: centres and
// sizes that the face gesture and the face list of grimasso-cli share.
#include "face/FoundFace.h"

// Index ranges of the landmark annotation, first and one past the last.
struct LandmarkRange {
    int first;
    int end;
};
inline constexpr LandmarkRange kJaw{0, 17};
inline constexpr LandmarkRange kBrows{17, 27};
inline constexpr LandmarkRange kNose{27, 36};
inline constexpr LandmarkRange kNostrils{30, 36};  // the tip and the nostrils' lower rim
inline constexpr LandmarkRange kEyeOnLeft{36, 42}; // the eye on the left of the picture
inline constexpr LandmarkRange kEyeOnRight{42, 48};
inline constexpr LandmarkRange kOuterLips{48, 60};
inline constexpr int kChinPoint = 8;
inline constexpr int kMouthCornerLeft = 48;
inline constexpr int kMouthCornerRight = 54;
inline constexpr int kCheekLeft = 2;
inline constexpr int kCheekRight = 14;

double Distance(const FacePoint& a, const FacePoint& b);
// The mean of the points of range.
FacePoint CentreOf(const FoundFace& face, LandmarkRange range);

struct FaceFeatures {
    FacePoint eyeOnLeft, eyeOnRight, nose, mouth, chin;
    double eyeWidthLeft = 0, eyeWidthRight = 0;  // corner to corner
    double noseWidth = 0;                        // nostril wing to wing
    double mouthWidth = 0;                       // corner to corner
    double eyeDistance = 0;                      // between the eye centres: the face's scale
    double jawWidth = 0;                         // from jaw point 0 to 16
    FacePoint browsMiddle;                       // the mean of the brows
    FacePoint faceCentre;                        // the mean of all points
    double faceRadius = 0;                       // the farthest point from faceCentre
};

FaceFeatures FeaturesOf(const FoundFace& face);
