// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/EnlargeDialog.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

CEnlargeDialog::CEnlargeDialog(IRegionPreview* view, QWidget* parent) : QDialog(parent), m_pView(view)
{
    setWindowTitle(LoadQString(IDS_ENLARGE_TITLE));
    SetHelpTopic(this, IDH_ENLARGE_SHRINK);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(new QLabel(LoadQString(IDS_SIZE_LABEL), this));
    m_sliderSize = CreateRegionSlider(this, kMinimum, kMaximum, kTickInterval, kInitialPosition);
    column->addWidget(m_sliderSize);
    AddScaleLabels(column, this, {IDS_PERCENT_100, IDS_PERCENT_1000});
    AddRegionButtons(column, this);
    m_sliderSize->setFocus();
    // Connected after the initial position is set: opening the dialog previews nothing.
    connect(m_sliderSize, &QSlider::valueChanged, this, &CEnlargeDialog::OnSizeChanged);
}

void CEnlargeDialog::OnSizeChanged(int position)
{
    if (m_pView)
        m_pView->PreviewEnlarge(position / 100.0);
}
