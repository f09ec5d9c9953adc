// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/PictureSession.h"

#include <algorithm>
#include <cmath>

#include "deform/PictureScaling.h"
#include "deform/WarpArithmetic.h"
#include "image/CodecChoice.h"
#include "image/Exceptions.h"
#include "image/FilePaths.h"
#include "image/SafeSave.h"
#include "resources/StringIds.h"
#include "session/DocumentReader.h"
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
        codec->Read(path);
        if (!codec->ConvertTo24Bit())
            throw CArchiveException(CArchiveException::generic);
        MakeUprightInSrgb(*codec);
        const BITMAPINFOHEADER header = codec->GetHeader();
        auto session = std::make_unique<PictureSession>(header.biWidth, header.biHeight, std::move(codec->m_pBits));
        session->m_sourceName = FileNameOf(path);
        session->m_ownFile = IdentityOfFile(path);
        return session;
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

PictureArea PictureSession::BoxAround(std::initializer_list<std::pair<std::int32_t, std::int32_t>> points,
                                      double margin) const
{
    double x0 = points.begin()->first, x1 = x0, y0 = points.begin()->second, y1 = y0;
    for (const auto& [x, y] : points) {
        x0 = std::min<double>(x0, x);
        x1 = std::max<double>(x1, x);
        y0 = std::min<double>(y0, y);
        y1 = std::max<double>(y1, y);
    }
    PictureArea box;
    box.left = std::max(ClampedFloor(x0 - margin), 0);
    box.bottom = std::max(ClampedFloor(y0 - margin), 0);
    box.right = std::min(ClampedCeil(x1 + margin), m_width - 1);
    box.top = std::min(ClampedCeil(y1 + margin), m_height - 1);
    return box.IsEmpty() ? PictureArea{} : box;
}

// ---- Move point ----------------------------------------------------------------

void PictureSession::BeginDrag(std::int32_t x, std::int32_t y)
{
    m_dragging = true;
    m_dragBegun = false;
    m_previewShown = false;
    m_anchorX = x;
    m_anchorY = y;
}

bool PictureSession::DragTo(std::int32_t x, std::int32_t y)
{
    if (!m_dragging)
        return false;
    const std::int32_t beforeX = m_anchorX, beforeY = m_anchorY;
    if (x == beforeX && y == beforeY)
        return false;  // no movement: the warp field would draw and change nothing
    CWarpField& field = Field();
    if (!m_dragBegun) {
        field.BeginDeformation(ModeMovePoint);
        m_dragBegun = true;
    }
    field.MovePointLive(m_anchorX, m_anchorY, x, y);

    // Changed: the squares of the committed sub-moves (their ends lie between
    // the old and the new anchor), the new preview around the pointer, and the
    // previous preview, which the warp field put back from the map.
    const double margin = field.GetRadius() + 1.0;
    PictureArea changed = BoxAround({{beforeX, beforeY}, {m_anchorX, m_anchorY}, {x, y}}, margin);
    if (m_previewShown)
        changed = changed.United(BoxAround({{m_previewX, m_previewY}}, margin));
    m_previewShown = true;
    m_previewX = x;
    m_previewY = y;
    Changed(changed);
    return true;
}

void PictureSession::EndDrag()
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (!m_dragBegun)
        return;
    m_dragBegun = false;
    m_field->EndDeformation();
    // The release commits what the last step previewed; pictures drawn from the
    // map see the committed square.
    if (m_previewShown)
        Changed(BoxAround({{m_previewX, m_previewY}}, m_field->GetRadius() + 1.0));
    m_previewShown = false;
}

// ---- Region tools --------------------------------------------------------------

void PictureSession::BeginRegion(WarpMode mode, std::int32_t cx, std::int32_t cy, double radius)
{
    Field().BeginDeformation(mode);
    m_regionMode = mode;
    m_regionX = cx;
    m_regionY = cy;
    m_regionRadius = radius;
    m_regionPreview = PictureArea{};
}

void PictureSession::PreviewRegion(double changedRadius, const std::function<void(CWarpField&)>& call)
{
    if (!m_regionMode || m_regionMode == ModeExaggerate)
        return;
    call(*m_field);
    // This preview rewrote its own circle and put back the previous one's.
    const PictureArea box = BoxAround({{m_regionX, m_regionY}}, changedRadius + 1.0);
    const PictureArea changed = box.United(m_regionPreview);
    m_regionPreview = box;
    Changed(changed);
}

void PictureSession::PreviewEnlarge(double factor)
{
    // The enlarged circle reaches factor times the gesture's radius.
    PreviewRegion(factor * m_regionRadius, [this, factor](CWarpField& field) {
        field.Enlarge(m_regionX, m_regionY, m_regionRadius, factor);
    });
}

void PictureSession::PreviewShrink(double factor)
{
    PreviewRegion(m_regionRadius, [this, factor](CWarpField& field) {
        field.Shrink(m_regionX, m_regionY, m_regionRadius, factor);
    });
}

void PictureSession::PreviewRotate(double angle, double amplification)
{
    PreviewRegion(m_regionRadius, [this, angle, amplification](CWarpField& field) {
        field.Rotate(m_regionX, m_regionY, m_regionRadius, angle, amplification);
    });
}

void PictureSession::BeginExaggerate()
{
    Field().BeginDeformation(ModeExaggerate);
    m_regionMode = ModeExaggerate;
    m_regionPreview = PictureArea{};
}

void PictureSession::PreviewExaggerate(double percent)
{
    if (m_regionMode != ModeExaggerate)
        return;
    m_field->Exaggerate(percent / 100.0);
    std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    if (m_field->ExaggerationBox(x0, y0, x1, y1)) {
        // Every preview rewrites the restore point's displaced pixels, nothing else.
        m_regionPreview = PictureArea{x0, y0, x1, y1};
        Changed(m_regionPreview);
    }
}

void PictureSession::CommitRegion()
{
    if (!m_regionMode)
        return;
    m_regionMode.reset();
    m_field->EndDeformation();
    m_regionPreview = PictureArea{};
    Changed(PictureArea::Whole(m_width, m_height));
}

void PictureSession::CancelRegion()
{
    if (!m_regionMode)
        return;
    m_regionMode.reset();
    m_field->UndoDeformation();
    m_field->EndDeformation();
    m_regionPreview = PictureArea{};
    Changed(PictureArea::Whole(m_width, m_height));
}

// ---- Face gesture --------------------------------------------------------------

void PictureSession::BeginFace()
{
    CWarpField& field = Field();
    field.ReserveCompositionScratch();
    field.BeginDeformation(ModeFace);
    m_face.emplace();
}

void PictureSession::PreviewFace(const ToolSteps& steps)
{
    if (m_face)
        Changed(m_face->Run(*m_field, steps));
}

void PictureSession::CommitFace()
{
    if (!m_face)
        return;
    const PictureArea touched = m_face->Touched();
    m_face.reset();
    m_field->ReleaseCompositionScratch();
    m_field->EndDeformation();
    Changed(touched);
}

void PictureSession::CancelFace()
{
    if (!m_face)
        return;
    const PictureArea touched = m_face->Touched();
    m_face.reset();
    m_field->ReleaseCompositionScratch();
    m_field->UndoDeformation();
    m_field->EndDeformation();
    Changed(touched);
}

// ---- Whole-picture commands ----------------------------------------------------

void PictureSession::Smooth()
{
    CWarpField& field = Field();
    field.BeginDeformation(ModeSmooth);
    field.SmoothMap();
    field.EndDeformation();
    Changed(PictureArea::Whole(m_width, m_height));
}

bool PictureSession::CanUndo() const
{
    return m_field && m_field->CanUndo();
}

void PictureSession::Undo()
{
    if (!CanUndo())
        return;
    m_field->UndoDeformation();
    Changed(PictureArea::Whole(m_width, m_height));
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
