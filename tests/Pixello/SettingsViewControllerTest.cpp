#include "Pixello/SettingsViewController.h"

#include "Pixello/PropertyNames.h"
#include "platform/base/Localization.h"
#include "platform/base/RunLoop.h"
#include "support/EditorTestSupport.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::Label;
using platform::Point;
using platform::Rect;
using platform::Slider;

class SettingsScreen : public testsupport::EditorFixture {
protected:
    void SetUp() override {
        EditorFixture::SetUp();
        platform::Localization::setLanguage("en");
    }
    void TearDown() override {
        EditorFixture::TearDown();
        platform::Localization::setLanguage("");
    }

    // Starts the editor on `stored` as its storage file (none: the defaults), on its main
    // screen. The settings screen's view is not built yet.
    void start(const std::optional<std::string>& stored = std::nullopt) {
        if (stored) {
            storePayload(*stored);
        }
        launch();
        screen = kernel->settingsViewController();
        kernel->model()->addDelegate(&notices);
    }
    void open() {
        kernel->openSettings();
        platform::RunLoop::main().advance(0.5);
    }

    PixelloModel& model() const { return *kernel->model(); }
    std::vector<std::shared_ptr<Slider>> sliders() const {
        return {screen->smudgePower(), screen->smudgeWidth(), screen->bumpPower(),
                screen->pinchPower()};
    }
    std::vector<float> sliderValues() const {
        return {screen->smudgePower()->value(), screen->smudgeWidth()->value(),
                screen->bumpPower()->value(), screen->pinchPower()->value()};
    }
    std::vector<float> modelValues() const {
        return {model().smudgePower(), model().smudgeWidth(), model().bumpPower(),
                model().pinchPower()};
    }
    Point thumbOf(const Slider& slider) const {
        return slider.convertPointToView(slider.thumbCentreForValue(slider.value()), nullptr);
    }

    SettingsViewController* screen = nullptr;
};

// Where each element lies and how it looks (the support address shown whole, the invisible
// button over it) is pinned by the end-to-end reference screenshot; here what the controls do.
TEST_F(SettingsScreen, BuildsItsViewOnFirstShowAndShowsTheStoredStrengthsInsideTheSliders) {
    // An empty stored history (no pictures, no current one, then the four strengths): the
    // default picture is seeded.
    start("0\n-1\n0.500000\n10.000000\nnan\n90.000000\n");
    EXPECT_EQ(model().imageFileNames().size(), 1u);
    EXPECT_FALSE(screen->isViewLoaded()) << "the view waits until the screen is shown";
    open();
    ASSERT_TRUE(screen->isViewLoaded());
    const float minimums[] = {0.05f, 20, 5, 5};
    const float maximums[] = {0.2f, 50, 15, 15};
    for (int g = 0; g < 4; ++g) {
        const Slider& slider = *sliders()[g];
        EXPECT_EQ(slider.superview(), screen->view().get()) << g;
        EXPECT_EQ(slider.minimumValue(), minimums[g]) << g;
        EXPECT_EQ(slider.maximumValue(), maximums[g]) << g;
        EXPECT_FALSE(slider.isContinuous()) << g;
    }
    EXPECT_EQ(screen->view()->subviews().back(), screen->supportButton())
        << "the button lies over both texts";
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.2f, 20, 5, 15}));
    EXPECT_EQ(modelValues(), (std::vector<float>{0.2f, 20, 5, 15}))
        << "the model takes stored strengths as the sliders show them";
    EXPECT_TRUE(notices.names.empty()) << "showing the values changes nothing in the model";

    // Changed behind the screen's back (no notice), then shown again: the sliders follow.
    navigation->popViewControllerAnimated(false);
    model().loadFromData("0\n-1\n0.150000\n45.000000\n6.000000\n14.000000\n");
    open();
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.15f, 45, 6, 14}));
}

TEST_F(SettingsScreen, AReleasedSliderSendsExactlyOneNoticeWithItsValue) {
    start();
    open();
    const char* names[] = {PropertyName::kSmudgePower, PropertyName::kSmudgeWidth,
                           PropertyName::kBumpPower, PropertyName::kPinchPower};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        notices.names.clear();
        const std::vector<float> before = modelValues();
        Slider& slider = *sliders()[i];
        const Point start = thumbOf(slider);
        window->touchDown(1, start);
        window->touchMove(1, {start.x + 60, start.y});
        EXPECT_EQ(modelValues(), before) << "nothing changes while the finger is down";
        window->touchUp(1, {start.x + 60, start.y});
        EXPECT_EQ(notices.names, std::vector<std::string>{names[i]});
        std::vector<float> expected = before;
        expected[i] = slider.value();
        EXPECT_EQ(modelValues(), expected) << "only this slider's strength, at its value";
    }
}

TEST_F(SettingsScreen, StrengthNoticesMoveTheSliders) {
    start();
    // Notices before the view exists reach the screen harmlessly.
    model().setSmudgePower(0.08f);
    EXPECT_FALSE(screen->isViewLoaded());
    open();
    EXPECT_EQ(screen->smudgePower()->value(), 0.08f);

    model().setBumpPower(7);
    model().setPinchPower(100);
    model().setSmudgeWidth(33);
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.08f, 33, 7, 15}));
    EXPECT_EQ(model().pinchPower(), 100.0f);

    // Other names leave the sliders alone, even when the model has moved on.
    model().loadFromData("0\n-1\n0.190000\n21.000000\n14.000000\n6.000000\n");
    for (const char* other : {PropertyName::kHistory, PropertyName::kImage, PropertyName::kEffect,
                              PropertyName::kGrid, "SmudgePower", ""}) {
        screen->modelPropertyChanged(other);
    }
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.08f, 33, 7, 15}));

    // The thumb glides to a notified value; the value itself is there at once.
    screen->modelPropertyChanged(PropertyName::kBumpPower);
    Slider& bump = *screen->bumpPower();
    EXPECT_EQ(bump.value(), 14.0f);
    const Point moving = thumbOf(bump);
    platform::RunLoop::main().advance(0.5);
    EXPECT_EQ(thumbOf(bump), moving) << "the model value answers at once";
}

TEST_F(SettingsScreen, ATapOnTheSupportAreaOpensTheSupportAddress) {
    start();
    // Headless nothing may be started: an opener that does not exist would make any attempt
    // fail, and a failed open is not recorded.
    application.setURLOpener("/nonexistent/pixello-opener");
    open();
    // Under the navigation bar the screen shows the root view down to y = 415.
    const std::string between = "https://example.org/in-between";
    const std::pair<Point, bool> taps[] = {
        {{9, 390}, false},  {{311, 390}, false},     {{160, 365}, false},
        {{30, 350}, false}, {{10.5f, 370.5f}, true}, {{309.5f, 414.5f}, true},
        {{160, 382}, true}, {{160, 402}, true},      {{12, 414}, true}};
    for (const auto& [at, opens] : taps) {
        // Something else in between, so that every tap is seen on its own.
        ASSERT_TRUE(application.openURL(between));
        window->tap(screen->view()->convertPointToView(at, nullptr));
        EXPECT_EQ(application.lastOpenedURL(), opens ? "https://pixello.example/help" : between)
            << at.x << ", " << at.y;
        platform::RunLoop::main().advance(1.0);
    }
}

// The German table: a text from the wrong key or one left untranslated shows.
TEST_F(SettingsScreen, SpeaksTheUsersLanguage) {
    platform::Localization::setLanguage("de");
    start();
    open();
    std::vector<std::string> texts;
    for (const auto& view : screen->view()->subviews()) {
        if (const auto* label = dynamic_cast<const Label*>(view.get())) {
            texts.push_back(label->text());
        }
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Verwischstärke", "Klein", "Groß", "Verwischbreite",
                                               "Klein", "Groß", "Wölbstärke", "Klein", "Groß",
                                               "Stauchstärke", "Klein", "Groß", "Website und Hilfe",
                                               "https://pixello.example/help"}));
    EXPECT_EQ(screen->backItem()->title(), "Zurück");
    EXPECT_EQ(navigation->navigationBar().topItem()->title(), "Einstellungen");
    EXPECT_EQ(navigation->navigationBar().topItem()->backBarButtonItem(), screen->backItem());
}

} // namespace
