// The widgets as the compositor draws them, checked pixel by pixel where their look is
// not a matter of taste: where things lie, which colour family they take, what is dimmed.

#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/NavigationBar.h"
#include "support/PictureTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace platform;

using Pixel = std::array<std::uint8_t, 4>;

// A view that draws with the compositor's shape primitives.
class Shapes : public View {
public:
    using View::View;
    void drawContent(Painter& c) override {
        c.fillRoundedRect(Rect(10, 10, 60, 40), 12, {1, 0, 0, 1});
        c.fillRoundedRect(Rect(100, 10, 40, 100), 0, {0, 0, 1, 1}, {0, 1, 0, 1});
        c.fillEllipse(Rect(10, 100, 50, 50), {1, 1, 1, 1});
        const Point triangle[] = {{200, 10}, {260, 10}, {200, 70}, {200, 70}};
        c.fillConvex(triangle, {1, 1, 0, 0.5f});
        const Point line[] = {{0, 200}, {50, 200}, {100, 200}};
        c.fillConvex(line, {1, 1, 1, 1}); // no area: nothing
    }
};

struct Drawing : ::testing::Test {
    void SetUp() override {
        RunLoop::main().reset(std::make_shared<VirtualClock>());
        if (GLContext::shared() == nullptr) {
            GTEST_SKIP() << "no GL: " << GLContext::lastError();
        }
        window->setBackgroundColor(Color::black());
    }
    Picture shoot(int scale = 2) {
        Compositor compositor(scale);
        auto shot = compositor.snapshot(*window);
        EXPECT_TRUE(shot);
        return shot ? *shot : testsupport::makeCoordinatePicture(1, 1);
    }
    // The pixel under point (x, y) at the shot's scale.
    static Pixel at(const Picture& shot, float x, float y, int scale = 2) {
        return shot.pixelAt(static_cast<int>(x * scale), static_cast<int>(y * scale));
    }
    std::shared_ptr<Window> window = std::make_shared<Window>();
};

TEST_F(Drawing, ShapesAreFilledWithRoundCornersGradientsAndSmoothEdges) {
    window->addSubview(std::make_shared<Shapes>(Rect(0, 0, 320, 480)));
    const Picture shot = shoot();
    EXPECT_EQ(at(shot, 40, 30), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(shot, 10.5f, 10.5f)[0], 0) << "the corner is cut round";
    EXPECT_EQ(at(shot, 11, 30)[0], 255) << "the straight edge is not";
    // Somewhere along the rounded corner the edge is partly covered.
    int partial = 0;
    for (int y = 20; y < 44; ++y) {
        for (int x = 20; x < 44; ++x) {
            const auto p = shot.pixelAt(x, y);
            partial += p[0] > 20 && p[0] < 235 ? 1 : 0;
        }
    }
    EXPECT_GT(partial, 10);

    const Pixel top = at(shot, 120, 11);
    const Pixel bottom = at(shot, 120, 109);
    EXPECT_GT(top[2], 240);
    EXPECT_LT(top[1], 15);
    EXPECT_GT(bottom[1], 240);
    EXPECT_LT(bottom[2], 15);
    const Pixel middle = at(shot, 120, 60);
    EXPECT_NEAR(middle[1], 127, 6);
    EXPECT_NEAR(middle[2], 127, 6);

    EXPECT_EQ(at(shot, 35, 125), (Pixel{255, 255, 255, 255}));
    EXPECT_EQ(at(shot, 12, 102)[0], 0) << "outside the circle";
    const Pixel yellow = at(shot, 210, 20);
    EXPECT_NEAR(yellow[0], 128, 2) << "half-transparent over black";
    EXPECT_EQ(at(shot, 250, 60)[0], 0) << "beyond the triangle's slanted side";
    EXPECT_EQ(at(shot, 25, 200)[0], 0);
}

TEST_F(Drawing, ButtonsShowTheVariantOfTheScaleAndDimWhenDisabled) {
    // Red picture 8 × 6 pixels at scale 2: a 4 × 3 point image.
    auto image = Image::create(testsupport::makePicture(8, 6,
                                                        [](int, int) {
                                                            return Pixel{255, 0, 0, 255};
                                                        }),
                               2);
    auto button = std::make_shared<Button>(Rect(100, 100, 40, 30));
    button->setImage(image, Control::Normal);
    window->addSubview(button);
    Picture shot = shoot();
    // Centred: (40 − 4) / 2 = 18, (30 − 3) / 2 = 13.5 rounded to the pixel.
    EXPECT_EQ(at(shot, 119, 115), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(at(shot, 117.5f, 115)[0], 0);
    EXPECT_EQ(at(shot, 122.5f, 115)[0], 0);

    button->setEnabled(false);
    shot = shoot();
    EXPECT_NEAR(at(shot, 119, 115)[0], 255 * Button::kDisabledAlpha, 2);
}

TEST_F(Drawing, PictureTexturesAreKeptWhileThePicturesLiveAndRemadeForNewPixels) {
    auto button = std::make_shared<Button>(Rect(0, 0, 40, 30));
    const auto colour = [](std::uint8_t red) {
        return Image::create(testsupport::makePicture(40, 30, [red](int, int) {
            return Pixel{red, 0, 0, 255};
        }));
    };
    button->setImage(colour(200), Control::Normal);
    window->addSubview(button);
    Compositor compositor(1);
    ASSERT_TRUE(compositor.snapshot(*window));
    ASSERT_TRUE(compositor.snapshot(*window));
    EXPECT_EQ(compositor.cachedTextureCount(), 1u);

    // New pixels, possibly at the old address: the new colour shows.
    button->setImage(colour(100), Control::Normal);
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

TEST_F(Drawing, LabelsDrawTheirTextInTheirColourWhereTheAlignmentSays) {
    const auto leftmostInk = [](const Picture& shot, int row0, int row1) {
        for (int x = 0; x < shot.width(); ++x) {
            for (int y = row0; y < row1; ++y) {
                if (shot.pixelAt(x, y)[1] > 128) {
                    return x;
                }
            }
        }
        return -1;
    };
    for (int alignment : {Label::Left, Label::Center, Label::Right}) {
        auto label = std::make_shared<Label>(Rect(0, 20.0f + 30.0f * alignment, 320, 30));
        label->setTextColor({0, 1, 0, 1});
        label->setTextAlignment(alignment);
        label->setFont(Font::fontWithName("DejaVu Sans", 18));
        label->setText("Smudge");
        window->addSubview(label);
    }
    const Picture shot = shoot();
    const int left = leftmostInk(shot, 40, 100);
    const int centre = leftmostInk(shot, 100, 160);
    const int right = leftmostInk(shot, 160, 220);
    ASSERT_GE(left, 0);
    EXPECT_LT(left, 6);
    EXPECT_GT(centre, 200);
    EXPECT_LT(centre, 320);
    EXPECT_GT(right, 420);
    // Only green ink.
    const auto p = shot.pixelAt(left, 70);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[2], 0);
}

// Bars, sliders and labels of the editor's screens are compared with reference pictures in
// the e2e tests; other tints and alerts appear in none of them.
TEST_F(Drawing, BarsTakeTheirTintAndAlertsDimTheScreenBehindTheirBox) {
    window->setBackgroundColor(Color::white());
    auto navigation = std::make_shared<NavigationBar>(Rect(0, 100, 320, 65));
    navigation->setTintColor({0.0f, 0.0f, 0.6f, 1.0f});
    window->addSubview(navigation);
    const Pixel bar = at(shoot(), 300, 150);
    EXPECT_GT(bar[2], 2 * bar[0]) << "a blue bar";

    auto alert = std::make_shared<AlertView>("Saved.", "", "OK");
    alert->show(*window);
    RunLoop::main().advance(0.3);
    const Picture shot = shoot();
    const Pixel dimmed = at(shot, 10, 10);
    EXPECT_LT(dimmed[0], 255 * 0.7);
    EXPECT_EQ(dimmed[3], 255);
    const Rect box = alert->frame();
    EXPECT_NE(at(shot, box.x() + box.width() / 2, box.y() + 10), dimmed) << "the box is drawn";
}

} // namespace
