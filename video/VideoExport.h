#pragma once
// The video export: writes an AVI file whose frames morph the undeformed picture
// of a warp field into its deformed picture, independent of any window. The
// caller shows the progress and, from the outcome, the message.
#include <cstdint>
#include <string>

#include "video/AviWriter.h"

class CWarpField;

class IVideoExportProgress {
public:
    virtual ~IVideoExportProgress() = default;
    virtual bool TakeCancelRequest() = 0;         // asked before each frame
    virtual void SetPosition(int position) = 0;  // 0..100, after each frame (and 0 at start)
    virtual void Show() {}                        // called where the progress window would appear
};

enum class VideoExportOutcome { Done, OpenFailed, StreamFailed, WriteFailed, Cancelled };

struct VideoFrameTiming {
    std::uint32_t frameCount;
    double frameIntervalMs;
};

// frameIntervalMs = 1000 / framesPerSecond; frameCount = floor(durationMs /
// frameIntervalMs + 0.5) + 1, so the last frame lies at or near the duration.
VideoFrameTiming ComputeFrameTiming(std::uint32_t durationMs, std::uint32_t framesPerSecond);
// The time of frame k: floor(k x frameIntervalMs + 0.5) milliseconds.
std::uint32_t FrameTimeMs(const VideoFrameTiming& timing, std::uint32_t k);

// Writes the whole video to path and leaves either the complete file or none.
// Only after StreamFailed does the created (empty) file stay, as the writer
// leaves it. A cancel request before a frame ends the export; the file is
// deleted. Failed writes, also of the final indexes and headers, give
// WriteFailed and delete the file as well.
VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress);
// The same through sinks from opener instead of plain files.
VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress,
                               const AviSinkOpener& opener);

// The message of an outcome: 61449, 61450, 61451, or 0 for none.
int MessageIdForOutcome(VideoExportOutcome outcome);
