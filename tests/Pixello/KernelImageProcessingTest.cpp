#include "Pixello/MainViewController.h"
#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/Application.h"
#include "platform/Bundle.h"
#include "platform/Device.h"
#include "platform/GLContext.h"
#include "platform/PictureCodec.h"
#include "platform/TestEnvironment.h"
#include "platform/Window.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Picture;
using platform::Rect;
using Pixel = std::array<std::uint8_t, 4>;

// An opaque picture whose pixels differ from their neighbours and whose corners differ.
Picture patternPicture(int width, int height, int orientation = Picture::Up) {
    platform::PixelBytes bytes;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                                       static_cast<std::uint8_t>(60 + 60 * (x * 2 / width) +
                                                                 30 * (y * 2 / height)),
                                       255});
        }
    }
    return *Picture::create(std::make_shared<const platform::PixelBytes>(std::move(bytes)), width,
                            height, orientation);
}

std::string storagePayload(const std::vector<std::string>& names, int current) {
    std::string payload = std::to_string(names.size()) + "\n" + std::to_string(current) + "\n";
    for (const auto& name : names) {
        payload += name + "\n";
    }
    return payload + "0.110000\n28.000000\n10.000000\n10.000000\n";
}

class KernelImageProcessingTest : public testsupport::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        if (platform::GLContext::shared() == nullptr) {
            GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
        }
    }

    // The kernel saves once more when it goes: that must still land in the scratch folder.
    void TearDown() override {
        kernel.reset();
        PlatformTest::TearDown();
    }

    // Stores a history of raw entries (the last one current) as a previous run left it.
    void storeHistory(const std::vector<Picture>& pictures, int current = -2) {
        const auto dir = documents / PixelloModel::kImagesDirectoryName;
        std::filesystem::create_directories(dir);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const Picture& p = pictures[i];
            names.push_back("0A1B2C3D-0000-4000-8000-00000000000" + std::to_string(i) + ".png");
            const auto bytes =
                PixelloModel::rawFileBytes(*p.pixels(), static_cast<std::uint32_t>(p.width()),
                                           static_cast<std::uint32_t>(p.height()));
            testsupport::writeText(dir / names.back(), std::string(bytes.begin(), bytes.end()));
        }
        const std::string payload =
            storagePayload(names, current == -2 ? static_cast<int>(names.size()) - 1 : current);
        testsupport::writeText(storage(), payload + ZVKMD5ForString(payload));
    }

    void launch() {
        kernel = PixelloKernel::create(&application, &window);
        ASSERT_NE(kernel, nullptr);
        model = kernel->model();
        main = kernel->mainViewController();
        main->view();
        ASSERT_NE(main->glView(), nullptr);
    }

    std::string storage() const { return *ZVKApplicationModel::storagePath(); }
    std::string currentPath() const {
        return model->pathToImageFile(
            model->imageFileNames().at(static_cast<std::size_t>(model->currentImage())));
    }
    // The main screen draws the last frame without presenting it, as a lifting finger does.
    void drawUnpresented() {
        main->glView()->setPresent(false);
        main->glView()->drawView();
    }
    static bool gridAtRest(const EffectGrid& grid) {
        for (const EffectTriangle& t : grid.triangles()) {
            if (t.tx1() != t.fx1() || t.ty1() != t.fy1() || t.tx2() != t.fx2() ||
                t.ty2() != t.fy2() || t.tx3() != t.fx3() || t.ty3() != t.fy3()) {
                return false;
            }
        }
        return true;
    }

    platform::Application application{nullptr};
    platform::Window window;
    std::unique_ptr<PixelloKernel> kernel;
    PixelloModel* model = nullptr;
    MainViewController* main = nullptr;
};

TEST_F(KernelImageProcessingTest, FirstLaunchSeedsOneRawEntryAndWritesNoStorageUntilTerminate) {
    launch();
    ASSERT_EQ(model->imageFileNames().size(), 1u);
    EXPECT_EQ(model->currentImage(), 0);
    EXPECT_TRUE(model->imageFileNames()[0].ends_with(".png"));
    const auto fromBundle = platform::PictureCodec::decodeFile(
        *platform::Bundle::main().pathForResource(PixelloKernel::kDefaultImageName));
    ASSERT_TRUE(fromBundle.picture);
    const auto stored = model->image();
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->width(), fromBundle.picture->width());
    EXPECT_EQ(stored->height(), fromBundle.picture->height());
    // The default picture is opaque: drawn over black it keeps every pixel.
    EXPECT_EQ(*stored->pixels(), *fromBundle.picture->pixels());
    EXPECT_FALSE(std::filesystem::exists(storage()));
    kernel->terminate();
    EXPECT_EQ(testsupport::readText(storage()),
              storagePayload(model->imageFileNames(), 0) +
                  ZVKMD5ForString(storagePayload(model->imageFileNames(), 0)));
}

TEST_F(KernelImageProcessingTest, StartUpWiresScreenNavigationAndDelegatesInOrder) {
    storeHistory({patternPicture(600, 400)});
    launch();
    ASSERT_NE(kernel->navigationController(), nullptr);
    EXPECT_EQ(kernel->navigationController()->topViewController(), main);
    EXPECT_TRUE(kernel->navigationController()->navigationBarHidden());
    EXPECT_EQ(model->delegates(), (std::vector<ZVKApplicationModelDelegate*>{
                                      main, kernel->settingsViewController(), kernel.get()}));
    EXPECT_EQ(main->view()->frame(), Rect(0, 20, 320, 460));
    EXPECT_EQ(main->scrollView()->frame(), Rect(0, 46, 320, 367));
    EXPECT_EQ(main->scrollView()->contentSize().width, 600.0f);
    EXPECT_EQ(main->scrollView()->contentSize().height, 400.0f);
    EXPECT_EQ(main->scrollView()->maxTouches(), 1000);
    EXPECT_FALSE(main->scrollView()->sendMessagesAfterReleasingOnly());
    EXPECT_EQ(main->indicator()->frame(), Rect(100, 180, 120, 120));
    EXPECT_EQ(main->glView()->grid(), model->grid());
    // 600 × 400 is uploaded into the smallest power-of-two texture around it.
    EXPECT_EQ(main->glView()->spriteWidth(), 1024u);
    EXPECT_EQ(main->glView()->spriteHeight(), 512u);
    EXPECT_EQ(model->cropRect(), Rect(15, 15, 570, 370));

    kernel->beforeNavigateFrom(main, nullptr, nullptr, nullptr);
    EXPECT_EQ(kernel->navigationController()->navigationBarStateAfterNextScroll(), 1);
    kernel->beforeNavigateFrom(nullptr, nullptr, main, nullptr);
    EXPECT_EQ(kernel->navigationController()->navigationBarStateAfterNextScroll(), 2);
}

TEST_F(KernelImageProcessingTest, FinishingAnUnmovedSmudgeAddsTheDrawnPictureAndRestsTheGrid) {
    const Picture original = patternPicture(600, 400);
    storeHistory({original});
    launch();
    drawUnpresented();
    kernel->finishSmudge();

    ASSERT_EQ(model->imageFileNames().size(), 2u);
    EXPECT_EQ(model->currentImage(), 1);
    EXPECT_EQ(std::filesystem::file_size(currentPath()), 600u * 400u * 4u + 8u);
    const auto entry = model->image();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->pixels()->size(), 600u * 400u * 4u);
    EXPECT_EQ(*entry->pixels(), *original.pixels());
    EXPECT_EQ(entry->pixelAt(0, 0), original.pixelAt(0, 0));
    EXPECT_EQ(entry->pixelAt(599, 399), original.pixelAt(599, 399));
    EXPECT_TRUE(gridAtRest(*model->grid()));
    EXPECT_TRUE(main->view()->isUserInteractionEnabled());
    // The screen took the buffer up as its texture; the history notice saved storage.
    EXPECT_EQ(model->dataRef(), nullptr);
    EXPECT_NE(testsupport::readText(storage()).find(model->imageFileNames()[1]), std::string::npos);
}

TEST_F(KernelImageProcessingTest, ASmudgeMovesTheGridByTheNormalizedReachAndIsBakedIn) {
    const Picture original = patternPicture(600, 400);
    storeHistory({original});
    launch();
    kernel->applySmudgeFrom({300.0f, 200.0f}, {306.0f, 200.0f});
    // The vertex at the stroke's start moves right by power · width of the picture.
    const EffectGrid& grid = *model->grid();
    bool found = false;
    for (const EffectTriangle& t : grid.triangles()) {
        if (t.fx1() == 0.5f && t.fy1() == 0.5f) {
            EXPECT_NEAR(t.tx1() - t.fx1(), 0.11f * 28.0f / 600.0f, 1e-6f);
            EXPECT_EQ(t.ty1(), t.fy1());
            found = true;
        }
    }
    EXPECT_TRUE(found);
    model->gridModified();
    drawUnpresented();
    kernel->finishSmudge();
    EXPECT_TRUE(gridAtRest(*model->grid()));
    const auto entry = model->image();
    ASSERT_TRUE(entry);
    EXPECT_NE(*entry->pixels(), *original.pixels());
    // Far from the stroke nothing changed.
    EXPECT_EQ(entry->pixelAt(10, 10), original.pixelAt(10, 10));
}

TEST_F(KernelImageProcessingTest, BumpIsRecomputedFromRestOverTheCurrentFingers) {
    storeHistory({patternPicture(400, 400)});
    launch();
    const std::vector<ZVKPoint> start{{0.0f, 0.0f}, {1.0f, 1.0f}};
    const std::vector<ZVKPoint> now{{300.0f, 250.0f}, {100.0f, 50.0f}};
    kernel->applyBumpFrom(start, now);
    std::vector<float> once;
    for (const EffectTriangle& t : model->grid()->triangles()) {
        once.insert(once.end(), {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    EXPECT_FALSE(gridAtRest(*model->grid()));
    kernel->applyBumpFrom(now, now);
    std::vector<float> twice;
    for (const EffectTriangle& t : model->grid()->triangles()) {
        twice.insert(twice.end(), {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    EXPECT_EQ(once, twice);
    // The same circle done by the grid itself.
    EffectGrid reference(32, 32);
    reference.bumpInRect({0.25f, 0.125f, 0.5f, 0.5f}, 10.0f, false);
    std::vector<float> expected;
    for (const EffectTriangle& t : reference.triangles()) {
        expected.insert(expected.end(), {t.tx1(), t.ty1(), t.tx2(), t.ty2(), t.tx3(), t.ty3()});
    }
    EXPECT_EQ(once, expected);
    // Two fingers on one spot: the grid is reset and nothing moves.
    kernel->applyPinchFrom(now, {{5.0f, 5.0f}, {5.0f, 5.0f}});
    EXPECT_TRUE(gridAtRest(*model->grid()));
}

TEST_F(KernelImageProcessingTest, CropTakesTheRectangleOnWholePixelsInsideThePicture) {
    const Picture original = patternPicture(600, 400);
    storeHistory({original});
    launch();
    model->setCropRect({15, 15, 570, 370});
    kernel->applyCrop();
    ASSERT_EQ(model->imageFileNames().size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(currentPath()), 843'600u + 8u);
    auto cropped = model->image();
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->width(), 570);
    EXPECT_EQ(cropped->height(), 370);
    EXPECT_EQ(cropped->pixelAt(0, 0), original.pixelAt(15, 15));
    EXPECT_EQ(cropped->pixelAt(569, 369), original.pixelAt(584, 384));
    EXPECT_EQ(main->glView()->backingWidth(), 570);
    EXPECT_EQ(main->scrollView()->contentSize().width, 570.0f);

    // Fractions are widened to whole pixels and the part outside is cut off.
    model->setCropRect({-10.5f, 360.2f, 50.0f, 50.0f});
    kernel->applyCrop();
    cropped = model->image();
    ASSERT_TRUE(cropped);
    EXPECT_EQ(cropped->width(), 40);
    EXPECT_EQ(cropped->height(), 10);
    EXPECT_EQ(cropped->pixelAt(0, 0), original.pixelAt(15, 375));

    // Nothing of the picture inside: nothing changes.
    model->setCropRect({700, 700, 10, 10});
    kernel->applyCrop();
    model->setCropRect({5, 5, 0, 0});
    kernel->applyCrop();
    EXPECT_EQ(model->imageFileNames().size(), 3u);
}

TEST_F(KernelImageProcessingTest, WithoutACurrentPictureEditingIsSafeAndChangesNothing) {
    storeHistory({patternPicture(64, 48)});
    std::filesystem::remove_all(documents / PixelloModel::kImagesDirectoryName);
    launch();
    EXPECT_FALSE(model->image());
    kernel->applySmudgeFrom({1.0f, 1.0f}, {5.0f, 5.0f});
    kernel->applyBumpFrom({{0, 0}, {1, 1}}, {{0, 0}, {10, 10}});
    kernel->applyPinchFrom({{0, 0}, {1, 1}}, {{0, 0}, {10, 10}});
    EXPECT_TRUE(gridAtRest(*model->grid()));
    drawUnpresented();
    kernel->finishBump();
    kernel->applyCrop();
    model->propertyChanged("image");
    EXPECT_EQ(model->imageFileNames().size(), 1u);
    EXPECT_TRUE(main->view()->isUserInteractionEnabled());
}

TEST_F(KernelImageProcessingTest, UndoThenRedoRewritesStorageEachTime) {
    storeHistory({patternPicture(40, 30), patternPicture(30, 40)});
    launch();
    model->undoImage();
    const auto names = model->imageFileNames();
    EXPECT_EQ(testsupport::readText(storage()),
              storagePayload(names, 0) + ZVKMD5ForString(storagePayload(names, 0)));
    EXPECT_EQ(main->glView()->backingWidth(), 40);
    model->redoImage();
    EXPECT_EQ(testsupport::readText(storage()),
              storagePayload(names, 1) + ZVKMD5ForString(storagePayload(names, 1)));
    EXPECT_EQ(main->glView()->backingWidth(), 30);
    EXPECT_EQ(main->glView()->backingHeight(), 40);
}

TEST_F(KernelImageProcessingTest, RotationTurnsTheStatusBarOnlyWhileTheMainScreenIsOnTop) {
    storeHistory({patternPicture(40, 30)});
    launch();
    platform::Device::current().setOrientation(3);
    EXPECT_EQ(model->orientation(), 3);
    EXPECT_EQ(application.statusBarOrientation(), 3);
    platform::Device::current().setOrientation(5);
    EXPECT_EQ(model->orientation(), 3);
    kernel->navigationController()->pushViewController(std::make_shared<ZVKViewController>(),
                                                       false);
    platform::Device::current().setOrientation(4);
    EXPECT_EQ(model->orientation(), 3);
}

TEST(KernelImageConversion, PicturesAreScaledIntoTheBoxAndTurnedUpright) {
    struct Case {
        int width, height;
        int expectedWidth, expectedHeight;
    };
    for (const Case c :
         {Case{1200, 900, 600, 450}, Case{900, 1200, 450, 600}, Case{1000, 333, 600, 199},
          Case{300, 200, 300, 200}, Case{601, 601, 600, 600}, Case{3000, 2, 600, 1}}) {
        const auto result =
            PixelloKernel::convertImageToPNG(patternPicture(c.width, c.height), 600, 600);
        ASSERT_TRUE(result) << c.width;
        EXPECT_EQ(result->width(), c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(result->height(), c.expectedHeight) << c.width << "x" << c.height;
        EXPECT_EQ(result->orientation(), Picture::Up);
    }
    // Stored 1600 × 1200 turned a quarter clockwise: the stored top-left corner (dark, as
    // x and y are small) ends top right, the stored bottom-right corner bottom left.
    platform::PixelBytes bytes(1600u * 1200u * 4u, 0);
    for (std::size_t i = 0; i < bytes.size(); i += 4) {
        const std::size_t pixel = i / 4;
        const bool left = pixel % 1600 < 800;
        const bool top = pixel / 1600 < 600;
        bytes[i] = left && top ? 255 : 0;       // stored top-left quarter red
        bytes[i + 2] = !left && !top ? 255 : 0; // stored bottom-right quarter blue
        bytes[i + 3] = 255;
    }
    const Picture sideways = *Picture::create(
        std::make_shared<const platform::PixelBytes>(std::move(bytes)), 1600, 1200, Picture::Right);
    const auto upright = PixelloKernel::convertImageToPNG(sideways, 600, 600);
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->width(), 450);
    EXPECT_EQ(upright->height(), 600);
    EXPECT_EQ(upright->pixelAt(449, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(upright->pixelAt(0, 599), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(upright->pixelAt(0, 0), (Pixel{0, 0, 0, 255}));
}

TEST(KernelRectangles, UtilitiesFollowPictureCoordinates) {
    EXPECT_EQ(PixelloKernel::boundRectForPoints({300, 250}, {100, 50}), Rect(100, 50, 200, 200));
    EXPECT_EQ(PixelloKernel::effectRectFromPoints({0, 0}, {9, 9}, {3, 3}, {3, 3}),
              Rect(3, 3, 0, 0));
    EXPECT_EQ(PixelloKernel::castToIntRect({2.9f, -2.9f, 10.5f, 0.99f}), Rect(2, -2, 10, 0));
    EXPECT_EQ(PixelloKernel::flipRect({10, 20, 30, 40}, {0, 0, 100, 200}), Rect(10, 140, 30, 40));
    EXPECT_EQ(PixelloKernel::clipRect({0, 0, 10, 10}, {5, 5, 10, 10}), Rect(5, 5, 5, 5));
    EXPECT_EQ(PixelloKernel::clipRect({0, 0, 10, 10}, {20, 0, 5, 5}), Rect(20, 0, -10, 5));
}

} // namespace
