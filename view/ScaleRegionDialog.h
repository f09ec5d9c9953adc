#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog behind "Bildbereich vergrößern" and "Bildbereich verkleinern": one
// size slider whose every change previews the region at factor = position / 100.
// OK keeps the last preview; the caller undoes it when the dialog is rejected.
// What tells the two apart (title, range, scale labels, which preview) comes
// from a ScaleRegionDescription.
#include <QDialog>

class IRegionPreview;
class QSlider;

struct ScaleRegionDescription {
    int titleId;
    int minimum;
    int maximum;
    int tickInterval;
    int initialPosition;
    int lowLabelId;   // under the left end of the slider
    int highLabelId;  // under the right end
    void (IRegionPreview::*preview)(double factor);
};

class CScaleRegionDialog : public QDialog {
    Q_OBJECT
public:
    QSlider* SizeSlider() const { return m_sliderSize; }

protected:
    // view receives the previews and is not owned.
    CScaleRegionDialog(const ScaleRegionDescription& description, IRegionPreview* view, QWidget* parent);

private:
    void OnSizeChanged(int position);

    QSlider* m_sliderSize;
    IRegionPreview* m_pView;
    void (IRegionPreview::*m_preview)(double factor);
};
