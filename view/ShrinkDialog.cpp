// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ShrinkDialog.h"

#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

namespace {
constexpr ScaleRegionDescription kShrink{
    IDS_SHRINK_TITLE,
    CShrinkDialog::kMinimum,
    CShrinkDialog::kMaximum,
    CShrinkDialog::kTickInterval,
    CShrinkDialog::kInitialPosition,
    IDS_PERCENT_1,
    IDS_PERCENT_100,
    &IRegionPreview::PreviewShrink,
};
}  // namespace

CShrinkDialog::CShrinkDialog(IRegionPreview* view, QWidget* parent) : CScaleRegionDialog(kShrink, view, parent) {}
