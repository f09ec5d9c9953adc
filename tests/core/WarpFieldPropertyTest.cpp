// SPDX-License-Identifier: GPL-3.0-or-later
// Random sequences of every operation on small pictures: the map never points
// outside the picture, row padding is never written, and after every finished
// gesture the picture is exactly the rendering of the map.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "WarpFieldTestSupport.h"

using namespace warptest;

namespace {

::testing::AssertionResult PaddingUntouched(const CWarpField& field)
{
    const std::size_t rowBytes = field.RowBytesOfPicture();
    for (std::int32_t y = 0; y < field.Height(); ++y)
        for (std::size_t i = 3 * static_cast<std::size_t>(field.Width()); i < rowBytes; ++i)
            if (field.Deformed()[y * rowBytes + i] != kPaddingMarker)
                return ::testing::AssertionFailure() << "padding byte " << i << " of row " << y << " was written";
    return ::testing::AssertionSuccess();
}

// RenderAll must find nothing to change once a gesture is finished.
::testing::AssertionResult RenderAllChangesNothing(CWarpField& field)
{
    const std::vector<std::uint8_t> before = PictureOf(field);
    field.RenderAll();
    if (PictureOf(field) != before)
        return ::testing::AssertionFailure() << "RenderAll changed the picture";
    return ::testing::AssertionSuccess();
}

class RandomSession {
public:
    RandomSession(std::uint32_t seed, int width, int height)
        : m_random(seed), m_width(width), m_height(height), m_field(MakeField(width, height, 1 + seed % 9)) {}

    void Step()
    {
        switch (Pick(0, 6)) {
        case 0: Drag(); break;
        case 1: RegionGesture(ModeEnlarge); break;
        case 2: RegionGesture(ModeShrink); break;
        case 3: RegionGesture(ModeRotate); break;
        case 4:
            m_field->BeginDeformation(ModeSmooth);
            m_field->SmoothMap();
            m_field->EndDeformation();
            break;
        case 5:
            if (m_field->CanUndo())
                m_field->UndoDeformation();
            break;
        default: m_field->SetRadius(Pick(1, 12)); break;
        }
    }

    CWarpField& Field() { return *m_field; }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }

    void Drag()
    {
        m_field->BeginDeformation(ModeMovePoint);
        std::int32_t ax = Pick(0, m_width - 1), ay = Pick(0, m_height - 1);
        const int moves = Pick(0, 5);
        for (int i = 0; i < moves; ++i) {
            m_field->MovePointLive(ax, ay, Pick(0, m_width - 1), Pick(0, m_height - 1));
            EXPECT_TRUE(AllEntriesInside(*m_field));
            EXPECT_TRUE(PaddingUntouched(*m_field));
        }
        m_field->EndDeformation();
    }

    void RegionGesture(WarpMode mode)
    {
        m_field->BeginDeformation(mode);
        const int cx = Pick(-2, m_width + 1), cy = Pick(-2, m_height + 1);
        const double radius = Pick(0, 4) == 0 ? 0.0 : Uniform(0.0, 1.5 * (m_width + m_height));
        const int calls = Pick(0, 4);
        for (int i = 0; i < calls; ++i) {
            if (mode == ModeEnlarge)
                m_field->Enlarge(cx, cy, radius, Pick(100, 1000) / 100.0);
            else if (mode == ModeShrink)
                m_field->Shrink(cx, cy, radius, Pick(1, 100) / 100.0);
            else
                m_field->Rotate(cx, cy, radius, Pick(-180, 180), Pick(100, 1000) / 100.0);
            EXPECT_TRUE(AllEntriesInside(*m_field));
            EXPECT_TRUE(PaddingUntouched(*m_field));
        }
        if (Pick(0, 3) == 0)
            m_field->UndoDeformation();  // the dialog was cancelled
        m_field->EndDeformation();
    }

    std::mt19937 m_random;
    int m_width, m_height;
    std::unique_ptr<CWarpField> m_field;
};

}  // namespace

TEST(WarpFieldProperty, RandomSessionsKeepTheInvariants)
{
    const int sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {2, 2}, {3, 5}, {5, 3}, {17, 13}, {33, 40}};
    std::uint32_t seed = 1234;
    for (const auto& size : sizes) {
        for (int session = 0; session < 6; ++session, ++seed) {
            RandomSession random(seed, size[0], size[1]);
            for (int step = 0; step < 60; ++step) {
                random.Step();
                ASSERT_TRUE(AllEntriesInside(random.Field())) << size[0] << "x" << size[1] << " seed " << seed;
                ASSERT_TRUE(PaddingUntouched(random.Field())) << size[0] << "x" << size[1] << " seed " << seed;
                ASSERT_TRUE(RenderAllChangesNothing(random.Field())) << size[0] << "x" << size[1] << " seed " << seed
                                                                     << " step " << step;
            }
        }
    }
}

TEST(WarpFieldProperty, ExtremeArgumentsNeitherCrashNorLeaveThePicture)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::int32_t low = std::numeric_limits<std::int32_t>::min();
    const std::int32_t high = std::numeric_limits<std::int32_t>::max();
    auto field = MakeField(11, 6, 4);
    auto check = [&](const char* what) {
        EXPECT_TRUE(AllEntriesInside(*field)) << what;
        EXPECT_TRUE(PaddingUntouched(*field)) << what;
    };

    field->BeginDeformation(ModeEnlarge);
    field->Enlarge(low, high, 1e300, 10.0);
    check("enlarge, far centre, huge radius");
    field->Enlarge(5, 3, 8.0, 1e-300);
    check("enlarge, vanishing factor");
    field->Enlarge(5, 3, nan, 2.0);
    check("enlarge, no radius");
    field->EndDeformation();

    field->BeginDeformation(ModeShrink);
    field->Shrink(5, 3, 20.0, -1e300);
    check("shrink, factor far below the range");
    field->Shrink(5, 3, inf, 0.5);
    check("shrink, infinite radius");
    field->EndDeformation();

    field->BeginDeformation(ModeRotate);
    field->Rotate(5, 3, 9.0, 1e308, 10.0);
    check("rotate, huge angle");
    field->Rotate(high, low, 3e9, nan, 1.0);
    check("rotate, no angle");
    field->EndDeformation();

    field->SetRadius(high);
    field->BeginDeformation(ModeMovePoint);
    field->MovePoint(low, high, 5, 3, 1);
    check("move from far away with a huge radius");
    field->EndDeformation();

    const std::vector<MapEntry> before = MapOf(*field);
    for (std::int32_t radius : {0, -7}) {
        field->SetRadius(radius);
        field->BeginDeformation(ModeMovePoint);
        std::int32_t ax = 2, ay = 2;
        field->MovePointLive(ax, ay, 9, 5);
        field->EndDeformation();
        EXPECT_EQ(MapOf(*field), before) << "radius " << radius;
    }
    EXPECT_TRUE(RenderAllChangesNothing(*field));
}
