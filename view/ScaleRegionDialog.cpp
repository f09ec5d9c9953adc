// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ScaleRegionDialog.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

CScaleRegionDialog::CScaleRegionDialog(const ScaleRegionDescription& description, IRegionPreview* view,
                                       QWidget* parent)
    : QDialog(parent), m_pView(view), m_preview(description.preview)
{
    setWindowTitle(LoadQString(description.titleId));
    SetHelpTopic(this, IDH_ENLARGE_SHRINK);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(new QLabel(LoadQString(IDS_SIZE_LABEL), this));
    m_sliderSize = CreateRegionSlider(this, description.minimum, description.maximum, description.tickInterval,
                                      description.initialPosition);
    column->addWidget(m_sliderSize);
    AddScaleLabels(column, this, {description.lowLabelId, description.highLabelId});
    AddRegionButtons(column, this);
    m_sliderSize->setFocus();
    // Connected after the initial position is set: opening the dialog previews nothing.
    connect(m_sliderSize, &QSlider::valueChanged, this, &CScaleRegionDialog::OnSizeChanged);
}

void CScaleRegionDialog::OnSizeChanged(int position)
{
    if (m_pView)
        (m_pView->*m_preview)(position / 100.0);
}
