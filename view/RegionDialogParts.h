#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces the three region tool dialogs share: their sliders, the scale
// labels under a slider, and their button row.
#include <initializer_list>

class QBoxLayout;
class QDialog;
class QSlider;
class QWidget;

// A horizontal slider with tick marks above the track, taking the focus with
// Tab. Page keys and clicks on the track move a fifth of the range, as the
// platform's sliders traditionally do.
QSlider* CreateRegionSlider(QWidget* parent, int minimum, int maximum, int tickInterval, int position);

// Adds the scale labels under a slider to column: the first text at the left
// end, the last at the right end, any between them centred.
void AddScaleLabels(QBoxLayout* column, QWidget* parent, std::initializer_list<int> stringIds);

// Adds the editor's OK / Abbrechen / Hilfe row to column; OK accepts.
void AddRegionButtons(QBoxLayout* column, QDialog* dialog);
