#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// Values of a circular region that depend on a pixel's offset from the centre
// only through |ex| and |ey| (the distance, and what the tools derive from it),
// laid out row offset by row offset. The four pixels (cx +- a, cy +- b) share
// one entry, and a tile of pixels reads its entries in order.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "deform/CircleRun.h"
#include "image/RowBands.h"
#include "deform/WarpField.h"

template <class Value>
class OffsetTable {
public:
    // Lays out the rows b of `rows` (the span of |ey| in the region's box):
    // row b keeps the |ex| of the span of runOf(b), the run of columns that row
    // offset writes (rows cy - b and cy + b have the same run), about column cx.
    template <class RunOf>
    void LayOut(const OffsetSpan& rows, std::int64_t cx, RunOf runOf)
    {
        m_nearestRow = rows.nearest;
        const std::size_t count = static_cast<std::size_t>(rows.farthest - rows.nearest + 1);
        m_start.resize(count + 1);
        m_nearestColumn.resize(count);
        std::size_t laidOut = 0;
        for (std::size_t i = 0; i < count; ++i) {
            m_start[i] = laidOut;
            m_nearestColumn[i] = 0;
            const CircleRun run = runOf(rows.nearest + static_cast<std::int64_t>(i));
            if (run.Empty())
                continue;
            const OffsetSpan columns = SpanOfAbsoluteOffsets(std::int64_t{run.first} - cx, std::int64_t{run.last} - cx);
            m_nearestColumn[i] = columns.nearest;
            laidOut += static_cast<std::size_t>(columns.farthest - columns.nearest + 1);
        }
        m_start[count] = laidOut;
        if (m_values.size() < laidOut)
            m_values.resize(laidOut);
    }

    // Calls visit(a, b) for every laid-out entry, on all cores (row offsets in
    // bands): visit must not write anything that another (a, b) writes.
    template <class Visit>
    void ForEachOffset(Visit visit) const
    {
        ForEachRowOffset([&](std::size_t i, std::int64_t b) {
            const std::size_t count = m_start[i + 1] - m_start[i];
            for (std::size_t k = 0; k < count; ++k)
                visit(m_nearestColumn[i] + static_cast<std::int64_t>(k), b);
        });
    }

    // Stores valueAt(a, b) in every entry, on all cores: each entry is written once.
    template <class ValueAt>
    void Fill(ValueAt valueAt)
    {
        Value* values = m_values.data();
        ForEachRowOffset([&](std::size_t i, std::int64_t b) {
            Value* out = values + m_start[i];
            const std::size_t count = m_start[i + 1] - m_start[i];
            for (std::size_t k = 0; k < count; ++k)
                out[k] = valueAt(m_nearestColumn[i] + static_cast<std::int64_t>(k), b);
        });
    }

    // The entries of row offset ey, indexed by |ex| - NearestColumn(ey).
    const Value* Row(std::int64_t ey) const { return m_values.data() + m_start[Index(ey)]; }
    std::int64_t NearestColumn(std::int64_t ey) const { return m_nearestColumn[Index(ey)]; }

private:
    // Calls work(i, b) for every laid-out row offset b (the i-th), in bands.
    template <class Work>
    void ForEachRowOffset(Work work) const
    {
        const std::int32_t rows = static_cast<std::int32_t>(m_nearestColumn.size());
        ForEachRowBand(0, rows, static_cast<std::int64_t>(m_start.back()), [&](std::int32_t from, std::int32_t to) {
            for (std::int32_t i = from; i < to; ++i)
                work(static_cast<std::size_t>(i), m_nearestRow + i);
        });
    }

    std::size_t Index(std::int64_t ey) const { return static_cast<std::size_t>((ey < 0 ? -ey : ey) - m_nearestRow); }

    std::int64_t m_nearestRow = 0;
    std::vector<std::size_t> m_start;           // where each row offset starts, and the end
    std::vector<std::int64_t> m_nearestColumn;  // the first |ex| stored for each row offset
    // Large and refilled at every live call: left uninitialised, on huge pages.
    std::vector<Value, UninitializedAllocator<Value>> m_values;
};
