// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RegionGesture.h"

namespace {

constexpr RegionTool kRegionTools[] = {
    {ModeEnlarge,
     // The enlarged circle reaches factor times the gesture's radius.
     [](double radius, const RegionParameters& p) { return p.value * radius; },
     [](CWarpField& field, std::int32_t cx, std::int32_t cy, double radius, const RegionParameters& p) {
         field.Enlarge(cx, cy, radius, p.value);
     }},
    {ModeShrink, [](double radius, const RegionParameters&) { return radius; },
     [](CWarpField& field, std::int32_t cx, std::int32_t cy, double radius, const RegionParameters& p) {
         field.Shrink(cx, cy, radius, p.value);
     }},
    {ModeRotate, [](double radius, const RegionParameters&) { return radius; },
     [](CWarpField& field, std::int32_t cx, std::int32_t cy, double radius, const RegionParameters& p) {
         field.Rotate(cx, cy, radius, p.value, p.amplification);
     }},
};

}  // namespace

const RegionTool* RegionToolOf(WarpMode mode)
{
    for (const RegionTool& tool : kRegionTools)
        if (tool.mode == mode)
            return &tool;
    return nullptr;
}

RegionGesture::RegionGesture(const RegionTool& tool, std::int32_t cx, std::int32_t cy, double radius,
                             std::int32_t width, std::int32_t height)
    : m_tool(tool), m_cx(cx), m_cy(cy), m_radius(radius), m_width(width), m_height(height)
{
}

PictureArea RegionGesture::PreviewWith(const RegionTool& tool, CWarpField& field, const RegionParameters& parameters)
{
    tool.call(field, m_cx, m_cy, m_radius, parameters);
    // This preview rewrote its own circle and put back the previous one's.
    const PictureArea box =
        PictureArea::Around({{m_cx, m_cy}}, tool.reach(m_radius, parameters) + 1.0, m_width, m_height);
    const PictureArea changed = box.United(m_preview);
    m_preview = box;
    return changed;
}
