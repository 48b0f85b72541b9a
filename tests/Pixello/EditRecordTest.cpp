#include "Pixello/EditRecord.h"

#include "Pixello/EffectGrid.h"
#include "Pixello/MeshReplay.h"
#include "platform/gl/GLContext.h"
#include "support/EditorTestSupport.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using platform::Picture;

GridStep bumped(float power) {
    EffectGrid grid(32, 32);
    grid.bumpInRect({0.2f, 0.1f, 0.5f, 0.6f}, power, false);
    grid.smudgeFrom({0.7f, 0.7f}, {0.8f, 0.75f}, 0.11f, 0.05f);
    return GridStep::of(grid);
}

TEST(EditRecordFile, ReadsBackWhatItWroteAndRefusesEveryDamage) {
    const EditRecord record{"0A1B2C3D-0000-4000-8000-000000000001.png",
                            {bumped(10.0f), CropStep{3, 4, 50, 40, 60, 80}}};
    const std::vector<std::uint8_t> bytes = record.encode();
    const auto read = EditRecord::decode(bytes);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(*read, record);
    EXPECT_EQ(EditRecord::decode(EditRecord{}.encode()), EditRecord{});

    // Each damage alone, the checksum left as it was unless said otherwise.
    std::vector<std::pair<const char*, std::vector<std::uint8_t>>> damaged;
    for (std::size_t cut : {std::size_t{0}, std::size_t{7}, bytes.size() / 2, bytes.size() - 1}) {
        damaged.emplace_back("truncated", std::vector(bytes.begin(), bytes.begin() + cut));
    }
    auto flipped = bytes;
    flipped[bytes.size() / 3] ^= 0x10;
    damaged.emplace_back("a flipped bit", flipped);
    auto version = bytes;
    version[4] = 2;
    damaged.emplace_back("another version", version);
    auto longer = bytes;
    longer.insert(longer.end() - 4, 0);
    damaged.emplace_back("a byte more", longer);
    for (const auto& [what, data] : damaged) {
        EXPECT_FALSE(EditRecord::decode(data)) << what;
    }

    // Sound checksums over values no editor writes; a grid's corners missing are caught as
    // trailing or truncated.
    for (const EditRecord& unsound :
         {EditRecord{"../storage", record.steps}, EditRecord{"", {CropStep{50, 0, 20, 10, 60, 80}}},
          EditRecord{"", {GridStep{2, 2, std::vector<float>(95, 0.5f)}}}}) {
        EXPECT_FALSE(EditRecord::decode(unsound.encode())) << unsound.base;
    }
}

TEST(EditRecordFile, CropsAreCutAsThePictureCutsThem) {
    // Whole pixels, clipped; nothing left is no crop.
    EXPECT_EQ(CropStep::of({-10.5f, 360.2f, 50.0f, 50.0f}, 600, 400),
              (CropStep{0, 360, 40, 40, 600, 400}));
    EXPECT_FALSE(CropStep::of({700.0f, 0.0f, 10.0f, 10.0f}, 600, 400));
    // Scaled to a larger picture, and the same at the size it was cut from.
    const CropStep step{15, 15, 570, 370, 600, 400};
    int x, y, w, h;
    MeshReplay::scaledCrop(step, 4000, 2667, x, y, w, h);
    EXPECT_EQ((std::array{x, y, w, h}), (std::array{100, 100, 3800, 2467}));
    MeshReplay::scaledCrop(step, 600, 400, x, y, w, h);
    EXPECT_EQ((std::array{x, y, w, h}), (std::array{15, 15, 570, 370}));
}

using Replay = testsupport::EditorFixture;

TEST_F(Replay, TilesGiveWhatOnePassGives) {
    platform::GLContext* context = platform::GLContext::shared();
    context->makeCurrent();
    const Picture picture = testsupport::patternPicture(300, 200);
    const GridStep step = bumped(10.0f);
    MeshReplay whole(context->fbo());
    const auto once = whole.draw(picture, step);
    ASSERT_TRUE(once) << once.error().message;
    MeshReplay tiled(context->fbo(), 64);
    const auto tiles = tiled.draw(picture, step);
    ASSERT_TRUE(tiles) << tiles.error().message;
    ASSERT_EQ(tiles->size(), once->size());
    // The left and top columns sample across the sprite's edge, which a tile's sprite ends
    // elsewhere; inside, at most rounding.
    int largest = 0;
    for (int y = 1; y < 200; ++y) {
        for (int x = 1; x < 300; ++x) {
            const auto a = once->pixelAt(x, y);
            const auto b = tiles->pixelAt(x, y);
            for (int c = 0; c < 4; ++c) {
                largest = std::max(largest, std::abs(int{a[c]} - int{b[c]}));
            }
        }
    }
    EXPECT_LE(largest, 1);

    // One triangle pair that samples the whole picture for every tile: too much to tile.
    const GridStep flat{
        1, 1, {0, 0, 1, 0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 1, 1, 0, 1, 0, 0, 1, 1, 0, 1}};
    MeshReplay tiny(context->fbo(), 32);
    EXPECT_FALSE(tiny.draw(picture, flat));
    EXPECT_TRUE(whole.draw(picture, flat));
}

} // namespace
