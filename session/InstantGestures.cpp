// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/InstantGestures.h"

void SmoothGesture::Begin(CWarpField& field)
{
    field.BeginDeformation(ModeSmooth);
    field.SmoothMap();
}

PictureArea SmoothGesture::Commit(CWarpField& field)
{
    field.EndDeformation();
    return PictureArea::Whole(field.Width(), field.Height());
}

PictureArea SmoothGesture::Cancel(CWarpField& field)
{
    field.UndoDeformation();
    field.EndDeformation();
    return PictureArea::Whole(field.Width(), field.Height());
}

void CarriedDeformationGesture::Begin(CWarpField& field)
{
    field.BeginDeformation(ModeApplyDeformation);
    field.ApplySavedMap(m_saved, m_savedWidth, m_savedHeight);
}

PictureArea CarriedDeformationGesture::Commit(CWarpField& field)
{
    field.EndDeformation();
    return PictureArea::Whole(field.Width(), field.Height());
}

PictureArea CarriedDeformationGesture::Cancel(CWarpField& field)
{
    field.UndoDeformation();
    field.EndDeformation();
    return PictureArea::Whole(field.Width(), field.Height());
}
