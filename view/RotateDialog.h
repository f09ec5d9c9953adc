#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Drehen": while it is open every change of either slider previews the
// rotation of the dragged circle with both current values, the angle in whole
// degrees and the amplification = gain position / 100. OK keeps the last
// preview; the caller undoes it when the dialog is rejected.
#include <QDialog>
#include "session/ToolLimits.h"

class IRegionPreview;
class QSlider;

class CRotateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kAngleMinimum = static_cast<int>(tool_limits::kRotateAngle.minimum);
    static constexpr int kAngleMaximum = static_cast<int>(tool_limits::kRotateAngle.maximum);
    static constexpr int kAngleTickInterval = 10;
    static constexpr int kAngleInitial = static_cast<int>(tool_limits::kRotateAngle.start);
    static constexpr int kGainMinimum = InHundredths(tool_limits::kRotateAmplification.minimum);
    static constexpr int kGainMaximum = InHundredths(tool_limits::kRotateAmplification.maximum);
    static constexpr int kGainTickInterval = 50;
    static constexpr int kGainInitial = InHundredths(tool_limits::kRotateAmplification.start);

    // view receives the previews and is not owned.
    explicit CRotateDialog(IRegionPreview* view, QWidget* parent = nullptr);

    QSlider* AngleSlider() const { return m_sliderAngle; }
    QSlider* GainSlider() const { return m_sliderGain; }

private:
    void OnSliderChanged();

    QSlider* m_sliderAngle;
    QSlider* m_sliderGain;
    IRegionPreview* m_pView;
};
