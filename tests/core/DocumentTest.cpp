// SPDX-License-Identifier: GPL-3.0-or-later
// Grimasso documents: a saved and reopened session goes on exactly as the
// original would, damaged or hostile documents are refused with the load
// message, and a saved deformation carried over to a picture of another size
// follows the scaling rule entry for entry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <zip.h>

#include "TestPictures.h"
#include "WarpFieldTestSupport.h"
#include "resources/StringIds.h"
#include "session/DocumentDescription.h"
#include "session/DocumentError.h"
#include "session/DocumentReader.h"
#include "session/PictureSession.h"
#include "session/SessionFailure.h"

namespace {

using testpictures::ReadWholeFile;
using testpictures::ScratchDirectory;
using warptest::MakePicture;
using warptest::MapOf;
using warptest::PictureOf;

std::unique_ptr<PictureSession> DeformedSession(std::int32_t width, std::int32_t height)
{
    auto session = std::make_unique<PictureSession>(width, height, MakePicture(width, height));
    session->SetRadius(9);
    session->BeginDrag(width / 3, height / 3);
    session->DragTo(width / 2, height / 3 + 4);
    session->DragTo(width / 2 + 5, height / 2);
    session->EndDrag();
    session->Smooth();
    session->BeginRegion(ModeRotate, width / 2, height / 2, width / 4.0);
    session->PreviewRotate(70, 2);
    session->CommitRegion();
    return session;
}

// The bytes of the undo map when there is one.
std::vector<MapEntry> UndoMapOf(CWarpField& field)
{
    const MapEntry* undo = field.UndoMap();
    return undo ? std::vector<MapEntry>(undo, undo + std::size_t(field.Width()) * field.Height()) : std::vector<MapEntry>{};
}

// Saves, reopens and compares everything a user could see or undo, for
// sessions left in each undo state.
TEST(Document, ReopenedSessionGoesOnAsTheOriginal)
{
    ScratchDirectory scratch;
    const std::vector<std::function<void(PictureSession&)>> lastSteps = {
        [](PictureSession&) {},                      // a region gesture to undo
        [](PictureSession& s) { s.Undo(); },         // nothing to undo, undo map behind
        [](PictureSession& s) { s.Smooth(); },       // smoothing to undo
    };
    for (std::size_t i = 0; i < lastSteps.size(); ++i) {
        SCOPED_TRACE(i);
        auto original = DeformedSession(72, 53);
        lastSteps[i](*original);
        const std::string path = scratch.File("work.GRIMASSO");
        original->Save(path);
        ASSERT_TRUE(IsDocumentFile(path));
        auto reopened = PictureSession::Open(path);

        EXPECT_EQ(reopened->GetRadius(), 9);
        EXPECT_EQ(reopened->CanUndo(), original->CanUndo());
        EXPECT_EQ(PictureOf(reopened->Field()), PictureOf(original->Field()));
        EXPECT_EQ(MapOf(reopened->Field()), MapOf(original->Field()));
        EXPECT_EQ(UndoMapOf(reopened->Field()), UndoMapOf(original->Field()));
        EXPECT_EQ(reopened->Field().LastMode(), original->Field().LastMode());
        EXPECT_TRUE(warptest::PictureFollowsMap(reopened->Field()));
        // The next steps agree as well: Undo, then a new gesture on top.
        for (PictureSession* s : {original.get(), reopened.get()}) {
            s->Undo();
            s->BeginRegion(ModeEnlarge, 20, 20, 12);
            s->PreviewEnlarge(1.7);
            s->CommitRegion();
            s->Undo();
        }
        EXPECT_EQ(PictureOf(reopened->Field()), PictureOf(original->Field()));
        EXPECT_EQ(MapOf(reopened->Field()), MapOf(original->Field()));
    }
}

TEST(Document, PictureNeverDeformedSavesItsIdentityAndSourceName)
{
    ScratchDirectory scratch;
    const auto header = testpictures::InfoHeader(31, 17, 24);
    const std::string input =
        scratch.Write("Urlaub.bmp", testpictures::BitmapFile(header, {}, testpictures::Pattern24(31, 17)));
    auto session = PictureSession::Open(input);
    session->Save(scratch.File("a.grimasso"));
    auto reopened = PictureSession::Open(scratch.File("a.grimasso"));
    EXPECT_EQ(reopened->SourceName(), "Urlaub.bmp");
    EXPECT_FALSE(reopened->CanUndo());
    EXPECT_EQ(MapOf(reopened->Field()), warptest::IdentityMap(31, 17));
    EXPECT_EQ(PictureOf(reopened->Field()), PictureOf(session->Field()));
}

// The description's text: a faithful round trip, and every kind of fault refused.
TEST(Document, DescriptionRefusesEveryMalformedText)
{
    DocumentDescription description;
    description.width = 640;
    description.height = 480;
    description.radius = 20;
    description.canUndo = true;
    description.lastMode = 6;
    description.sourceName = "Foto vom Meer.jpg";
    EXPECT_EQ(ParseDescription(FormatDescription(description)), description);

    const std::string good = "width=640\nheight=480\nradius=20\nundo=1\nmode=6\nsource=x.png\n";
    const struct {
        std::string text;
        int cause;
    } cases[] = {
        {"", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=2\nanything", IDS_DOCUMENT_CAUSE_VERSION},
        {"format=0\n" + good, IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=01\n" + good, IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nheight=480\nwidth=640\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=640\nheight=480\nradius=20\nundo=1\nmode=6\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=0\nheight=480\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=65536\nheight=1\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=65535\nheight=65535\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_SIZE},
        {"format=1\nwidth=640\nheight=480\nradius=0\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=640\nheight=480\nradius=20\nundo=2\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=640\nheight=480\nradius=20\nundo=1\nmode=-1\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=+640\nheight=480\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=640\nheight=480\nradius=20\nundo=1\nmode=6\nsource=\n\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
        {"format=1\nwidth=640 \nheight=480\nradius=20\nundo=1\nmode=6\nsource=\n", IDS_DOCUMENT_CAUSE_DESCRIPTION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParseDescription(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const DocumentError& error) {
            EXPECT_EQ(error.MessageId(), c.cause);
        }
    }
}

// The offset and length of an entry's stored bytes, found through its local header.
std::pair<std::size_t, std::size_t> EntryData(const std::vector<std::uint8_t>& file, const char* name)
{
    const std::size_t nameLength = std::strlen(name);
    for (std::size_t at = 0; at + 30 + nameLength <= file.size(); ++at) {
        if (std::memcmp(&file[at], "PK\x03\x04", 4) != 0 || std::memcmp(&file[at + 30], name, nameLength) != 0)
            continue;
        const auto u16 = [&](std::size_t i) { return std::size_t(file[i] | (file[i + 1] << 8)); };
        const auto u32 = [&](std::size_t i) { return u16(i) | (u16(i + 2) << 16); };
        return {at + 30 + u16(26) + u16(28), u32(at + 18)};
    }
    return {0, 0};
}

::testing::AssertionResult Refused(const std::vector<std::uint8_t>& bytes)
{
    try {
        ReadDocumentFromMemory(bytes.data(), bytes.size());
    } catch (const DocumentError&) {
        return ::testing::AssertionSuccess();
    } catch (const CException& other) {
        return ::testing::AssertionFailure() << "refused with the wrong failure: " << other.what();
    }
    return ::testing::AssertionFailure() << "accepted";
}

TEST(Document, TruncatedOrCorruptedDocumentsAreRefused)
{
    ScratchDirectory scratch;
    DeformedSession(40, 30)->Save(scratch.File("a.grimasso"));
    const std::vector<std::uint8_t> whole = ReadWholeFile(scratch.File("a.grimasso"));
    ASSERT_NO_THROW(ReadDocumentFromMemory(whole.data(), whole.size()));

    for (std::size_t k = 0; k < 64; ++k) {
        const std::size_t length = whole.size() * k / 64;
        SCOPED_TRACE(length);
        EXPECT_TRUE(Refused({whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)}));
    }
    const auto [offset, length] = EntryData(whole, "description");
    ASSERT_GT(length, 0u);
    for (std::size_t i = offset; i < offset + length; ++i)
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> damaged = whole;
            damaged[i] ^= flip;
            SCOPED_TRACE(i);
            EXPECT_TRUE(Refused(damaged));
        }
    // The maps and pictures carry checksums too.
    for (const char* part : {"map.bin", "undo-map.bin", "picture.png", "Thumbnails/thumbnail.png"}) {
        const auto [at, size] = EntryData(whole, part);
        ASSERT_GT(size, 0u) << part;
        std::vector<std::uint8_t> damaged = whole;
        damaged[at + size / 2] ^= 0x10;
        EXPECT_TRUE(Refused(damaged)) << part;
    }
}

// A document written by hand: the given description and parts.
std::vector<std::uint8_t> HandMadeDocument(const std::string& description,
                                           const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    zip_source_keep(memory);
    const auto add = [archive](const std::string& name, const void* data, std::size_t size) {
        zip_file_add(archive, name.c_str(), zip_source_buffer(archive, data, size, 0), 0);
    };
    add("mimetype", "application/x-grimasso", 22);
    add("description", description.data(), description.size());
    for (const auto& [name, bytes] : parts)
        add(name, bytes.data(), bytes.size());
    zip_close(archive);
    zip_source_open(memory);
    zip_stat_t stat;
    zip_source_stat(memory, &stat);
    std::vector<std::uint8_t> bytes(stat.size);
    zip_source_read(memory, bytes.data(), bytes.size());
    zip_source_close(memory);
    zip_source_free(memory);
    zip_error_fini(&error);
    return bytes;
}

TEST(Document, SizesAreCheckedBeforeAnythingIsAllocated)
{
    ScratchDirectory scratch;
    const std::string pngPath = scratch.File("p.png");
    auto small = std::make_unique<PictureSession>(4, 3, MakePicture(4, 3));
    small->Save(pngPath);
    const std::vector<std::uint8_t> png = ReadWholeFile(pngPath);
    const std::vector<std::uint8_t> map(4 * 3 * 4, 0);
    const auto text = [](int w, int h, int undo) {
        return "format=1\nwidth=" + std::to_string(w) + "\nheight=" + std::to_string(h) + "\nradius=5\nundo=" +
               std::to_string(undo) + "\nmode=0\nsource=\n";
    };
    using Parts = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
    const Parts complete = {{"picture.png", png}, {"Thumbnails/thumbnail.png", png}, {"map.bin", map}};
    ASSERT_NO_THROW({
        const auto fine = HandMadeDocument(text(4, 3, 0), complete);
        ReadDocumentFromMemory(fine.data(), fine.size());
    });
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        // 16384 x 16384 claims a gigabyte of map that the file does not hold.
        {"huge size", HandMadeDocument(text(16384, 16384, 0), complete)},
        {"size of another picture", HandMadeDocument(text(3, 4, 0), complete)},
        {"undo without its map", HandMadeDocument(text(4, 3, 1), complete)},
        {"no map", HandMadeDocument(text(4, 3, 0), {complete[0], complete[1]})},
        {"no picture", HandMadeDocument(text(4, 3, 0), {complete[1], complete[2]})},
        {"entry outside the picture",
         HandMadeDocument(text(4, 3, 0), {complete[0], complete[1], {"map.bin", std::vector<std::uint8_t>(48, 9)}})},
        {"later format", HandMadeDocument("format=2\n", complete)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(Refused(c.bytes));
    }
}

// The scaling rule of carrying a deformation over, written out plainly.
std::vector<MapEntry> CarriedOver(const std::vector<MapEntry>& saved, int w, int h, const std::vector<MapEntry>& current,
                                  int w2, int h2)
{
    std::vector<MapEntry> result(current.size());
    for (int y = 0; y < h2; ++y)
        for (int x = 0; x < w2; ++x) {
            const int p = std::min(static_cast<int>(std::trunc((x + 0.5) * w / w2)), w - 1);
            const int q = std::min(static_cast<int>(std::trunc((y + 0.5) * h / h2)), h - 1);
            const MapEntry m = saved[std::size_t(q) * w + p];
            const int dx = static_cast<int>(std::trunc((m.x - p) * double(w2) / w));
            const int dy = static_cast<int>(std::trunc((m.y - q) * double(h2) / h));
            const int sx = std::clamp(x + dx, 0, w2 - 1), sy = std::clamp(y + dy, 0, h2 - 1);
            result[std::size_t(y) * w2 + x] = current[std::size_t(sy) * w2 + sx];
        }
    return result;
}

TEST(Document, AppliedDeformationFollowsTheScalingRuleAndUndoes)
{
    ScratchDirectory scratch;
    auto saved = DeformedSession(64, 48);
    saved->Save(scratch.File("saved.grimasso"));
    const std::vector<MapEntry> savedMap = MapOf(saved->Field());
    const struct {
        int width, height;
    } sizes[] = {{64, 48}, {23, 19}, {150, 97}, {64, 200}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
        // A target with a deformation of its own, which the carried one stacks on.
        auto target = std::make_unique<PictureSession>(size.width, size.height, MakePicture(size.width, size.height));
        target->BeginRegion(ModeEnlarge, size.width / 3, size.height / 2, size.width / 5.0);
        target->PreviewEnlarge(2.5);
        target->CommitRegion();
        const std::vector<MapEntry> before = MapOf(target->Field());
        const std::vector<std::uint8_t> pictureBefore = PictureOf(target->Field());

        target->ApplyDeformation(scratch.File("saved.grimasso"));
        EXPECT_EQ(MapOf(target->Field()), CarriedOver(savedMap, 64, 48, before, size.width, size.height));
        EXPECT_TRUE(warptest::PictureFollowsMap(target->Field()));
        EXPECT_EQ(target->Field().LastMode(), ModeApplyDeformation);
        ASSERT_TRUE(target->CanUndo());
        target->Undo();
        EXPECT_EQ(MapOf(target->Field()), before);
        EXPECT_EQ(PictureOf(target->Field()), pictureBefore);
    }
}

TEST(Document, BrokenDocumentsGiveTheLoadMessage)
{
    ScratchDirectory scratch;
    const std::string broken = scratch.Write("kaputt.grimasso", {'P', 'K', 3, 4, 0, 0});
    auto target = std::make_unique<PictureSession>(8, 8, MakePicture(8, 8));
    for (const auto& run : std::vector<std::function<void()>>{
             [&] { PictureSession::Open(broken); },
             [&] { target->ApplyDeformation(broken); },
             [&] { target->ApplyDeformation(scratch.File("missing.grimasso")); }}) {
        try {
            run();
            ADD_FAILURE() << "accepted";
        } catch (const SessionFailure& failure) {
            EXPECT_EQ(failure.MessageId(), IDS_LOAD_FAILED);
        }
    }
    EXPECT_FALSE(target->CanUndo());
}

}  // namespace
