// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/RegionDialogParts.h"

#include <QBoxLayout>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "framework/StringTable.h"
#include "framework/DialogButtons.h"

QSlider* CreateRegionSlider(QWidget* parent, int minimum, int maximum, int tickInterval, int position)
{
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(minimum, maximum);
    slider->setTickPosition(QSlider::TicksAbove);
    slider->setTickInterval(tickInterval);
    slider->setSingleStep(1);
    slider->setPageStep(qMax(1, (maximum - minimum) / 5));
    slider->setValue(position);
    slider->setFocusPolicy(Qt::StrongFocus);
    // The templates make the track about 43 average characters wide.
    slider->setMinimumWidth(slider->fontMetrics().averageCharWidth() * 43);
    return slider;
}

void AddScaleLabels(QBoxLayout* column, QWidget* parent, std::initializer_list<int> stringIds)
{
    auto* row = new QHBoxLayout;
    bool first = true;
    for (const int id : stringIds) {
        if (!first)
            row->addStretch(1);
        first = false;
        row->addWidget(new QLabel(LoadQString(id), parent));
    }
    column->addLayout(row);
}

void AddRegionButtons(QBoxLayout* column, QDialog* dialog)
{
    QBoxLayout* row = CreateDialogButtons(dialog, Qt::Horizontal);
    QObject::connect(OkButtonOf(dialog), &QPushButton::clicked, dialog, &QDialog::accept);
    column->addSpacing(6);
    column->addLayout(row);
}
