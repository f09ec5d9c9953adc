// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/MapDelta.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "image/RowBands.h"
#include "image/Exceptions.h"

namespace {

// Rows are deflated in chunks of about this many raw bytes: small enough that a
// step's chunks are deflated on every core and inflated without a buffer of the
// whole box, large enough that deflate finds its repetitions.
constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
// The fastest level: steps are recorded at every release of the mouse button.
constexpr int kDeflateLevel = 1;

// The box of the entries in which the maps differ (empty when none does).
PictureArea ChangedBox(const MapEntry* before, const MapEntry* after, std::int32_t width, std::int32_t height)
{
    std::mutex merge;
    PictureArea box;
    const std::size_t rowEntries = static_cast<std::size_t>(width);
    ForEachRowBand(height, std::int64_t{width} * height, [&](std::int32_t rowBegin, std::int32_t rowEnd) {
        PictureArea band;
        for (std::int32_t y = rowBegin; y < rowEnd; ++y) {
            const MapEntry* b = before + static_cast<std::size_t>(y) * rowEntries;
            const MapEntry* a = after + static_cast<std::size_t>(y) * rowEntries;
            if (std::memcmp(b, a, rowEntries * sizeof(MapEntry)) == 0)
                continue;
            std::int32_t first = 0;
            while (b[first] == a[first])
                ++first;
            std::int32_t last = width - 1;
            while (b[last] == a[last])
                --last;
            band = band.United(PictureArea{first, y, last, y});
        }
        const std::lock_guard<std::mutex> lock(merge);
        box = box.United(band);
    });
    return box;
}

std::int32_t RowsPerChunk(std::int32_t boxWidth)
{
    const std::size_t rowBytes = static_cast<std::size_t>(boxWidth) * sizeof(MapEntry);
    return static_cast<std::int32_t>(std::max<std::size_t>(1, kChunkBytes / rowBytes));
}

// One row of differences as four planes (x low bytes, x high bytes, y low, y
// high): the high bytes of small moves are all 0 or all 255, which deflate
// packs far better than the interleaved pairs.
void PutDifferenceRow(const MapEntry* before, const MapEntry* after, std::int32_t count, std::uint8_t* out)
{
    const std::size_t n = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < n; ++i) {
        const auto dx = static_cast<std::uint16_t>(after[i].x - before[i].x);
        const auto dy = static_cast<std::uint16_t>(after[i].y - before[i].y);
        out[i] = static_cast<std::uint8_t>(dx);
        out[n + i] = static_cast<std::uint8_t>(dx >> 8);
        out[2 * n + i] = static_cast<std::uint8_t>(dy);
        out[3 * n + i] = static_cast<std::uint8_t>(dy >> 8);
    }
}

// Adds (or, backwards, takes away) one row of differences.
void AddDifferenceRow(const MapEntry* from, const std::uint8_t* planes, std::int32_t count, bool forward, MapEntry* to)
{
    const std::size_t n = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < n; ++i) {
        auto dx = static_cast<std::uint16_t>(planes[i] | planes[n + i] << 8);
        auto dy = static_cast<std::uint16_t>(planes[2 * n + i] | planes[3 * n + i] << 8);
        if (!forward) {
            dx = static_cast<std::uint16_t>(-dx);
            dy = static_cast<std::uint16_t>(-dy);
        }
        to[i].x = static_cast<std::uint16_t>(from[i].x + dx);
        to[i].y = static_cast<std::uint16_t>(from[i].y + dy);
    }
}

}  // namespace

MapDelta MapDelta::Between(const MapEntry* before, const MapEntry* after, std::int32_t width, std::int32_t height)
{
    MapDelta delta;
    delta.m_box = ChangedBox(before, after, width, height);
    if (delta.m_box.IsEmpty())
        return delta;
    const PictureArea box = delta.m_box;
    const std::int32_t boxWidth = box.right - box.left + 1;
    const std::int32_t chunkRows = RowsPerChunk(boxWidth);
    const std::size_t rowEntries = static_cast<std::size_t>(width);

    std::mutex merge;
    std::atomic<bool> outOfMemory{false};
    const std::int64_t pixels = std::int64_t{boxWidth} * (box.top - box.bottom + 1);
    ForEachRowBand(box.bottom, box.top + 1, pixels, [&](std::int32_t bandBegin, std::int32_t bandEnd) {
        // Bands run on threads of their own: nothing may be thrown out of them.
        try {
            std::vector<Chunk> chunks;
            std::vector<std::uint8_t> raw;
            for (std::int32_t row = bandBegin; row < bandEnd; row += chunkRows) {
                const std::int32_t rowEnd = std::min(row + chunkRows, bandEnd);
                const std::size_t rowBytes = static_cast<std::size_t>(boxWidth) * sizeof(MapEntry);
                raw.resize(rowBytes * static_cast<std::size_t>(rowEnd - row));
                for (std::int32_t y = row; y < rowEnd; ++y) {
                    const std::size_t at = static_cast<std::size_t>(y) * rowEntries + static_cast<std::size_t>(box.left);
                    PutDifferenceRow(before + at, after + at, boxWidth, raw.data() + rowBytes * static_cast<std::size_t>(y - row));
                }
                Chunk chunk{row, rowEnd, {}};
                uLongf size = compressBound(static_cast<uLong>(raw.size()));
                chunk.deflated.resize(size);
                if (compress2(chunk.deflated.data(), &size, raw.data(), static_cast<uLong>(raw.size()), kDeflateLevel) != Z_OK)
                    throw std::bad_alloc();
                chunk.deflated.resize(size);
                chunk.deflated.shrink_to_fit();
                chunks.push_back(std::move(chunk));
            }
            const std::lock_guard<std::mutex> lock(merge);
            for (Chunk& chunk : chunks)
                delta.m_chunks.push_back(std::move(chunk));
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
    });
    if (outOfMemory)
        throw CMemoryException();
    std::sort(delta.m_chunks.begin(), delta.m_chunks.end(),
              [](const Chunk& a, const Chunk& b) { return a.rowBegin < b.rowBegin; });
    return delta;
}

std::size_t MapDelta::Bytes() const
{
    std::size_t bytes = sizeof(*this) + m_chunks.capacity() * sizeof(Chunk);
    for (const Chunk& chunk : m_chunks)
        bytes += chunk.deflated.capacity();
    return bytes;
}

void MapDelta::Apply(const MapEntry* map, std::int32_t width, bool forward, MapBuffer& entries) const
{
    if (m_box.IsEmpty()) {
        entries.clear();
        return;
    }
    const std::int32_t boxWidth = m_box.right - m_box.left + 1;
    const std::size_t rowEntries = static_cast<std::size_t>(width);
    const std::size_t rowBytes = static_cast<std::size_t>(boxWidth) * sizeof(MapEntry);
    try {
        entries.resize(static_cast<std::size_t>(boxWidth) * static_cast<std::size_t>(m_box.top - m_box.bottom + 1));
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    }
    // The chunks are independent: inflated on every core, as "rows" of the pass.
    std::atomic<bool> failed{false};
    const auto chunks = static_cast<std::int32_t>(m_chunks.size());
    const std::int64_t pixels = static_cast<std::int64_t>(entries.size());
    ForEachRowBand(0, chunks, pixels, [&](std::int32_t firstChunk, std::int32_t endChunk) {
        try {
            std::vector<std::uint8_t> raw;
            for (std::int32_t c = firstChunk; c < endChunk; ++c) {
                const Chunk& chunk = m_chunks[static_cast<std::size_t>(c)];
                raw.resize(rowBytes * static_cast<std::size_t>(chunk.rowEnd - chunk.rowBegin));
                uLongf size = static_cast<uLongf>(raw.size());
                // The chunks were made here; a failure can only mean no memory.
                if (uncompress(raw.data(), &size, chunk.deflated.data(), static_cast<uLong>(chunk.deflated.size())) != Z_OK ||
                    size != raw.size())
                    throw std::bad_alloc();
                for (std::int32_t y = chunk.rowBegin; y < chunk.rowEnd; ++y) {
                    const std::size_t at = static_cast<std::size_t>(y) * rowEntries + static_cast<std::size_t>(m_box.left);
                    MapEntry* out = entries.data() + static_cast<std::size_t>(y - m_box.bottom) * static_cast<std::size_t>(boxWidth);
                    AddDifferenceRow(map + at, raw.data() + rowBytes * static_cast<std::size_t>(y - chunk.rowBegin), boxWidth,
                                     forward, out);
                }
            }
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    });
    if (failed)
        throw CMemoryException();
}
