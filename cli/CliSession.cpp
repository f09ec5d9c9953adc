// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSession.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/CliText.h"
#include "cli/TerminalProgress.h"
#include "deform/PictureScaling.h"
#include "image/CodecChoice.h"
#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/PartialFiles.h"
#include "image/SafeSave.h"
#include "video/ExportedFile.h"

namespace {

using namespace cli_text;

constexpr std::int32_t kNewPictureRadius = 20;

// The cause of a codec failure in words, for the line after the German message.
std::string DescribeCause(const CException& failure)
{
    if (const auto* file = dynamic_cast<const CFileException*>(&failure)) {
        const std::string reason = file->m_lOsError > 0 ? std::strerror(file->m_lOsError) : std::string("-");
        switch (file->m_cause) {
        case CFileException::hardIO:
            return CliText(kCauseWriteFailed) + ": " + file->m_strFileName + " (" + reason + ")";
        case CFileException::accessDenied:
            return CliText(kCauseWriteProtected, {file->m_strFileName});
        case CFileException::invalidFile:
            return CliText(kCauseNotRegularFile, {file->m_strFileName});
        default:
            return CliText(kCauseFile, {file->m_strFileName, reason});
        }
    }
    if (const auto* archive = dynamic_cast<const CArchiveException*>(&failure)) {
        switch (archive->m_cause) {
        case CArchiveException::endOfFile:
            return CliText(kCauseTruncated);
        case CArchiveException::badIndex:
            return CliText(kCauseUnsupported);
        default:
            return CliText(kCauseCorrupt);
        }
    }
    if (dynamic_cast<const CMemoryException*>(&failure))
        return CliText(kCauseMemory);
    return failure.what();
}

CliFailure Failure(int messageId, const std::string& cause)
{
    return CliFailure(CliText(messageId) + ": " + cause);
}

}  // namespace

CliSession::CliSession(const std::string& inputPath, bool quiet) : m_quiet(quiet)
{
    // Before anything reads it: a named pipe or a device would block or never end.
    try {
        RequireRegularFile(inputPath);
    } catch (const CException& failure) {
        throw Failure(kLoadFailed, DescribeCause(failure));
    }
    auto codec = CreateCodecForFile(inputPath);
    if (!codec)
        throw Failure(kLoadFailed, CliText(kCauseUnknownFormat, {inputPath}));
    try {
        codec->Read(inputPath);
        if (!codec->ConvertTo24Bit())
            throw CArchiveException(CArchiveException::generic);
        const BITMAPINFOHEADER header = codec->GetHeader();
        m_loadedWidth = header.biWidth;
        m_loadedHeight = header.biHeight;
        m_loadedPixels = std::move(codec->m_pBits);
        m_radius = kNewPictureRadius;
    } catch (const CException& failure) {
        throw Failure(kLoadFailed, DescribeCause(failure));
    }
}

CWarpField& CliSession::Field()
{
    if (!m_field) {
        try {
            m_field = std::make_unique<CWarpField>(m_loadedWidth, m_loadedHeight, std::move(m_loadedPixels), m_radius);
        } catch (const CException& failure) {
            throw Failure(kLoadFailed, DescribeCause(failure));
        }
    }
    return *m_field;
}

void CliSession::Picture(std::int32_t& width, std::int32_t& height, const std::uint8_t*& pixels) const
{
    if (!m_field) {
        width = m_loadedWidth;
        height = m_loadedHeight;
        pixels = m_loadedPixels.data();
        return;
    }
    BITMAPINFOHEADER header{};
    m_field->GetPicture(header, pixels);
    width = header.biWidth;
    height = header.biHeight;
}

void CliSession::ToPicture(const ScreenPoint& point, std::int32_t& x, std::int32_t& y)
{
    // Clamped while still 64 bits wide: a point far above the picture must land on
    // the top row, not wrap around to the bottom.
    const std::int64_t row = std::clamp<std::int64_t>(std::int64_t{Field().Height()} - 1 - point.y, 0,
                                                      std::int64_t{Field().Height()} - 1);
    x = point.x;
    y = static_cast<std::int32_t>(row);
    Field().ClampToPicture(x, y);
}

void CliSession::Run(const Step& step)
{
    switch (step.kind) {
    case StepKind::Radius:
        m_radius = step.integer;
        if (m_field)
            m_field->SetRadius(step.integer);
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
        Field().BeginDeformation(ModeSmooth);
        Field().SmoothMap();
        Field().EndDeformation();
        break;
    case StepKind::Undo:
        if (!m_field || !m_field->CanUndo())
            throw StepError(CliText(kNothingToUndo, {step.name}));
        Field().UndoDeformation();
        break;
    case StepKind::Scale:
        Scale(step);
        break;
    case StepKind::JpegQuality:
        m_jpegOptions.quality = step.integer;
        break;
    case StepKind::Progressive:
        m_jpegOptions.progressive = 1;
        break;
    case StepKind::Baseline:
        m_jpegOptions.progressive = 0;
        break;
    case StepKind::Save:
        Save(step.path);
        break;
    case StepKind::Duration:
        m_videoDurationMs = static_cast<std::uint32_t>(step.integer);
        break;
    case StepKind::Fps:
        m_videoFramesPerSecond = static_cast<std::uint32_t>(step.integer);
        break;
    case StepKind::Video:
        Video(step.path);
        break;
    case StepKind::Quiet:
        break;  // applies to the whole run, taken before the first step
    }
}

// One move-point gesture: the anchor is the first point, every later point is a
// pointer move with the button held, and the anchor comes back from each step.
void CliSession::Drag(const Step& step)
{
    std::int32_t anchorX = 0, anchorY = 0;
    ToPicture(step.points.front(), anchorX, anchorY);
    Field().BeginDeformation(ModeMovePoint);
    for (std::size_t i = 1; i < step.points.size(); ++i) {
        std::int32_t x = 0, y = 0;
        ToPicture(step.points[i], x, y);
        Field().MovePointLive(anchorX, anchorY, x, y);
    }
    Field().EndDeformation();
}

// One region gesture with a single slider value: begin, one live call, end.
void CliSession::RegionGesture(const Step& step)
{
    std::int32_t cx = 0, cy = 0;
    ToPicture(step.points.front(), cx, cy);
    switch (step.kind) {
    case StepKind::Enlarge:
        Field().BeginDeformation(ModeEnlarge);
        Field().Enlarge(cx, cy, step.radius, step.factor);
        break;
    case StepKind::Shrink:
        Field().BeginDeformation(ModeShrink);
        Field().Shrink(cx, cy, step.radius, step.factor);
        break;
    default:
        Field().BeginDeformation(ModeRotate);
        Field().Rotate(cx, cy, step.radius, step.factor, step.amplification);
        break;
    }
    Field().EndDeformation();
}

// The scaled picture becomes a new, undeformed picture, as a pasted new document would.
void CliSession::Scale(const Step& step)
{
    try {
        std::int32_t width = 0, height = 0;
        const std::uint8_t* pixels = nullptr;
        Picture(width, height, pixels);
        BITMAPINFOHEADER header{};
        header.biWidth = width;
        header.biHeight = height;
        header.biBitCount = 24;
        ScaledPicture scaled = ScalePictureNearest(header, pixels, step.width, step.height);
        // The scaled picture is a new document: undeformed, radius 20, nothing to undo.
        m_field.reset();
        m_loadedWidth = scaled.header.biWidth;
        m_loadedHeight = scaled.header.biHeight;
        m_loadedPixels = std::move(scaled.pixels);
        m_radius = kNewPictureRadius;
    } catch (const CMemoryException& failure) {
        throw CliFailure(DescribeCause(failure));
    }
}

// The document's save: the deformed rows as they are, header for width, height, 24 bits.
void CliSession::Save(const std::string& path)
{
    auto codec = CreateCodecForPath(path);
    if (!codec)
        throw Failure(kSaveFailed, CliText(kCauseUnknownEnding, {path}));
    try {
        std::int32_t width = 0, height = 0;
        const std::uint8_t* pixels = nullptr;
        Picture(width, height, pixels);
        codec->SetHeader(width, height, 24, &m_jpegOptions);
        codec->m_pBits = PixelBuffer::Borrow(pixels, std::size_t(RowBytes(width, 24)) * height);
        SavePictureSafely(*codec, path);
    } catch (const CException& failure) {
        throw Failure(kSaveFailed, DescribeCause(failure));
    }
}

// The morph video of the deformation so far; on failure the file is gone.
void CliSession::Video(const std::string& path)
{
    TerminalProgress progress(m_quiet);
    // An interruption removes the partial video, where it is written: behind a link.
    MarkPartialFile(PartialFile::Video, ResolveLinkTarget(path));
    const VideoExportOutcome outcome =
        ExportVideo(Field(), path, m_videoDurationMs, m_videoFramesPerSecond, progress);
    UnmarkPartialFile(PartialFile::Video);
    // The editor leaves the empty file of a failed stream creation behind; the
    // command-line tool promises to leave nothing half-written.
    if (outcome == VideoExportOutcome::StreamFailed)
        RemoveExportedFile(path);
    if (const int messageId = MessageIdForOutcome(outcome))
        throw CliFailure(CliText(messageId) + ": " + path);
}
