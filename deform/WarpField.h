#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The deformation engine of one document. The undeformed picture stays untouched;
// every deformation is folded into one displacement map that names, for every
// pixel of the deformed picture, the undeformed pixel it shows.
//
// Coordinates: column x from the left, row y from the bottom (storage order of a
// bottom-up 24-bit raster). Pixel rows are 3 bytes a pixel (blue, green, red),
// padded to a multiple of 4 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "deform/TileOrder.h"
#include "deform/WarpArithmetic.h"
#include "image/DibImage.h"
#include "image/LargeAllocation.h"
#include "image/PixelBuffer.h"

// One entry of the displacement map: the undeformed pixel that a pixel shows.
// Pictures are at most 65535 pixels on a side and every entry lies inside the
// picture, so 16 bits a coordinate suffice; half the bytes of 32-bit entries
// halve the memory traffic of every copy, undo, smoothing and render.
struct MapEntry {
    MapEntry() = default;  // left uninitialised, see UninitializedAllocator
    // x and y must lie in [0, 65535], as every position inside a picture does.
    constexpr MapEntry(std::int32_t column, std::int32_t row)
        : x(static_cast<std::uint16_t>(column)), y(static_cast<std::uint16_t>(row))
    {
    }
    std::uint16_t x;  // source column
    std::uint16_t y;  // source row
    friend bool operator==(const MapEntry&, const MapEntry&) = default;
};

// Leaves new elements of trivial types uninitialised: the maps are filled right
// after allocation (or, for the undo map, before it is first read), so zeroing
// hundreds of megabytes first would only cost time and touch every page.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
    T* allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_alloc();
        void* block = AllocateLarge(n * sizeof(T));
        if (!block)
            throw std::bad_alloc();
        return static_cast<T*>(block);
    }
    void deallocate(T* p, std::size_t) noexcept { FreeLarge(p); }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using MapBuffer = std::vector<MapEntry, UninitializedAllocator<MapEntry>>;

struct DisplacedSpan;     // deform/IntermediateFrame.h
struct DisplacementGrid;  // deform/DisplacementGrid.h
struct AppliedGrid;

enum WarpMode : std::int32_t {
    ModeMovePoint = 0,
    ModeEnlarge = 1,
    ModeShrink = 2,
    ModeRotate = 3,
    ModeSmooth = 4,
    ModeExaggerate = 5,        // scales the whole deformation so far
    ModeApplyDeformation = 6,  // a saved document's deformation carried over
    ModeFace = 7,              // the face gesture's composition of tool steps
    ModeCaricature = 8,        // the automatic caricature of a face
};

class CWarpField {
public:
    // Takes the undeformed picture over (24-bit rows of width x height) and
    // builds the identity map. Raises CMemoryException when memory runs out.
    CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius);
    // A state kept in a document: the map, and with canUndo the map the latest
    // gesture (of lastMode) started from.
    struct SavedState {
        MapBuffer map;
        MapBuffer undoMap;
        bool canUndo = false;
        std::int32_t lastMode = ModeMovePoint;
    };
    // Takes the undeformed picture and a saved state over, as RestoreState
    // would after the constructor above, without building the identity first.
    CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius, SavedState state);
    virtual ~CWarpField();
    CWarpField(const CWarpField&) = delete;
    CWarpField& operator=(const CWarpField&) = delete;

    // The header of the deformed picture and its rows (not a copy: valid until
    // the warp field changes or goes away).
    void GetPicture(BITMAPINFOHEADER& header, const std::uint8_t*& pixels) const;

    // Gesture protocol.
    void BeginDeformation(WarpMode mode);
    void EndDeformation();
    void UndoDeformation();
    bool CanUndo() const { return m_canUndo; }

    void SetRadius(std::int32_t radius) { m_radius = radius; }
    std::int32_t GetRadius() const { return m_radius; }

    // Move point: one deformation from (ax, ay) to (cx, cy), committed into the
    // map (commit true) or only previewed in the deformed picture (commit false).
    void MovePoint(std::int32_t ax, std::int32_t ay, std::int32_t cx, std::int32_t cy, bool commit);
    // One drag step: commits whole sub-moves, previews the rest, and hands the
    // start of the uncommitted remainder back through startX/startY.
    void MovePointLive(std::int32_t& startX, std::int32_t& startY, std::int32_t tx, std::int32_t ty);

    // Region tools; each live call of a gesture replaces the previous one.
    void Enlarge(std::int32_t cx, std::int32_t cy, double radius, double factor);
    void Shrink(std::int32_t cx, std::int32_t cy, double radius, double factor);
    void Rotate(std::int32_t cx, std::int32_t cy, double radius, double angle, double amplification);

    // Composition of tool steps inside one gesture (the face gesture): each call
    // works on the map as the previous one left it, exactly as the same tool's
    // gesture of its own would, while the restore point stays the map of
    // BeginDeformation. The drag uses its own move-point radius.
    void ComposeEnlarge(std::int32_t cx, std::int32_t cy, double radius, double factor);
    void ComposeShrink(std::int32_t cx, std::int32_t cy, double radius, double factor);
    void ComposeDrag(std::int32_t ax, std::int32_t ay, std::int32_t tx, std::int32_t ty, std::int32_t radius);
    // Puts the restore point back into the box x0..x1, y0..y1 (map and picture).
    void RestoreBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
    // A checkpoint of a composition: the map's entries in the box x0..x1,
    // y0..y1 (inside the picture), row after row, into saved (raises
    // CMemoryException).
    void SaveBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, MapBuffer& saved) const;
    // Puts the box x0..x1, y0..y1 back to the restore point overlaid with saved,
    // a SaveBox of sx0..sx1, sy0..sy1, and renders it once, except the pixels
    // at most kr - 2 from (kx, ky): the caller's next region step of radius
    // kr there renders them anyway (kr 0 for none).
    void RestoreBoxWith(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const MapBuffer& saved,
                        std::int32_t sx0, std::int32_t sy0, std::int32_t sx1, std::int32_t sy1, std::int32_t kx,
                        std::int32_t ky, double kr);
    // Takes the memory of the copy of the map that the compositions read from
    // (raises CMemoryException), and frees it again.
    void ReserveCompositionScratch();
    void ReleaseCompositionScratch();

    // Median filter of the map; call right after BeginDeformation(ModeSmooth).
    void SmoothMap();

    // Exaggeration; call after BeginDeformation(ModeExaggerate), any number of
    // times: every entry (mx, my) of the restore point's pixel (x, y) becomes
    // (x + trunc(c * (mx - x)), y + trunc(c * (my - y))), clamped into the
    // picture, which is the video frame at fraction c. Only pixels displaced
    // at the restore point change. Raises CMemoryException when memory runs out.
    void Exaggerate(double c);
    // The box of the pixels Exaggerate can change; false when there are none.
    bool ExaggerationBox(std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1) const;

    // One video frame at timeMs of durationMs: every pixel moved that fraction of
    // its total displacement. pixels receives a new buffer of rowBytes x height.
    void BuildIntermediateFrame(std::uint32_t durationMs, std::uint32_t timeMs, PixelBuffer& pixels) const;

    void RenderPixel(std::int32_t x, std::int32_t y);
    void RenderPixelFrom(std::int32_t x, std::int32_t y, std::int32_t sx, std::int32_t sy);
    void RenderRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
    void RenderAll();
    void ClampToPicture(std::int32_t& x, std::int32_t& y) const;

    // Read access for the view, the video export and the tests.
    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    std::int32_t RowBytesOfPicture() const { return m_rowBytes; }
    const MapEntry* Map() const { return m_pMap.data(); }
    const std::uint8_t* Original() const { return m_pOriginal.data(); }
    const std::uint8_t* Deformed() const { return m_pDeformed.data(); }

    // ---- Keeping the state in a document (WarpField_State.cpp) ----
    // The map the latest gesture started from; only while CanUndo().
    const MapEntry* UndoMap() const { return m_canUndo ? m_pUndoMap.data() : nullptr; }
    // A number for the map's present content, unique among all fields: every
    // call that may change the map draws a new one. The recovery copy knows by
    // it whether the undo map is a map it copied before.
    std::uint64_t MapRevision() const { return m_mapRevision; }
    // The revision of the map the undo map was copied from (0: none known).
    std::uint64_t UndoMapSourceRevision() const { return m_undoMapSource; }
    // The mode of the latest gesture, whatever number it is.
    std::int32_t LastMode() const { return m_mode; }
    // Puts back a saved state: the map, and with undo the map the latest
    // gesture (of lastMode) started from. Every entry must lie inside the
    // picture and both maps must hold Width() x Height() entries; otherwise
    // CArchiveException(generic) and the field keeps its state.
    void RestoreState(MapBuffer map, MapBuffer undoMap, bool canUndo, std::int32_t lastMode);

    // Puts entries (row after row, box width each) into the box x0..x1, y0..y1
    // of the map and renders the pixels whose entry changed: a step of the
    // history taken back or brought back. The latest gesture can no longer be
    // undone afterwards, as after an undo.
    void ReplaceBox(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, const MapEntry* entries);

    // Carries a saved map of savedWidth x savedHeight over to this picture,
    // scaled by the ratio of the sizes; call right after
    // BeginDeformation(ModeApplyDeformation) (WarpField_Apply.cpp).
    void ApplySavedMap(const MapEntry* saved, std::int32_t savedWidth, std::int32_t savedHeight);
    // Moves the pixels of grid's disc by its displacement, sampling the restore
    // point; the rest of the disc's box gets the restore point back. Called
    // any number of times in one gesture, each call replaces the previous
    // one's; before says what the box holds, when known (WarpField_Grid.cpp).
    void ApplyDisplacementGrid(const DisplacementGrid& grid, const AppliedGrid& before);

private:
    CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius, SavedState* state);
    // Checks a saved state and takes it over (WarpField_State.cpp).
    void TakeState(SavedState& state);

    std::int32_t m_radius;
    std::int32_t m_width;
    std::int32_t m_height;
    BITMAPINFOHEADER m_header;
    PixelBuffer m_pDeformed;
    std::int32_t m_rowBytes;
    PixelBuffer m_pOriginal;
    MapBuffer m_pMap;
    MapBuffer m_pUndoMap;
    bool m_canUndo = false;
    std::uint64_t m_mapRevision;
    std::uint64_t m_undoMapSource = 0;
    std::int32_t m_mode = ModeMovePoint;
    std::int32_t m_pendingFromX = 0, m_pendingFromY = 0, m_pendingToX = 0, m_pendingToY = 0;
    std::int32_t m_dirtyMinX = 0, m_dirtyMaxX = 0, m_dirtyMaxY = 0, m_dirtyMinY = 0;

    // Square that the latest move-point preview wrote without changing the map
    // (empty when min > max); re-rendered from the map before the next preview.
    std::int32_t m_previewMinX = 0, m_previewMaxX = -1, m_previewMinY = 0, m_previewMaxY = -1;
    // True while the map equals the undo map outside the preview rectangle, so a
    // live region call only has to restore that rectangle.
    bool m_mapEqualsUndoOutsideDirty = true;
    // The previous live region call's box while the next call takes it back.
    std::int32_t m_staleMinX = 0, m_staleMaxX = -1, m_staleMinY = 0, m_staleMaxY = -1;
    // The restore point's displaced span of every row during an exaggeration.
    std::vector<DisplacedSpan> m_exaggerationSpans;

    // Copies one undeformed pixel into the deformed picture; no bounds checks.
    void CopySample(std::int32_t x, std::int32_t y, std::int32_t sx, std::int32_t sy)
    {
        const std::uint8_t* from = m_pOriginal.data() + static_cast<std::size_t>(sy) * m_rowBytes + 3 * static_cast<std::size_t>(sx);
        std::uint8_t* to = m_pDeformed.data() + static_cast<std::size_t>(y) * m_rowBytes + 3 * static_cast<std::size_t>(x);
        to[0] = from[0];
        to[1] = from[1];
        to[2] = from[2];
    }
    std::size_t IndexOf(std::int32_t x, std::int32_t y) const
    {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }
    // Renders the rows [rowBegin, rowEnd) of columns x0..x1 from the map.
    void RenderRows(std::int32_t x0, std::int32_t x1, std::int32_t rowBegin, std::int32_t rowEnd);
    // Copies the undo map into the map over columns x0..x1 of the rows
    // [rowBegin, rowEnd) and renders them.
    void RestoreFromUndo(std::int32_t x0, std::int32_t x1, std::int32_t rowBegin, std::int32_t rowEnd);
    void FlushMovePointPreview();
    // Puts the undo map's entry into every entry where it differs from the map,
    // and renders those pixels.
    void RestoreWhereUndoMapDiffers();
    void CopyMapToUndoMap();
    // The map the gesture under way started from. Every gesture begins with
    // BeginDeformation, which copies the map into it; an undo leaves both
    // equal; a change made outside a gesture (a step of the history, a
    // restored state) leaves it behind, unread until the next gesture begins.
    const MapEntry* RestorePoint() const { return m_pUndoMap.data(); }
    // Draws a new map revision; first in every call that may change the map.
    void MapChanges();
    void ClearPendingSegment();
    // Shared start of Enlarge, Shrink and Rotate: takes back the previous live call
    // outside the rows of the new box, and computes and stores the new box. False
    // (with everything taken back) when the region is empty. Otherwise the tool
    // calls RestoreStaleRow for every row of the new box, with the run of columns
    // it writes in that row (first > last for none).
    bool BeginRegionCall(std::int32_t cx, std::int32_t cy, double radius,
                         std::int32_t& x0, std::int32_t& y0, std::int32_t& x1, std::int32_t& y1);
    // Takes back the previous call's box in row y outside the run of columns
    // the new call writes there (first > last for none).
    void RestoreStaleRow(std::int32_t y, std::int32_t runFirst, std::int32_t runLast);
    // For the pixels first..last of row y: takes the entry of the map `from` at
    // the sample position sampleAt(x) (a pair qx, qy; clamped), clamps it into
    // the picture, stores it as the pixel's entry when kStoreEntries, and renders
    // the pixel. It works in three passes over pieces of a row, for the
    // positions, the entries and the undeformed pixels: each pass requests the
    // reads of the next one at once and no read waits for another of its pass,
    // so many cache misses are in flight instead of each pixel's two in turn.
    template <bool kStoreEntries, class SampleAt>
    void RenderSamples(const MapEntry* from, std::int32_t y, std::int32_t first, std::int32_t last, SampleAt sampleAt)
    {
        constexpr std::int32_t kPiece = kTileColumns;  // what a tile hands over at most
        std::size_t at[kPiece];
        const std::uint8_t* original = m_pOriginal.data();
        const std::size_t rowBytes = static_cast<std::size_t>(m_rowBytes);
        for (std::int32_t left = first; left <= last; left += kPiece) {
            const std::int32_t count = std::min(last - left + 1, kPiece);
            for (std::int32_t i = 0; i < count; ++i) {
                const auto [qx, qy] = sampleAt(left + i);
                at[i] = IndexOf(ClampToRange(qx, m_width), ClampToRange(qy, m_height));
                __builtin_prefetch(from + at[i]);
            }
            MapEntry* entry = m_pMap.data() + IndexOf(left, y);
            for (std::int32_t i = 0; i < count; ++i) {
                const MapEntry source = from[at[i]];
                const std::int32_t sx = ClampToRange(source.x, m_width);
                const std::int32_t sy = ClampToRange(source.y, m_height);
                if constexpr (kStoreEntries)
                    entry[i] = MapEntry{sx, sy};
                at[i] = static_cast<std::size_t>(sy) * rowBytes + 3 * static_cast<std::size_t>(sx);
                __builtin_prefetch(original + at[i]);
            }
            std::uint8_t* to = m_pDeformed.data() + static_cast<std::size_t>(y) * rowBytes + 3 * static_cast<std::size_t>(left);
            for (std::int32_t i = 0; i < count; ++i, to += 3) {
                const std::uint8_t* from = original + at[i];
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        }
    }
    // Finds the restore point's displaced spans for Exaggerate.
    void FindExaggerationSpans();
    // Enlarge and shrink: every pixel of the circle samples the map start (the
    // restore point for a live call, the map as the steps before left it for
    // a composed one).
    void ApplyRadialWarp(const MapEntry* start, std::int32_t cx, std::int32_t cy, double radius, double strength,
                         bool towardCentre);
    // The swirl of Rotate, sampling the map start.
    void ApplySwirl(const MapEntry* start, std::int32_t cx, std::int32_t cy, double radius, double angle,
                    double amplification);
    // The median filter of SmoothMap over the map start.
    void ApplyMedian(const MapEntry* start);
    // The carried deformation of ApplySavedMap, stacked on the map start.
    void ApplyCarried(const MapEntry* start, const MapEntry* saved, std::int32_t savedWidth, std::int32_t savedHeight);
    // The part of a drag step that MovePointLive commits: every whole sub-move
    // from (startX, startY) towards (tx, ty); the start moves to the last one's end.
    void CommitWholeSubMoves(std::int32_t& startX, std::int32_t& startY, std::int32_t tx, std::int32_t ty);
    // The map as it stood before a composed region step, inside that step's box:
    // the region tools start from it instead of the undo map.
    MapBuffer m_compositionScratch;
    // Runs call(start) (a region tool) on the map as it stands, start being a
    // copy of it; reach is how far from (cx, cy) the tool reads.
    template <class RegionCall>
    void ComposeRegion(std::int32_t cx, std::int32_t cy, double reach, RegionCall call);
};
