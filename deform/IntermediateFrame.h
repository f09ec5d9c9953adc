#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The frame builder of the video export. Frame pixel (j, i) is the undeformed
// pixel at (j + trunc(c * dx), i + trunc(c * dy)), where (dx, dy) is the total
// displacement of that pixel in the map and c the frame's fraction of the
// duration: c = 0 shows the undeformed picture, c = 1 the deformed one.
//
// CWarpField::BuildIntermediateFrame allocates a new frame for every call; the
// export reuses its frame buffers through BuildFrameInto instead.
#include <cstdint>
#include <vector>

#include "deform/WarpField.h"

// What a frame is built from: the undeformed picture and the displacement map.
struct FrameSource {
    std::int32_t width;
    std::int32_t height;
    std::int32_t rowBytes;
    const std::uint8_t* original;  // height rows of rowBytes bytes
    const MapEntry* map;           // width x height entries, row-major
};

FrameSource FrameSourceOf(const CWarpField& field);

// timeMs / durationMs in double. A zero duration has nothing to morph through:
// time 0 is the start (0), any later time the end (1).
double FrameFraction(std::uint32_t durationMs, std::uint32_t timeMs);

// The columns first..last of one row enclose every pixel of that row whose map
// entry is not the pixel itself; first > last when there is none. Such pixels
// stay in place in every frame, so a video needs the formula only inside the spans.
struct DisplacedSpan {
    std::int32_t first;
    std::int32_t last;
};

// trunc(c * d) depends only on the displacement d, never on the pixel, so each
// frame evaluates it once per possible d in [-(size - 1), size - 1] (stored at
// d + size - 1) instead of twice per pixel. The values are exactly those of the
// per-pixel formula; shifts beyond +-size are cut to +-size, which lands outside
// the picture either way and is clamped to the same edge pixel. Raises
// CMemoryException when the table cannot be allocated.
std::vector<std::int32_t> FrameShiftTable(double c, std::int32_t size);

// One span a row, found in one pass over the map (raises CMemoryException).
std::vector<DisplacedSpan> FindDisplacedSpans(const FrameSource& source);

// Writes the frame at fraction c into frame (rowBytes x height bytes); row
// padding bytes become 0. A sample that falls outside the picture (c > 1) takes
// the nearest edge pixel. With spans (from FindDisplacedSpans for the same map)
// the pixels outside them are copied row-wise; the frame is the same. Large
// pictures are built in two row bands on two threads, with exactly the same
// result. Raises CMemoryException when its small look-up tables cannot be allocated.
void BuildFrameInto(const FrameSource& source, double c, std::uint8_t* frame,
                    const std::vector<DisplacedSpan>* spans = nullptr);
