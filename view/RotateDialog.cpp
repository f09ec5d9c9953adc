// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/RotateDialog.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

CRotateDialog::CRotateDialog(IRegionPreview* view, QWidget* parent) : QDialog(parent), m_pView(view)
{
    setWindowTitle(LoadQString(IDS_ROTATE_TITLE));
    SetHelpTopic(this, IDH_ROTATE);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    column->addWidget(new QLabel(LoadQString(IDS_ANGLE_LABEL), this));
    m_sliderAngle = CreateRegionSlider(this, kAngleMinimum, kAngleMaximum, kAngleTickInterval, kAngleInitial);
    column->addWidget(m_sliderAngle);
    AddScaleLabels(column, this, {IDS_ANGLE_MIN, IDS_ANGLE_ZERO, IDS_ANGLE_MAX});

    column->addSpacing(6);
    column->addWidget(new QLabel(LoadQString(IDS_GAIN_LABEL), this));
    m_sliderGain = CreateRegionSlider(this, kGainMinimum, kGainMaximum, kGainTickInterval, kGainInitial);
    column->addWidget(m_sliderGain);
    AddScaleLabels(column, this, {IDS_GAIN_MIN, IDS_GAIN_MAX});

    AddRegionButtons(column, this);
    m_sliderAngle->setFocus();
    // Connected after the initial positions are set: opening the dialog previews nothing.
    connect(m_sliderAngle, &QSlider::valueChanged, this, &CRotateDialog::OnSliderChanged);
    connect(m_sliderGain, &QSlider::valueChanged, this, &CRotateDialog::OnSliderChanged);
}

void CRotateDialog::OnSliderChanged()
{
    // Whichever slider moved, the preview gets both current values.
    if (m_pView)
        m_pView->PreviewRotate(static_cast<double>(m_sliderAngle->value()), m_sliderGain->value() / 100.0);
}
