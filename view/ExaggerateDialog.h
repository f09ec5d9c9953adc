#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// "Übertreiben": a slider from 0 to 300 % and a number field with decimals for
// the strength of the whole deformation. Every change of either previews the
// picture at once; OK keeps the last preview, the caller takes it back when
// the dialog is rejected.
#include <QDialog>
#include <functional>
#include "session/ToolLimits.h"

class QDoubleSpinBox;
class QSlider;

class CExaggerateDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinimum = static_cast<int>(tool_limits::kExaggeration.minimum);
    static constexpr int kMaximum = static_cast<int>(tool_limits::kExaggeration.maximum);
    static constexpr int kTickInterval = 50;
    static constexpr int kInitial = static_cast<int>(tool_limits::kExaggeration.start);
    static constexpr int kDecimals = 1;

    // preview receives the percentage after every change.
    explicit CExaggerateDialog(std::function<void(double percent)> preview, QWidget* parent = nullptr);

    QSlider* PercentSlider() const { return m_slider; }
    QDoubleSpinBox* PercentField() const { return m_field; }
    double Percent() const;

private:
    void OnSliderChanged(int position);
    void OnFieldChanged(double percent);

    QSlider* m_slider;
    QDoubleSpinBox* m_field;
    std::function<void(double)> m_preview;
};
