#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What the region tool dialogs call while they are open: each call deforms the
// picture from the restore point of the current gesture (centre and radius of
// the dragged circle) and redraws at once. The view implements it.
class IRegionPreview {
public:
    virtual ~IRegionPreview() = default;
    virtual void PreviewEnlarge(double factor) = 0;
    virtual void PreviewShrink(double factor) = 0;
    virtual void PreviewRotate(double angle, double amplification) = 0;
};
