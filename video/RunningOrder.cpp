// SPDX-License-Identifier: GPL-3.0-or-later
#include "video/RunningOrder.h"

#include <algorithm>
#include <cmath>

#include "deform/IntermediateFrame.h"
#include "video/VideoExport.h"

namespace {

// round(v) = trunc(v + 0.5) of a non-negative count.
std::uint32_t RoundedFrames(std::uint32_t ms, std::uint32_t framesPerSecond)
{
    const double frames = static_cast<double>(ms) * static_cast<double>(framesPerSecond) / 1000.0;
    return static_cast<std::uint32_t>(std::trunc(frames + 0.5));
}

}  // namespace

double EasedFraction(VideoEase ease, double u)
{
    switch (ease) {
    case VideoEase::Smooth:
        u = std::min(u, 1.0);
        return u * u * (3.0 - 2.0 * u);
    case VideoEase::Out:
        u = std::min(u, 1.0);
        return 1.0 - (1.0 - u) * (1.0 - u);
    case VideoEase::Linear:
        break;
    }
    return u;
}

std::vector<RunningFrame> BuildRunningOrder(std::uint32_t durationMs, std::uint32_t framesPerSecond,
                                            const VideoTiming& timing)
{
    const VideoFrameTiming frameTiming = ComputeFrameTiming(durationMs, framesPerSecond);
    std::vector<RunningFrame> order;
    order.reserve(frameTiming.frameCount);
    for (std::uint32_t k = 0; k < frameTiming.frameCount; ++k) {
        const double u = FrameFraction(durationMs, FrameTimeMs(frameTiming, k));
        order.push_back(RunningFrame{EasedFraction(timing.ease, u), 1});
    }
    if (timing.reverse)
        std::reverse(order.begin(), order.end());
    const std::size_t turningPoint = order.size() - 1;
    if (timing.loop == VideoLoop::PingPong)
        for (std::size_t k = turningPoint; k-- > 1;)
            order.push_back(order[k]);
    const std::uint32_t holdStart = std::min(timing.holdStartMs, kMaxVideoHoldMs);
    const std::uint32_t holdEnd = std::min(timing.holdEndMs, kMaxVideoHoldMs);
    order.front().showings += RoundedFrames(holdStart, framesPerSecond);
    order[turningPoint].showings += RoundedFrames(holdEnd, framesPerSecond);
    return order;
}

std::vector<RunningFrame> ExpandHolds(const std::vector<RunningFrame>& order)
{
    std::vector<RunningFrame> frames;
    for (const RunningFrame& frame : order)
        frames.insert(frames.end(), frame.showings, RunningFrame{frame.fraction, 1});
    return frames;
}
