#include "platform/render/Compositor.h"

#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/gl/GLResources.h"
#include "platform/render/PictureTextureCache.h"
#include "platform/ui/GLLayerView.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Slider.h"
#include "support/PictureTestSupport.h"

#include <array>
#include <gtest/gtest.h>

namespace {

using platform::AffineTransform;
using platform::Color;
using platform::Compositor;
using platform::Painter;
using platform::Picture;
using platform::Rect;
using platform::View;

using Pixel = std::array<std::uint8_t, 4>;

void expectPixel(const Picture& picture, int x, int y, Pixel expected, const char* what) {
    const Pixel got = picture.pixelAt(x, y);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(got[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)], 2)
            << what << " at (" << x << ", " << y << ") channel " << i;
    }
}

std::shared_ptr<View> box(Rect frame, Color color) {
    auto view = std::make_shared<View>(frame);
    view->setBackgroundColor(color);
    return view;
}

struct Compositing : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        if (platform::GLContext::shared() == nullptr) {
            GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
        }
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
};

TEST_F(Compositing, DrawsColoursAlphaTransformsAndClippingAtTheScale) {
    window->setBackgroundColor(Color::white());
    auto red = box({10, 10, 20, 20}, {1, 0, 0, 1});
    auto faded = box({40, 10, 20, 20}, {0, 0, 1, 1});
    faded->setAlpha(0.5f);
    auto clipper = box({100, 100, 50, 50}, Color::black());
    clipper->setClipsToBounds(true);
    auto overflow = box({25, 25, 50, 50}, {0, 1, 0, 1}); // half outside the clipper
    clipper->addSubview(overflow);
    auto scaled = box({200, 200, 10, 10}, {1, 0, 0, 1});
    scaled->setTransform(AffineTransform::makeScale(3, 3)); // covers 190…220
    auto hidden = box({0, 300, 50, 50}, {1, 0, 0, 1});
    hidden->setHidden(true);
    for (const auto& v : {red, faded, clipper, scaled, hidden}) {
        window->addSubview(v);
    }

    Compositor compositor(2);
    const auto shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->size(), (platform::Size{640, 960}));
    expectPixel(*shot, 2, 2, {255, 255, 255, 255}, "background");
    expectPixel(*shot, 2 * 20, 2 * 20, {255, 0, 0, 255}, "red box");
    expectPixel(*shot, 2 * 50, 2 * 20, {127, 127, 255, 255}, "half-transparent blue on white");
    expectPixel(*shot, 2 * 140, 2 * 140, {0, 255, 0, 255}, "subview inside the clip");
    expectPixel(*shot, 2 * 160, 2 * 160, {255, 255, 255, 255}, "subview outside the clip");
    expectPixel(*shot, 2 * 192, 2 * 192, {255, 0, 0, 255}, "scaled about its centre");
    expectPixel(*shot, 2 * 188, 2 * 205, {255, 255, 255, 255}, "beyond the scaled box");
    expectPixel(*shot, 2 * 20, 2 * 320, {255, 255, 255, 255}, "hidden view");
}

// The compositor's shape primitives.
class Shapes : public View {
public:
    using View::View;
    void drawContent(Painter& c) override {
        c.fillRoundedRect(Rect(10, 10, 60, 40), 12, {1, 0, 0, 1});
        c.fillRoundedRect(Rect(100, 10, 40, 100), 0, {0, 0, 1, 1}, {0, 1, 0, 1});
        c.fillEllipse(Rect(10, 100, 50, 50), {1, 1, 1, 1});
        const platform::Point triangle[] = {{200, 10}, {260, 10}, {200, 70}, {200, 70}};
        c.fillConvex(triangle, {1, 1, 0, 0.5f});
        const platform::Point line[] = {{0, 200}, {50, 200}, {100, 200}};
        c.fillConvex(line, {1, 1, 1, 1}); // no area: nothing
    }
};

TEST_F(Compositing, ShapesAreFilledWithRoundCornersGradientsAndSmoothEdges) {
    window->setBackgroundColor(Color::black());
    window->addSubview(std::make_shared<Shapes>(Rect(0, 0, 320, 480)));
    const auto shot = Compositor(2).snapshot(*window);
    ASSERT_TRUE(shot);
    // The pixel under point (x, y).
    const auto at = [&](float x, float y) {
        return shot->pixelAt(static_cast<int>(x * 2), static_cast<int>(y * 2));
    };
    EXPECT_EQ(at(40, 30), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(10.5f, 10.5f)[0], 0) << "the corner is cut round";
    EXPECT_EQ(at(11, 30)[0], 255) << "the straight edge is not";
    // Somewhere along the rounded corner the edge is partly covered.
    int partial = 0;
    for (int y = 20; y < 44; ++y) {
        for (int x = 20; x < 44; ++x) {
            const auto p = shot->pixelAt(x, y);
            partial += p[0] > 20 && p[0] < 235 ? 1 : 0;
        }
    }
    EXPECT_GT(partial, 10);

    const Pixel top = at(120, 11);
    const Pixel bottom = at(120, 109);
    EXPECT_GT(top[2], 240);
    EXPECT_LT(top[1], 15);
    EXPECT_GT(bottom[1], 240);
    EXPECT_LT(bottom[2], 15);
    const Pixel middle = at(120, 60);
    EXPECT_NEAR(middle[1], 127, 6);
    EXPECT_NEAR(middle[2], 127, 6);

    EXPECT_EQ(at(35, 125), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(at(12, 102)[0], 0) << "outside the circle";
    EXPECT_NEAR(at(210, 20)[0], 128, 2) << "half-transparent yellow over black";
    EXPECT_EQ(at(250, 60)[0], 0) << "beyond the triangle's slanted side";
    EXPECT_EQ(at(25, 200)[0], 0);
}

TEST_F(Compositing, ShowsAnimationsAsTheyStandAndPicturesTheRightWayUp) {
    auto moving = box({0, 0, 20, 20}, {1, 0, 0, 1});
    window->addSubview(moving);
    platform::Animation::beginAnimations("move");
    moving->setFrame({100, 0, 20, 20});
    platform::Animation::commitAnimations();
    platform::RunLoop::main().advance(0.1);
    Compositor compositor(1);
    auto shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    expectPixel(*shot, 60, 10, {255, 0, 0, 255}, "half way");
    expectPixel(*shot, 10, 10, {0, 0, 0, 255}, "left its start");

    // A 2 × 2 picture: red on top, blue below.
    struct PictureView : View {
        using View::View;
        std::optional<Picture> picture;
        void drawContent(Painter& c) override { c.drawPicture(*picture, bounds()); }
    };
    auto view = std::make_shared<PictureView>(Rect(200, 200, 40, 40));
    view->picture = testsupport::makePicture(2, 2, [](int, int y) {
        return y == 0 ? Pixel{255, 0, 0, 255} : Pixel{0, 0, 255, 255};
    });
    window->addSubview(view);
    shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    expectPixel(*shot, 220, 202, {255, 0, 0, 255}, "top row");
    expectPixel(*shot, 220, 238, {0, 0, 255, 255}, "bottom row");
}

TEST_F(Compositing, ShowsTheLastPresentedFrameOfAGLView) {
    auto glView = std::make_shared<platform::GLLayerView>(Rect(0, 0, 32, 32));
    glView->layer().setBounds({32, 32});
    window->addSubview(glView);

    platform::GLContext& context = *platform::GLContext::shared();
    ASSERT_TRUE(context.makeCurrent());
    const auto target = platform::OffscreenTarget::withRenderbuffer(
        context.fbo(), [&] { ASSERT_TRUE(glView->layer().renderbufferStorage()); });
    const auto fill = [](float r, float g, float b) {
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, 32, 32);
        glClearColor(r, g, b, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    Compositor compositor(1);
    fill(0, 1, 0);
    ASSERT_TRUE(glView->layer().present());
    fill(1, 0, 0); // drawn but never presented
    auto shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    expectPixel(*shot, 16, 16, {0, 255, 0, 255}, "presented frame");
    expectPixel(*shot, 40, 16, {0, 0, 0, 255}, "outside the GL view");
}

TEST_F(Compositing, PictureTexturesAreKeptWhileDrawnRemadeForNewPixelsAndGivenBackWhenUnused) {
    ASSERT_TRUE(platform::GLContext::shared()->makeCurrent());
    platform::PictureTextureCache cache;
    const Picture picture = testsupport::plainPicture(4, 4, {10, 20, 30, 255});
    const GLuint first = cache.textureFor(picture).texture;
    ASSERT_NE(first, 0u);
    cache.sweep();
    EXPECT_EQ(cache.textureFor(picture).texture, first) << "drawn last frame: kept";
    for (std::uint64_t frame = 0; frame <= platform::PictureTextureCache::kKeepFrames; ++frame) {
        cache.sweep();
    }
    EXPECT_EQ(cache.size(), 0u) << "not drawn for a while: given back";

    auto button = std::make_shared<platform::Button>(Rect(0, 0, 40, 30));
    const auto colour = [](std::uint8_t red) {
        return platform::Image::create(testsupport::plainPicture(40, 30, {red, 0, 0, 255}));
    };
    button->setImage(colour(200), platform::Control::Normal);
    window->addSubview(button);
    Compositor compositor(1);
    ASSERT_TRUE(compositor.snapshot(*window));
    ASSERT_TRUE(compositor.snapshot(*window));
    EXPECT_EQ(compositor.cachedTextureCount(), 1u);
    // New pixels, possibly at the old address: the new colour shows.
    button->setImage(colour(100), platform::Control::Normal);
    auto shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->pixelAt(20, 15)[0], 100);
    shot = compositor.snapshot(*window);
    EXPECT_EQ(compositor.cachedTextureCount(), 1u) << "the dead picture's texture went";
    button->removeFromSuperview();
    button.reset();
    compositor.snapshot(*window);
    EXPECT_EQ(compositor.cachedTextureCount(), 0u);
}

// Each box is the view's bounds and the margin its content may paint into.
TEST_F(Compositing, TheKeptScreenRedrawsTheBoxesOfWhatChangedAndNothingElse) {
    auto red = box({10, 10, 20, 20}, {1, 0, 0, 1});
    auto blue = box({100, 200, 40, 30}, {0, 0, 1, 1});
    window->setBackgroundColor(Color::white());
    window->addSubview(red);
    window->addSubview(blue);
    Compositor compositor(2);
    const auto update = [&] {
        EXPECT_TRUE(compositor.update(*window));
        return compositor.lastDamage();
    };
    EXPECT_EQ(update(), std::vector<Rect>{Rect(0, 0, 320, 480)})
        << "the first update draws everything";
    EXPECT_TRUE(update().empty()) << "nothing changed";

    blue->setNeedsDisplay();
    EXPECT_EQ(update(), std::vector<Rect>{Rect(96, 196, 48, 38)});

    red->setFrame({50, 10, 20, 20});
    EXPECT_EQ(update(), (std::vector<Rect>{Rect(46, 6, 28, 28), Rect(6, 6, 28, 28)}))
        << "a move redraws where the view was and where it is";

    blue->setHidden(true);
    EXPECT_EQ(update(), std::vector<Rect>{Rect(96, 196, 48, 38)});
    blue->setHidden(false);
    blue->setAlpha(0.5f);
    EXPECT_EQ(update(), std::vector<Rect>{Rect(96, 196, 48, 38)});

    red->setFrame({60, 12, 20, 20});
    EXPECT_EQ(update(), std::vector<Rect>{Rect(46, 6, 38, 30)}) << "overlapping boxes merge";

    window->sendSubviewToBack(blue.get());
    EXPECT_EQ(update(), std::vector<Rect>{Rect(0, 0, 320, 480)})
        << "views that swap their order redraw the screen";

    // A slider's thumb glides with the clock, with no call to tell of each step: every frame
    // of the glide is drawn, and the screen is still again once it ends.
    auto slider = std::make_shared<platform::Slider>(Rect(20, 300, 200, 23));
    window->addSubview(slider);
    update();
    slider->setValue(0.8f, true);
    platform::RunLoop::main().advance(0.05);
    EXPECT_EQ(update(), std::vector<Rect>{Rect(16, 296, 208, 31)});
    platform::RunLoop::main().advance(0.05);
    EXPECT_EQ(update(), std::vector<Rect>{Rect(16, 296, 208, 31)}) << "still gliding";
    platform::RunLoop::main().advance(1.0);
    update();
    EXPECT_TRUE(update().empty()) << "the glide is over";
    EXPECT_FALSE(platform::RunLoop::main().hasFrameObservers());
}

} // namespace
