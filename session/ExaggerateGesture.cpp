// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/ExaggerateGesture.h"

PictureArea ExaggerateGesture::Preview(CWarpField& field, const double& percent)
{
    field.Exaggerate(percent / 100.0);
    // Every preview rewrites the restore point's displaced pixels, nothing else.
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (field.ExaggerationBox(x0, y0, x1, y1))
        return PictureArea{x0, y0, x1, y1};
    return {};
}
