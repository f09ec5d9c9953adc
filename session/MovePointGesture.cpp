// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/MovePointGesture.h"

MovePointGesture::MovePointGesture(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
    : m_width(width), m_height(height), m_anchor{x, y}
{
}

PictureArea MovePointGesture::Preview(CWarpField& field, const DragPoint& to)
{
    const DragPoint before = m_anchor;
    if (to.x == before.x && to.y == before.y)
        return {};  // no movement: the warp field would draw and change nothing
    if (!m_begun) {
        field.BeginDeformation(ModeMovePoint);
        m_begun = true;
    }
    field.MovePointLive(m_anchor.x, m_anchor.y, to.x, to.y);

    // Changed: the squares of the committed sub-moves (their ends lie between
    // the old and the new anchor), the new preview around the pointer, and the
    // previous preview, which the warp field put back from the map.
    const double margin = field.GetRadius() + 1.0;
    PictureArea changed =
        PictureArea::Around({{before.x, before.y}, {m_anchor.x, m_anchor.y}, {to.x, to.y}}, margin, m_width, m_height);
    if (m_previewShown)
        changed = changed.United(PictureArea::Around({{m_preview.x, m_preview.y}}, margin, m_width, m_height));
    m_previewShown = true;
    m_preview = to;
    return changed;
}

PictureArea MovePointGesture::Commit(CWarpField& field)
{
    if (!m_begun)
        return {};
    field.EndDeformation();
    // The release commits what the last step previewed; pictures drawn from the
    // map see the committed square.
    PictureArea changed;
    if (m_previewShown)
        changed = PictureArea::Around({{m_preview.x, m_preview.y}}, field.GetRadius() + 1.0, m_width, m_height);
    m_previewShown = false;
    return changed;
}
