#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The running face gesture of a picture session: every new list of tool steps
// puts back what the previous list touched from the restore point and runs the
// new list on it, so the result always equals the steps run on the map of the
// gesture's start, one gesture after the other.
//
// A slider moves one feature, so a new list mostly repeats the previous one's
// leading steps. The map after those steps is kept as a checkpoint (only the
// box they touch: elsewhere it is the restore point), and while the next list
// starts with the same steps only its tail is run again from there.
//
// Before the steps may come the automatic caricature's warp, which samples the
// restore point and writes its whole box; the checkpoint then holds that box
// too. A new warp runs everything afresh.
#include <cstddef>
#include <cstdint>

#include "deform/DisplacementGrid.h"
#include "deform/ToolStep.h"
#include "deform/WarpField.h"
#include "session/PictureArea.h"

// What the face gesture runs: the caricature's warp (the identity for none),
// then the tool steps on the map it left.
struct FacePlan {
    DisplacementGrid caricature;
    ToolSteps steps;
};

class FaceComposition {
public:
    // Runs plan (steps with x from the left, y from the top) on field's restore
    // point and returns the box of the deformed picture that changed.
    PictureArea Run(CWarpField& field, const FacePlan& plan);
    // The box the latest steps touched (y from the bottom).
    const PictureArea& Touched() const { return m_touched; }

    // The box (y from the bottom) that step can change in a picture of height rows.
    static PictureArea BoxOf(const ToolStep& step, std::int32_t height);
    // The box the caricature's warp writes in a picture of width x height.
    static PictureArea BoxOf(const DisplacementGrid& grid, std::int32_t width, std::int32_t height);

private:
    // The union of the boxes of steps[first, last), clipped to the picture.
    static PictureArea BoxOf(const ToolSteps& steps, std::size_t first, std::size_t last, std::int32_t width,
                             std::int32_t height);

    PictureArea m_touched;
    DisplacementGrid m_caricature;  // the latest warp
    PictureArea m_caricatureBox;    // and the box it wrote
    bool m_caricatureRun = true;    // false after a run that did not get through
    ToolSteps m_steps;              // the latest list
    // The map after the first m_checkpointSteps steps of m_steps inside
    // m_checkpointBox, while m_hasCheckpoint.
    bool m_hasCheckpoint = false;
    std::size_t m_checkpointSteps = 0;
    PictureArea m_checkpointBox;
    MapBuffer m_checkpoint;
};
