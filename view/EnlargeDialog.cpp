// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/EnlargeDialog.h"

#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

namespace {
constexpr ScaleRegionDescription kEnlarge{
    IDS_ENLARGE_TITLE,
    CEnlargeDialog::kMinimum,
    CEnlargeDialog::kMaximum,
    CEnlargeDialog::kTickInterval,
    CEnlargeDialog::kInitialPosition,
    IDS_PERCENT_100,
    IDS_PERCENT_1000,
    &IRegionPreview::PreviewEnlarge,
};
}  // namespace

CEnlargeDialog::CEnlargeDialog(IRegionPreview* view, QWidget* parent) : CScaleRegionDialog(kEnlarge, view, parent) {}
