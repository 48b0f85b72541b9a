// What the start-up path defers: image variants decoded only when drawn, and the headless
// GL context made on another thread while the application reads its files.
#include "platform/base/Bundle.h"
#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/graphics/Image.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using platform::Image;

void writeSolid(const std::filesystem::path& path, int width, int height, std::uint8_t red) {
    ASSERT_TRUE(platform::PictureCodec::writePNG(
        testsupport::plainPicture(width, height, {red, 0, 0, 255}), path));
}

struct LazyImages : testsupport::PlatformTest {};

TEST_F(LazyImages, OnlyTheVariantDrawnIsDecodedAndOnlyWhenItIsDrawn) {
    const auto dir = scratch.path() / "Resources";
    std::filesystem::create_directories(dir);
    writeSolid(dir / "tool.png", 4, 3, 10);
    writeSolid(dir / "tool@2x.png", 8, 6, 20);
    writeSolid(dir / "tool@3x.png", 12, 9, 30);
    platform::Bundle::main().setResourceDirectories({dir});

    const auto image = Image::named("tool.png");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (platform::Size{4, 3})) << "read from the smallest's header";
    EXPECT_EQ(image->scales(), (std::vector<int>{1, 2, 3}));

    // Found but not yet read: what the files hold when first drawn is what is shown.
    writeSolid(dir / "tool@2x.png", 8, 6, 120);
    const auto& twice = image->variantForScale(2);
    EXPECT_EQ(twice.scale, 2);
    EXPECT_EQ(twice.picture.width(), 8);
    EXPECT_EQ(twice.picture.pixelAt(0, 0)[0], 120);
    // Once decoded, a variant stays as it was.
    writeSolid(dir / "tool@2x.png", 8, 6, 220);
    EXPECT_EQ(image->variantForScale(2).picture.pixelAt(0, 0)[0], 120);

    // A file damaged after it was found is drawn transparent at its size, not as garbage.
    testsupport::writeText(dir / "tool@3x.png", "not a picture any more");
    const auto& thrice = image->variantForScale(3);
    EXPECT_EQ(thrice.picture.width(), 12);
    EXPECT_EQ(thrice.picture.height(), 9);
    EXPECT_EQ(thrice.picture.pixelAt(5, 5), (std::array<std::uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(image->variantForScale(1).picture.pixelAt(0, 0)[0], 10);
}

TEST_F(LazyImages, AResourceThatIsNoPictureIsNoImage) {
    const auto dir = scratch.path() / "Resources";
    std::filesystem::create_directories(dir);
    testsupport::writeText(dir / "fake.png", "\x89PNG but no header");
    writeSolid(dir / "late@2x.png", 8, 8, 50);
    testsupport::writeText(dir / "late.png", "garbage");
    platform::Bundle::main().setResourceDirectories({dir});
    EXPECT_EQ(Image::named("fake.png"), nullptr);
    // A broken smallest variant gives way to the next one for the size.
    const auto late = Image::named("late.png");
    ASSERT_TRUE(late);
    EXPECT_EQ(late->size(), (platform::Size{4, 4}));
    EXPECT_EQ(late->scales(), (std::vector<int>{2}));
}

// Prepares the headless context, then composites a green box with it on this thread; 0 when
// the box came out green.
int drawWithPreparedContext() {
    platform::GLContext::prepareShared();
    platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
    auto window = std::make_shared<platform::Window>();
    auto box = std::make_shared<platform::View>(platform::Rect{0, 0, 40, 40});
    box->setBackgroundColor(platform::Color{0, 1, 0, 1});
    window->addSubview(box);
    platform::GLContext* context = platform::GLContext::shared();
    if (context == nullptr || !context->makeCurrent() ||
        !platform::GLContext::lastError().empty()) {
        return 1;
    }
    const auto shot = platform::Compositor(1).snapshot(*window);
    return shot && shot->pixelAt(10, 10) == std::array<std::uint8_t, 4>{0, 255, 0, 255} ? 0 : 2;
}

// The shared context lives for the whole process, so this runs in a fresh one.
TEST(GLContextPreparedEarly, IsMadeOnAnotherThreadAndDrawsOnThisOne) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(drawWithPreparedContext()), ::testing::ExitedWithCode(0), "");
}

} // namespace
