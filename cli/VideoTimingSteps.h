#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The steps that set how the next videos run and how large they are.
#include "cli/Steps.h"
#include "session/PictureSession.h"

// The smallest long side --video-size takes.
constexpr int kMinVideoSize = 16;

// Runs an Ease, Loop, Reverse, HoldStart, HoldEnd or VideoSize step on the
// settings of a pictureLongSide picture; false for any other step. Raises
// StepError for a video size beyond the picture's long side.
bool RunVideoTimingStep(const Step& step, PictureSession::VideoSettings& video, std::int32_t pictureLongSide);
