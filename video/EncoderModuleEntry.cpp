// SPDX-License-Identifier: GPL-3.0-or-later
// The one function the encoder module exports, and the program's functions it
// borrows (see EncoderModule.h).
#include "image/PartialFiles.h"
#include "video/EncodedVideoWriter.h"
#include "video/EncoderModule.h"

#ifndef GRIMASSO_ENCODERS_LINKED
namespace {

// Set by the first writer made: the program hands the same functions every time.
const EncoderHost& Host(const EncoderHost* first = nullptr)
{
    static const EncoderHost host = *first;
    return host;
}

}  // namespace

void BeginInterruptionHold(sigset_t& previous)
{
    Host().beginInterruptionHold(previous);
}

void EndInterruptionHold(const sigset_t& previous)
{
    Host().endInterruptionHold(previous);
}
#endif

extern "C" __attribute__((visibility("default"))) VideoWriter* GrimassoCreateEncodedVideoWriter(int format,
                                                                                             const EncoderHost* host)
{
#ifndef GRIMASSO_ENCODERS_LINKED
    Host(host);
#else
    static_cast<void>(host);  // linked in: the program's own holds are these
#endif
    try {
        return new EncodedVideoWriter(static_cast<EncodedFormat>(format));
    } catch (...) {
        return nullptr;
    }
}
