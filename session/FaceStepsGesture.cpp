// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/FaceStepsGesture.h"

void FaceStepsGesture::Begin(CWarpField& field)
{
    field.ReserveCompositionScratch();
    field.BeginDeformation(ModeFace);
}

PictureArea FaceStepsGesture::Commit(CWarpField& field)
{
    field.ReleaseCompositionScratch();
    field.EndDeformation();
    return m_composition.Touched();
}

PictureArea FaceStepsGesture::Cancel(CWarpField& field)
{
    field.ReleaseCompositionScratch();
    field.UndoDeformation();
    field.EndDeformation();
    return m_composition.Touched();
}
