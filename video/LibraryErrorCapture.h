#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// What an encoder library writes to standard error by itself, past FFmpeg's
// logging: libx264 reports a failed allocation ("x264 [error]: malloc of size
// ... failed") with its own fprintf, and then fails with a code that does not
// say memory. While a capture lives, standard error goes into a memory file.
// At its end the library's own lines are dropped, anything else (another
// thread's message) passes on, and whether an allocation failed is known.
// SIGINT, SIGTERM and SIGHUP are held meanwhile, so that the command-line
// tool's farewell reaches the real standard error. One capture at a time in
// the process; another waits.
#include <optional>

#include "image/PartialFiles.h"

class LibraryErrorCapture {
public:
    LibraryErrorCapture();
    ~LibraryErrorCapture();
    LibraryErrorCapture(const LibraryErrorCapture&) = delete;
    LibraryErrorCapture& operator=(const LibraryErrorCapture&) = delete;

    // Puts standard error back; true when the library reported a failed
    // allocation. Allocates nothing, as memory may be what ran out.
    bool End();

private:
    std::optional<InterruptionHold> m_hold;
    int m_saved = -1;    // the real standard error
    int m_capture = -1;  // the memory file
    bool m_outOfMemory = false;
};
