#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The steps of grimasso-cli, parsed and checked before any of them runs, so a
// malformed step never leaves half the work done.
#include <stdexcept>
#include <string>
#include <vector>

#include "face/FaceGesture.h"
#include "session/ToolLimits.h"

enum class StepKind {
    Radius, Drag, Enlarge, Shrink, Rotate, Smooth, Undo, Scale,
    JpegQuality, Progressive, Baseline, Save, Duration, Fps, Video, Quiet,
    FindFaces, Face, Explain,
    Apply,
    Exaggerate, Ease, Loop, Reverse, HoldStart, HoldEnd, VideoSize,
    StepBack, StepForward,
    Caricature,
};

struct ScreenPoint {
    int x;  // from the left
    int y;  // from the top
};

struct Step {
    StepKind kind = StepKind::Quiet;
    std::string name;                // as written, for messages ("--drag")
    int integer = 0;                 // radius, quality, duration, frame rate, hold, video size,
                                     // steps to walk the history;
                                     // the VideoEase or VideoLoop value
    std::vector<ScreenPoint> points; // drag points; the centre of a region tool
    double radius = 0;               // region radius
    double factor = 1;               // enlarge/shrink factor, rotate angle, exaggerate percentage
    double amplification = 1;        // rotate
    int width = 0, height = 0;       // scale
    std::string path;                // save, video, apply
    FaceSettings face;               // the face gesture's sliders
    int caricature = tool_limits::kCaricature.start;  // the automatic caricature, percent
    int which = 1;                   // the face gesture's (or caricature's) face, 1 the largest
};

// A step that cannot be run as written; exitCode 2 by the tool's convention.
class StepError : public std::runtime_error {
public:
    explicit StepError(const std::string& message) : std::runtime_error(message) {}
};

// Parses "--name value" arguments (and the files of --script steps) into steps.
std::vector<Step> ParseSteps(const std::vector<std::string>& arguments);
