// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/FaceComposition.h"

#include <algorithm>
#include <cmath>

#include "deform/WarpArithmetic.h"
#include "deform/WarpField.h"

namespace {
// Beyond a step's reach, for the rounding of the tools' boxes.
constexpr double kMargin = 2.0;
}  // namespace

PictureArea FaceComposition::BoxOf(const ToolStep& step, std::int32_t height)
{
    const double y = height - 1 - step.y;
    double x0 = step.x, x1 = step.x, y0 = y, y1 = y, reach = step.radius;
    switch (step.kind) {
    case ToolStepKind::Enlarge:
        reach = step.factor * step.radius;  // the enlarged circle grows with the factor
        break;
    case ToolStepKind::Shrink:
        break;
    case ToolStepKind::Drag: {
        const double toY = height - 1 - step.toY;
        x0 = std::min<double>(x0, step.toX);
        x1 = std::max<double>(x1, step.toX);
        y0 = std::min(y0, toY);
        y1 = std::max(y1, toY);
        break;
    }
    }
    return {ClampedFloor(x0 - reach - kMargin), ClampedFloor(y0 - reach - kMargin), ClampedCeil(x1 + reach + kMargin),
            ClampedCeil(y1 + reach + kMargin)};
}

PictureArea FaceComposition::Run(CWarpField& field, const ToolSteps& steps)
{
    const std::int32_t height = field.Height();
    const PictureArea before = m_touched;
    if (!before.IsEmpty())
        field.RestoreBox(before.left, before.bottom, before.right, before.top);
    PictureArea touched;
    for (const ToolStep& step : steps) {
        const std::int32_t y = height - 1 - step.y;
        switch (step.kind) {
        case ToolStepKind::Enlarge:
            field.ComposeEnlarge(step.x, y, step.radius, step.factor);
            break;
        case ToolStepKind::Shrink:
            field.ComposeShrink(step.x, y, step.radius, step.factor);
            break;
        case ToolStepKind::Drag:
            field.ComposeDrag(step.x, y, step.toX, height - 1 - step.toY, static_cast<std::int32_t>(step.radius));
            break;
        }
        touched = touched.United(BoxOf(step, height));
    }
    const PictureArea whole = PictureArea::Whole(field.Width(), height);
    touched = {std::max(touched.left, whole.left), std::max(touched.bottom, whole.bottom),
               std::min(touched.right, whole.right), std::min(touched.top, whole.top)};
    if (touched.IsEmpty())
        touched = PictureArea{};
    m_touched = touched;
    return before.United(touched);
}
