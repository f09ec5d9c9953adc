#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The video dialog's fields for the course, loop, direction, holds and size
// of the video: created into the dialog's grid, filled from settings and read
// back with the range checks of the dialog's other number fields.
#include <QObject>
#include <cstdint>

#include "video/RunningOrder.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QWidget;

class VideoTimingFields {
public:
    // The long sides the size list offers besides the picture's own.
    static constexpr std::int32_t kSizes[] = {1920, 1280, 720, 480};

    // Adds the rows from row on to grid (five rows), in tab order.
    VideoTimingFields(QWidget* dialog, QGridLayout* grid, int row);

    // Shows timing and size; pictureLongSide limits the sizes offered (only
    // those below it; 0 for the picture's own size).
    void Show(const VideoTiming& timing, std::int32_t videoSize, std::int32_t pictureLongSide);
    // Reads the fields; false (with the range message shown and the focus in
    // the field) when a hold is out of range.
    bool Read(VideoTiming& timing, std::int32_t& videoSize) const;

    QComboBox* EaseList() const { return m_ease; }
    QCheckBox* PingPongBox() const { return m_pingPong; }
    QCheckBox* ReverseBox() const { return m_reverse; }
    QLineEdit* HoldStartEdit() const { return m_holdStart; }
    QLineEdit* HoldEndEdit() const { return m_holdEnd; }
    QComboBox* SizeList() const { return m_size; }

private:
    QComboBox* m_ease;
    QCheckBox* m_pingPong;
    QCheckBox* m_reverse;
    QLineEdit* m_holdStart;
    QLineEdit* m_holdEnd;
    QComboBox* m_size;
};
