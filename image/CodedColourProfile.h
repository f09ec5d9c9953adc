#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// An ICC profile for colours described by code points (primaries and transfer
// function as video and HEIF/AVIF files name them) instead of an embedded
// profile, so they go through the same conversion to sRGB.
#include <cstdint>
#include <vector>

struct CodedColours {
    double redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY;  // chromaticities
    int primaries;  // the primaries' code point; 1 (BT.709, sRGB's) and 2 (unspecified) mean sRGB
    int transfer;   // the transfer function's code point
};

// The profile of colours, or empty when they are sRGB's (or unspecified) or
// their transfer function is one we do not convert (PQ and HLG among them).
std::vector<std::uint8_t> ProfileForCodedColours(const CodedColours& colours);
