#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The video export: writes a video whose frames morph the undeformed picture of
// a warp field into its deformed picture, independent of any window. The
// format follows the path's ending (see VideoWriter.h). The caller shows the
// progress, and chooses the failure message of the outcome it reports.
#include <cstdint>
#include <string>

#include "video/AviWriter.h"
#include "video/RunningOrder.h"
#include "video/VideoWriter.h"

class CWarpField;

// OntoPicture: the target is the file of the open picture itself (refused by
// the picture session before anything is written).
enum class VideoExportOutcome { Done, OpenFailed, StreamFailed, WriteFailed, OutOfMemory, Cancelled, OntoPicture };

class IVideoExportProgress {
public:
    virtual ~IVideoExportProgress() = default;
    virtual bool TakeCancelRequest() = 0;         // asked before each frame
    virtual void SetPosition(int position) = 0;  // 0..100, after each frame (and 0 at start)
    virtual void Show() {}                        // called where the progress window would appear
    // The export failed as outcome says: reported the moment the failure
    // happens, while the file is still there.
    virtual void ReportFailure(VideoExportOutcome /*outcome*/) {}
};

struct VideoFrameTiming {
    std::uint32_t frameCount;
    double frameIntervalMs;
};

// frameIntervalMs = 1000 / framesPerSecond; frameCount = floor(durationMs /
// frameIntervalMs + 0.5) + 1, so the last frame lies at or near the duration.
VideoFrameTiming ComputeFrameTiming(std::uint32_t durationMs, std::uint32_t framesPerSecond);
// The time of frame k: floor(k x frameIntervalMs + 0.5) milliseconds.
std::uint32_t FrameTimeMs(const VideoFrameTiming& timing, std::uint32_t k);

// How the frames run and how large the shared formats are.
struct VideoOptions {
    VideoTiming timing;
    // The long side of MP4, WebM and GIF frames, scaled by area averaging; 0 or
    // the picture's own long side or more keeps the picture's size. An AVI
    // always keeps it.
    std::int32_t longSide = 0;
};

// Writes the whole video to path and leaves either the complete file or none.
// Only after StreamFailed of an AVI does the created (empty) file stay, as the
// writer leaves it. A cancel request before a frame ends the export; the file is
// deleted. Failed writes, also of the final indexes, headers and delayed frames,
// give WriteFailed (OutOfMemory when memory ran out) and delete the file as well.
VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress,
                               const VideoOptions& options = {});
// The same with AVI files written through sinks from opener instead of plain files.
VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress,
                               const AviSinkOpener& opener, const VideoOptions& options = {});

// The same through a writer of the caller's.
VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress, VideoWriter& writer,
                               const VideoOptions& options = {});
