#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The running face gesture of a picture session: every new list of tool steps
// puts back what the previous list touched from the restore point and runs the
// new list on it, so the result always equals the steps run on the map of the
// gesture's start, one gesture after the other.
#include <cstdint>

#include "face/ToolStep.h"
#include "session/PictureArea.h"

class CWarpField;

class FaceComposition {
public:
    // Runs steps (x from the left, y from the top) on field's restore point and
    // returns the box of the deformed picture that changed.
    PictureArea Run(CWarpField& field, const ToolSteps& steps);
    // The box the latest steps touched (y from the bottom).
    const PictureArea& Touched() const { return m_touched; }

    // The box (y from the bottom) that step can change in a picture of height rows.
    static PictureArea BoxOf(const ToolStep& step, std::int32_t height);

private:
    PictureArea m_touched;
};
