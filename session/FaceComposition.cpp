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

PictureArea FaceComposition::BoxOf(const DisplacementGrid& grid, std::int32_t width, std::int32_t height)
{
    PictureArea box;
    if (!grid.IsIdentity() && grid.radius > 0)
        grid.Box(width, height, box.left, box.bottom, box.right, box.top);
    return box.IsEmpty() ? PictureArea{} : box;
}

PictureArea FaceComposition::BoxOf(const ToolSteps& steps, std::size_t first, std::size_t last, std::int32_t width,
                                   std::int32_t height)
{
    PictureArea box;
    for (std::size_t i = first; i < last; ++i)
        box = box.United(BoxOf(steps[i], height));
    box = {std::max(box.left, 0), std::max(box.bottom, 0), std::min(box.right, width - 1), std::min(box.top, height - 1)};
    return box.IsEmpty() ? PictureArea{} : box;
}

PictureArea FaceComposition::Run(CWarpField& field, const FacePlan& plan)
{
    const ToolSteps& steps = plan.steps;
    const std::int32_t width = field.Width(), height = field.Height();
    const bool sameCaricature = m_caricatureRun && plan.caricature == m_caricature;
    // Where the previous list's steps wrote over the previous warp.
    const PictureArea previousSteps = BoxOf(m_steps, 0, m_steps.size(), width, height);
    if (!sameCaricature) {
        m_steps.clear();
        m_hasCheckpoint = false;
    }
    const std::size_t common = static_cast<std::size_t>(
        std::mismatch(m_steps.begin(), m_steps.end(), steps.begin(), steps.end()).first - m_steps.begin());
    const PictureArea caricatureBox = BoxOf(plan.caricature, width, height);
    // The map differs from the state after the first `first` steps only where
    // the previous list's later steps wrote.
    std::size_t first = 0;
    PictureArea before;
    if (m_hasCheckpoint && m_checkpointSteps <= common) {
        first = m_checkpointSteps;
        before = BoxOf(m_steps, first, m_steps.size(), width, height);
        // The largest circle of the new tail renders its pixels again: the
        // restore leaves them out.
        std::int32_t kx = 0, ky = 0;
        double kr = 0;
        for (std::size_t i = first; i < steps.size(); ++i) {
            const ToolStep& step = steps[i];
            const double reach = step.kind == ToolStepKind::Enlarge ? step.factor * step.radius
                                 : step.kind == ToolStepKind::Shrink ? step.radius
                                                                     : 0.0;
            if (reach > kr) {
                kx = step.x;
                ky = height - 1 - step.y;
                kr = reach;
            }
        }
        if (!before.IsEmpty())
            field.RestoreBoxWith(before.left, before.bottom, before.right, before.top, m_checkpoint, m_checkpointBox.left,
                                 m_checkpointBox.bottom, m_checkpointBox.right, m_checkpointBox.top, kx, ky, kr);
    } else {
        m_hasCheckpoint = false;
        before = m_touched;
        // The warp writes its whole box from the restore point: what lies
        // inside it needs no restore first.
        const bool warpCovers = !caricatureBox.IsEmpty() && caricatureBox.United(before) == caricatureBox;
        if (!before.IsEmpty() && !warpCovers)
            field.RestoreBox(before.left, before.bottom, before.right, before.top);
        // The box holds the previous warp, but where steps wrote or the
        // restore put the restore point back.
        AppliedGrid applied;
        if (m_caricatureRun && !m_caricatureBox.IsEmpty()) {
            const PictureArea other = warpCovers ? previousSteps : before;
            applied = {&m_caricature, other.left, other.bottom, other.right, other.top};
        }
        m_caricatureRun = false;
        if (!caricatureBox.IsEmpty())
            field.ApplyDisplacementGrid(plan.caricature, applied);
        m_caricature = plan.caricature;
        m_caricatureBox = caricatureBox;
        m_caricatureRun = true;
    }
    // The steps the lists share end where the next slider move will most likely
    // start again: the checkpoint moves there.
    auto takeCheckpoint = [&](std::size_t at) {
        if (m_hasCheckpoint && m_checkpointSteps == at)
            return;
        m_hasCheckpoint = false;
        m_checkpointBox = BoxOf(steps, 0, at, width, height).United(m_caricatureBox);
        field.SaveBox(m_checkpointBox.left, m_checkpointBox.bottom, m_checkpointBox.right, m_checkpointBox.top,
                      m_checkpoint);
        m_checkpointSteps = at;
        m_hasCheckpoint = true;
    };
    // Should a step run out of memory, the next list starts afresh from the
    // restore point over every box either list can have touched.
    m_touched = m_touched.United(BoxOf(steps, 0, steps.size(), width, height)).United(caricatureBox);
    struct Afresh {
        FaceComposition& composition;
        bool done = false;
        ~Afresh()
        {
            if (!done) {
                composition.m_hasCheckpoint = false;
                composition.m_steps.clear();
                composition.m_caricatureRun = false;
            }
        }
    } afresh{*this};
    for (std::size_t i = first; i < steps.size(); ++i) {
        if (i == common)
            takeCheckpoint(i);
        const ToolStep& step = steps[i];
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
    }
    if (common == steps.size())
        takeCheckpoint(common);
    m_steps = steps;
    afresh.done = true;
    m_touched = BoxOf(steps, 0, steps.size(), width, height).United(caricatureBox);
    return before.United(BoxOf(steps, first, steps.size(), width, height))
        .United(sameCaricature ? PictureArea{} : caricatureBox);
}
