#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The running order of a morph video: which frame fraction is shown when. The
// plain order runs the frames of the duration once, linearly from the
// undeformed picture to the deformed one; the timing settings ease the course,
// reverse it, add the way back and hold the first frame and the turning point.
// Every writer goes through the same order, so AVI, MP4, WebM and GIF agree.
#include <cstdint>
#include <vector>

enum class VideoEase { Linear, Smooth, Out };
enum class VideoLoop { Once, PingPong };

// The timing settings; the defaults give the plain order.
struct VideoTiming {
    VideoEase ease = VideoEase::Linear;
    VideoLoop loop = VideoLoop::Once;
    bool reverse = false;
    std::uint32_t holdStartMs = 0;  // 0 to kMaxVideoHoldMs
    std::uint32_t holdEndMs = 0;
};

constexpr std::uint32_t kMaxVideoHoldMs = 10000;

// One distinct frame of the order and how many frame times it stays.
struct RunningFrame {
    double fraction;          // for the frame builder: 0 undeformed, 1 deformed
    std::uint32_t showings;   // 1, or more for a held frame
};

// The fraction of a frame at u = time / duration: u itself for Linear; for
// Smooth and Out u is limited to 1 first.
double EasedFraction(VideoEase ease, double u);

// The order for durationMs at framesPerSecond: the frames of ComputeFrameTiming
// (eased), reversed, with the way back for PingPong (from the second-to-last
// frame down to the second), then round(hold x fps / 1000) more showings of the
// first frame and of the turning point (the last frame of the way there).
std::vector<RunningFrame> BuildRunningOrder(std::uint32_t durationMs, std::uint32_t framesPerSecond,
                                            const VideoTiming& timing);

// The order written frame by frame: each held frame repeated, every showing 1.
std::vector<RunningFrame> ExpandHolds(const std::vector<RunningFrame>& order);
