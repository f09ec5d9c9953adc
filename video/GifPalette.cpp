// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/GifPalette.h"

#include <string>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

struct GifPaletteGraph {
    AVFilterGraph* graph = nullptr;
    AVFilterContext* frames = nullptr;   // the morph's frames go in here
    AVFilterContext* palette = nullptr;  // the palette, once
    AVFilterContext* sink = nullptr;     // paletted frames come out here

    GifPaletteGraph() : graph(avfilter_graph_alloc()) {}
    ~GifPaletteGraph() { avfilter_graph_free(&graph); }
    GifPaletteGraph(const GifPaletteGraph&) = delete;
    GifPaletteGraph& operator=(const GifPaletteGraph&) = delete;
};

namespace {

// Ordered dithering: a pixel that does not move keeps its dot pattern, so the
// still parts of the morph do not shimmer and the GIF's frame differences stay small.
constexpr const char* kPaletteUseOptions = "dither=bayer:bayer_scale=3";
// All 256 entries for colours: the morph needs no transparency.
constexpr const char* kPaletteGenOptions = "max_colors=256:reserve_transparent=0:stats_mode=full";

std::string SourceArguments(const AVFrame& frame)
{
    return "video_size=" + std::to_string(frame.width) + "x" + std::to_string(frame.height) +
           ":pix_fmt=" + std::to_string(frame.format) + ":time_base=1/100:pixel_aspect=1/1";
}

int CreateFilter(AVFilterContext** filter, const char* kind, const char* name, const std::string& arguments,
                 AVFilterGraph* graph)
{
    const AVFilter* type = avfilter_get_by_name(kind);
    if (!type)
        return AVERROR_FILTER_NOT_FOUND;
    return avfilter_graph_create_filter(filter, type, name, arguments.empty() ? nullptr : arguments.c_str(),
                                        nullptr, graph);
}

// Runs palettegen over picture; palette receives its 16 x 16 palette frame.
int GeneratePalette(const AVFrame& picture, AVFrame* palette)
{
    GifPaletteGraph g;
    if (!g.graph)
        return AVERROR(ENOMEM);
    AVFilterContext* generator = nullptr;
    int error = CreateFilter(&g.frames, "buffer", "picture", SourceArguments(picture), g.graph);
    if (error >= 0)
        error = CreateFilter(&generator, "palettegen", "palettegen", kPaletteGenOptions, g.graph);
    if (error >= 0)
        error = CreateFilter(&g.sink, "buffersink", "palette", "", g.graph);
    if (error >= 0)
        error = avfilter_link(g.frames, 0, generator, 0);
    if (error >= 0)
        error = avfilter_link(generator, 0, g.sink, 0);
    if (error >= 0)
        error = avfilter_graph_config(g.graph, nullptr);
    if (error >= 0)
        error = av_buffersrc_write_frame(g.frames, &picture);
    if (error >= 0)
        error = av_buffersrc_add_frame(g.frames, nullptr);  // the palette comes at the end of the input
    if (error >= 0)
        error = av_buffersink_get_frame(g.sink, palette);
    return error;
}

}  // namespace

GifPalette::GifPalette() = default;
GifPalette::~GifPalette() = default;

int GifPalette::Prepare(const AVFrame& picture)
{
    AVFrame* palette = av_frame_alloc();
    if (!palette)
        return AVERROR(ENOMEM);
    auto graph = std::make_unique<GifPaletteGraph>();
    AVFilterContext* mapper = nullptr;
    int error = graph->graph ? GeneratePalette(picture, palette) : AVERROR(ENOMEM);
    if (error >= 0)
        error = CreateFilter(&graph->frames, "buffer", "frames", SourceArguments(picture), graph->graph);
    if (error >= 0)
        error = CreateFilter(&graph->palette, "buffer", "palette", SourceArguments(*palette), graph->graph);
    if (error >= 0)
        error = CreateFilter(&mapper, "paletteuse", "paletteuse", kPaletteUseOptions, graph->graph);
    if (error >= 0)
        error = CreateFilter(&graph->sink, "buffersink", "gif", "", graph->graph);
    if (error >= 0)
        error = avfilter_link(graph->frames, 0, mapper, 0);
    if (error >= 0)
        error = avfilter_link(graph->palette, 0, mapper, 1);
    if (error >= 0)
        error = avfilter_link(mapper, 0, graph->sink, 0);
    if (error >= 0)
        error = avfilter_graph_config(graph->graph, nullptr);
    // The one palette holds for every frame after it.
    if (error >= 0) {
        palette->pts = 0;
        error = av_buffersrc_add_frame(graph->palette, palette);
    }
    if (error >= 0)
        error = av_buffersrc_add_frame(graph->palette, nullptr);
    av_frame_free(&palette);
    if (error >= 0)
        m_graph = std::move(graph);
    return error;
}

int GifPalette::Push(AVFrame* frame)
{
    if (!m_graph)
        return AVERROR(EINVAL);
    return frame ? av_buffersrc_write_frame(m_graph->frames, frame) : av_buffersrc_add_frame(m_graph->frames, nullptr);
}

int GifPalette::Pull(AVFrame* frame)
{
    if (!m_graph)
        return AVERROR(EINVAL);
    av_frame_unref(frame);
    return av_buffersink_get_frame(m_graph->sink, frame);
}
