#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs parsed steps on one picture, exactly as the editor's gestures and
// commands drive the warp field.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/Steps.h"
#include "deform/WarpField.h"
#include "image/CodecOptions.h"

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

    // Runs one step; throws StepError (exit 2) or CliFailure (exit 1).
    void Run(const Step& step);

private:
    // The warp field, built at the first step that needs it: a picture that is
    // only converted from one format to another needs no displacement map.
    CWarpField& Field();
    // The deformed picture as it stands (the loaded one while no field exists).
    void Picture(std::int32_t& width, std::int32_t& height, const std::uint8_t*& pixels) const;
    // Screen coordinates (y from the top) to the engine's, clamped like pointer positions.
    void ToPicture(const ScreenPoint& point, std::int32_t& x, std::int32_t& y);
    void Drag(const Step& step);
    void RegionGesture(const Step& step);
    void Scale(const Step& step);
    void Save(const std::string& path);
    void Video(const std::string& path);

    std::unique_ptr<CWarpField> m_field;
    PixelBuffer m_loadedPixels;  // until m_field takes them over
    std::int32_t m_loadedWidth = 0, m_loadedHeight = 0;
    std::int32_t m_radius = 20;  // for the field still to be built
    CodecOptions m_jpegOptions;              // quality 100, baseline
    std::uint32_t m_videoDurationMs = 2000;
    std::uint32_t m_videoFramesPerSecond = 7;
    bool m_quiet = false;
};
