#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs parsed steps on one picture session, the same the editor's document
// drives with its gestures and commands: parsing before, messages after.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/Steps.h"

class PictureSession;

// A load, save or video failure: the German message (and cause) for standard error.
class CliFailure : public std::runtime_error {
public:
    explicit CliFailure(const std::string& message) : std::runtime_error(message) {}
};

class CliSession {
public:
    // Loads the picture; throws CliFailure when it cannot be loaded. quiet
    // suppresses the progress display.
    CliSession(const std::string& inputPath, bool quiet);
    ~CliSession();

    // Runs one step; throws StepError (exit 2) or CliFailure (exit 1).
    void Run(const Step& step);

private:
    void RunOnSession(const Step& step);
    // Screen coordinates (y from the top) to the engine's, clamped like pointer positions.
    void ToPicture(const ScreenPoint& point, std::int32_t& x, std::int32_t& y) const;
    void Drag(const Step& step);
    void RegionGesture(const Step& step);
    void Scale(const Step& step);
    void WalkHistory(const Step& step);
    void Video(const std::string& path);
    void Face(const Step& step);
    void Caricature(const Step& step);
    // The which-th largest face of the picture as it stands; throws CliFailure
    // when there is none.
    FoundFace ChosenFace(int which) const;

    bool m_explainNextFace = false;

    std::unique_ptr<PictureSession> m_session;
    bool m_quiet = false;
};
