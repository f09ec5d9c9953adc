// SPDX-License-Identifier: GPL-3.0-or-later
#include "face/FaceGesture.h"

#include <algorithm>
#include <cmath>

#include "face/FaceFeatures.h"
#include "resources/StringIds.h"

namespace {

constexpr std::array<FaceFeatureRange, kFaceFeatureCount> kRanges{{
    {FaceFeature::Eyes, "eyes", IDS_FACE_EYES, 50, 250, 100},
    {FaceFeature::Nose, "nose", IDS_FACE_NOSE, 50, 250, 100},
    {FaceFeature::Mouth, "mouth", IDS_FACE_MOUTH, 50, 200, 100},
    {FaceFeature::Smile, "smile", IDS_FACE_SMILE, -100, 100, 0},
    {FaceFeature::Chin, "chin", IDS_FACE_CHIN, -100, 100, 0},
    {FaceFeature::Forehead, "forehead", IDS_FACE_FOREHEAD, 50, 200, 100},
    {FaceFeature::Width, "width", IDS_FACE_WIDTH, 50, 150, 100},
    {FaceFeature::Head, "head", IDS_FACE_HEAD, 50, 200, 100},
}};

// Sizes relative to the features they act on; the README lists them.
constexpr double kEyeRadiusPerEyeWidth = 0.8;
constexpr double kNoseRadiusPerNoseWidth = 0.9;
constexpr double kMouthRadiusPerMouthWidth = 0.6;
constexpr double kForeheadRadiusPerJawWidth = 0.4;
constexpr double kForeheadLiftPerBrowsToNose = 0.6;  // from the brows up
constexpr double kHeadRadiusPerFaceRadius = 1.3;
constexpr double kCheekShiftPerJawWidth = 0.25;      // at 200 %, each side
constexpr double kCheekRadiusPerJawWidth = 0.35;
constexpr double kChinShiftPerFaceHeight = 0.25;     // at +-100
constexpr double kChinRadiusPerJawWidth = 0.4;
constexpr double kSmileLiftPerMouthWidth = 0.3;      // at +-100
constexpr double kSmileSpreadPerMouthWidth = 0.1;    // outward while smiling
constexpr double kSmileRadiusPerMouthWidth = 0.4;
constexpr int kMaxDragRadius = 1000;                 // what --radius accepts

class StepWriter {
public:
    StepWriter(int width, int height, ToolSteps& steps) : m_width(width), m_height(height), m_steps(steps) {}

    // Enlarges above 100 %, shrinks below, nothing at 100 %.
    void Scale(const FacePoint& centre, double radius, int percent)
    {
        const double r = std::round(radius);
        if (percent == 100 || r < 1)
            return;
        ToolStep step;
        step.kind = percent > 100 ? ToolStepKind::Enlarge : ToolStepKind::Shrink;
        step.x = ClampX(centre.x);
        step.y = ClampY(centre.y);
        step.radius = r;
        step.factor = percent / 100.0;
        m_steps.push_back(step);
    }

    void Drag(const FacePoint& from, const FacePoint& to, double radius)
    {
        ToolStep step;
        step.kind = ToolStepKind::Drag;
        step.x = ClampX(from.x);
        step.y = ClampY(from.y);
        step.toX = ClampX(to.x);
        step.toY = ClampY(to.y);
        step.radius = std::clamp(std::round(radius), 1.0, double(kMaxDragRadius));
        if (step.x != step.toX || step.y != step.toY)
            m_steps.push_back(step);
    }

private:
    int ClampX(double x) const { return static_cast<int>(std::clamp(std::round(x), 0.0, m_width - 1.0)); }
    int ClampY(double y) const { return static_cast<int>(std::clamp(std::round(y), 0.0, m_height - 1.0)); }

    int m_width, m_height;
    ToolSteps& m_steps;
};

}  // namespace

const std::array<FaceFeatureRange, kFaceFeatureCount>& FaceFeatureRanges()
{
    return kRanges;
}

const FaceFeatureRange& RangeOf(FaceFeature feature)
{
    return kRanges[static_cast<std::size_t>(feature)];
}

FaceSettings::FaceSettings()
{
    for (const auto& range : kRanges)
        m_values[static_cast<std::size_t>(range.feature)] = range.start;
}

void FaceSettings::Set(FaceFeature feature, int value)
{
    const FaceFeatureRange& range = RangeOf(feature);
    m_values[static_cast<std::size_t>(feature)] = std::clamp(value, range.minimum, range.maximum);
}

bool FaceSettings::IsNeutral() const
{
    return *this == FaceSettings();
}

ToolSteps FaceGestureSteps(const FoundFace& face, const FaceSettings& settings, int width, int height)
{
    ToolSteps steps;
    if (width <= 0 || height <= 0)
        return steps;
    const FaceFeatures f = FeaturesOf(face);
    const auto& p = face.points;
    StepWriter write(width, height, steps);

    if (const int percent = settings.Get(FaceFeature::Width); percent != 100) {
        const double shift = (percent - 100) / 100.0 * kCheekShiftPerJawWidth * f.jawWidth;
        const double radius = kCheekRadiusPerJawWidth * f.jawWidth;
        for (const int index : {kCheekLeft, kCheekRight}) {
            const FacePoint cheek = p[static_cast<std::size_t>(index)];
            const double outward = cheek.x < f.faceCentre.x ? -1.0 : 1.0;
            write.Drag(cheek, {cheek.x + outward * shift, cheek.y}, radius);
        }
    }
    if (const int value = settings.Get(FaceFeature::Chin); value != 0) {
        const double faceHeight = Distance(f.browsMiddle, f.chin);
        const double shift = value / 100.0 * kChinShiftPerFaceHeight * faceHeight;
        write.Drag(f.chin, {f.chin.x, f.chin.y + shift}, kChinRadiusPerJawWidth * f.jawWidth);
    }
    if (const int value = settings.Get(FaceFeature::Smile); value != 0) {
        const double lift = value / 100.0 * kSmileLiftPerMouthWidth * f.mouthWidth;
        const double spread = std::max(value, 0) / 100.0 * kSmileSpreadPerMouthWidth * f.mouthWidth;
        for (const int index : {kMouthCornerLeft, kMouthCornerRight}) {
            const FacePoint corner = p[static_cast<std::size_t>(index)];
            const double outward = corner.x < f.mouth.x ? -1.0 : 1.0;
            write.Drag(corner, {corner.x + outward * spread, corner.y - lift}, kSmileRadiusPerMouthWidth * f.mouthWidth);
        }
    }
    const int eyes = settings.Get(FaceFeature::Eyes);
    write.Scale(f.eyeOnLeft, kEyeRadiusPerEyeWidth * f.eyeWidthLeft, eyes);
    write.Scale(f.eyeOnRight, kEyeRadiusPerEyeWidth * f.eyeWidthRight, eyes);
    write.Scale(f.nose, kNoseRadiusPerNoseWidth * f.noseWidth, settings.Get(FaceFeature::Nose));
    write.Scale(f.mouth, kMouthRadiusPerMouthWidth * f.mouthWidth, settings.Get(FaceFeature::Mouth));
    const FacePoint forehead{f.browsMiddle.x + (f.browsMiddle.x - f.nose.x) * kForeheadLiftPerBrowsToNose,
                             f.browsMiddle.y + (f.browsMiddle.y - f.nose.y) * kForeheadLiftPerBrowsToNose};
    write.Scale(forehead, kForeheadRadiusPerJawWidth * f.jawWidth, settings.Get(FaceFeature::Forehead));
    write.Scale(f.faceCentre, kHeadRadiusPerFaceRadius * f.faceRadius, settings.Get(FaceFeature::Head));
    return steps;
}
