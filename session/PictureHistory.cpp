// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PictureHistory.h"

#include "resources/StringIds.h"

int HistoryStepNameId(std::int32_t mode)
{
    switch (mode) {
    case ModeMovePoint: return IDS_HISTORY_MOVE_POINT;
    case ModeEnlarge: return IDS_HISTORY_ENLARGE;
    case ModeShrink: return IDS_HISTORY_SHRINK;
    case ModeRotate: return IDS_HISTORY_ROTATE;
    case ModeSmooth: return IDS_HISTORY_SMOOTH;
    case ModeExaggerate: return IDS_HISTORY_EXAGGERATE;
    case ModeApplyDeformation: return IDS_HISTORY_APPLY;
    case ModeFace: return IDS_HISTORY_FACE;
    case ModeCaricature: return IDS_HISTORY_CARICATURE;
    default: return IDS_HISTORY_OPEN;
    }
}

void PictureHistory::Record(std::int32_t mode, MapDelta change)
{
    while (m_steps.size() > m_position) {
        m_bytes -= m_steps.back().change.Bytes();
        m_steps.pop_back();
    }
    m_bytes += change.Bytes();
    m_steps.push_back(HistoryStep{mode, std::move(change)});
    m_position = m_steps.size();
    KeepWithinBudget();
}

void PictureHistory::Clear()
{
    m_steps.clear();
    m_position = 0;
    m_bytes = 0;
    m_dropped = 0;
}

void PictureHistory::SetBudget(std::size_t bytes)
{
    m_budget = bytes;
    KeepWithinBudget();
}

void PictureHistory::KeepWithinBudget()
{
    while (m_bytes > m_budget && m_steps.size() > 1 && m_position > 0) {
        m_bytes -= m_steps.front().change.Bytes();
        m_steps.pop_front();
        --m_position;
        ++m_dropped;
    }
}
