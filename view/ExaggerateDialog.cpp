// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ExaggerateDialog.h"

#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <cmath>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"

CExaggerateDialog::CExaggerateDialog(std::function<void(double percent)> preview, QWidget* parent)
    : QDialog(parent), m_preview(std::move(preview))
{
    setWindowTitle(LoadQString(IDS_EXAGGERATE_TITLE));
    SetHelpTopic(this, IDH_EXAGGERATE);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);

    auto* labelRow = new QHBoxLayout;
    auto* label = new QLabel(LoadQString(IDS_EXAGGERATE_PERCENT), this);
    m_field = new QDoubleSpinBox(this);
    m_field->setLocale(QLocale(QLocale::German, QLocale::Germany));  // a decimal comma, as the texts are German
    m_field->setRange(kMinimum, kMaximum);
    m_field->setDecimals(kDecimals);
    m_field->setSingleStep(1.0);
    m_field->setValue(kInitial);
    m_field->setKeyboardTracking(false);  // a half-typed number previews nothing
    label->setBuddy(m_field);
    labelRow->addWidget(label);
    labelRow->addStretch();
    labelRow->addWidget(m_field);
    column->addLayout(labelRow);

    m_slider = CreateRegionSlider(this, kMinimum, kMaximum, kTickInterval, kInitial);
    column->addWidget(m_slider);
    AddScaleLabels(column, this, {IDS_EXAGGERATE_PERCENT_0, IDS_EXAGGERATE_PERCENT_300});
    AddRegionButtons(column, this);
    m_slider->setFocus();
    // Connected after the initial values are set: opening the dialog previews nothing.
    connect(m_slider, &QSlider::valueChanged, this, &CExaggerateDialog::OnSliderChanged);
    connect(m_field, &QDoubleSpinBox::valueChanged, this, &CExaggerateDialog::OnFieldChanged);
}

double CExaggerateDialog::Percent() const
{
    return m_field->value();
}

void CExaggerateDialog::OnSliderChanged(int position)
{
    {
        const QSignalBlocker quiet(m_field);
        m_field->setValue(position);
    }
    if (m_preview)
        m_preview(position);
}

void CExaggerateDialog::OnFieldChanged(double percent)
{
    {
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(static_cast<int>(std::lround(percent)));
    }
    if (m_preview)
        m_preview(percent);
}
