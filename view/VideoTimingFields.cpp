// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/VideoTimingFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "framework/NumberField.h"
#include "framework/StringTable.h"
#include "resources/StringIds.h"
#include "session/ToolLimits.h"

namespace {

QLineEdit* HoldEdit(QWidget* parent, const QString& objectName)
{
    QLineEdit* edit = CreateDigitsField(parent, objectName);
    edit->setFixedWidth(edit->fontMetrics().averageCharWidth() * 12);
    return edit;
}

}  // namespace

VideoTimingFields::VideoTimingFields(QWidget* dialog, QGridLayout* grid, int row)
{
    grid->addWidget(new QLabel(LoadQString(IDS_VIDEO_EASE), dialog), row, 0);
    m_ease = new QComboBox(dialog);
    m_ease->setObjectName(QStringLiteral("easeList"));
    // In the order of VideoEase.
    for (const int id : {IDS_VIDEO_EASE_LINEAR, IDS_VIDEO_EASE_SMOOTH, IDS_VIDEO_EASE_OUT})
        m_ease->addItem(LoadQString(id));
    grid->addWidget(m_ease, row, 1);

    auto* boxes = new QHBoxLayout;
    m_pingPong = new QCheckBox(LoadQString(IDS_VIDEO_PINGPONG), dialog);
    m_reverse = new QCheckBox(LoadQString(IDS_VIDEO_REVERSE), dialog);
    boxes->addWidget(m_pingPong);
    boxes->addWidget(m_reverse);
    boxes->addStretch();
    grid->addLayout(boxes, row + 1, 0, 1, 4);

    grid->addWidget(new QLabel(LoadQString(IDS_VIDEO_HOLD_START), dialog), row + 2, 0);
    m_holdStart = HoldEdit(dialog, QStringLiteral("holdStartEdit"));
    grid->addWidget(m_holdStart, row + 2, 1);
    grid->addWidget(new QLabel(LoadQString(IDS_VIDEO_HOLD_END), dialog), row + 3, 0);
    m_holdEnd = HoldEdit(dialog, QStringLiteral("holdEndEdit"));
    grid->addWidget(m_holdEnd, row + 3, 1);

    grid->addWidget(new QLabel(LoadQString(IDS_VIDEO_SIZE), dialog), row + 4, 0);
    m_size = new QComboBox(dialog);
    m_size->setObjectName(QStringLiteral("sizeList"));
    grid->addWidget(m_size, row + 4, 1);
}

void VideoTimingFields::Show(const VideoTiming& timing, std::int32_t videoSize, std::int32_t pictureLongSide)
{
    m_ease->setCurrentIndex(static_cast<int>(timing.ease));
    m_pingPong->setChecked(timing.loop == VideoLoop::PingPong);
    m_reverse->setChecked(timing.reverse);
    m_holdStart->setText(QString::number(timing.holdStartMs));
    m_holdEnd->setText(QString::number(timing.holdEndMs));
    m_size->clear();
    m_size->addItem(LoadQString(IDS_VIDEO_SIZE_OWN), 0);
    for (const std::int32_t size : kSizes)
        if (size < pictureLongSide)
            m_size->addItem(LoadQString(IDS_VIDEO_SIZE_PIXELS).arg(size), size);
    const int chosen = m_size->findData(videoSize);
    m_size->setCurrentIndex(chosen < 0 ? 0 : chosen);
}

bool VideoTimingFields::Read(VideoTiming& timing, std::int32_t& videoSize) const
{
    std::uint32_t holdStart = 0, holdEnd = 0;
    if (!ReadUnsignedInRange(m_holdStart, tool_limits::kVideoHoldMs.minimum, tool_limits::kVideoHoldMs.maximum, holdStart) ||
        !ReadUnsignedInRange(m_holdEnd, tool_limits::kVideoHoldMs.minimum, tool_limits::kVideoHoldMs.maximum, holdEnd))
        return false;
    timing.ease = static_cast<VideoEase>(m_ease->currentIndex());
    timing.loop = m_pingPong->isChecked() ? VideoLoop::PingPong : VideoLoop::Once;
    timing.reverse = m_reverse->isChecked();
    timing.holdStartMs = holdStart;
    timing.holdEndMs = holdEnd;
    videoSize = m_size->currentData().toInt();
    return true;
}
