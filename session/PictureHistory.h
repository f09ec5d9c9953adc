#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of one picture since it was opened, pasted or rescaled: each
// committed gesture is one step, kept as what it changed in the map. The
// position counts the steps the map holds now; steps beyond it were taken
// back and can be brought back until a new step drops them.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "session/MapDelta.h"

struct HistoryStep {
    std::int32_t mode = 0;  // the WarpMode of the gesture, which names the step
    MapDelta change;
};

// The string id of a step's name, the name of its menu command
// (IDS_HISTORY_OPEN for the picture the history starts from, mode -1).
int HistoryStepNameId(std::int32_t mode);

class PictureHistory {
public:
    // Memory the steps may keep before the oldest go: about five whole maps of
    // a 24-megapixel photo, far more than a long session of local gestures
    // needs, and little beside the picture, its two maps and the rendered copy.
    static constexpr std::size_t kDefaultBudget = std::size_t{512} << 20;

    // Appends a step after the current position, dropping those ahead of it,
    // then the oldest ones while the steps keep more than the budget (the
    // newest step always stays).
    void Record(std::int32_t mode, MapDelta change);
    // Forgets every step: a new picture starts a new history.
    void Clear();

    std::size_t Count() const { return m_steps.size(); }
    std::size_t Position() const { return m_position; }
    // Oldest steps dropped for the budget since the picture began.
    std::size_t Dropped() const { return m_dropped; }
    const HistoryStep& Step(std::size_t index) const { return m_steps[index]; }
    bool CanStepBack() const { return m_position > 0; }
    bool CanStepForward() const { return m_position < m_steps.size(); }
    // The step a step back or forward takes back or brings back.
    const HistoryStep& Behind() const { return m_steps[m_position - 1]; }
    const HistoryStep& Ahead() const { return m_steps[m_position]; }
    void MovedBack() { --m_position; }
    void MovedForward() { ++m_position; }

    std::size_t Bytes() const { return m_bytes; }
    std::size_t Budget() const { return m_budget; }
    void SetBudget(std::size_t bytes);

private:
    void KeepWithinBudget();

    std::deque<HistoryStep> m_steps;
    std::size_t m_position = 0;
    std::size_t m_bytes = 0;
    std::size_t m_dropped = 0;
    std::size_t m_budget = kDefaultBudget;
};
