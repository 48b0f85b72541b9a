// The widgets' drawing, recorded where their look is not a matter of taste: where things
// lie, which colour they take, what is dimmed.

#include "platform/base/RunLoop.h"
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
