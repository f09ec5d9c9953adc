// SPDX-License-Identifier: GPL-3.0-or-later
// The video frame builder: every pixel moves the frame's fraction of the way
// along its total displacement, sampled from the undeformed picture.
#include "deform/IntermediateFrame.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "image/RowBands.h"
#include "deform/WarpArithmetic.h"
#include "image/Exceptions.h"
#include "image/PixelBuffer.h"

std::vector<std::int32_t> FrameShiftTable(double c, std::int32_t size)
{
    std::vector<std::int32_t> table;
    try {
        table.resize(2 * static_cast<std::size_t>(size) - 1);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    for (std::int32_t d = -(size - 1); d <= size - 1; ++d) {
        const std::int32_t shift = TruncToInt32(c * static_cast<double>(d));
        table[static_cast<std::size_t>(d + size - 1)] = std::clamp(shift, -size, size);
    }
    return table;
}

namespace {

// One band of rows. Up to c = 1 every sample lies between a pixel and its map
// entry, so inside the picture; only beyond 1 can it leave and need clamping.
template <bool kMayLeavePicture>
void BuildRows(const FrameSource& source, const std::int32_t* shiftX, const std::int32_t* shiftY,
               const DisplacedSpan* spans, std::uint8_t* frame, std::int32_t rowBegin, std::int32_t rowEnd)
{
    const std::int32_t width = source.width;
    const std::int32_t height = source.height;
    const std::size_t stride = static_cast<std::size_t>(source.rowBytes);
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(width);
    // Indexed by the displacement itself.
    const std::int32_t* byDx = shiftX + (width - 1);
    const std::int32_t* byDy = shiftY + (height - 1);
    for (std::int32_t i = rowBegin; i < rowEnd; ++i) {
        const MapEntry* entry = source.map + static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
        const std::uint8_t* in = source.original + static_cast<std::size_t>(i) * stride;
        std::uint8_t* out = frame + static_cast<std::size_t>(i) * stride;
        const DisplacedSpan span = spans ? spans[i] : DisplacedSpan{0, width - 1};
        // Pixels that stay in place are copied in one piece.
        const std::int32_t first = std::clamp(span.first, 0, width);
        const std::int32_t last = std::clamp(span.last, first - 1, width - 1);
        std::memcpy(out, in, 3 * static_cast<std::size_t>(first));
        for (std::int32_t j = first; j <= last; ++j) {
            // The map keeps every entry inside the picture; clamping it again keeps
            // the table look-ups in range even for a map that broke that promise.
            const std::int32_t mx = std::clamp<std::int32_t>(entry[j].x, 0, width - 1);
            const std::int32_t my = std::clamp<std::int32_t>(entry[j].y, 0, height - 1);
            std::int32_t sx = j + byDx[mx - j];
            std::int32_t sy = i + byDy[my - i];
            if constexpr (kMayLeavePicture) {
                sx = std::clamp(sx, 0, width - 1);
                sy = std::clamp(sy, 0, height - 1);
            }
            std::memcpy(out + 3 * static_cast<std::size_t>(j),
                        source.original + static_cast<std::size_t>(sy) * stride + 3 * static_cast<std::size_t>(sx), 3);
        }
        const std::size_t tail = 3 * static_cast<std::size_t>(last + 1);
        std::memcpy(out + tail, in + tail, pixelBytes - tail);
        std::memset(out + pixelBytes, 0, stride - pixelBytes);
    }
}

// Fraction 0: the undeformed picture row for row, with zero padding.
void CopyUndeformedRows(const FrameSource& source, std::uint8_t* frame, std::int32_t rowBegin, std::int32_t rowEnd)
{
    const std::size_t stride = static_cast<std::size_t>(source.rowBytes);
    const std::size_t pixelBytes = 3 * static_cast<std::size_t>(source.width);
    for (std::int32_t i = rowBegin; i < rowEnd; ++i) {
        std::uint8_t* out = frame + static_cast<std::size_t>(i) * stride;
        std::memcpy(out, source.original + static_cast<std::size_t>(i) * stride, pixelBytes);
        std::memset(out + pixelBytes, 0, stride - pixelBytes);
    }
}

}  // namespace

FrameSource FrameSourceOf(const CWarpField& field)
{
    return FrameSource{field.Width(), field.Height(), field.RowBytesOfPicture(), field.Original(), field.Map()};
}

double FrameFraction(std::uint32_t durationMs, std::uint32_t timeMs)
{
    if (durationMs == 0)
        return timeMs == 0 ? 0.0 : 1.0;
    return static_cast<double>(timeMs) / static_cast<double>(durationMs);
}

std::vector<DisplacedSpan> FindDisplacedSpans(const FrameSource& source)
{
    std::vector<DisplacedSpan> spans;
    try {
        spans.resize(static_cast<std::size_t>(std::max(source.height, 0)));
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    const std::int64_t pixels = std::int64_t{source.width} * source.height;
    ForEachRowBand(source.height, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        for (std::int32_t i = rowBegin; i < rowEnd; ++i) {
            const MapEntry* entry = source.map + static_cast<std::size_t>(i) * static_cast<std::size_t>(source.width);
            DisplacedSpan span{source.width, -1};
            for (std::int32_t j = 0; j < source.width; ++j)
                if (entry[j].x != j || entry[j].y != i) {
                    span.first = std::min(span.first, j);
                    span.last = j;
                }
            spans[static_cast<std::size_t>(i)] = span;
        }
    });
    return spans;
}

void BuildFrameInto(const FrameSource& source, double c, std::uint8_t* frame, const std::vector<DisplacedSpan>* spans)
{
    if (source.width <= 0 || source.height <= 0)
        return;
    const std::int64_t pixels = std::int64_t{source.width} * source.height;
    if (c == 0.0) {
        ForEachRowBand(source.height, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
            CopyUndeformedRows(source, frame, rowBegin, rowEnd);
        });
        return;
    }
    const std::vector<std::int32_t> shiftX = FrameShiftTable(c, source.width);
    const std::vector<std::int32_t> shiftY = FrameShiftTable(c, source.height);
    const DisplacedSpan* rowSpans =
        spans && spans->size() == static_cast<std::size_t>(source.height) ? spans->data() : nullptr;
    const bool mayLeavePicture = !(c >= 0.0 && c <= 1.0);
    ForEachRowBand(source.height, pixels, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        if (mayLeavePicture)
            BuildRows<true>(source, shiftX.data(), shiftY.data(), rowSpans, frame, rowBegin, rowEnd);
        else
            BuildRows<false>(source, shiftX.data(), shiftY.data(), rowSpans, frame, rowBegin, rowEnd);
    });
}

void CWarpField::BuildIntermediateFrame(std::uint32_t durationMs, std::uint32_t timeMs, PixelBuffer& pixels) const
{
    // Every byte of the frame, padding included, is written below.
    PixelBuffer frame = PixelBuffer::Allocate(static_cast<std::size_t>(m_rowBytes) * static_cast<std::size_t>(m_height),
                                              false);
    BuildFrameInto(FrameSourceOf(*this), FrameFraction(durationMs, timeMs), frame.data());
    pixels = std::move(frame);
}
