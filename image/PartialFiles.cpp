// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/PartialFiles.h"

#include <atomic>
#include <climits>
#include <cstring>
#include <pthread.h>
#include <unistd.h>

namespace {

struct Slot {
    volatile std::sig_atomic_t marked = 0;
    char path[PATH_MAX] = {};
};

Slot g_slots[1];
volatile std::sig_atomic_t g_holds = 0;
volatile std::sig_atomic_t g_deferredSignal = 0;

Slot& SlotOf(PartialFile which)
{
    return g_slots[static_cast<int>(which)];
}

}  // namespace

void MarkPartialFile(PartialFile which, const std::string& path)
{
    Slot& slot = SlotOf(which);
    slot.marked = 0;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (path.empty() || path.size() >= sizeof slot.path)
        return;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    // The handler must never see the flag before the whole path.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    slot.marked = 1;
}

void UnmarkPartialFile(PartialFile which)
{
    SlotOf(which).marked = 0;
}

void RemovePartialFiles() noexcept
{
    for (Slot& slot : g_slots) {
        if (slot.marked) {
            ::unlink(slot.path);
            slot.marked = 0;
        }
    }
}

void BeginInterruptionHold(sigset_t& previous)
{
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigaddset(&held, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &held, &previous);
    g_holds = g_holds + 1;
}

void EndInterruptionHold(const sigset_t& previous)
{
    g_holds = g_holds - 1;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (g_holds == 0 && g_deferredSignal != 0) {
        const int signal = g_deferredSignal;
        g_deferredSignal = 0;
        std::raise(signal);
    }
}

bool DeferInterruption(int signal) noexcept
{
    if (g_holds == 0)
        return false;
    g_deferredSignal = signal;
    return true;
}
