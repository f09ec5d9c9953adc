#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture as a list of primitive tool steps: the slider settings and a
// found face's points give every step its centre, radius, factor or drag ends.
// The steps run in this order, each on the map the one before left:
//   width     drags of the cheeks (points 2 and 14) outward or inward
//   chin      a drag of the chin (point 8) down or up
//   smile     drags of the mouth corners (points 48 and 54) up or down
//   eyes      enlarge or shrink each eye, the one on the left of the picture first
//   nose      enlarge or shrink the nose
//   mouth     enlarge or shrink the mouth
//   forehead  enlarge or shrink above the brows
//   head      enlarge or shrink the whole face circle
// Drags come first so that they pull the features where the points found them;
// the head comes last so that it magnifies the finished face as a whole.
// A feature at its start value adds no step.
#include <array>
#include <string>

#include "face/FoundFace.h"
#include "deform/ToolStep.h"

enum class FaceFeature { Eyes, Nose, Mouth, Smile, Chin, Forehead, Width, Head };

// One slider of the gesture: its name on the command line, its German label's
// string id, its range and start value.
struct FaceFeatureRange {
    FaceFeature feature;
    const char* key;
    int labelId;
    int minimum;
    int maximum;
    int start;
};

inline constexpr std::size_t kFaceFeatureCount = 8;
// The features in the dialog's order.
const std::array<FaceFeatureRange, kFaceFeatureCount>& FaceFeatureRanges();
const FaceFeatureRange& RangeOf(FaceFeature feature);

// The slider values: percent for the sizes, -100 to 100 for the drags.
class FaceSettings {
public:
    FaceSettings();
    int Get(FaceFeature feature) const { return m_values[static_cast<std::size_t>(feature)]; }
    // Clamped into the feature's range.
    void Set(FaceFeature feature, int value);
    bool IsNeutral() const;
    friend bool operator==(const FaceSettings&, const FaceSettings&) = default;

private:
    std::array<int, kFaceFeatureCount> m_values{};
};

// The steps of settings on face in a picture of width x height, in the order
// above, every position clamped into the picture.
ToolSteps FaceGestureSteps(const FoundFace& face, const FaceSettings& settings, int width, int height);
