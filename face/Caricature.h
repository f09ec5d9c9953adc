#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The automatic caricature's landmarks: the model's mean face placed on a found
// face by a least-squares similarity transform (M), and the targets that
// exaggerate the face's difference from it, M + K/100 (points - M).
#include <array>

#include "face/FoundFace.h"

using FaceShape = std::array<FacePoint, FoundFace::kPointCount>;

// x' = a x - b y + tx, y' = b x + a y + ty: a rotation and uniform scale
// (by hypot(a, b)) and a translation.
struct Similarity {
    double a = 1, b = 0, tx = 0, ty = 0;
    FacePoint operator()(const FacePoint& p) const { return {a * p.x - b * p.y + tx, b * p.x + a * p.y + ty}; }
};

// The similarity that takes from closest to to, in the least-squares sense.
Similarity FitSimilarity(const FaceShape& from, const FaceShape& to);

struct CaricatureShape {
    FaceShape points;   // as found
    FaceShape mean;     // the mean face placed on them
    FaceShape targets;  // where the caricature moves them
};

// The shape of face exaggerated to percent (0 the mean face's shape, 100 the
// face as it is, exactly); meanFace in any position and scale.
CaricatureShape CaricatureOf(const FoundFace& face, const FaceShape& meanFace, int percent);
