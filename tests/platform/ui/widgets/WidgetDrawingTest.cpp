// The widgets' drawing, recorded where their look is not a matter of taste: where things
// lie, which colour they take, what is dimmed. The compositor's own shapes and textures are
// checked pixel by pixel.

#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/AlertView.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Label.h"
#include "platform/ui/widgets/NavigationBar.h"
#include "support/PictureTestSupport.h"
#include "support/RecordingPainter.h"

#include <cmath>
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

TEST(WidgetDrawing, ButtonsDrawTheVariantOfTheScaleCentredOnWholePixelsDimmedWhenDisabled) {
    // Red picture 8 × 6 pixels at scale 2: a 4 × 3 point image.
    const auto image = Image::create(testsupport::plainPicture(8, 6, {255, 0, 0, 255}), 2);
    Button button(Rect(100, 100, 40, 30));
    button.setImage(image, Control::Normal);
    // The one picture the button draws at a scale.
    const auto drawn = [&button](int scale) {
        testsupport::RecordingPainter painter(scale);
        button.drawContent(painter);
        EXPECT_EQ(painter.calls.size(), 1u);
        return painter.calls.empty() ? testsupport::PaintCall{} : painter.calls[0];
    };
    // Centred: (40 − 4) / 2 = 18, (30 − 3) / 2 = 13.5, which is a whole pixel at scale 2
    // and rounds to 14 at scale 1.
    for (const auto& [scale, y] : {std::pair{2, 13.5f}, {1, 14.0f}}) {
        const auto call = drawn(scale);
        ASSERT_TRUE(call.picture);
        EXPECT_EQ(call.kind, testsupport::PaintCall::DrawPicture);
        EXPECT_EQ(call.rect, Rect(18, y, 4, 3)) << scale;
        EXPECT_EQ(call.alpha, 1.0f);
        EXPECT_EQ(call.picture->pixels(), image->variantForScale(scale).picture.pixels());
    }
    button.setEnabled(false);
    EXPECT_EQ(drawn(2).alpha, Button::kDisabledAlpha);
    // A picture of its own for the disabled state is shown as it is.
    const auto own = Image::create(testsupport::plainPicture(8, 6, {0, 0, 255, 255}), 2);
    button.setImage(own, Control::Disabled);
    const auto call = drawn(2);
    ASSERT_TRUE(call.picture);
    EXPECT_EQ(call.alpha, 1.0f);
    EXPECT_EQ(call.picture->pixels(), own->variantForScale(2).picture.pixels());
}

TEST_F(Drawing, PictureTexturesAreKeptWhileThePicturesLiveAndRemadeForNewPixels) {
    auto button = std::make_shared<Button>(Rect(0, 0, 40, 30));
    const auto colour = [](std::uint8_t red) {
        return Image::create(testsupport::plainPicture(40, 30, {red, 0, 0, 255}));
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

TEST(WidgetDrawing, LabelsDrawTheirTextInTheirColourWhereTheAlignmentSays) {
    for (int alignment : {Label::Left, Label::Center, Label::Right}) {
        SCOPED_TRACE(alignment);
        Label label(Rect(7, 20, 320, 30));
        label.setTextColor({0, 1, 0, 1});
        label.setTextAlignment(alignment);
        label.setFont(Font::fontWithName("DejaVu Sans", 18));
        label.setText("Smudge");
        testsupport::RecordingPainter painter;
        label.drawContent(painter);
        ASSERT_EQ(painter.calls.size(), 1u);
        const testsupport::PaintCall& text = painter.calls[0];
        ASSERT_EQ(text.kind, testsupport::PaintCall::DrawPicture);
        const float w = text.rect.width();
        const float h = text.rect.height();
        EXPECT_EQ(w, static_cast<float>(text.picture->width()) / 2);
        EXPECT_GT(w, 40.0f);
        const float x = alignment == Label::Left     ? 0.0f
                        : alignment == Label::Center ? (320 - w) / 2
                                                     : 320 - w;
        EXPECT_NEAR(text.rect.x(), x, 0.5f);
        EXPECT_EQ(text.rect.x() * 2, std::round(text.rect.x() * 2)) << "on whole pixels";
        EXPECT_NEAR(text.rect.y(), (30 - h) / 2, 0.5f);
        // Only green ink.
        const PixelBytes& bytes = *text.picture->pixels();
        int ink = 0;
        for (std::size_t i = 0; i < bytes.size(); i += 4) {
            ASSERT_EQ(bytes[i] + bytes[i + 2], 0) << i;
            ink += bytes[i + 1] > 128 ? 1 : 0;
        }
        EXPECT_GT(ink, 20);
    }
}

// Bars, sliders and labels of the editor's screens are compared with reference pictures in
// the e2e tests; other tints and alerts appear in none of them.
TEST(WidgetDrawing, BarsTakeTheirTintAndAlertsDimTheScreenBehindTheirBox) {
    RunLoop::main().reset(std::make_shared<VirtualClock>());
    const Color tint{0.0f, 0.0f, 0.6f, 1.0f};
    NavigationBar navigation(Rect(0, 100, 320, 65));
    navigation.setTintColor(tint);
    testsupport::RecordingPainter bar;
    navigation.drawContent(bar);
    ASSERT_GE(bar.calls.size(), 2u);
    EXPECT_EQ(bar.calls[1].kind, testsupport::PaintCall::FillConvex);
    EXPECT_EQ(bar.calls[1].top, tint) << "the lower half of the bar starts at the tint";

    Window window;
    auto alert = std::make_shared<AlertView>("Saved.", "", "OK");
    alert->show(window);
    RunLoop::main().advance(0.3);
    ASSERT_FALSE(window.children().empty());
    const auto dimming = window.children().back()->backgroundColor();
    ASSERT_TRUE(dimming);
    EXPECT_EQ(dimming->red + dimming->green + dimming->blue, 0.0f);
    EXPECT_GT(dimming->alpha, 0.3f);
    EXPECT_LT(dimming->alpha, 1.0f) << "the screen shows through";
    testsupport::RecordingPainter box;
    alert->drawContent(box);
    ASSERT_FALSE(box.calls.empty());
    EXPECT_EQ(box.calls[0].kind, testsupport::PaintCall::FillConvex) << "the box is drawn";
}

} // namespace
