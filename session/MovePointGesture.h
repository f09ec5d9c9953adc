#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The move-point drag: the press names the anchor, each move commits whole
// sub-moves and previews the rest, the release commits the rest. The press
// alone changes nothing, so that a click that only activates a window keeps
// the Undo of the previous gesture; the restore point is taken at the first
// real movement.
#include <cstdint>

#include "session/Gesture.h"

struct DragPoint {
    std::int32_t x = 0, y = 0;
};

class MovePointGesture : public PreviewingGesture<DragPoint> {
public:
    MovePointGesture(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);

    WarpMode Mode() const override { return ModeMovePoint; }
    void Begin(CWarpField&) override {}
    bool HasBegun() const override { return m_begun; }
    // A move to the point; an empty box when nothing moved.
    PictureArea Preview(CWarpField& field, const DragPoint& to) override;
    PictureArea Commit(CWarpField& field) override;
    // A drag cannot be taken back halfway: it ends as a release would.
    PictureArea Cancel(CWarpField& field) override { return Commit(field); }

    // Where the uncommitted rest of the drag starts.
    DragPoint Anchor() const { return m_anchor; }

private:
    std::int32_t m_width, m_height;
    bool m_begun = false;          // the restore point is taken
    bool m_previewShown = false;   // a preview of this drag is in the picture
    DragPoint m_anchor;
    DragPoint m_preview;
};
