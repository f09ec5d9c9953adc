#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Bildbereich vergrößern": while it is open every change of the size slider
// previews the enlargement of the dragged circle with factor = position / 100.
// OK keeps the last preview; the caller undoes it when the dialog is rejected.
#include "view/ScaleRegionDialog.h"
#include "session/ToolLimits.h"

class CEnlargeDialog : public CScaleRegionDialog {
    Q_OBJECT
public:
    static constexpr int kMinimum = InHundredths(tool_limits::kEnlargeFactor.minimum);
    static constexpr int kMaximum = InHundredths(tool_limits::kEnlargeFactor.maximum);
    static constexpr int kTickInterval = 100;
    static constexpr int kInitialPosition = InHundredths(tool_limits::kEnlargeFactor.start);

    // view receives the previews and is not owned.
    explicit CEnlargeDialog(IRegionPreview* view, QWidget* parent = nullptr);
};
