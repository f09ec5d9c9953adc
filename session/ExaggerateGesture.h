#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The exaggeration: the whole deformation so far scaled to a percentage of
// itself (0 gives the undeformed picture, 100 leaves it, up to 300).
#include "session/Gesture.h"

class ExaggerateGesture : public PreviewingGesture<double> {
public:
    WarpMode Mode() const override { return ModeExaggerate; }
    void Begin(CWarpField& field) override { field.BeginDeformation(ModeExaggerate); }
    // percent of the restore point's deformation.
    PictureArea Preview(CWarpField& field, const double& percent) override;
    PictureArea Commit(CWarpField& field) override { return CommitWhole(field); }
    PictureArea Cancel(CWarpField& field) override { return CancelWhole(field); }
};
