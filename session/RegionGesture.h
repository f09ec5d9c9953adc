#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The region gesture: a circle drawn with the mouse, then any number of live
// calls of one region tool on it from a dialog. Enlarge, shrink and rotate are
// descriptors of it: their mode, how far a call reaches, and the call.
#include <cstdint>

#include "session/Gesture.h"

// The parameters of one live call: the factor (enlarge, shrink) or the angle
// in degrees (rotate), and rotate's amplification.
struct RegionParameters {
    double value = 1;
    double amplification = 1;
};

struct RegionTool {
    WarpMode mode;
    // How far from the centre a call can change the picture.
    double (*reach)(double radius, const RegionParameters& parameters);
    void (*call)(CWarpField& field, std::int32_t cx, std::int32_t cy, double radius, const RegionParameters& parameters);
};

// The descriptor of mode (ModeEnlarge, ModeShrink or ModeRotate), or null.
const RegionTool* RegionToolOf(WarpMode mode);

class RegionGesture : public PreviewingGesture<RegionParameters> {
public:
    RegionGesture(const RegionTool& tool, std::int32_t cx, std::int32_t cy, double radius, std::int32_t width,
                  std::int32_t height);

    WarpMode Mode() const override { return m_tool.mode; }
    void Begin(CWarpField& field) override { field.BeginDeformation(m_tool.mode); }
    PictureArea Preview(CWarpField& field, const RegionParameters& parameters) override
    {
        return PreviewWith(m_tool, field, parameters);
    }
    // A live call of another region tool on the gesture's circle.
    PictureArea PreviewWith(const RegionTool& tool, CWarpField& field, const RegionParameters& parameters);
    PictureArea Commit(CWarpField& field) override { return CommitWhole(field); }
    PictureArea Cancel(CWarpField& field) override { return CancelWhole(field); }

private:
    const RegionTool& m_tool;
    std::int32_t m_cx, m_cy;
    double m_radius;
    std::int32_t m_width, m_height;
    PictureArea m_preview;  // the box the latest preview rewrote
};
