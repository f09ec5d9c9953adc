// SPDX-License-Identifier: GPL-3.0-or-later
// The warp field's fast paths (row bands on several threads, runs of columns
// inside the circle, the rotate tool's table of turns, the vectorised median)
// against the plain reference model, on random pictures and random gestures:
// map and picture must be identical after every step.
#include <gtest/gtest.h>

#include <random>

#include "WarpFieldTestSupport.h"
#include "WarpReference.h"
#include "deform/MedianOfNine.h"
#include "image/RowBands.h"

using namespace warptest;

namespace {

// Forces row bands onto every pass, however small, for the life of a test.
class ForcedRowBands {
public:
    explicit ForcedRowBands(int bands) : m_saved(GetRowBandPolicy()) { SetRowBandPolicy(RowBandPolicy{0, bands}); }
    ~ForcedRowBands() { SetRowBandPolicy(m_saved); }

private:
    RowBandPolicy m_saved;
};

class FastPathSession {
public:
    FastPathSession(std::uint32_t seed, std::int32_t width, std::int32_t height)
        : m_random(seed), m_width(width), m_height(height), m_field(MakeField(width, height, 20)),
          m_reference(width, height, 20)
    {
    }

    // One random gesture or command on both; false with a message on the first difference.
    ::testing::AssertionResult Step()
    {
        switch (Pick(0, 7)) {
        case 0:
        case 1: return Drag();
        case 2: return Region(ModeEnlarge);
        case 3: return Region(ModeShrink);
        case 4:
        case 5: return Region(ModeRotate);
        case 6:
            m_field->BeginDeformation(ModeSmooth);
            m_reference.Begin(ModeSmooth);
            m_field->SmoothMap();
            m_reference.Smooth();
            m_field->EndDeformation();
            m_reference.End();
            return Same("smooth");
        default:
            m_field->UndoDeformation();
            m_reference.Undo();
            if (auto same = Same("undo"); !same)
                return same;
            return Pick(0, 2) == 0 ? StrayCallAfterUndo() : ::testing::AssertionSuccess();
        }
    }

private:
    std::mt19937 m_random;
    std::int32_t m_width, m_height;
    std::unique_ptr<CWarpField> m_field;
    ReferenceWarp m_reference;

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }

    // A position near the picture, up to `beyond` pixels outside it.
    std::int32_t Near(std::int32_t size, int beyond) { return Pick(-beyond, size - 1 + beyond); }

    ::testing::AssertionResult Same(const char* what)
    {
        const std::vector<MapEntry> map = MapOf(*m_field);
        const std::vector<MapEntry>& expected = m_reference.Map();
        for (std::size_t i = 0; i < map.size(); ++i)
            if (!(map[i] == expected[i]))
                return ::testing::AssertionFailure() << what << ": entry (" << i % m_width << ", " << i / m_width
                                                     << ") is " << map[i] << ", the reference has " << expected[i];
        if (PictureOf(*m_field) != RenderingOf(*m_field, m_reference.Shown()))
            return ::testing::AssertionFailure() << what << ": the picture differs from the reference";
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult Drag()
    {
        const std::int32_t radius = Pick(0, 5) == 0 ? Pick(1, 4) : Pick(5, (m_width + m_height) / 2 + 5);
        m_field->SetRadius(radius);
        m_reference.SetRadius(radius);
        m_field->BeginDeformation(ModeMovePoint);
        m_reference.Begin(ModeMovePoint);
        std::int32_t ax = Pick(0, m_width - 1), ay = Pick(0, m_height - 1);
        std::int32_t rx = ax, ry = ay;
        const int moves = Pick(1, 6);
        for (int i = 0; i < moves; ++i) {
            // Short moves preview only; long ones commit sub-moves first.
            const int reach = Pick(0, 1) ? 3 : m_width + m_height;
            const std::int32_t tx = std::clamp(ax + Pick(-reach, reach), 0, m_width - 1);
            const std::int32_t ty = std::clamp(ay + Pick(-reach, reach), 0, m_height - 1);
            m_field->MovePointLive(ax, ay, tx, ty);
            m_reference.MovePointLive(rx, ry, tx, ty);
            if (ax != rx || ay != ry)
                return ::testing::AssertionFailure() << "drag step: anchor (" << ax << ", " << ay << "), the reference has ("
                                                     << rx << ", " << ry << ")";
            if (auto same = Same("drag step"); !same)
                return same;
        }
        m_field->EndDeformation();
        m_reference.End();
        if (auto same = Same("end of drag"); !same || Pick(0, 3) != 0)
            return same;
        // Smoothing with no gesture of its own filters the state before the drag,
        // while the picture still shows the drag.
        m_field->SmoothMap();
        m_reference.Smooth();
        return Same("smoothing without a gesture after a drag");
    }

    // A region call or smoothing that no BeginDeformation precedes reads the
    // restore point, which after an undo must be the map the undo restored.
    ::testing::AssertionResult StrayCallAfterUndo()
    {
        const std::int32_t cx = Pick(0, m_width - 1), cy = Pick(0, m_height - 1);
        const double radius = Uniform(1.0, 0.8 * std::max(m_width, m_height));
        if (Pick(0, 1) == 0) {
            m_field->SmoothMap();
            m_reference.Smooth();
            return Same("smoothing without a gesture after an undo");
        }
        m_field->Rotate(cx, cy, radius, 90.0, 2.0);
        m_reference.Rotate(cx, cy, radius, 90.0, 2.0);
        return Same("rotation without a gesture after an undo");
    }

    ::testing::AssertionResult Region(WarpMode mode)
    {
        m_field->BeginDeformation(mode);
        m_reference.Begin(mode);
        const int extent = std::max(m_width, m_height);
        double radius = 0.0;
        std::int32_t cx = 0, cy = 0;
        auto pickRegion = [&] {
            // Now and then a region too large for the rotate tool's table.
            radius = Pick(0, 9) == 0 ? Uniform(2050.0, 2600.0) : Uniform(0.0, 1.2 * extent);
            cx = Near(m_width, static_cast<int>(radius) + 3);
            cy = Near(m_height, static_cast<int>(radius) + 3);
        };
        pickRegion();
        const int calls = Pick(1, 4);
        for (int i = 0; i < calls; ++i) {
            // Each call takes the previous one back, whatever its box was.
            if (i > 0 && Pick(0, 2) == 0)
                pickRegion();
            if (mode == ModeEnlarge) {
                const double factor = Pick(100, 1000) / 100.0;
                m_field->Enlarge(cx, cy, radius, factor);
                m_reference.Enlarge(cx, cy, radius, factor);
            } else if (mode == ModeShrink) {
                const double factor = Pick(1, 100) / 100.0;
                m_field->Shrink(cx, cy, radius, factor);
                m_reference.Shrink(cx, cy, radius, factor);
            } else {
                const double angle = Pick(-180, 180), gain = Pick(100, 1000) / 100.0;
                m_field->Rotate(cx, cy, radius, angle, gain);
                m_reference.Rotate(cx, cy, radius, angle, gain);
            }
            if (auto same = Same("region call"); !same)
                return same << " (centre " << cx << ", " << cy << ", radius " << radius << ")";
        }
        if (Pick(0, 3) == 0) {
            m_field->UndoDeformation();  // the dialog was cancelled
            m_reference.Undo();
        }
        m_field->EndDeformation();
        m_reference.End();
        return Same("end of region gesture");
    }
};

void RunSessions(int bands, std::uint32_t firstSeed)
{
    ForcedRowBands forced(bands);
    const std::int32_t sizes[][2] = {{1, 1}, {2, 9}, {9, 2}, {3, 3}, {31, 17}, {64, 48}, {97, 130}};
    std::uint32_t seed = firstSeed;
    for (const auto& size : sizes)
        for (int session = 0; session < 3; ++session, ++seed) {
            FastPathSession random(seed, size[0], size[1]);
            for (int step = 0; step < 25; ++step)
                ASSERT_TRUE(random.Step()) << size[0] << " x " << size[1] << ", seed " << seed << ", step " << step;
        }
}

}  // namespace

TEST(WarpFieldFastPaths, OneBandMatchesTheReference) { RunSessions(1, 500); }

TEST(WarpFieldFastPaths, ThreeBandsMatchTheReference) { RunSessions(3, 700); }

TEST(WarpFieldFastPaths, LargeRadiiOnAPictureOverTheBandThreshold)
{
    // The default policy, on a picture large enough for its own bands: what the
    // editor does with a large region on a large photo.
    FastPathSession random(4242, 1100, 1000);
    for (int step = 0; step < 4; ++step)
        ASSERT_TRUE(random.Step()) << "step " << step;
}

TEST(WarpFieldFastPaths, MedianRowAgreesWithTheNetwork)
{
    std::mt19937 random(7);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t count = 3 + random() % 40, step = 1 + random() % 2;
        const int spread = round % 2 ? 3 : 1 << 30;
        std::vector<std::int32_t> rows(3 * count), out(count, 0);
        for (auto& v : rows)
            v = static_cast<std::int32_t>(static_cast<std::int64_t>(random() % (2u * spread + 1)) - spread);
        const std::int32_t* below = rows.data();
        const std::int32_t* row = below + count;
        const std::int32_t* above = row + count;
        MedianOfNineRow(below, row, above, out.data(), count, step);
        for (std::size_t i = step; i + step < count; ++i) {
            const std::size_t l = i - step, r = i + step;
            ASSERT_EQ(out[i], MedianOfNine(below[l], below[i], below[r], row[l], row[i], row[r], above[l], above[i], above[r]))
                << "round " << round << ", value " << i;
        }
    }
}
