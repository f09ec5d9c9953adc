#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// A picture load that its caller may abandon while it runs on a thread of its
// own. The loading thread names the control it works for (ScopedLoadControl);
// the codecs and conversions below it pass checkpoints between rows or stages,
// where a requested end raises CLoadCancelled, or ends the library call under
// way through the library's own error path. The caller's thread requests the
// end and learns how far the reading got.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

// The load ended because its caller asked for that; not a failure to report.
class CLoadCancelled : public std::exception {
public:
    const char* what() const noexcept override { return "load cancelled"; }
};

class LoadControl {
public:
    // Told on the loading thread whenever the share read grows by a thousandth.
    using ShareListener = std::function<void(int permille)>;

    LoadControl() = default;
    LoadControl(const LoadControl&) = delete;
    LoadControl& operator=(const LoadControl&) = delete;

    // Any thread: the load ends at its next checkpoint.
    void RequestCancel() noexcept { m_cancel.store(true, std::memory_order_relaxed); }
    bool CancelRequested() const noexcept { return m_cancel.load(std::memory_order_relaxed); }

    // Set before the load starts.
    void SetShareListener(ShareListener listener) { m_listener = std::move(listener); }
    // The share read so far in thousandths; -1 while no reader has said.
    int Permille() const noexcept { return m_permille.load(std::memory_order_relaxed); }

    // The loading thread: done of total units are read.
    void ReportShare(std::int64_t done, std::int64_t total);

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_permille{-1};
    ShareListener m_listener;
};

// Names control as the one of the load on this thread while it lives.
class ScopedLoadControl {
public:
    explicit ScopedLoadControl(LoadControl& control);
    ~ScopedLoadControl();
    ScopedLoadControl(const ScopedLoadControl&) = delete;
    ScopedLoadControl& operator=(const ScopedLoadControl&) = delete;

private:
    LoadControl* m_previous;
};

// ---- The readers' side: free of cost when no control is named ----
// Whether the load on this thread is to end; false without a control. Passes
// the checkpoint hook.
bool LoadCancelRequested();
// Raises CLoadCancelled when the load on this thread is to end.
void LoadCheckpoint();
// Reports done of total units read; never raises (for callbacks of C libraries).
void LoadReportShare(std::int64_t done, std::int64_t total) noexcept;
// Reports done of total units read, then passes the checkpoint (raising).
void LoadProgress(std::int64_t done, std::int64_t total);

// For tests: called on the loading thread at every checkpoint with the load's
// control, before the control is asked; empty removes it. Set it while no load runs.
void SetLoadCheckpointHook(std::function<void(LoadControl&)> hook);
