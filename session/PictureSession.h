#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Everything that happens to one open picture, for the editor's document and
// the command-line tool alike: loading, saving, the gestures of the four tools,
// smoothing, Undo, rescaling and the morph video. Whoever shows the picture
// learns from the change listener which part of the deformed picture changed.
//
// The warp field (the displacement maps beside the picture) is built at the
// first step that needs it: a picture that is only converted from one format to
// another never needs one.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "deform/WarpField.h"
#include "image/CodecOptions.h"
#include "face/ToolStep.h"
#include "session/FaceComposition.h"
#include "session/FileIdentity.h"
#include "session/PictureArea.h"
#include "video/VideoExport.h"

class PictureSession {
public:
    // The move-point radius every new picture starts with.
    static constexpr std::int32_t kInitialRadius = 20;

    // Settings of the next video; the defaults are the video dialog's.
    struct VideoSettings {
        std::uint32_t durationMs = 2000;
        std::uint32_t framesPerSecond = 7;
        VideoTiming timing;             // ease, loop, reverse, holds
        std::int32_t videoSize = 0;     // long side of MP4, WebM, GIF; 0: the picture's own
    };

    using ChangeListener = std::function<void(const PictureArea&)>;

    // Opens the picture file at path: only a regular file, its format by the
    // first bytes (the ending as the fallback), converted to 24 bits. Raises
    // SessionFailure with the load message.
    static std::unique_ptr<PictureSession> Open(const std::string& path);

    // A new, undeformed picture from 24-bit bottom-up rows (a pasted or rescaled one).
    PictureSession(std::int32_t width, std::int32_t height, PixelBuffer pixels);
    ~PictureSession();
    PictureSession(const PictureSession&) = delete;
    PictureSession& operator=(const PictureSession&) = delete;

    void SetChangeListener(ChangeListener listener) { m_listener = std::move(listener); }

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    // The deformed picture as it stands (not a copy: valid until the next change).
    void GetPicture(BITMAPINFOHEADER& header, const std::uint8_t*& rows) const;
    // The warp field, built now if it is not yet; raises SessionFailure with the
    // load message when memory runs out.
    CWarpField& Field();

    // ---- Saving ----
    // Whether path's ending saves a JPEG, which takes the JPEG options.
    static bool SavesAsJpeg(const std::string& path);
    // Options of every later JPEG save (quality 100, baseline).
    CodecOptions& JpegOptions() { return m_jpegOptions; }
    // Writes the deformed picture in the format of path's ending, never destroying
    // the old file on failure. Raises SessionFailure with the save message.
    void Save(const std::string& path) const;

    // ---- Grimasso documents (PictureSession_Document.cpp) ----
    // Whether path's ending (.grimasso) saves the whole state as a document.
    static bool SavesAsDocument(const std::string& path);
    // The name of the file the picture came from, kept in documents.
    const std::string& SourceName() const { return m_sourceName; }
    // Carries the deformation of the document at path over to this picture as
    // one gesture (ModeApplyDeformation), scaled to this picture's size.
    // Raises SessionFailure with the load message.
    void ApplyDeformation(const std::string& documentPath);

    // ---- Move point: press, moves with the button held, release ----
    // The press at (x, y); nothing changes yet, so that a click that only
    // activates a window keeps the Undo of the previous gesture.
    void BeginDrag(std::int32_t x, std::int32_t y);
    // A move to (x, y): commits whole sub-moves and previews the rest. The first
    // real movement takes the restore point. False when nothing moved.
    bool DragTo(std::int32_t x, std::int32_t y);
    // The release: the previewed rest becomes part of the map.
    void EndDrag();
    bool IsDragging() const { return m_dragging; }
    // Where the uncommitted rest of the drag starts.
    std::int32_t DragAnchorX() const { return m_anchorX; }
    std::int32_t DragAnchorY() const { return m_anchorY; }

    // ---- Region tools: begin, any number of previews, commit or cancel ----
    // Takes the restore point for mode (enlarge, shrink or rotate) and the circle.
    void BeginRegion(WarpMode mode, std::int32_t cx, std::int32_t cy, double radius);
    // Each preview deforms the circle afresh from the restore point.
    void PreviewEnlarge(double factor);
    void PreviewShrink(double factor);
    void PreviewRotate(double angle, double amplification);
    // Keeps the latest preview, or puts back the picture of the restore point.
    void CommitRegion();
    void CancelRegion();
    bool InRegionGesture() const { return m_regionMode.has_value(); }

    // ---- The face gesture: begin, any number of step lists, commit or cancel ----
    // Takes the restore point (ModeFace) and the memory the gesture needs;
    // raises CMemoryException, with nothing begun, when there is too little.
    void BeginFace();
    // Runs steps (x from the left, y from the top) on the restore point, as one
    // gesture after the other would; each call replaces the previous one's.
    void PreviewFace(const ToolSteps& steps);
    void CommitFace();
    void CancelFace();
    bool InFaceGesture() const { return m_face.has_value(); }
    // ---- Exaggeration: begin, any number of previews, then CommitRegion or
    // CancelRegion like a region gesture ----
    // Takes the restore point.
    void BeginExaggerate();
    // Scales the restore point's deformation to percent of itself (0 gives the
    // undeformed picture, 100 the restore point, up to 300).
    void PreviewExaggerate(double percent);

    // ---- Whole-picture commands ----
    void Smooth();
    bool CanUndo() const;
    // Takes the latest gesture back; nothing when there is none.
    void Undo();
    void SetRadius(std::int32_t radius);
    std::int32_t GetRadius() const;
    // The deformed picture rescaled to width x height (nearest sample) as a new,
    // undeformed session with the same JPEG and video settings. Raises
    // CMemoryException when memory runs out.
    std::unique_ptr<PictureSession> Rescaled(std::int32_t width, std::int32_t height) const;

    // ---- The morph video ----
    VideoSettings& Video() { return m_video; }
    // Writes the video of the deformation so far to path (format by its ending)
    // the way pictures are saved (see SafeSave.h): into a temporary file that
    // replaces the old file only when the video is complete, so a failed,
    // cancelled or interrupted export leaves the old file as it was and no
    // temporary file. The picture's own file is refused (OntoPicture).
    // (PictureSession_Video.cpp)
    VideoExportOutcome ExportVideo(const std::string& path, IVideoExportProgress& progress);
    // Whether path (through links) is the file the picture was opened from or
    // last saved to: the same device and inode.
    bool IsOwnFile(const std::string& path) const;

private:
    static std::unique_ptr<PictureSession> OpenDocument(const std::string& path);
    void SaveDocument(const std::string& path) const;
    void Changed(const PictureArea& area) const;
    // A box of radius margin around the points, clipped to the picture.
    PictureArea BoxAround(std::initializer_list<std::pair<std::int32_t, std::int32_t>> points, double margin) const;
    // Runs one region call with the circle of the gesture; changedRadius is how
    // far from the centre the call can change the picture.
    void PreviewRegion(double changedRadius, const std::function<void(CWarpField&)>& call);

    std::int32_t m_width;
    std::int32_t m_height;
    PixelBuffer m_loadedPixels;  // until the warp field takes them over
    std::unique_ptr<CWarpField> m_field;
    std::int32_t m_radius = kInitialRadius;  // for a field still to be built
    CodecOptions m_jpegOptions;
    VideoSettings m_video;
    std::string m_sourceName;
    // The file the picture lives in; where it lives is no part of the picture,
    // so saving (a const operation) updates it.
    mutable std::optional<FileIdentity> m_ownFile;
    ChangeListener m_listener;

    // The move-point drag under way.
    bool m_dragging = false;
    bool m_dragBegun = false;        // the restore point is taken
    bool m_previewShown = false;     // a preview of this drag is in the picture
    std::int32_t m_anchorX = 0, m_anchorY = 0;
    std::int32_t m_previewX = 0, m_previewY = 0;

    // The region gesture under way.
    std::optional<WarpMode> m_regionMode;
    std::int32_t m_regionX = 0, m_regionY = 0;
    double m_regionRadius = 0;
    PictureArea m_regionPreview;     // the box the latest preview rewrote

    // The face gesture under way.
    std::optional<FaceComposition> m_face;
};
