#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The FFmpeg encoders live in a module of their own, grimasso_encoders.so,
// loaded at the first encoded video. FFmpeg and the codec libraries it links
// are most of the program's libraries; a run that writes no MP4, WebM or GIF
// starts without loading them. The module is found through the programs'
// run path: beside them in the build tree, in the library folder installed.
#include <memory>

#include "video/EncodedVideoWriter.h"
#include "video/VideoWriter.h"

#include <csignal>

// The file name of the module and the name of its one exported function,
// VideoWriter* (int format, const EncoderHost* host), which returns a new
// EncodedVideoWriter (null when none can be made).
inline constexpr const char* kEncoderModuleName = "grimasso_encoders.so";
inline constexpr const char* kEncoderModuleEntry = "GrimassoCreateEncodedVideoWriter";

// What the module borrows from the program: the holds on interruptions, whose
// count and deferred signal must be the program's own.
struct EncoderHost {
    void (*beginInterruptionHold)(sigset_t& previous);
    void (*endInterruptionHold)(const sigset_t& previous);
};

// A writer of the format from the module; when the module cannot be loaded, a
// writer that fails at Open, so the export reports the video as not written.
std::unique_ptr<VideoWriter> CreateEncodedVideoWriter(EncodedFormat format);
