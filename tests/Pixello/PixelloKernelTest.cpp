#include "Pixello/PixelloKernel.h"

#include "Pixello/MainViewController.h"
#include "support/EditorTestSupport.h"
#include "support/TestEnvironment.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Picture;
using platform::Rect;
using testsupport::framed;
using testsupport::gridAtRest;
using testsupport::gridCorners;
using testsupport::patternPicture;
using testsupport::Pixel;
using testsupport::storagePayload;

using Kernel = testsupport::EditorFixture;

TEST_F(Kernel, FirstLaunchSeedsOneRawEntryAndWritesStorageOnlyAtTerminate) {
    EXPECT_EQ(PixelloKernel::create(nullptr, nullptr), nullptr);
    launch();
    // What the default picture looks like is pinned by the end-to-end reference screenshots.
    ASSERT_EQ(model->imageFileNames().size(), 1u);
    EXPECT_TRUE(model->imageFileNames()[0].ends_with(".png"));
    EXPECT_FALSE(std::filesystem::exists(storage()));
    kernel->terminate();
    EXPECT_EQ(testsupport::readText(storage()), framed(storagePayload(model->imageFileNames(), 0)));
}

TEST_F(Kernel, StoredStateIsRestoredAndSavedAgainWhenTheKernelGoes) {
    const std::string name = "0A1B2C3D-0000-4000-8000-000000000001.png";
    storePayload("1\n0\n" + name + "\n0.150000\n30.000000\n12.000000\n8.000000\n");
    kernel = PixelloKernel::create(&application, nullptr);
    ASSERT_NE(kernel, nullptr);
    const PixelloModel& restored = *kernel->model();
    EXPECT_EQ(restored.imageFileNames(), std::vector<std::string>{name});
    // The default picture was not touched: no history file was written.
    EXPECT_TRUE(std::filesystem::is_empty(restored.directoryForImages()));
    // Listeners come only after loading: the main screen, the settings screen, the kernel.
    EXPECT_EQ(restored.delegates(),
              (std::vector<ZVKApplicationModelDelegate*>{
                  kernel->mainViewController(), kernel->settingsViewController(), kernel.get()}));

    kernel->model()->setBumpPower(14.0f);
    kernel.reset();
    kernel = PixelloKernel::create(&application, nullptr);
    EXPECT_EQ(kernel->model()->bumpPower(), 14.0f);
}

TEST_F(Kernel, FinishingASmudgeAddsTheDrawnPictureAndRestsTheGrid) {
    const Picture original = patternPicture(600, 400);
    storeHistory({original});
    launch();
    // The main screen draws the last frame without presenting it, as a lifting finger does.
    main->glView()->setPresent(false);
    main->glView()->drawView();
    kernel->finishSmudge();

    ASSERT_EQ(model->imageFileNames().size(), 2u);
    EXPECT_EQ(model->currentImage(), 1);
    const std::string path = model->pathToImageFile(model->imageFileNames()[1]);
    EXPECT_EQ(std::filesystem::file_size(path), 600u * 400u * 4u + 8u);
    const auto entry = model->image();
    ASSERT_TRUE(entry);
    EXPECT_EQ(*entry->pixels(), *original.pixels());
    EXPECT_TRUE(gridAtRest(*model->grid()));
    EXPECT_TRUE(main->view()->isUserInteractionEnabled());
    // The screen took the buffer up as its texture; the history notice saved storage.
    EXPECT_EQ(model->dataRef(), nullptr);
    EXPECT_NE(testsupport::readText(storage()).find(model->imageFileNames()[1]), std::string::npos);

    // A smudge moves the grid by the reach normalised to the picture and is baked in.
    kernel->applySmudgeFrom({300.0f, 200.0f}, {306.0f, 200.0f});
    // The vertex at the stroke's start moves right by power · width of the picture.
    const EffectTriangle& start = *model->grid()->cell(16, 16, 0);
    EXPECT_EQ(start.fx1(), 0.5f);
    EXPECT_NEAR(start.tx1() - 0.5f, 0.11f * 28.0f / 600.0f, 1e-6f);
    EXPECT_EQ(start.ty1(), start.fy1());
    model->gridModified();
    main->glView()->drawView();
    kernel->finishSmudge();
    EXPECT_TRUE(gridAtRest(*model->grid()));
    const auto baked = model->image();
    ASSERT_TRUE(baked);
    EXPECT_EQ(model->imageFileNames().size(), 3u);
    EXPECT_NE(*baked->pixels(), *original.pixels());
    EXPECT_EQ(baked->pixelAt(10, 10), original.pixelAt(10, 10)) << "far from the stroke";

    // Every picture the history hands over is drawn: undo shows the entry before.
    model->undoImage();
    const platform::PixelBuffer shown = main->glView()->layer().presentedPixels();
    ASSERT_TRUE(shown);
    EXPECT_EQ(*shown, *original.pixels());
}

TEST_F(Kernel, BumpIsRecomputedFromRestOverTheCurrentFingersAndAPinchOnTheScreenAddsAnEntry) {
    storeHistory({patternPicture(400, 400)});
    launch();
    const std::vector<ZVKPoint> now{{300.0f, 250.0f}, {100.0f, 50.0f}};
    kernel->applyBumpFrom({{0.0f, 0.0f}, {1.0f, 1.0f}}, now);
    const std::vector<float> once = gridCorners(*model->grid());
    EXPECT_FALSE(gridAtRest(*model->grid()));
    kernel->applyBumpFrom(now, now);
    EXPECT_EQ(gridCorners(*model->grid()), once);
    // The same circle done by the grid itself.
    EffectGrid reference(32, 32);
    reference.bumpInRect({0.25f, 0.125f, 0.5f, 0.5f}, 10.0f, false);
    EXPECT_EQ(once, gridCorners(reference));
    // Two fingers on one spot: the grid is reset and nothing moves.
    kernel->applyPinchFrom(now, {{5.0f, 5.0f}, {5.0f, 5.0f}});
    EXPECT_TRUE(gridAtRest(*model->grid()));

    // Two fingers on the screen pinch and add an entry.
    model->setEffect(Effect::Pinch);
    platform::RunLoop::main().advance(0.5);
    const auto touch = [this](void (platform::Window::*phase)(int, platform::Point), int finger,
                              platform::Point at) {
        ((*window).*phase)(finger, at);
        platform::RunLoop::main().advance(0.05);
    };
    touch(&platform::Window::touchDown, 1, {120, 220});
    touch(&platform::Window::touchDown, 2, {200, 300});
    touch(&platform::Window::touchMove, 1, {140, 240});
    touch(&platform::Window::touchMove, 2, {180, 280});
    EXPECT_FALSE(gridAtRest(*model->grid()));
    touch(&platform::Window::touchUp, 1, {140, 240});
    touch(&platform::Window::touchUp, 2, {180, 280});
    platform::RunLoop::main().advance(0.5);
    EXPECT_EQ(model->imageFileNames().size(), 2u);
}

TEST_F(Kernel, CropTakesTheRectangleOnWholePixelsInsideThePicture) {
    const Picture original = patternPicture(600, 400);
    storeHistory({original});
    launch();
    EXPECT_EQ(model->cropRect(), Rect(15, 15, 570, 370));
    kernel->applyCrop();
    ASSERT_EQ(model->imageFileNames().size(), 2u);
    const auto cropped = model->image();
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->size(), (platform::Size{570, 370}));
    EXPECT_EQ(cropped->pixelAt(0, 0), original.pixelAt(15, 15));
    EXPECT_EQ(cropped->pixelAt(569, 369), original.pixelAt(584, 384));
    EXPECT_EQ(main->glView()->backingWidth(), 570);
    EXPECT_EQ(main->scrollView()->contentSize().width, 570.0f);

    // Nothing of the picture inside: nothing changes.
    model->setCropRect({700, 700, 10, 10});
    kernel->applyCrop();
    model->setCropRect({5, 5, 0, 0});
    kernel->applyCrop();
    EXPECT_EQ(model->imageFileNames().size(), 2u);
}

TEST(KernelImageConversion, PicturesAreScaledIntoTheBoxAndTurnedUpright) {
    // Width, height and orientation, then the expected width and height. Sideways pictures are
    // scaled by their displayed size.
    const std::array<int, 5> cases[] = {
        {1200, 900, Picture::Up, 600, 450},  {900, 1200, Picture::Up, 450, 600},
        {1000, 333, Picture::Up, 600, 199},  {300, 200, Picture::Up, 300, 200},
        {601, 601, Picture::Up, 600, 600},   {3000, 2, Picture::Up, 600, 1},
        {800, 600, Picture::Right, 450, 600}};
    for (const auto& [width, height, orientation, expectedWidth, expectedHeight] : cases) {
        const Picture picture = patternPicture(width, height);
        const auto result = PixelloKernel::convertImageToPNG(
            *Picture::create(picture.pixels(), width, height, orientation), 600, 600);
        ASSERT_TRUE(result) << width;
        EXPECT_EQ(result->size(), (platform::Size(expectedWidth, expectedHeight))) << width;
        EXPECT_EQ(result->orientation(), Picture::Up);
    }

    // Each stored corner of a 3 × 2 picture ends where its orientation shows it.
    const Picture stored = patternPicture(3, 2);
    const auto at = [&](int x, int y) { return stored.pixelAt(x, y); };
    struct Turn {
        int orientation, width, height;
        Pixel topLeft, topRight, bottomLeft, bottomRight;
    };
    const Turn turns[] = {
        // A quarter clockwise: the stored left column becomes the top row.
        {Picture::Right, 2, 3, at(0, 1), at(0, 0), at(2, 1), at(2, 0)},
        // A quarter anticlockwise: the stored right column becomes the top row.
        {Picture::Left, 2, 3, at(2, 0), at(2, 1), at(0, 0), at(0, 1)},
        {Picture::Down, 3, 2, at(2, 1), at(0, 1), at(2, 0), at(0, 0)},
        {Picture::Up, 3, 2, at(0, 0), at(2, 0), at(0, 1), at(2, 1)},
    };
    for (const Turn& t : turns) {
        const auto upright = PixelloKernel::convertImageToPNG(
            *Picture::create(stored.pixels(), 3, 2, t.orientation), 600, 600);
        ASSERT_TRUE(upright) << t.orientation;
        ASSERT_EQ(std::pair(upright->width(), upright->height()), std::pair(t.width, t.height))
            << t.orientation;
        EXPECT_EQ(upright->pixelAt(0, 0), t.topLeft) << t.orientation;
        EXPECT_EQ(upright->pixelAt(t.width - 1, 0), t.topRight) << t.orientation;
        EXPECT_EQ(upright->pixelAt(0, t.height - 1), t.bottomLeft) << t.orientation;
        EXPECT_EQ(upright->pixelAt(t.width - 1, t.height - 1), t.bottomRight) << t.orientation;
    }
}

// The bump's rectangle from two fingers is the bump test's.
TEST(KernelRectangles, UtilitiesFollowPictureCoordinates) {
    EXPECT_EQ(PixelloKernel::castToIntRect({2.9f, -2.9f, 10.5f, 0.99f}), Rect(2, -2, 10, 0));
    EXPECT_EQ(PixelloKernel::flipRect({10, 20, 30, 40}, {0, 0, 100, 200}), Rect(10, 140, 30, 40));
    EXPECT_EQ(PixelloKernel::clipRect({0, 0, 10, 10}, {5, 5, 10, 10}), Rect(5, 5, 5, 5));
    EXPECT_EQ(PixelloKernel::clipRect({0, 0, 10, 10}, {20, 0, 5, 5}), Rect(20, 0, -10, 5));
}

} // namespace
