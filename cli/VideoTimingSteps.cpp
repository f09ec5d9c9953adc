// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/VideoTimingSteps.h"

#include <string>

#include "cli/CliText.h"
#include "resources/StringIds.h"

bool RunVideoTimingStep(const Step& step, PictureSession::VideoSettings& video, std::int32_t pictureLongSide)
{
    switch (step.kind) {
    case StepKind::Ease:
        video.timing.ease = static_cast<VideoEase>(step.integer);
        return true;
    case StepKind::Loop:
        video.timing.loop = static_cast<VideoLoop>(step.integer);
        return true;
    case StepKind::Reverse:
        video.timing.reverse = true;
        return true;
    case StepKind::HoldStart:
        video.timing.holdStartMs = static_cast<std::uint32_t>(step.integer);
        return true;
    case StepKind::HoldEnd:
        video.timing.holdEndMs = static_cast<std::uint32_t>(step.integer);
        return true;
    case StepKind::VideoSize:
        if (step.integer > pictureLongSide)
            throw StepError(CliText(IDS_CLI_INVALID_VALUE,
                                    {step.name, std::to_string(step.integer),
                                     CliText(IDS_CLI_EXPECT_INTEGER, {std::to_string(kMinVideoSize),
                                                                      std::to_string(pictureLongSide)})}));
        video.videoSize = step.integer;
        return true;
    default:
        return false;
    }
}
