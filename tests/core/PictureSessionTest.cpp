// SPDX-License-Identifier: GPL-3.0-or-later
// The picture session's own protocol: what a gesture leaves behind when it is
// cancelled or never moves, that the change notifications cover every pixel
// that changed, and that failed saves and loads leave files and state alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <unistd.h>
#include <vector>

#include "WarpFieldTestSupport.h"
#include "resources/StringIds.h"
#include "session/PictureSession.h"
#include "session/SessionFailure.h"

namespace {

using warptest::MakePicture;
using warptest::MapOf;
using warptest::PictureOf;

constexpr std::int32_t kWidth = 120, kHeight = 90;

std::unique_ptr<PictureSession> NewSession()
{
    return std::make_unique<PictureSession>(kWidth, kHeight, MakePicture(kWidth, kHeight));
}

// Every gesture step of the table, run on a session that already carries a
// drag, must name in its notifications every pixel it changed.
TEST(PictureSession, NotificationsCoverEveryChangedPixel)
{
    const std::vector<std::pair<const char*, std::function<void(PictureSession&)>>> steps = {
        {"drag step", [](PictureSession& s) { s.BeginDrag(40, 40); s.DragTo(55, 47); }},
        // A preview only, then a long step the other way: the first preview is
        // put back far from the second step's squares.
        {"drag step turning back", [](PictureSession& s) { s.BeginDrag(40, 40); s.DragTo(50, 45); s.DragTo(20, 70); }},
        {"drag release", [](PictureSession& s) { s.BeginDrag(40, 40); s.DragTo(55, 47); s.EndDrag(); }},
        {"enlarge preview", [](PictureSession& s) { s.BeginRegion(ModeEnlarge, 60, 45, 15); s.PreviewEnlarge(2.5); }},
        {"smaller second preview", [](PictureSession& s) {
             s.BeginRegion(ModeEnlarge, 60, 45, 10);
             s.PreviewEnlarge(3);
             s.PreviewEnlarge(1.2);
         }},
        {"cancel", [](PictureSession& s) { s.BeginRegion(ModeShrink, 60, 45, 25); s.PreviewShrink(0.3); s.CancelRegion(); }},
        {"smooth", [](PictureSession& s) { s.Smooth(); }},
        {"exaggerate previews", [](PictureSession& s) {
             s.BeginExaggerate();
             s.PreviewExaggerate(280);
             s.PreviewExaggerate(40);
         }},
        {"exaggerate cancel", [](PictureSession& s) { s.BeginExaggerate(); s.PreviewExaggerate(190); s.CancelRegion(); }},
        {"undo", [](PictureSession& s) { s.Undo(); }},
    };
    for (const auto& [name, step] : steps) {
        auto session = NewSession();
        session->BeginDrag(10, 80);
        session->DragTo(30, 60);
        session->EndDrag();
        // Each notification is checked against the picture at its moment.
        std::vector<std::uint8_t> before = PictureOf(session->Field());
        std::vector<std::string> misses;
        session->SetChangeListener([&](const PictureArea& area) {
            const std::vector<std::uint8_t> now = PictureOf(session->Field());
            const std::size_t rowBytes = RowBytes(kWidth, 24);
            for (std::int32_t y = 0; y < kHeight; ++y)
                for (std::int32_t x = 0; x < kWidth; ++x) {
                    const std::size_t at = y * rowBytes + 3 * x;
                    const bool inside = x >= area.left && x <= area.right && y >= area.bottom && y <= area.top;
                    if (!inside && !std::equal(&now[at], &now[at] + 3, &before[at]))
                        misses.push_back(std::to_string(x) + "," + std::to_string(y));
                }
            before = now;
        });
        step(*session);
        // Nothing changed without being told.
        EXPECT_EQ(PictureOf(session->Field()), before) << name;
        EXPECT_TRUE(misses.empty()) << name << ": first untold pixel " << (misses.empty() ? "" : misses.front());
    }
}

TEST(PictureSession, CancelledRegionRestoresTheMapAndAnUnmovedPressKeepsTheUndo)
{
    auto session = NewSession();
    session->BeginDrag(20, 20);
    session->DragTo(35, 28);
    session->EndDrag();
    CWarpField& field = session->Field();
    const auto map = MapOf(field);
    const auto picture = PictureOf(field);

    // A region gesture with several previews, cancelled: the map and the
    // picture as before, and, as in the editor, no Undo on offer.
    session->BeginRegion(ModeRotate, 60, 45, 30);
    session->PreviewRotate(120, 3);
    session->PreviewRotate(-60, 1);
    session->CancelRegion();
    EXPECT_EQ(MapOf(field), map);
    EXPECT_EQ(PictureOf(field), picture);
    EXPECT_FALSE(session->InRegionGesture());
    EXPECT_FALSE(session->CanUndo());

    // A second drag, then a press and release without movement: the Undo of
    // the drag survives and leads back to the map before it.
    session->BeginDrag(80, 60);
    session->DragTo(90, 50);
    session->EndDrag();
    session->BeginDrag(50, 50);
    EXPECT_FALSE(session->DragTo(50, 50));
    session->EndDrag();
    ASSERT_TRUE(session->CanUndo());
    session->Undo();
    EXPECT_EQ(MapOf(field), map);
    EXPECT_EQ(PictureOf(field), picture);
}

// Until a step needs the warp field the session holds the loaded rows alone;
// they must save as the field's picture would, and a rescaled session is a new
// picture that keeps only the settings of later saves and videos.
TEST(PictureSession, PictureWithoutFieldSavesAsWithOneAndRescalesAfresh)
{
    const auto folder = std::filesystem::temp_directory_path() / ("session-lazy-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto plain = NewSession();
    auto withField = NewSession();
    withField->Field();
    plain->Save((folder / "plain.bmp").string());
    withField->Save((folder / "field.bmp").string());
    std::ifstream a(folder / "plain.bmp", std::ios::binary), b(folder / "field.bmp", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
    std::filesystem::remove_all(folder);

    withField->SetRadius(70);
    withField->JpegOptions().quality = 42;
    withField->Video().durationMs = 500;
    withField->Smooth();
    const auto scaled = withField->Rescaled(60, 45);
    EXPECT_EQ(scaled->Width(), 60);
    EXPECT_EQ(scaled->Height(), 45);
    EXPECT_FALSE(scaled->CanUndo());
    EXPECT_EQ(scaled->GetRadius(), PictureSession::kInitialRadius);
    EXPECT_EQ(scaled->JpegOptions().quality, 42);
    EXPECT_EQ(scaled->Video().durationMs, 500u);
    EXPECT_EQ(MapOf(scaled->Field()), warptest::IdentityMap(60, 45));
}

TEST(PictureSession, FailedSaveAndLoadNameTheirMessageAndKeepTheOldFile)
{
    const auto folder = std::filesystem::temp_directory_path() / ("session-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string locked = (folder / "locked.png").string();
    std::ofstream(locked) << "old contents";
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                             std::filesystem::perms::others_read);
    auto session = NewSession();
    session->Smooth();

    const auto failureOf = [](const std::function<void()>& action) -> std::optional<SessionFailure> {
        try {
            action();
        } catch (const SessionFailure& failure) {
            return failure;
        }
        return std::nullopt;
    };
    const auto denied = failureOf([&] { session->Save(locked); });
    ASSERT_TRUE(denied);
    EXPECT_EQ(denied->MessageId(), IDS_SAVE_FAILED);
    EXPECT_EQ(denied->GetCause(), SessionFailure::Cause::Exception);
    std::ifstream kept(locked);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old contents");
    EXPECT_TRUE(session->CanUndo()) << "a failed save changes nothing of the session";

    const auto ending = failureOf([&] { session->Save((folder / "picture.xyz").string()); });
    ASSERT_TRUE(ending);
    EXPECT_EQ(ending->GetCause(), SessionFailure::Cause::UnknownEnding);
    EXPECT_FALSE(std::filesystem::exists(folder / "picture.xyz"));

    std::ofstream(folder / "notes.txt") << "no picture";
    const auto format = failureOf([&] { PictureSession::Open((folder / "notes.txt").string()); });
    ASSERT_TRUE(format);
    EXPECT_EQ(format->MessageId(), IDS_LOAD_FAILED);
    EXPECT_EQ(format->GetCause(), SessionFailure::Cause::UnknownFormat);
    std::filesystem::remove_all(folder);
}

}  // namespace
