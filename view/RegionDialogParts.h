#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces the three region tool dialogs share: their sliders, the scale
// labels under a slider, and their button row.
#include <initializer_list>

class QBoxLayout;
class QDialog;
class QSlider;
class QWidget;

// String ids of the texts the region dialogs show (40700 to 40713).
enum RegionDialogStringId : int {
    IDS_ENLARGE_TITLE = 40700,
    IDS_SHRINK_TITLE = 40701,
    IDS_ROTATE_TITLE = 40702,
    IDS_SIZE_LABEL = 40703,
    IDS_PERCENT_100 = 40704,
    IDS_PERCENT_1000 = 40705,
    IDS_PERCENT_1 = 40706,
    IDS_ANGLE_LABEL = 40707,
    IDS_ANGLE_MIN = 40708,
    IDS_ANGLE_ZERO = 40709,
    IDS_ANGLE_MAX = 40710,
    IDS_GAIN_LABEL = 40711,
    IDS_GAIN_MIN = 40712,
    IDS_GAIN_MAX = 40713,
};

// A horizontal slider with tick marks above the track, taking the focus with
// Tab. Page keys and clicks on the track move a fifth of the range, as the
// platform's sliders traditionally do.
QSlider* CreateRegionSlider(QWidget* parent, int minimum, int maximum, int tickInterval, int position);

// Adds the scale labels under a slider to column: the first text at the left
// end, the last at the right end, any between them centred.
void AddScaleLabels(QBoxLayout* column, QWidget* parent, std::initializer_list<int> stringIds);

// Adds the editor's OK / Abbrechen / Hilfe row to column; OK accepts.
void AddRegionButtons(QBoxLayout* column, QDialog* dialog);
