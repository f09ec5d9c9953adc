#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Files being written that must not outlive an interruption: the temporary file
// of a save (a video's too). A signal handler removes them with
// RemovePartialFiles; everything else here runs in normal program flow.
#include <csignal>
#include <string>

enum class PartialFile { Save };

// Remembers path until UnmarkPartialFile. A path too long for the fixed buffer
// is not remembered (the handler must not allocate).
void MarkPartialFile(PartialFile which, const std::string& path);
void UnmarkPartialFile(PartialFile which);

// Unlinks every remembered file. Async-signal-safe: only unlink on fixed buffers.
void RemovePartialFiles() noexcept;

// Holds back SIGINT, SIGTERM and SIGHUP for its lifetime, around steps that
// must not be cut in half (a rename with its bookkeeping, a write in place).
// The signals are blocked in this thread; a handler that runs in another thread
// hands its signal to DeferInterruption. Either way the signal takes effect
// when the hold ends.
// The hold's two halves, apart for the encoder module, which borrows the
// program's (see video/EncoderModule.h).
void BeginInterruptionHold(sigset_t& previous);
void EndInterruptionHold(const sigset_t& previous);

class InterruptionHold {
public:
    InterruptionHold() { BeginInterruptionHold(m_previous); }
    ~InterruptionHold() { EndInterruptionHold(m_previous); }
    InterruptionHold(const InterruptionHold&) = delete;
    InterruptionHold& operator=(const InterruptionHold&) = delete;

private:
    sigset_t m_previous;
};

// For a signal handler: true when a hold is active, in which case the signal is
// raised again as the hold ends and the handler should simply return.
bool DeferInterruption(int signal) noexcept;
