// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/JpegDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "framework/HelpRequest.h"
#include "framework/StringTable.h"
#include "framework/DialogButtons.h"
#include "resources/StringIds.h"

CJpegDialog::CJpegDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(LoadQString(IDS_JPEG_TITLE));
    SetHelpTopic(this, IDH_SAVE);

    m_slider = new QSlider(Qt::Vertical);
    m_slider->setObjectName(QStringLiteral("qualitySlider"));
    m_slider->setRange(0, 100);
    // Position 0 at the top: the slider reads downwards from high to low quality.
    m_slider->setInvertedAppearance(true);
    m_slider->setInvertedControls(true);
    m_slider->setTickPosition(QSlider::TicksLeft);
    m_slider->setTickInterval(10);
    m_slider->setPageStep(10);
    m_slider->setMinimumHeight(140);
    m_slider->setFocusPolicy(Qt::StrongFocus);

    auto* high = new QLabel(LoadQString(IDS_JPEG_HIGH_QUALITY));
    auto* low = new QLabel(LoadQString(IDS_JPEG_LOW_QUALITY));
    auto* qualityLayout = new QGridLayout;
    qualityLayout->addWidget(m_slider, 0, 0, 2, 1);
    qualityLayout->addWidget(high, 0, 1, Qt::AlignTop);
    qualityLayout->addWidget(low, 1, 1, Qt::AlignBottom);
    auto* qualityGroup = new QGroupBox(LoadQString(IDS_JPEG_QUALITY_GROUP));
    qualityGroup->setLayout(qualityLayout);

    m_progressiveCheck = new QCheckBox(LoadQString(IDS_JPEG_PROGRESSIVE));
    m_progressiveCheck->setObjectName(QStringLiteral("progressiveCheck"));

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(m_progressiveCheck);
    rightColumn->addStretch(1);
    rightColumn->addLayout(CreateDialogButtons(this, Qt::Vertical));

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(qualityGroup);
    layout->addLayout(rightColumn);

    connect(OkButtonOf(this), &QPushButton::clicked, this, &CJpegDialog::OnOK);
}

int CJpegDialog::DoModal()
{
    OnInitDialog();
    return exec();
}

void CJpegDialog::OnInitDialog()
{
    if (m_quality < 0 || m_quality > 100)
        m_quality = 100;
    m_slider->setValue(100 - m_quality);
    m_progressiveCheck->setChecked(m_progressive);
}

void CJpegDialog::OnOK()
{
    m_quality = 100 - m_slider->value();
    m_progressive = m_progressiveCheck->isChecked();
    accept();
}
