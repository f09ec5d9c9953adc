// SPDX-License-Identifier: GPL-3.0-or-later
// Construction, the gesture protocol (begin, end, one level of undo) and rendering
// of the deformed picture from the displacement map.
#include "deform/WarpField.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "deform/IntermediateFrame.h"
#include "image/RowBands.h"
#include "deform/TileOrder.h"
#include "deform/WarpArithmetic.h"
#include "image/Exceptions.h"
#include "image/ImageLimits.h"

CWarpField::CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius)
    : CWarpField(width, height, std::move(pixels), radius, nullptr)
{
}

CWarpField::CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius,
                       SavedState state)
    : CWarpField(width, height, std::move(pixels), radius, &state)
{
}

CWarpField::CWarpField(std::int32_t width, std::int32_t height, PixelBuffer pixels, std::int32_t radius,
                       SavedState* state)
    : m_radius(radius), m_width(width), m_height(height), m_header{}, m_rowBytes(0)
{
    MapChanges();
    if (width <= 0 || height <= 0)
        throw CArchiveException(CArchiveException::generic);
    if (!IsAcceptablePictureSize(width, height))
        throw CMemoryException();
    m_rowBytes = static_cast<std::int32_t>(RowBytes(width, 24));
    const std::size_t pictureBytes = static_cast<std::size_t>(m_rowBytes) * static_cast<std::size_t>(height);
    // Rows shorter than the picture needs would let rendering read past the buffer.
    if (pixels.size() < pictureBytes)
        throw CArchiveException(CArchiveException::generic);

    // No resolution here: saving gives the picture its resolution through the
    // codec's SetHeader; the clipboard, scaling and video blocks carry 0.
    m_header = HeaderOf24BitPicture(width, height);

    if (state != nullptr) {
        m_pOriginal = std::move(pixels);
        m_pDeformed = PixelBuffer::Allocate(pictureBytes, false);
        // Rendering writes the pixels only; the rows' padding is the original's.
        const std::size_t pixelBytes = 3 * static_cast<std::size_t>(width);
        for (std::int32_t y = 0; y < height && pixelBytes < static_cast<std::size_t>(m_rowBytes); ++y) {
            const std::size_t padding = static_cast<std::size_t>(y) * m_rowBytes + pixelBytes;
            std::memcpy(m_pDeformed.data() + padding, m_pOriginal.data() + padding, m_rowBytes - pixelBytes);
        }
        TakeState(*state);
        return;
    }
    const std::size_t entries = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    try {
        m_pMap.resize(entries);
        m_pUndoMap.resize(entries);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    // The undo map gets the identity too: nothing reads it while CanUndo is false,
    // but touching its pages now keeps that cost out of the first drag step.
    m_pDeformed = PixelBuffer::Allocate(pictureBytes, false);
    const std::uint8_t* original = pixels.data();
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        const std::size_t firstEntry = static_cast<std::size_t>(rowBegin) * static_cast<std::size_t>(width);
        MapEntry* map = m_pMap.data() + firstEntry;
        MapEntry* undo = m_pUndoMap.data() + firstEntry;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y)
            for (std::int32_t x = 0; x < width; ++x)
                *map++ = *undo++ = MapEntry{x, y};
        const std::size_t first = static_cast<std::size_t>(rowBegin) * static_cast<std::size_t>(m_rowBytes);
        const std::size_t count = static_cast<std::size_t>(rowEnd - rowBegin) * static_cast<std::size_t>(m_rowBytes);
        std::memcpy(m_pDeformed.data() + first, original + first, count);
    });
    m_pOriginal = std::move(pixels);
    m_canUndo = false;
}

CWarpField::~CWarpField() = default;

void CWarpField::GetPicture(BITMAPINFOHEADER& header, const std::uint8_t*& pixels) const
{
    header = m_header;
    pixels = m_pDeformed.data();
}

void CWarpField::BeginDeformation(WarpMode mode)
{
    // A preview left over from a gesture that was never ended must not survive it.
    FlushMovePointPreview();
    CopyMapToUndoMap();
    MapChanges();
    m_canUndo = true;
    m_mode = mode;
    m_mapEqualsUndoOutsideDirty = true;
    if (mode == ModeEnlarge || mode == ModeShrink || mode == ModeRotate) {
        m_dirtyMinX = 0;
        m_dirtyMaxX = 0;
        m_dirtyMaxY = 0;
        m_dirtyMinY = 0;
    }
    // A press without movement must not repeat the previous drag's last step.
    if (mode == ModeMovePoint)
        ClearPendingSegment();
    m_exaggerationSpans.clear();
    if (mode == ModeExaggerate)
        FindExaggerationSpans();
}

void CWarpField::EndDeformation()
{
    MapChanges();
    if (m_mode != ModeMovePoint)
        return;
    FlushMovePointPreview();
    const bool empty = m_pendingFromX == m_pendingToX && m_pendingFromY == m_pendingToY;
    if (!empty)
        MovePoint(m_pendingFromX, m_pendingFromY, m_pendingToX, m_pendingToY, true);
    ClearPendingSegment();
}

void CWarpField::UndoDeformation()
{
    MapChanges();
    // Without a restore point there is nothing to go back to.
    if (!m_canUndo)
        return;
    FlushMovePointPreview();
    const bool regionGesture = m_mode == ModeEnlarge || m_mode == ModeShrink || m_mode == ModeRotate;
    if (regionGesture && m_mapEqualsUndoOutsideDirty) {
        // A region gesture changed the map only inside its latest call's box, and
        // the picture outside it still shows the restore point: restoring the box
        // is the whole undo, at the cost of the region instead of the picture.
        const std::int32_t x0 = std::max(m_dirtyMinX, 0), x1 = std::min(m_dirtyMaxX, m_width - 1);
        const std::int32_t y0 = std::max(m_dirtyMinY, 0), y1 = std::min(m_dirtyMaxY, m_height - 1);
        if (x0 <= x1 && y0 <= y1)
            RestoreFromUndo(x0, x1, y0, y1 + 1);
    } else {
        // The picture shows the map everywhere (the preview was flushed above), so
        // only the entries that differ from the restore point's are put back and
        // rendered; both maps are equal afterwards.
        RestoreWhereUndoMapDiffers();
    }
    m_mapEqualsUndoOutsideDirty = true;
    ClearPendingSegment();
    m_canUndo = false;
}

void CWarpField::CopyMapToUndoMap()
{
    const std::size_t width = static_cast<std::size_t>(m_width);
    ForEachRowBand(m_height, std::int64_t{m_width} * m_height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        std::copy(m_pMap.begin() + rowBegin * width, m_pMap.begin() + rowEnd * width, m_pUndoMap.begin() + rowBegin * width);
    });
    m_undoMapSource = m_mapRevision;
}

void CWarpField::MapChanges()
{
    // Shared by all fields, so a revision never names another field's map.
    static std::atomic<std::uint64_t> s_next{1};
    m_mapRevision = s_next.fetch_add(1);
}

void CWarpField::ClearPendingSegment()
{
    m_pendingFromX = m_pendingToX = 0;
    m_pendingFromY = m_pendingToY = 0;
}

void CWarpField::FlushMovePointPreview()
{
    if (m_previewMinX <= m_previewMaxX && m_previewMinY <= m_previewMaxY)
        RenderRect(m_previewMinX, m_previewMinY, m_previewMaxX, m_previewMaxY);
    m_previewMinX = 0;
    m_previewMaxX = -1;
    m_previewMinY = 0;
    m_previewMaxY = -1;
}

void CWarpField::RenderPixel(std::int32_t x, std::int32_t y)
{
    if (x < 0 || x >= m_width || y < 0 || y >= m_height)
        return;
    const MapEntry source = m_pMap[IndexOf(x, y)];
    CopySample(x, y, ClampToRange(source.x, m_width), ClampToRange(source.y, m_height));
}

void CWarpField::RenderPixelFrom(std::int32_t x, std::int32_t y, std::int32_t sx, std::int32_t sy)
{
    if (x < 0 || x >= m_width || y < 0 || y >= m_height)
        return;
    ClampToPicture(sx, sy);
    CopySample(x, y, sx, sy);
}

void CWarpField::RenderRows(std::int32_t x0, std::int32_t x1, std::int32_t rowBegin, std::int32_t rowEnd)
{
    const MapEntry* map = m_pMap.data();
    const std::uint8_t* original = m_pOriginal.data();
    std::uint8_t* deformed = m_pDeformed.data();
    const std::size_t rowBytes = static_cast<std::size_t>(m_rowBytes);
    ForEachTileOfRuns(
        rowBegin, rowEnd, [&](std::int32_t) { return CircleRun{x0, x1}; },
        [&, map, original, deformed, rowBytes](std::int32_t y, std::int32_t first, std::int32_t last) {
            // The source offsets first, each read requested at once, then the
            // copies: the scattered reads of a whole piece are in flight together.
            std::size_t at[kTileColumns];
            const std::int32_t count = last - first + 1;
            const MapEntry* entry = map + IndexOf(first, y);
            for (std::int32_t i = 0; i < count; ++i) {
                at[i] = static_cast<std::size_t>(entry[i].y) * rowBytes + 3 * static_cast<std::size_t>(entry[i].x);
                __builtin_prefetch(original + at[i]);
            }
            std::uint8_t* to = deformed + static_cast<std::size_t>(y) * rowBytes + 3 * static_cast<std::size_t>(first);
            for (std::int32_t i = 0; i < count; ++i, to += 3) {
                const std::uint8_t* from = original + at[i];
                to[0] = from[0];
                to[1] = from[1];
                to[2] = from[2];
            }
        });
}

void CWarpField::RenderRect(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_width - 1);
    y1 = std::min(y1, m_height - 1);
    if (x0 > x1 || y0 > y1)
        return;
    const std::int64_t pixels = (std::int64_t{x1} - x0 + 1) * (std::int64_t{y1} - y0 + 1);
    ForEachRowBand(y0, y1 + 1, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        RenderRows(x0, x1, rowBegin, rowEnd);
    });
}

void CWarpField::RestoreFromUndo(std::int32_t x0, std::int32_t x1, std::int32_t rowBegin, std::int32_t rowEnd)
{
    // Each row is copied and rendered at once, while its entries are still in the cache.
    const std::size_t count = static_cast<std::size_t>(x1 - x0 + 1);
    const std::int64_t pixels = static_cast<std::int64_t>(count) * (rowEnd - rowBegin);
    ForEachRowBand(rowBegin, rowEnd, pixels, [&](std::int32_t bandBegin, std::int32_t bandEnd) {
        for (std::int32_t y = bandBegin; y < bandEnd; ++y) {
            const std::size_t at = IndexOf(x0, y);
            std::copy(m_pUndoMap.begin() + at, m_pUndoMap.begin() + at + count, m_pMap.begin() + at);
            RenderRows(x0, x1, y, y + 1);
        }
    });
}

void CWarpField::RestoreWhereUndoMapDiffers()
{
    MapEntry* map = m_pMap.data();
    const MapEntry* undo = m_pUndoMap.data();
    const std::int32_t last = m_width - 1;
    ForEachRowBand(m_height, std::int64_t{m_width} * m_height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        ForEachTileOfRuns(
            rowBegin, rowEnd, [last](std::int32_t) { return CircleRun{0, last}; },
            [&](std::int32_t y, std::int32_t first, std::int32_t end) {
                const std::size_t at = IndexOf(first, y);
                const std::size_t count = static_cast<std::size_t>(end - first + 1);
                // Most of a picture keeps its entries: whole pieces are skipped at once.
                if (std::memcmp(map + at, undo + at, count * sizeof(MapEntry)) == 0)
                    return;
                for (std::size_t i = 0; i < count; ++i) {
                    const MapEntry entry = undo[at + i];
                    if (entry == map[at + i])
                        continue;
                    map[at + i] = entry;
                    CopySample(first + static_cast<std::int32_t>(i), y, entry.x, entry.y);
                }
            });
    });
}

void CWarpField::RenderAll()
{
    const std::int64_t pixels = std::int64_t{m_width} * m_height;
    ForEachRowBand(m_height, pixels, [this](std::int32_t rowBegin, std::int32_t rowEnd) {
        RenderRows(0, m_width - 1, rowBegin, rowEnd);
    });
}

void CWarpField::ClampToPicture(std::int32_t& x, std::int32_t& y) const
{
    x = ClampToRange(x, m_width);
    y = ClampToRange(y, m_height);
}
