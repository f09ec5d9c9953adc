// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/LoadControl.h"

#include <algorithm>

namespace {

thread_local LoadControl* t_control = nullptr;
std::function<void(LoadControl&)> g_checkpointHook;

}  // namespace

void LoadControl::ReportShare(std::int64_t done, std::int64_t total)
{
    if (total <= 0)
        return;
    const int permille = static_cast<int>(std::clamp<std::int64_t>(done * 1000 / total, 0, 1000));
    // Only growth is told: a reader's later pass must not send the bar back.
    if (permille <= m_permille.load(std::memory_order_relaxed))
        return;
    m_permille.store(permille, std::memory_order_relaxed);
    if (m_listener)
        m_listener(permille);
}

ScopedLoadControl::ScopedLoadControl(LoadControl& control) : m_previous(t_control)
{
    t_control = &control;
}

ScopedLoadControl::~ScopedLoadControl()
{
    t_control = m_previous;
}

bool LoadCancelRequested()
{
    if (t_control == nullptr)
        return false;
    if (g_checkpointHook)
        g_checkpointHook(*t_control);
    return t_control->CancelRequested();
}

void LoadCheckpoint()
{
    if (LoadCancelRequested())
        throw CLoadCancelled();
}

void LoadReportShare(std::int64_t done, std::int64_t total) noexcept
{
    if (t_control == nullptr)
        return;
    try {
        t_control->ReportShare(done, total);
    } catch (...) {
        // A listener that fails costs the bar a step, never the load.
    }
}

void LoadProgress(std::int64_t done, std::int64_t total)
{
    LoadReportShare(done, total);
    LoadCheckpoint();
}

void SetLoadCheckpointHook(std::function<void(LoadControl&)> hook)
{
    g_checkpointHook = std::move(hook);
}
