// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PictureSession.h"

#include <algorithm>
#include <cmath>

#include "deform/PictureScaling.h"
#include "deform/WarpArithmetic.h"
#include "image/CodecChoice.h"
#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/JpegImage.h"
#include "image/LoadControl.h"
#include "image/SafeSave.h"
#include "resources/StringIds.h"
#include "session/DocumentError.h"
#include "session/DocumentReader.h"
#include "session/ExaggerateGesture.h"
#include "session/FaceStepsGesture.h"
#include "session/InstantGestures.h"
#include "session/ForeignFormatName.h"
#include "session/SessionFailure.h"
#include "session/UprightPicture.h"

namespace {

// Names the format of a picture we recognise but do not open, rather than
// calling it no picture at all.
void RefuseForeignFormat(const std::string& path)
{
    const int nameId = ForeignFormatNameId(ForeignFormatOfFile(path));
    if (nameId != 0)
        throw SessionFailure(IDS_LOAD_FAILED, path, nameId);
}

}  // namespace

std::unique_ptr<PictureSession> PictureSession::Open(const std::string& path)
{
    // A reader that stops for a cancelled load may fail in its own words (a
    // library error, a damaged picture): any failure of a cancelled load is
    // the cancellation.
    try {
        return OpenFile(path);
    } catch (const CLoadCancelled&) {
        throw;
    } catch (...) {
        if (LoadCancelRequested())
            throw CLoadCancelled();
        throw;
    }
}

std::unique_ptr<PictureSession> PictureSession::OpenFile(const std::string& path)
{
    // Looked at before anything reads it: a named pipe or a device would block
    // or never end.
    try {
        RequireRegularFile(path);
    } catch (const CException&) {
        throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
    }
    if (IsDocumentFile(path))
        return OpenDocument(path);
    // A file that names no format is reported like a broken one: a silent
    // refusal looks as if the command had been ignored.
    std::unique_ptr<CDibImage> codec = CreateCodecForFile(path);
    // A damaged document whose first bytes no longer say so is still one by name.
    if (!codec && SavesAsDocument(path))
        return OpenDocument(path);
    if (!codec)
        RefuseForeignFormat(path);
    if (!codec)
        throw SessionFailure(IDS_LOAD_FAILED, SessionFailure::Cause::UnknownFormat, path);
    try {
        // A JPEG is turned upright while it decodes, beside the decoder.
        if (auto* jpeg = dynamic_cast<CJpegImage*>(codec.get()))
            jpeg->m_readUpright = true;
        codec->Read(path);
        LoadCheckpoint();
        if (!codec->ConvertTo24Bit())
            throw CArchiveException(CArchiveException::generic);
        MakeUprightInSrgb(*codec);
        const BITMAPINFOHEADER header = codec->GetHeader();
        auto session = std::make_unique<PictureSession>(header.biWidth, header.biHeight, std::move(codec->m_pBits));
        session->m_sourceName = FileNameOf(path);
        session->m_ownFile = IdentityOfFile(path);
        return session;
    } catch (const CPictureSizeException& tooLarge) {
        throw SessionFailure(IDS_LOAD_FAILED, std::make_exception_ptr(TooLargeError(tooLarge)));
    } catch (const CException&) {
        throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
    }
}

PictureSession::PictureSession(std::int32_t width, std::int32_t height, PixelBuffer pixels)
    : m_width(width), m_height(height), m_loadedPixels(std::move(pixels))
{
}

PictureSession::~PictureSession() = default;

void PictureSession::GetPicture(BITMAPINFOHEADER& header, const std::uint8_t*& rows) const
{
    if (m_field) {
        m_field->GetPicture(header, rows);
        return;
    }
    header = HeaderOf24BitPicture(m_width, m_height);
    rows = m_loadedPixels.data();
}

CWarpField& PictureSession::Field()
{
    if (!m_field) {
        try {
            m_field = std::make_unique<CWarpField>(m_width, m_height, std::move(m_loadedPixels), m_radius);
        } catch (const CException&) {
            throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
        }
    }
    return *m_field;
}

bool PictureSession::SavesAsJpeg(const std::string& path)
{
    return FormatFromEnding(path) == PictureFormat::Jpeg;
}

void PictureSession::Save(const std::string& path) const
{
    if (SavesAsDocument(path)) {
        SaveDocument(path);
        m_ownFile = IdentityOfFile(path);
        return;
    }
    std::unique_ptr<CDibImage> codec = CreateCodecForPath(path);
    if (!codec)
        throw SessionFailure(IDS_SAVE_FAILED, SessionFailure::Cause::UnknownEnding, path);
    try {
        BITMAPINFOHEADER header;
        const std::uint8_t* rows = nullptr;
        GetPicture(header, rows);
        codec->SetHeader(header.biWidth, header.biHeight, 24, &m_jpegOptions);
        // The codec only reads the rows: it borrows the deformed picture
        // instead of a copy of the whole of it.
        const auto size = static_cast<std::size_t>(RowBytes(header.biWidth, 24)) * static_cast<std::size_t>(header.biHeight);
        codec->m_pBits = PixelBuffer::Borrow(rows, size);
        SavePictureSafely(*codec, path);
        m_ownFile = IdentityOfFile(path);
    } catch (const CException&) {
        throw SessionFailure(IDS_SAVE_FAILED, std::current_exception());
    }
}

void PictureSession::Changed(const PictureArea& area) const
{
    if (m_listener && !area.IsEmpty())
        m_listener(area);
}

// ---- The gesture under way ----------------------------------------------------

void PictureSession::BeginGesture(std::unique_ptr<Gesture> gesture)
{
    CWarpField& field = Field();
    CommitGesture();
    gesture->Begin(field);
    m_gesture = std::move(gesture);
    // The Undo of the gesture is available from here on.
    if (m_gesture->HasBegun())
        StateChanged(false);
}

void PictureSession::CommitGesture()
{
    if (!m_gesture)
        return;
    const std::unique_ptr<Gesture> gesture = std::move(m_gesture);
    const PictureArea changed = gesture->Commit(*m_field);
    if (gesture->HasBegun())
        RecordStep();
    Changed(changed);
}

void PictureSession::CancelGesture()
{
    if (!m_gesture)
        return;
    const std::unique_ptr<Gesture> gesture = std::move(m_gesture);
    const PictureArea changed = gesture->Cancel(*m_field);
    StateChanged(false);
    Changed(changed);
}

void PictureSession::RunInstantGesture(std::unique_ptr<Gesture> gesture)
{
    BeginGesture(std::move(gesture));
    CommitGesture();
}

// ---- Move point ----------------------------------------------------------------

void PictureSession::BeginDrag(std::int32_t x, std::int32_t y)
{
    m_anchor = DragPoint{x, y};
    BeginGesture(std::make_unique<MovePointGesture>(x, y, m_width, m_height));
}

bool PictureSession::DragTo(std::int32_t x, std::int32_t y)
{
    auto* drag = CurrentGesture<MovePointGesture>();
    if (!drag)
        return false;
    const bool begun = drag->HasBegun();
    const PictureArea changed = drag->Preview(*m_field, DragPoint{x, y});
    m_anchor = drag->Anchor();
    if (changed.IsEmpty())
        return false;
    // The first movement changes the map: the drag can be undone from here on.
    if (!begun)
        StateChanged(true);
    Changed(changed);
    return true;
}

void PictureSession::EndDrag()
{
    if (CurrentGesture<MovePointGesture>())
        CommitGesture();
}

bool PictureSession::IsDragging() const
{
    return CurrentGesture<MovePointGesture>() != nullptr;
}

// ---- Region tools --------------------------------------------------------------

void PictureSession::BeginRegion(WarpMode mode, std::int32_t cx, std::int32_t cy, double radius)
{
    if (const RegionTool* tool = RegionToolOf(mode))
        BeginGesture(std::make_unique<RegionGesture>(*tool, cx, cy, radius, m_width, m_height));
}

void PictureSession::PreviewRegion(WarpMode mode, const RegionParameters& parameters)
{
    if (auto* region = CurrentGesture<RegionGesture>())
        Changed(region->PreviewWith(*RegionToolOf(mode), *m_field, parameters));
}

void PictureSession::PreviewEnlarge(double factor)
{
    PreviewRegion(ModeEnlarge, RegionParameters{factor, 1});
}

void PictureSession::PreviewShrink(double factor)
{
    PreviewRegion(ModeShrink, RegionParameters{factor, 1});
}

void PictureSession::PreviewRotate(double angle, double amplification)
{
    PreviewRegion(ModeRotate, RegionParameters{angle, amplification});
}

void PictureSession::BeginExaggerate()
{
    BeginGesture(std::make_unique<ExaggerateGesture>());
}

bool PictureSession::InRegionGesture() const
{
    return CurrentGesture<RegionGesture>() || CurrentGesture<ExaggerateGesture>();
}

void PictureSession::CommitRegion()
{
    if (InRegionGesture())
        CommitGesture();
}

void PictureSession::CancelRegion()
{
    if (InRegionGesture())
        CancelGesture();
}

// ---- Face gesture --------------------------------------------------------------

void PictureSession::BeginFace()
{
    BeginGesture(std::make_unique<FaceStepsGesture>());
}

bool PictureSession::InFaceGesture() const
{
    return CurrentGesture<FaceStepsGesture>() != nullptr;
}

void PictureSession::CommitFace()
{
    if (InFaceGesture())
        CommitGesture();
}

void PictureSession::CancelFace()
{
    if (InFaceGesture())
        CancelGesture();
}

// ---- Whole-picture commands ----------------------------------------------------

void PictureSession::Smooth()
{
    RunInstantGesture(std::make_unique<SmoothGesture>());
}

void PictureSession::Caricature(const DisplacementGrid& warp)
{
    RunInstantGesture(std::make_unique<CaricatureGesture>(warp));
}

bool PictureSession::CanUndo() const
{
    return m_field && m_field->CanUndo();
}

void PictureSession::Undo()
{
    // A drag under way ends as its release would and is undone whole; any
    // other gesture under way is cancelled, which is its undo.
    if (m_gesture && m_gesture->HasBegun() && !IsDragging()) {
        CancelGesture();
        return;
    }
    CommitGesture();
    if (!CanUndo())
        return;
    m_field->UndoDeformation();
    // The Undo takes back the newest step; after a document reopened with its
    // undo state there is none, and the history starts again from here.
    if (m_history.CanStepBack())
        m_history.MovedBack();
    else
        m_history.Clear();
    StateChanged(true);
    Changed(PictureArea::Whole(m_width, m_height));
}

// ---- History -------------------------------------------------------------------

void PictureSession::StateChanged(bool edited) const
{
    if (m_stateListener)
        m_stateListener(edited);
}

void PictureSession::RecordStep()
{
    try {
        m_history.Record(m_field->LastMode(), MapDelta::Between(m_field->UndoMap(), m_field->Map(), m_width, m_height));
    } catch (const CMemoryException&) {
        // Without the step the steps before it lead nowhere: the history starts
        // again from the picture as it stands.
        m_history.Clear();
    }
    StateChanged(true);
}

void PictureSession::Step(bool forward)
{
    // A gesture under way owns the map until it is committed or cancelled.
    if (m_gesture && m_gesture->HasBegun())
        return;
    if (forward ? !m_history.CanStepForward() : !m_history.CanStepBack())
        return;
    const MapDelta& change = forward ? m_history.Ahead().change : m_history.Behind().change;
    const PictureArea box = change.Box();
    CWarpField& field = Field();
    try {
        change.Apply(field.Map(), m_width, forward, m_stepEntries);
    } catch (const CException&) {
        throw SessionFailure(IDS_LOAD_FAILED, std::current_exception());
    }
    field.ReplaceBox(box.left, box.bottom, box.right, box.top, m_stepEntries.data());
    // The entries of local steps are kept for the next step; those of a large
    // one would keep a share of the picture's memory for nothing.
    if (m_stepEntries.capacity() > kKeptStepEntries)
        MapBuffer().swap(m_stepEntries);
    if (forward)
        m_history.MovedForward();
    else
        m_history.MovedBack();
    StateChanged(true);
    Changed(box);
}

void PictureSession::StepBack()
{
    Step(false);
}

void PictureSession::StepForward()
{
    Step(true);
}

void PictureSession::GoToStep(std::size_t position)
{
    position = std::min(position, m_history.Count());
    while (m_history.Position() > position)
        Step(false);
    while (m_history.Position() < position)
        Step(true);
}

void PictureSession::SetRadius(std::int32_t radius)
{
    m_radius = radius;
    if (m_field)
        m_field->SetRadius(radius);
}

std::int32_t PictureSession::GetRadius() const
{
    return m_field ? m_field->GetRadius() : m_radius;
}

std::unique_ptr<PictureSession> PictureSession::Rescaled(std::int32_t width, std::int32_t height) const
{
    BITMAPINFOHEADER header;
    const std::uint8_t* rows = nullptr;
    GetPicture(header, rows);
    ScaledPicture scaled = ScalePictureNearest(header, rows, width, height);
    auto session = std::make_unique<PictureSession>(scaled.header.biWidth, scaled.header.biHeight,
                                                    std::move(scaled.pixels));
    session->m_jpegOptions = m_jpegOptions;
    session->m_video = m_video;
    session->m_sourceName = m_sourceName;
    // Still made of that file: a video must not replace it either.
    session->m_ownFile = m_ownFile;
    return session;
}
