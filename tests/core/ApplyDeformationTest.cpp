// SPDX-License-Identifier: GPL-3.0-or-later
// Carrying a saved deformation over reads the map alone: a document whose
// undo map is missing or damaged still carries its deformation over, while
// opening it as a whole is refused.
#include <gtest/gtest.h>

#include <zip.h>

#include "TestPictures.h"
#include "WarpFieldTestSupport.h"
#include "session/PictureSession.h"
#include "session/SessionFailure.h"

namespace {

using testpictures::ScratchDirectory;
using warptest::MakePicture;
using warptest::MapOf;

std::unique_ptr<PictureSession> Picture()
{
    return std::make_unique<PictureSession>(40, 30, MakePicture(40, 30));
}

// Replaces the undo map of the document at path with bytes, or removes it.
void DamageUndoMap(const std::string& path, const std::string* bytes)
{
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), 0, &code);
    ASSERT_NE(archive, nullptr);
    const zip_int64_t index = zip_name_locate(archive, "undo-map.bin", 0);
    ASSERT_GE(index, 0);
    if (bytes)
        ASSERT_EQ(zip_file_replace(archive, static_cast<zip_uint64_t>(index),
                                   zip_source_buffer(archive, bytes->data(), bytes->size(), 0), 0),
                  0);
    else
        ASSERT_EQ(zip_delete(archive, static_cast<zip_uint64_t>(index)), 0);
    ASSERT_EQ(zip_close(archive), 0);
}

TEST(ApplyDeformation, ReadsNoUndoMap)
{
    ScratchDirectory scratch;
    auto saved = Picture();
    saved->BeginRegion(ModeRotate, 20, 15, 12);
    saved->PreviewRotate(80, 2);
    saved->CommitRegion();
    ASSERT_TRUE(saved->CanUndo());
    const std::string intact = scratch.File("intact.grimasso");
    saved->Save(intact);
    auto reference = Picture();
    reference->ApplyDeformation(intact);

    const std::string garbage(64, '\x5a');
    const std::string* damages[] = {nullptr, &garbage};
    for (const std::string* damage : damages) {
        SCOPED_TRACE(damage ? "damaged" : "missing");
        const std::string path = scratch.File(damage ? "damaged.grimasso" : "missing.grimasso");
        saved->Save(path);
        DamageUndoMap(path, damage);
        EXPECT_THROW(PictureSession::Open(path), SessionFailure);
        auto target = Picture();
        ASSERT_NO_THROW(target->ApplyDeformation(path));
        EXPECT_EQ(MapOf(target->Field()), MapOf(reference->Field()));
    }
}

}  // namespace
