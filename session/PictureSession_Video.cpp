// SPDX-License-Identifier: GPL-3.0-or-later
// The morph video of a session, written like a saved picture.
#include <new>

#include "image/Exceptions.h"
#include "image/SafeSave.h"
#include "session/PictureSession.h"
#include "video/AviFileSink.h"

namespace {

// Thrown out of the safe save's writer when the export did not finish, so that
// the temporary file goes and the old file stays. The export has reported it.
struct ExportNotFinished {};

}  // namespace

bool PictureSession::IsOwnFile(const std::string& path) const
{
    return m_ownFile && IdentityOfFile(path) == m_ownFile;
}

VideoExportOutcome PictureSession::ExportVideo(const std::string& path, IVideoExportProgress& progress)
{
    const auto fail = [&progress](VideoExportOutcome outcome) {
        progress.ReportFailure(outcome);
        return outcome;
    };
    if (IsOwnFile(path))
        return fail(VideoExportOutcome::OntoPicture);
    CWarpField& field = Field();
    // The temporary file has no ending of its own: the format is the target's.
    const std::unique_ptr<VideoWriter> writer = CreateVideoWriter(VideoFileFormatForPath(path), OpenAviFileSink);
    VideoExportOutcome outcome = VideoExportOutcome::Done;
    bool exported = false;
    try {
        SaveFileSafely(
            [&](const std::string& file) {
                outcome = ::ExportVideo(field, file, m_video.durationMs, m_video.framesPerSecond, progress, *writer,
                                        VideoOptions{m_video.timing, m_video.videoSize});
                if (outcome != VideoExportOutcome::Done)
                    throw ExportNotFinished{};
                exported = true;
            },
            path);
    } catch (const ExportNotFinished&) {
        return outcome;
    } catch (const CFileException&) {
        // Before the export: a target that is no regular file or may not be
        // written, a folder without room for a new file. After it: the
        // complete video could not be synced or put in place.
        return fail(exported ? VideoExportOutcome::WriteFailed : VideoExportOutcome::OpenFailed);
    } catch (const CMemoryException&) {
        return fail(VideoExportOutcome::OutOfMemory);
    } catch (const std::bad_alloc&) {
        return fail(VideoExportOutcome::OutOfMemory);
    }
    return VideoExportOutcome::Done;
}
