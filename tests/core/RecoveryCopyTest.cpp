// SPDX-License-Identifier: GPL-3.0-or-later
// The recovery copy takes the undo map over from its previous copy when it
// can; every copy must still hold exactly the session's map and undo map.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/stat.h>

#include "TestPictures.h"
#include "WarpFieldTestSupport.h"
#include "session/PictureSession.h"
#include "session/RecoveryCopy.h"
#include "session/RecoveryFolder.h"

namespace {

using testpictures::ScratchDirectory;
using warptest::MakePicture;
using warptest::MapOf;

std::vector<MapEntry> UndoMapOf(CWarpField& field)
{
    const MapEntry* undo = field.UndoMap();
    return undo ? std::vector<MapEntry>(undo, undo + std::size_t(field.Width()) * field.Height()) : std::vector<MapEntry>{};
}

void Drag(PictureSession& s, std::int32_t x, std::int32_t y)
{
    s.BeginDrag(x, y);
    s.DragTo(x + 6, y + 3);
    s.EndDrag();
}

TEST(RecoveryCopy, EveryCopyHoldsTheMapAndTheUndoMapOfItsMoment)
{
    ScratchDirectory scratch;
    auto session = std::make_unique<PictureSession>(61, 47, MakePicture(61, 47));
    session->SetRadius(8);
    RecoveryCopy copy(scratch.File("recovery"));
    // Copies after single gestures (the undo map is the previous copy's map),
    // after several gestures between copies, after an undo, twice without a
    // change, and after a gesture on a reopened document.
    const std::vector<std::function<void(PictureSession&)>> steps = {
        [](PictureSession& s) { Drag(s, 20, 20); },
        [](PictureSession& s) { Drag(s, 30, 25); },
        [](PictureSession& s) { s.Smooth(); },
        [](PictureSession&) {},
        [](PictureSession& s) { Drag(s, 10, 30); Drag(s, 40, 12); },
        [](PictureSession& s) { s.Undo(); },
        [](PictureSession& s) { Drag(s, 25, 35); },
        [](PictureSession& s) {
            s.BeginRegion(ModeEnlarge, 30, 24, 14);
            s.PreviewEnlarge(1.6);
            s.CommitRegion();
        },
        [](PictureSession&) {},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        steps[i](*session);
        ASSERT_TRUE(copy.Write(*session, "Bild"));
        copy.Wait();
        ASSERT_FALSE(copy.TakeFailure());
        auto reopened = PictureSession::Open(copy.DocumentPath());
        EXPECT_EQ(reopened->CanUndo(), session->CanUndo());
        EXPECT_EQ(MapOf(reopened->Field()), MapOf(session->Field()));
        EXPECT_EQ(UndoMapOf(reopened->Field()), UndoMapOf(session->Field()));
    }
    // A document reopened from the copy brings its undo map from the file:
    // the next copy must not take it for a map it copied.
    auto reopened = PictureSession::Open(copy.DocumentPath());
    ASSERT_TRUE(copy.Write(*reopened, "Bild"));
    copy.Wait();
    Drag(*reopened, 15, 15);
    ASSERT_TRUE(copy.Write(*reopened, "Bild"));
    copy.Wait();
    auto again = PictureSession::Open(copy.DocumentPath());
    EXPECT_EQ(MapOf(again->Field()), MapOf(reopened->Field()));
    EXPECT_EQ(UndoMapOf(again->Field()), UndoMapOf(reopened->Field()));
}

TEST(RecoveryCopy, MapRevisionChangesWithEveryChangeAndNamesTheUndoMapsSource)
{
    auto session = std::make_unique<PictureSession>(40, 30, MakePicture(40, 30));
    CWarpField& field = session->Field();
    const std::uint64_t before = field.MapRevision();
    Drag(*session, 12, 12);
    EXPECT_NE(field.MapRevision(), before);
    EXPECT_EQ(field.UndoMapSourceRevision(), before);
    const std::uint64_t afterDrag = field.MapRevision();
    session->Smooth();
    EXPECT_NE(field.MapRevision(), afterDrag);
    EXPECT_EQ(field.UndoMapSourceRevision(), afterDrag);
    const std::uint64_t afterSmooth = field.MapRevision();
    session->Undo();
    EXPECT_NE(field.MapRevision(), afterSmooth);
    // Another field never shares a revision.
    auto other = std::make_unique<PictureSession>(40, 30, MakePicture(40, 30));
    EXPECT_NE(other->Field().MapRevision(), field.MapRevision());
    EXPECT_NE(other->Field().MapRevision(), before);
}

// A leftover's files are read only when they are regular files of bounded
// size: a title that is a link, a pipe or far too long is no title, and a
// document that is a link is not offered.
TEST(RecoveryCopy, LeftoversAreReadOnlyFromRegularFilesOfBoundedSize)
{
    namespace fs = std::filesystem;
    ScratchDirectory scratch;
    const std::string folder = scratch.File("recovery");
    fs::create_directories(folder);
    std::ofstream(scratch.File("elsewhere")) << "geheim";
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(folder + "/" + name, std::ios::binary) << text;
    };
    const struct {
        std::string id;
        std::function<void(const std::string& title)> makeTitle;
        bool documentIsLink;
        std::string title;  // expected; "-": not offered
    } cases[] = {
        {"plain", [&](const std::string& t) { write(t, "Bild.png"); }, false, "Bild.png"},
        {"linked", [&](const std::string& t) { fs::create_symlink(scratch.File("elsewhere"), folder + "/" + t); },
         false, ""},
        {"pipe", [&](const std::string& t) { ::mkfifo((folder + "/" + t).c_str(), 0600); }, false, ""},
        {"long", [&](const std::string& t) { write(t, std::string(100000, 'x')); }, false, ""},
        {"document-link", [&](const std::string& t) { write(t, "Bild.png"); }, true, "-"},
    };
    for (const auto& c : cases) {
        write(c.id + ".lock", "");
        c.makeTitle(c.id + ".title");
        if (c.documentIsLink)
            fs::create_symlink(scratch.File("elsewhere"), folder + "/" + c.id + ".grimasso");
        else
            write(c.id + ".grimasso", "PK");
    }
    std::vector<LeftoverCopy> found = FindLeftoverCopies(folder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        const auto copy = std::find_if(found.begin(), found.end(), [&](const LeftoverCopy& leftover) {
            return leftover.DocumentPath() == folder + "/" + c.id + ".grimasso";
        });
        if (c.title == "-") {
            EXPECT_EQ(copy, found.end());
            continue;
        }
        ASSERT_NE(copy, found.end());
        EXPECT_EQ(copy->Title(), c.title);
    }
    EXPECT_TRUE(fs::exists(scratch.File("elsewhere")));
}

}  // namespace
