#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Bildbereich verkleinern": while it is open every change of the size slider
// previews the reduction of the dragged circle with factor = position / 100.
// OK keeps the last preview; the caller undoes it when the dialog is rejected.
#include "view/ScaleRegionDialog.h"
#include "session/ToolLimits.h"

class CShrinkDialog : public CScaleRegionDialog {
    Q_OBJECT
public:
    static constexpr int kMinimum = InHundredths(tool_limits::kShrinkFactor.minimum);
    static constexpr int kMaximum = InHundredths(tool_limits::kShrinkFactor.maximum);
    static constexpr int kTickInterval = 10;
    static constexpr int kInitialPosition = InHundredths(tool_limits::kShrinkFactor.start);

    // view receives the previews and is not owned.
    explicit CShrinkDialog(IRegionPreview* view, QWidget* parent = nullptr);
};
