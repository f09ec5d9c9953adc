// SPDX-License-Identifier: GPL-3.0-or-later
// The export loop: open the file, start the stream, then for every frame ask for
// a cancel, build the frame, write it and advance the progress; end, close, and
// delete the file after a cancel or a failure.
#include "video/VideoExport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <future>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "deform/IntermediateFrame.h"
#include "deform/WarpField.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "image/PixelBuffer.h"
#include "video/ExportedFile.h"
#include "video/RunningOrder.h"

namespace {

// floor(v) as an unsigned 32-bit count, saturating instead of overflowing.
std::uint32_t FloorToU32(double v)
{
    if (!(v >= 0.0))
        return 0;
    if (v >= 4294967295.0)
        return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(std::floor(v));
}

int ProgressPosition(std::uint32_t framesDone, std::uint32_t frameCount)
{
    return static_cast<int>(
        std::floor(static_cast<double>(framesDone) / static_cast<double>(frameCount) * 100.0 + 0.5));
}

// The frames of the video in order. While the caller writes frame k, frame k + 1
// is built on a second thread into the other of two buffers. Building changes
// nothing, so a frame built ahead and never asked for (after a cancel or a
// failed write) is simply dropped.
class FrameSequence {
public:
    FrameSequence(const CWarpField& field, std::vector<RunningFrame> frames, std::size_t frameBytes)
        : m_source(FrameSourceOf(field)), m_spans(FindDisplacedSpans(m_source)), m_frames(std::move(frames))
    {
        for (PixelBuffer& buffer : m_buffers)
            buffer = PixelBuffer::Allocate(frameBytes, true);
    }
    ~FrameSequence()
    {
        if (m_ahead.valid())
            m_ahead.wait();
    }
    FrameSequence(const FrameSequence&) = delete;
    FrameSequence& operator=(const FrameSequence&) = delete;

    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_frames.size()); }
    std::uint32_t Showings(std::uint32_t k) const { return m_frames[k].showings; }

    // Frame k; k counts up from 0. The pointer stays valid until Frame(k + 2).
    const std::uint8_t* Frame(std::uint32_t k)
    {
        if (m_ahead.valid()) {
            const bool wanted = m_aheadIndex == k;
            m_ahead.get();  // raises what the build raised
            if (!wanted)
                Build(k);
        } else {
            Build(k);
        }
        if (k + 1 < Count()) {
            try {
                m_ahead = std::async(std::launch::async, [this, k] { Build(k + 1); });
                m_aheadIndex = k + 1;
            } catch (const std::exception&) {
                // No second thread: the next frame is built when it is asked for.
            }
        }
        return m_buffers[k % 2].data();
    }

private:
    void Build(std::uint32_t k)
    {
        // A held frame comes again two frames later into the same buffer.
        const double c = m_frames[k].fraction;
        std::optional<double>& built = m_builtFractions[k % 2];
        if (built == c)
            return;
        built.reset();  // until the build below has finished
        BuildFrameInto(m_source, c, m_buffers[k % 2].data(), &m_spans);
        built = c;
    }

    FrameSource m_source;
    std::vector<DisplacedSpan> m_spans;  // the map does not change during the export
    std::vector<RunningFrame> m_frames;
    std::array<PixelBuffer, 2> m_buffers;
    std::array<std::optional<double>, 2> m_builtFractions;
    std::future<void> m_ahead;
    std::uint32_t m_aheadIndex = 0;
};

}  // namespace

VideoFrameTiming ComputeFrameTiming(std::uint32_t durationMs, std::uint32_t framesPerSecond)
{
    if (framesPerSecond == 0)
        return VideoFrameTiming{1, 0.0};  // no rate: the undeformed picture alone
    const double interval = 1000.0 / static_cast<double>(framesPerSecond);
    const std::uint32_t intervals = FloorToU32(static_cast<double>(durationMs) / interval + 0.5);
    return VideoFrameTiming{intervals == 0xFFFFFFFFu ? intervals : intervals + 1, interval};
}

std::uint32_t FrameTimeMs(const VideoFrameTiming& timing, std::uint32_t k)
{
    return FloorToU32(static_cast<double>(k) * timing.frameIntervalMs + 0.5);
}

VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress,
                               const VideoOptions& options)
{
    return ExportVideo(field, path, durationMs, framesPerSecond, progress, OpenAviFileSink, options);
}

VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress,
                               const AviSinkOpener& opener, const VideoOptions& options)
{
    // The writer lives until the export is over: failures are reported while it is held.
    const std::unique_ptr<VideoWriter> writer = CreateVideoWriter(VideoFileFormatForPath(path), opener);
    return ExportVideo(field, path, durationMs, framesPerSecond, progress, *writer, options);
}

VideoExportOutcome ExportVideo(const CWarpField& field, const std::string& path, std::uint32_t durationMs,
                               std::uint32_t framesPerSecond, IVideoExportProgress& progress, VideoWriter& writer,
                               const VideoOptions& options)
{
    std::vector<RunningFrame> frameOrder;
    try {
        // A writer that holds a frame by its delay takes it once; the others repeat it.
        frameOrder = BuildRunningOrder(durationMs, framesPerSecond, options.timing);
        if (!writer.HoldsByDelay())
            frameOrder = ExpandHolds(frameOrder);
    } catch (const std::bad_alloc&) {
        progress.ReportFailure(VideoExportOutcome::OutOfMemory);
        return VideoExportOutcome::OutOfMemory;
    }
    const auto frameCount = static_cast<std::uint32_t>(frameOrder.size());
    // Reports an ending the moment it is known.
    const auto fail = [&progress](VideoExportOutcome outcome) {
        progress.ReportFailure(outcome);
        return outcome;
    };

    if (!writer.Open(path))
        return fail(VideoExportOutcome::OpenFailed);

    BITMAPINFOHEADER header;
    const std::uint8_t* deformed = nullptr;
    field.GetPicture(header, deformed);
    VideoFormatBlock format{};
    std::memcpy(format.data(), &header, sizeof header);
    writer.SetOutputLongSide(options.longSide);
    writer.SetPaletteSource(field.Original());
    if (!writer.CreateVideoStream(format, framesPerSecond, frameCount)) {
        const VideoExportOutcome outcome =
            fail(writer.RanOutOfMemory() ? VideoExportOutcome::OutOfMemory : VideoExportOutcome::StreamFailed);
        if (!writer.KeepsFileAfterStreamFailure()) {
            writer.Abandon();
            RemoveExportedFile(path);
        }
        return outcome;
    }

    // S = ((bit count x width + 31) with the low five bits cleared) / 8.
    const std::size_t bitsPerRow =
        static_cast<std::size_t>(header.biBitCount) * static_cast<std::size_t>(header.biWidth);
    const std::size_t rowBytes = ((bitsPerRow + 31) & ~std::size_t{31}) / 8;
    const std::size_t frameBytes = static_cast<std::size_t>(header.biHeight) * rowBytes;
    // The builder fills the warp field's own geometry, which the header describes.
    const std::size_t bufferBytes = std::max(
        frameBytes, static_cast<std::size_t>(field.RowBytesOfPicture()) * static_cast<std::size_t>(field.Height()));

    progress.Show();
    progress.SetPosition(0);
    std::optional<VideoExportOutcome> failure;
    bool cancelled = false;
    const auto writeFailure = [&writer] {
        return writer.RanOutOfMemory() ? VideoExportOutcome::OutOfMemory : VideoExportOutcome::WriteFailed;
    };
    try {
        FrameSequence frames(field, std::move(frameOrder), bufferBytes);
        for (std::uint32_t k = 0; k < frameCount && !failure;) {
            if (progress.TakeCancelRequest()) {
                cancelled = true;
                break;
            }
            const std::uint32_t showings = frames.Showings(k);
            const bool written = showings == 1 ? writer.WriteFrame(frames.Frame(k), frameBytes)
                                               : writer.WriteHeldFrame(frames.Frame(k), frameBytes, showings);
            if (!written)
                failure = fail(writeFailure());  // the rest of this pass still runs
            ++k;
            progress.SetPosition(ProgressPosition(k, frameCount));
        }
    } catch (const CMemoryException&) {
        failure = fail(VideoExportOutcome::OutOfMemory);  // no memory for the frames
    } catch (const std::bad_alloc&) {
        failure = fail(VideoExportOutcome::OutOfMemory);
    } catch (...) {
        writer.Abandon();
        RemoveExportedFile(path);
        throw;
    }

    if (failure || cancelled) {
        writer.Abandon();
    } else if (!writer.EndStream()) {
        failure = fail(writeFailure());  // before the file is released and deleted
        writer.Abandon();
    } else if (!writer.Close()) {
        failure = fail(writeFailure());
    }
    if (failure || cancelled)
        RemoveExportedFile(path);
    if (cancelled)
        return VideoExportOutcome::Cancelled;
    return failure.value_or(VideoExportOutcome::Done);
}
