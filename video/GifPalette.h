#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The colours of an animated morph GIF. Every frame of the morph is made of
// pixels of the undeformed picture, so one palette generated from that picture
// (libavfilter's palettegen) serves the whole video; paletteuse maps each frame
// onto it with ordered dithering, which stays still from frame to frame where
// the picture does not move.
#include <cstdint>
#include <memory>

struct AVFrame;
struct GifPaletteGraph;

class GifPalette {
public:
    GifPalette();
    ~GifPalette();
    GifPalette(const GifPalette&) = delete;
    GifPalette& operator=(const GifPalette&) = delete;

    // Builds the palette from picture (top-down bgr24) and prepares the
    // mapping of frames of its size. Returns 0 or a negative FFmpeg error.
    int Prepare(const AVFrame& picture);
    // Hands a top-down bgr24 frame (with its pts) to the mapping; null ends the
    // input. Returns 0 or a negative FFmpeg error.
    int Push(AVFrame* frame);
    // The next paletted frame into frame (unreferenced first): 0, or
    // AVERROR(EAGAIN) when more input is needed, AVERROR_EOF after the end, or
    // another negative error.
    int Pull(AVFrame* frame);

private:
    std::unique_ptr<GifPaletteGraph> m_graph;
};
