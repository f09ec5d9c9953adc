#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The exaggeration: the whole deformation so far scaled to a percentage of
// itself (0 gives the undeformed picture, 100 leaves it, up to 300).
#include "session/Gesture.h"

class ExaggerateGesture : public PreviewingGesture<double> {
public:
    ExaggerateGesture(std::int32_t width, std::int32_t height) : m_width(width), m_height(height) {}

    WarpMode Mode() const override { return ModeExaggerate; }
    void Begin(CWarpField& field) override { field.BeginDeformation(ModeExaggerate); }
    // percent of the restore point's deformation.
    PictureArea Preview(CWarpField& field, const double& percent) override;
    PictureArea Commit(CWarpField& field) override;
    PictureArea Cancel(CWarpField& field) override;

private:
    std::int32_t m_width, m_height;
};
