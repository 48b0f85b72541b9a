#include "Pixello/GLView.h"

#include "Pixello/EffectGrid.h"
#include "platform/gl/GLContext.h"
#include "support/EditorTestSupport.h"
#include "support/TestEnvironment.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>

namespace {

using platform::Picture;
using platform::PixelBuffer;
using platform::Rect;
using testsupport::Pixel;

using testsupport::patternPicture;
using testsupport::plainPicture;

// A view the size of the picture, showing it through a rest grid.
std::shared_ptr<GLView> viewShowing(const Picture& picture, int rows = 32) {
    auto view = GLView::create(
        {0.0f, 0.0f, static_cast<float>(picture.width()), static_cast<float>(picture.height())});
    EXPECT_NE(view, nullptr) << platform::GLContext::lastError();
    if (view != nullptr) {
        view->loadSpriteImage(&picture);
        view->setGrid(std::make_shared<EffectGrid>(rows, rows));
    }
    return view;
}

// The frame drawn with present off, as captured; a failed capture ends the program.
Picture drawAndCapture(GLView& view) {
    view.setPresent(false);
    view.drawView();
    PixelBuffer data;
    return view.capture(data).value();
}

TEST(GLView, SpriteIsTheSmallestPowerOfTwoAroundThePicture) {
    auto view = GLView::create({0.0f, 0.0f, 4.0f, 4.0f});
    ASSERT_NE(view, nullptr) << platform::GLContext::lastError();
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    // Picture width and height, then the sprite's.
    const std::array<int, 4> cases[] = {{600, 400, 1024, 512},
                                        {512, 512, 512, 512},
                                        {513, 1, 1024, 1},
                                        {1, 1, 1, 1},
                                        {largest, 1, largest, 1}};
    for (const auto& [width, height, spriteWidth, spriteHeight] : cases) {
        const Picture picture = plainPicture(width, height, {1, 2, 3, 255});
        view->loadSpriteImage(&picture);
        EXPECT_EQ(view->spriteWidth(), static_cast<std::uint32_t>(spriteWidth)) << width;
        EXPECT_EQ(view->spriteHeight(), static_cast<std::uint32_t>(spriteHeight)) << height;
    }
}

TEST(GLView, UnchangedPictureIsCapturedPixelForPixel) {
    const Picture picture = patternPicture(600, 400);
    auto view = viewShowing(picture);
    ASSERT_NE(view, nullptr);
    // Another user of the shared context changed its state in between.
    glViewport(0, 0, 1, 1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);

    view->setPresent(false);
    view->drawView();
    PixelBuffer data;
    const auto captured = view->capture(data);
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->pixels(), data); // the picture is made over the same bytes
    EXPECT_EQ(captured->size(), picture.size());
    EXPECT_TRUE(*data == *picture.pixels()) << "the frame differs from the picture";

    // The same through a pixel buffer instead of a picture.
    view->loadSpriteData(picture.pixels(), 600.0f, 400.0f);
    EXPECT_TRUE(*drawAndCapture(*view).pixels() == *picture.pixels());

    // Rows are flipped right for odd and single-row heights too.
    for (int height : {1, 3, 7}) {
        const Picture small = patternPicture(5, height);
        auto other = viewShowing(small);
        ASSERT_NE(other, nullptr);
        EXPECT_TRUE(*drawAndCapture(*other).pixels() == *small.pixels()) << height;
    }
}

TEST(GLView, StretchedEdgeCellsKeepThePictureColourAndOpacityAndTranslucencyShowsBlack) {
    // Two cells side by side; the middle lattice line moves left, stretching the right
    // cell so that filtering at the picture's right edge reaches past its last column.
    const Picture picture = plainPicture(60, 40, {200, 100, 50, 255});
    auto view = viewShowing(picture, 1);
    ASSERT_NE(view, nullptr);
    auto grid = std::make_shared<EffectGrid>(1, 2);
    grid->cell(0, 0, 0)->move2ToDX(-0.25f, 0.0f);
    grid->cell(0, 0, 0)->move3ToDX(-0.25f, 0.0f);
    grid->cell(0, 0, 1)->move3ToDX(-0.25f, 0.0f);
    grid->cell(1, 0, 0)->move1ToDX(-0.25f, 0.0f);
    grid->cell(1, 0, 1)->move1ToDX(-0.25f, 0.0f);
    grid->cell(1, 0, 1)->move2ToDX(-0.25f, 0.0f);
    view->setGrid(grid);
    const Picture shot = drawAndCapture(*view);
    EXPECT_EQ(view->drawnPositions()[2], 15.0f); // the moved line at a quarter of 60
    EXPECT_TRUE(*shot.pixels() == *picture.pixels()) << "the edge's colour or opacity changed";

    // A translucent picture is blended over black.
    {
        const Picture picture = plainPicture(6, 5, {100, 50, 0, 128});
        auto view = viewShowing(picture);
        ASSERT_NE(view, nullptr);
        const Picture shot = drawAndCapture(*view);
        EXPECT_EQ(shot.pixelAt(0, 0), (Pixel{100, 50, 0, 255}));
        EXPECT_EQ(shot.pixelAt(5, 4), (Pixel{100, 50, 0, 255}));
    }
}

TEST(GLView, CropOverlayHalvesTheBorderAndOutlinesTheRectangleInGreen) {
    const Picture picture = plainPicture(600, 400, {255, 255, 255, 255});
    auto view = viewShowing(picture);
    ASSERT_NE(view, nullptr);
    view->setShade(true);
    view->setShadeRect({15.0f, 15.0f, 570.0f, 370.0f});
    const Picture shot = drawAndCapture(*view);
    for (auto [x, y] : {std::pair{5, 5}, {590, 396}}) {
        const Pixel p = shot.pixelAt(x, y);
        EXPECT_TRUE(std::abs(p[0] - 128) <= 1 && p[1] == p[0] && p[2] == p[0] && p[3] == 255)
            << x << "," << y;
    }
    for (auto [x, y] : {std::pair{300, 200}, {20, 20}, {580, 380}}) {
        EXPECT_EQ(shot.pixelAt(x, y), (Pixel{255, 255, 255, 255})) << x << "," << y;
    }
    // The 2-pixel line straddles each edge of the rectangle.
    const Pixel green{77, 255, 77, 255};
    auto isGreen = [&](int x, int y) {
        const Pixel p = shot.pixelAt(x, y);
        return std::abs(p[0] - green[0]) <= 1 && p[1] == 255 && std::abs(p[2] - green[2]) <= 1;
    };
    EXPECT_TRUE(isGreen(300, 14) || isGreen(300, 15));
    EXPECT_TRUE(isGreen(300, 384) || isGreen(300, 385));
    EXPECT_TRUE(isGreen(14, 200) || isGreen(15, 200));
    EXPECT_TRUE(isGreen(584, 200) || isGreen(585, 200));

    // The next frame without the overlay is unshaded: texturing came back.
    view->setShade(false);
    EXPECT_EQ(drawAndCapture(*view).pixelAt(5, 5), (Pixel{255, 255, 255, 255}));
}

TEST(GLView, OnlyFramesDrawnWithSpriteGridAndPresentOnAreShown) {
    const Picture red = plainPicture(6, 4, {255, 0, 0, 255});
    const Picture blue = plainPicture(6, 4, {0, 0, 255, 255});
    auto view = GLView::create({0.0f, 0.0f, 6.0f, 4.0f});
    ASSERT_NE(view, nullptr);
    view->drawView(); // neither sprite nor grid, presenting by default
    view->setGrid(std::make_shared<EffectGrid>(32, 32));
    view->drawView(); // no sprite yet
    EXPECT_EQ(view->layer().presentCount(), 0u);
    EXPECT_TRUE(view->drawnPositions().empty());
    view->loadSpriteImage(&red);
    view->drawView();
    EXPECT_EQ(view->layer().presentCount(), 1u);
    ASSERT_NE(view->layer().presentedPixels(), nullptr);
    EXPECT_TRUE(*view->layer().presentedPixels() == *red.pixels());

    // Drawn with present off: not shown, but captured.
    view->loadSpriteImage(&blue);
    EXPECT_TRUE(*drawAndCapture(*view).pixels() == *blue.pixels());
    EXPECT_EQ(view->layer().presentCount(), 1u);
    EXPECT_TRUE(*view->layer().presentedPixels() == *red.pixels());

    // Without a grid or a sprite nothing is drawn, and the last frame stays.
    view->loadSpriteImage(&red);
    view->setGrid(nullptr);
    view->setPresent(true);
    view->drawView();
    view->setGrid(std::make_shared<EffectGrid>(32, 32));
    view->clearSprite();
    view->drawView();
    EXPECT_EQ(view->layer().presentCount(), 1u);
    PixelBuffer data;
    ASSERT_TRUE(view->capture(data));
    EXPECT_TRUE(*data == *blue.pixels());
}

TEST(GLView, ImpossibleSizesAndBadSpriteDataAreRefusedAndTheViewDrawsOn) {
    for (Rect frame : {Rect{0.0f, 0.0f, 0.0f, 10.0f}, Rect{0.0f, 0.0f, 100000.0f, 10.0f},
                       Rect{0.0f, 0.0f, 10.0f, std::numeric_limits<float>::quiet_NaN()}}) {
        testsupport::LogRecorder log;
        auto view = GLView::create(frame);
        EXPECT_EQ(view, nullptr);
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_TRUE(log.lines()[0].starts_with("failed to make complete framebuffer object "))
            << log.lines()[0];
    }
    // A failed resize says so but keeps the view; a good one remakes the drawable and keeps
    // the sprite and the grid.
    const Picture small = patternPicture(10, 6);
    auto view = viewShowing(small);
    ASSERT_NE(view, nullptr);
    const auto grid = view->grid();
    const GLuint sprite = view->spriteTexture();
    {
        testsupport::LogRecorder log;
        view->resize({0.0f, 0.0f, 0.0f, 0.0f});
        EXPECT_FALSE(log.lines().empty());
    }
    view->drawView();
    view->resize({0.0f, 0.0f, 4.0f, 4.0f});
    EXPECT_EQ(std::pair(view->backingWidth(), view->backingHeight()), std::pair(4, 4));
    EXPECT_EQ(view->grid(), grid);
    EXPECT_EQ(view->spriteTexture(), sprite);

    // Bad sprite data leaves the sprite alone.
    const Picture picture = patternPicture(4, 4);
    ASSERT_TRUE(view->loadSpriteImage(&picture));
    const auto shortBuffer = std::make_shared<const platform::PixelBytes>(4 * 4 * 4 - 1);
    EXPECT_FALSE(view->loadSpriteData(shortBuffer, 4.0f, 4.0f));
    EXPECT_FALSE(
        view->loadSpriteData(picture.pixels(), std::numeric_limits<float>::quiet_NaN(), 4.0f));
    EXPECT_FALSE(view->loadSpriteData(picture.pixels(), 4.0f, -1.0f));
    EXPECT_FALSE(view->loadSpriteData(picture.pixels(), 1e30f, 1.0f));
    EXPECT_FALSE(view->loadSpriteData(nullptr, 4.0f, 4.0f));
    EXPECT_FALSE(view->loadSpriteImage(nullptr));
    EXPECT_EQ(view->spriteWidth(), 4u);
    EXPECT_TRUE(*drawAndCapture(*view).pixels() == *picture.pixels());
}

TEST(GLView, EndOfLifeLeavesNoContextCurrent) {
    platform::GLContext* context = platform::GLContext::shared();
    ASSERT_NE(context, nullptr);
    {
        const Picture picture = patternPicture(4, 4);
        auto view = viewShowing(picture);
        ASSERT_NE(view, nullptr);
        view->drawView(); // presents, so the layer holds a texture too
        EXPECT_TRUE(context->isCurrent());
    }
    EXPECT_FALSE(context->isCurrent());
    // The next view makes it current again by itself.
    const Picture picture = patternPicture(3, 2);
    auto view = viewShowing(picture);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(*drawAndCapture(*view).pixels() == *picture.pixels());
}

} // namespace
