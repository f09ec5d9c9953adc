#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The face gesture: any number of plans (the caricature's warp and a list of
// tool steps), each run afresh on the restore point as one gesture after the
// other would (see FaceComposition).
#include "deform/ToolStep.h"
#include "session/FaceComposition.h"
#include "session/Gesture.h"

class FaceStepsGesture : public PreviewingGesture<FacePlan> {
public:
    WarpMode Mode() const override { return ModeFace; }
    // Takes the memory the gesture needs first: with too little, CMemoryException
    // and nothing begun.
    void Begin(CWarpField& field) override;
    PictureArea Preview(CWarpField& field, const FacePlan& plan) override { return m_composition.Run(field, plan); }
    PictureArea Commit(CWarpField& field) override;
    PictureArea Cancel(CWarpField& field) override;

private:
    FaceComposition m_composition;
};
