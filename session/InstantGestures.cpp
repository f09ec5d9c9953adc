// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/InstantGestures.h"

#include "deform/DisplacementGrid.h"

void SmoothGesture::Begin(CWarpField& field)
{
    field.BeginDeformation(ModeSmooth);
    field.SmoothMap();
}

void CarriedDeformationGesture::Begin(CWarpField& field)
{
    field.BeginDeformation(ModeApplyDeformation);
    field.ApplySavedMap(m_saved, m_savedWidth, m_savedHeight);
}

void CaricatureGesture::Begin(CWarpField& field)
{
    field.BeginDeformation(ModeCaricature);
    field.ApplyDisplacementGrid(m_warp, {});
}
