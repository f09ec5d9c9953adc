// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSession.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/CliFaces.h"
#include "cli/CliText.h"
#include "cli/TerminalProgress.h"
#include "cli/VideoTimingSteps.h"
#include "face/CaricatureWarp.h"
#include "image/Exceptions.h"
#include "resources/StringIds.h"
#include "session/DocumentError.h"
#include "session/PictureSession.h"
#include "session/SessionFailure.h"
#include "session/VideoOutcomeMessage.h"

namespace {

// The cause of a codec failure in words, for the line after the German message.
std::string DescribeCause(const CException& failure)
{
    if (const auto* file = dynamic_cast<const CFileException*>(&failure)) {
        const std::string reason = file->m_lOsError > 0 ? std::strerror(file->m_lOsError) : std::string("-");
        switch (file->m_cause) {
        case CFileException::hardIO:
            return CliText(IDS_CLI_CAUSE_WRITE_FAILED) + ": " + file->m_strFileName + " (" + reason + ")";
        case CFileException::accessDenied:
            return CliText(IDS_CLI_CAUSE_WRITE_PROTECTED, {file->m_strFileName});
        case CFileException::invalidFile:
            return CliText(IDS_CLI_CAUSE_NOT_REGULAR_FILE, {file->m_strFileName});
        default:
            return CliText(IDS_CLI_CAUSE_FILE, {file->m_strFileName, reason});
        }
    }
    if (const auto* document = dynamic_cast<const DocumentError*>(&failure))
        return CliText(document->MessageId(), {document->First(), document->Second()});
    if (const auto* archive = dynamic_cast<const CArchiveException*>(&failure)) {
        switch (archive->m_cause) {
        case CArchiveException::endOfFile:
            return CliText(IDS_CLI_CAUSE_TRUNCATED);
        case CArchiveException::badIndex:
            return CliText(IDS_CLI_CAUSE_UNSUPPORTED);
        default:
            return CliText(IDS_CLI_CAUSE_CORRUPT);
        }
    }
    if (dynamic_cast<const CMemoryException*>(&failure))
        return CliText(IDS_CLI_CAUSE_MEMORY);
    return failure.what();
}

// The cause of a session's failure in words.
std::string DescribeCause(const SessionFailure& failure)
{
    switch (failure.GetCause()) {
    case SessionFailure::Cause::UnknownFormat:
        return CliText(IDS_CLI_CAUSE_UNKNOWN_FORMAT, {failure.Path()});
    case SessionFailure::Cause::UnknownEnding:
        return CliText(IDS_CLI_CAUSE_UNKNOWN_ENDING, {failure.Path()});
    case SessionFailure::Cause::ForeignFormat:
        return CliText(IDS_LOAD_FOREIGN_FORMAT, {CliText(failure.FormatNameId())});
    case SessionFailure::Cause::Exception:
        break;
    }
    try {
        std::rethrow_exception(failure.Exception());
    } catch (const CException& cause) {
        return DescribeCause(cause);
    } catch (const std::exception& cause) {
        return cause.what();
    }
}

// Standard output that cannot take the text (a full disk, /dev/full) fails the
// step: whoever reads the output must not take half of it for all of it.
void Print(const std::string& text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        const int error = errno;
        throw CliFailure(CliText(IDS_CLI_OUTPUT_FAILED, {std::strerror(error != 0 ? error : EIO)}));
    }
}

CliFailure Failure(const SessionFailure& failure)
{
    return CliFailure(CliText(failure.MessageId()) + ": " + DescribeCause(failure));
}

}  // namespace

CliSession::CliSession(const std::string& inputPath, bool quiet) : m_quiet(quiet)
{
    try {
        m_session = PictureSession::Open(inputPath);
    } catch (const SessionFailure& failure) {
        throw Failure(failure);
    }
}

CliSession::~CliSession() = default;

void CliSession::ToPicture(const ScreenPoint& point, std::int32_t& x, std::int32_t& y) const
{
    // Clamped while still 64 bits wide: a point far above the picture must land on
    // the top row, not wrap around to the bottom.
    const std::int64_t height = m_session->Height();
    y = static_cast<std::int32_t>(std::clamp<std::int64_t>(height - 1 - point.y, 0, height - 1));
    x = std::clamp(point.x, 0, m_session->Width() - 1);
}

void CliSession::Run(const Step& step)
{
    try {
        RunOnSession(step);
    } catch (const SessionFailure& failure) {
        throw Failure(failure);
    }
}

void CliSession::RunOnSession(const Step& step)
{
    PictureSession& session = *m_session;
    switch (step.kind) {
    case StepKind::Radius:
        session.SetRadius(step.integer);
        break;
    case StepKind::Drag:
        Drag(step);
        break;
    case StepKind::Enlarge:
    case StepKind::Shrink:
    case StepKind::Rotate:
        RegionGesture(step);
        break;
    case StepKind::Smooth:
        session.Smooth();
        break;
    case StepKind::Undo:
        if (!session.CanUndo())
            throw StepError(CliText(IDS_CLI_NOTHING_TO_UNDO, {step.name}));
        session.Undo();
        break;
    case StepKind::StepBack:
    case StepKind::StepForward:
        WalkHistory(step);
        break;
    case StepKind::Scale:
        Scale(step);
        break;
    case StepKind::JpegQuality:
        session.JpegOptions().quality = step.integer;
        break;
    case StepKind::Progressive:
        session.JpegOptions().progressive = 1;
        break;
    case StepKind::Baseline:
        session.JpegOptions().progressive = 0;
        break;
    case StepKind::Save:
        session.Save(step.path);
        break;
    case StepKind::Duration:
        session.Video().durationMs = static_cast<std::uint32_t>(step.integer);
        break;
    case StepKind::Fps:
        session.Video().framesPerSecond = static_cast<std::uint32_t>(step.integer);
        break;
    case StepKind::Video:
        Video(step.path);
        break;
    case StepKind::Quiet:
        break;  // applies to the whole run, taken before the first step
    case StepKind::FindFaces:
        Print(FacesAsJson(FindFacesIn(session)));
        break;
    case StepKind::Explain:
        m_explainNextFace = true;
        break;
    case StepKind::Face:
        Face(step);
        break;
    case StepKind::Caricature:
        Caricature(step);
        break;
    case StepKind::Apply:
        session.ApplyDeformation(step.path);
        break;
    case StepKind::Exaggerate:
        session.BeginExaggerate();
        session.PreviewExaggerate(step.factor);
        session.CommitRegion();
        break;
    default:
        RunVideoTimingStep(step, session.Video(), std::max(session.Width(), session.Height()));
        break;
    }
}

// One move-point gesture: the press at the first point, every later point a
// pointer move with the button held, then the release.
void CliSession::Drag(const Step& step)
{
    std::int32_t x = 0, y = 0;
    ToPicture(step.points.front(), x, y);
    m_session->BeginDrag(x, y);
    for (std::size_t i = 1; i < step.points.size(); ++i) {
        ToPicture(step.points[i], x, y);
        m_session->DragTo(x, y);
    }
    m_session->EndDrag();
}

// One region gesture with a single slider value: begin, one preview, commit.
void CliSession::RegionGesture(const Step& step)
{
    std::int32_t cx = 0, cy = 0;
    ToPicture(step.points.front(), cx, cy);
    switch (step.kind) {
    case StepKind::Enlarge:
        m_session->BeginRegion(ModeEnlarge, cx, cy, step.radius);
        m_session->PreviewEnlarge(step.factor);
        break;
    case StepKind::Shrink:
        m_session->BeginRegion(ModeShrink, cx, cy, step.radius);
        m_session->PreviewShrink(step.factor);
        break;
    default:
        m_session->BeginRegion(ModeRotate, cx, cy, step.radius);
        m_session->PreviewRotate(step.factor, step.amplification);
        break;
    }
    m_session->CommitRegion();
}

// The scaled picture becomes a new, undeformed picture, as a pasted new document would.
void CliSession::Scale(const Step& step)
{
    try {
        m_session = m_session->Rescaled(step.width, step.height);
    } catch (const CMemoryException& failure) {
        throw CliFailure(DescribeCause(failure));
    }
}

// N steps back or forward through the history; past either end is a malformed step.
void CliSession::WalkHistory(const Step& step)
{
    PictureSession& session = *m_session;
    const PictureHistory& history = session.History();
    const bool forward = step.kind == StepKind::StepForward;
    const std::size_t reach = forward ? history.Count() - history.Position() : history.Position();
    if (static_cast<std::size_t>(step.integer) > reach) {
        const std::string possible = std::to_string(reach);
        throw StepError(CliText(IDS_CLI_HISTORY_END, {step.name, std::to_string(step.integer), possible}));
    }
    const std::size_t target = forward ? history.Position() + static_cast<std::size_t>(step.integer)
                                       : history.Position() - static_cast<std::size_t>(step.integer);
    session.GoToStep(target);
}

// The morph video of the deformation so far, written like a saved picture: on
// failure (or an interruption, which removes the temporary file) the old file
// stays as it was.
void CliSession::Video(const std::string& path)
{
    TerminalProgress progress(m_quiet);
    m_session->Field();  // a lack of memory for it is a load failure, before any file exists
    const VideoExportOutcome outcome = m_session->ExportVideo(path, progress);
    if (const int messageId = MessageIdForOutcome(outcome))
        throw CliFailure(CliText(messageId) + ": " + path);
}

FoundFace CliSession::ChosenFace(int which) const
{
    const std::vector<FoundFace> faces = FindFacesIn(*m_session);
    if (faces.empty())
        throw CliFailure(CliText(IDS_FACE_NONE_FOUND));
    if (static_cast<std::size_t>(which) > faces.size())
        throw CliFailure(CliText(IDS_CLI_NO_FACE_NUMBER, {std::to_string(which), std::to_string(faces.size())}));
    return faces[static_cast<std::size_t>(which) - 1];
}

// The face gesture on the which-th largest face: the caricature's warp, then
// the features' steps on the points where it put them, as one gesture (written
// out first after --explain, the caricature as its own step).
void CliSession::Face(const Step& step)
{
    const FoundFace found = ChosenFace(step.which);
    FacePlan plan;
    FoundFace face = found;
    std::string caricatureLine;
    if (step.caricature != tool_limits::kCaricature.start) {
        const CaricatureShape shape = CaricatureOf(found, MeanFaceOfModel(), step.caricature);
        plan.caricature = CaricatureGrid(found, shape, m_session->Width(), m_session->Height());
        face.points = shape.targets;
        caricatureLine = "--caricature " + std::to_string(step.caricature) + ",which=" + std::to_string(step.which) + "\n";
    }
    plan.steps = FaceGestureSteps(face, step.face, m_session->Width(), m_session->Height());
    if (m_explainNextFace)
        Print(caricatureLine + ExplainSteps(plan.steps, m_session->GetRadius()));
    m_explainNextFace = false;
    try {
        m_session->BeginFace();
    } catch (const CMemoryException& failure) {
        throw CliFailure(DescribeCause(failure));
    }
    m_session->PreviewFacePlan(plan);
    m_session->CommitFace();
}

// The automatic caricature alone, as one gesture; after --explain its points,
// the placed mean face and the targets as JSON first.
void CliSession::Caricature(const Step& step)
{
    const FoundFace face = ChosenFace(step.which);
    const CaricatureShape shape = CaricatureOf(face, MeanFaceOfModel(), step.caricature);
    if (m_explainNextFace)
        Print(CaricatureAsJson(shape));
    m_explainNextFace = false;
    m_session->Caricature(CaricatureGrid(face, shape, m_session->Width(), m_session->Height()));
}
