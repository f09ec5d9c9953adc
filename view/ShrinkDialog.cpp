// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/ShrinkDialog.h"

#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "view/RegionDialogParts.h"
#include "view/RegionPreview.h"

CShrinkDialog::CShrinkDialog(IRegionPreview* view, QWidget* parent) : QDialog(parent), m_pView(view)
{
    setWindowTitle(LoadQString(IDS_SHRINK_TITLE));
    SetHelpTopic(this, IDH_ENLARGE_SHRINK);
    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(new QLabel(LoadQString(IDS_SIZE_LABEL), this));
    m_sliderSize = CreateRegionSlider(this, kMinimum, kMaximum, kTickInterval, kInitialPosition);
    column->addWidget(m_sliderSize);
    AddScaleLabels(column, this, {IDS_PERCENT_1, IDS_PERCENT_100});
    AddRegionButtons(column, this);
    m_sliderSize->setFocus();
    // Connected after the initial position is set: opening the dialog previews nothing.
    connect(m_sliderSize, &QSlider::valueChanged, this, &CShrinkDialog::OnSizeChanged);
}

void CShrinkDialog::OnSizeChanged(int position)
{
    if (m_pView)
        m_pView->PreviewShrink(position / 100.0);
}
