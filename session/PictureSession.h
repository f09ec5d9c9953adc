#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Everything that happens to one open picture, for the editor's document and
// the command-line tool alike: loading, saving, the gesture under way (one
// object of its kind, see Gesture.h), the history of the committed steps, Undo,
// rescaling and the morph video. Whoever shows the picture learns from the
// change listener which part of the deformed picture changed, and from the
// state listener when gestures and the history move.
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
#include "deform/ToolStep.h"
#include "session/FaceComposition.h"
#include "session/Gesture.h"
#include "session/MovePointGesture.h"
#include "session/RegionGesture.h"
#include "session/ToolLimits.h"
#include "session/PictureHistory.h"
#include "session/FileIdentity.h"
#include "session/PictureArea.h"
#include "video/VideoExport.h"

class PictureSession {
public:
    // The move-point radius every new picture starts with.
    static constexpr std::int32_t kInitialRadius = tool_limits::kMovePointRadius.start;

    // Settings of the next video; the defaults are the video dialog's.
    struct VideoSettings {
        std::uint32_t durationMs = tool_limits::kVideoDurationMs.start;
        std::uint32_t framesPerSecond = tool_limits::kVideoFramesPerSecond.start;
        VideoTiming timing;             // ease, loop, reverse, holds
        std::int32_t videoSize = 0;     // long side of MP4, WebM, GIF; 0: the picture's own
    };

    using ChangeListener = std::function<void(const PictureArea&)>;
    // Told when the picture's state changes beyond its pixels: a gesture
    // begins or ends, the history gains a step or moves. edited: the map
    // changed for good (a committed step, a drag's first movement, Undo, a step
    // through the history), so the picture differs from the one last saved.
    using StateListener = std::function<void(bool edited)>;

    // Opens the picture file at path: only a regular file, its format by the
    // first bytes (the ending as the fallback), converted to 24 bits. Raises
    // SessionFailure with the load message, or CLoadCancelled (image/LoadControl.h)
    // when the control of the load on this thread asked it to end.
    static std::unique_ptr<PictureSession> Open(const std::string& path);

    // A new, undeformed picture from 24-bit bottom-up rows (a pasted or rescaled one).
    PictureSession(std::int32_t width, std::int32_t height, PixelBuffer pixels);
    ~PictureSession();
    PictureSession(const PictureSession&) = delete;
    PictureSession& operator=(const PictureSession&) = delete;

    void SetChangeListener(ChangeListener listener) { m_listener = std::move(listener); }
    void SetStateListener(StateListener listener) { m_stateListener = std::move(listener); }

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

    // ---- The gesture under way (one at a time) ----
    // Begins gesture (which takes its restore point); a gesture still under
    // way is committed first. Raises what the gesture's Begin raises, with
    // nothing begun.
    void BeginGesture(std::unique_ptr<Gesture> gesture);
    // The gesture under way when it is a G, else null.
    template <class G>
    G* CurrentGesture() const
    {
        return dynamic_cast<G*>(m_gesture.get());
    }
    bool InGesture() const { return m_gesture != nullptr; }
    // Previews the gesture under way, when it takes Parameters.
    template <class Parameters>
    void PreviewGesture(const Parameters& parameters)
    {
        if (auto* gesture = CurrentGesture<PreviewingGesture<Parameters>>())
            Changed(gesture->Preview(*m_field, parameters));
    }
    // Keeps the gesture under way as one step of the history, or puts the
    // picture of its restore point back. Nothing when none is under way.
    void CommitGesture();
    void CancelGesture();

    // ---- Move point: press, moves with the button held, release ----
    // The press at (x, y); nothing changes yet, so that a click that only
    // activates a window keeps the Undo of the previous gesture.
    void BeginDrag(std::int32_t x, std::int32_t y);
    // A move to (x, y): commits whole sub-moves and previews the rest. The first
    // real movement takes the restore point. False when nothing moved.
    bool DragTo(std::int32_t x, std::int32_t y);
    // The release: the previewed rest becomes part of the map.
    void EndDrag();
    bool IsDragging() const;
    // Where the uncommitted rest of the drag starts.
    std::int32_t DragAnchorX() const { return m_anchor.x; }
    std::int32_t DragAnchorY() const { return m_anchor.y; }

    // ---- Region tools: begin, any number of previews, commit or cancel ----
    // Takes the restore point for mode (enlarge, shrink or rotate) and the circle.
    void BeginRegion(WarpMode mode, std::int32_t cx, std::int32_t cy, double radius);
    // Each preview deforms the circle afresh from the restore point.
    void PreviewEnlarge(double factor);
    void PreviewShrink(double factor);
    void PreviewRotate(double angle, double amplification);
    // Keeps the latest preview, or puts back the picture of the restore point
    // (the exaggeration's too).
    void CommitRegion();
    void CancelRegion();
    bool InRegionGesture() const;

    // ---- The face gesture: begin, any number of step lists, commit or cancel ----
    // Takes the restore point (ModeFace) and the memory the gesture needs;
    // raises CMemoryException, with nothing begun, when there is too little.
    void BeginFace();
    // Runs steps (x from the left, y from the top) on the restore point, as one
    // gesture after the other would; each call replaces the previous one's.
    void PreviewFace(const ToolSteps& steps) { PreviewGesture(FacePlan{{}, steps}); }
    // The same after the automatic caricature's warp.
    void PreviewFacePlan(const FacePlan& plan) { PreviewGesture(plan); }
    void CommitFace();
    void CancelFace();
    bool InFaceGesture() const;
    // ---- Exaggeration: begin, any number of previews, then CommitRegion or
    // CancelRegion like a region gesture ----
    // Takes the restore point.
    void BeginExaggerate();
    // Scales the restore point's deformation to percent of itself (0 gives the
    // undeformed picture, 100 the restore point, up to 300).
    void PreviewExaggerate(double percent) { PreviewGesture(percent); }

    // ---- Whole-picture commands ----
    void Smooth();
    // The automatic caricature's warp alone, as one gesture (ModeCaricature).
    void Caricature(const DisplacementGrid& warp);
    bool CanUndo() const;
    // Takes the latest gesture back; nothing when there is none.
    void Undo();

    // ---- The history of the picture's steps ----
    const PictureHistory& History() const { return m_history; }
    // Memory the history may keep before its oldest steps go.
    void SetHistoryBudget(std::size_t bytes) { m_history.SetBudget(bytes); }
    bool CanStepBack() const { return m_history.CanStepBack(); }
    bool CanStepForward() const { return m_history.CanStepForward(); }
    // Takes the latest step back, or brings the next one back; the specified
    // Undo is unavailable afterwards, as after an Undo. Raises
    // SessionFailure with the memory message when memory runs out.
    void StepBack();
    void StepForward();
    // Steps back or forward until position steps of the history hold.
    void GoToStep(std::size_t position);

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
    static std::unique_ptr<PictureSession> OpenFile(const std::string& path);
    static std::unique_ptr<PictureSession> OpenDocument(const std::string& path);
    void SaveDocument(const std::string& path) const;
    void Changed(const PictureArea& area) const;
    // Keeps the gesture just committed as the history's newest step.
    void RecordStep();
    void StateChanged(bool edited) const;
    void Step(bool forward);
    void PreviewRegion(WarpMode mode, const RegionParameters& parameters);
    // Runs gesture from begin to commit, as one step.
    void RunInstantGesture(std::unique_ptr<Gesture> gesture);

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
    StateListener m_stateListener;
    PictureHistory m_history;
    // The entries a step of the history puts into the map, kept up to this many.
    static constexpr std::size_t kKeptStepEntries = std::size_t{4} << 20;
    MapBuffer m_stepEntries;

    // The gesture under way, and where the latest drag's uncommitted rest starts.
    std::unique_ptr<Gesture> m_gesture;
    DragPoint m_anchor;
};
