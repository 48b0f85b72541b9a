#include "Pixello/SettingsViewController.h"

#include "Pixello/PixelloKernel.h"
#include "ZevkoCore/ZVKMD5.h"
#include "ZevkoCore/ZVKNavigationController.h"
#include "platform/Application.h"
#include "platform/Compositor.h"
#include "platform/GLContext.h"
#include "platform/Localization.h"
#include "platform/PictureCodec.h"
#include "platform/RunLoop.h"
#include "platform/TestEnvironment.h"
#include "platform/Window.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using platform::Color;
using platform::Label;
using platform::Point;
using platform::Rect;
using platform::Slider;

// Every property name the model reports, in order.
struct NoticeLog : ZVKApplicationModelDelegate {
    void modelPropertyChanged(const std::string& name) override { names.push_back(name); }
    std::vector<std::string> names;
};

// Steers the bar as the editor's kernel does: in when the first screen is left, away when
// it comes back.
struct BarSteering : ZVKNavigationControllerDelegate {
    ZVKNavigationController* navigation = nullptr;
    ZVKViewController* home = nullptr;
    void beforeNavigateFrom(ZVKViewController* from, platform::NavigationItem*,
                            ZVKViewController* to, platform::NavigationItem*) override {
        if (from == home) {
            navigation->setNavigationBarStateAfterNextScroll(1);
        }
        if (to == home) {
            navigation->setNavigationBarStateAfterNextScroll(2);
        }
    }
};

// The stored payload: no pictures, then the four strengths.
std::string payload(const char* smudgePower, const char* smudgeWidth, const char* bumpPower,
                    const char* pinchPower) {
    return std::string("0\n-1\n") + smudgePower + "\n" + smudgeWidth + "\n" + bumpPower + "\n" +
           pinchPower + "\n";
}

class SettingsScreen : public testsupport::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        platform::Localization::setLanguage("en");
    }
    void TearDown() override {
        if (kernel) {
            kernel->model()->removeDelegate(screen.get());
            kernel->model()->removeDelegate(&notices);
        }
        navigation.reset();
        screen.reset();
        kernel.reset();
        platform::Localization::setLanguage("");
        PlatformTest::TearDown();
    }

    // Starts the kernel on `stored` as its storage file (none: the defaults) and wires the
    // screen as the kernel does: second model delegate, pushed over a first screen whose
    // bar is hidden. The screen's view is not built yet.
    void start(const std::optional<std::string>& stored = std::nullopt) {
        if (stored) {
            std::filesystem::create_directories(documents);
            testsupport::writeText(*ZVKApplicationModel::storagePath(),
                                   *stored + ZVKMD5ForString(*stored));
        }
        kernel = PixelloKernel::create(&application, nullptr);
        ASSERT_NE(kernel, nullptr);
        screen = std::make_shared<SettingsViewController>(kernel.get());
        kernel->model()->addDelegate(screen.get());
        kernel->model()->addDelegate(&notices);
        navigation = ZVKNavigationController::create(window.get(), home);
        ASSERT_NE(navigation, nullptr);
        steering.navigation = navigation.get();
        steering.home = home.get();
        navigation->addDelegate(&steering);
        navigation->hideNavigationBarAnimated(false);
    }
    void open(bool animated = false) {
        navigation->pushViewController(screen, animated);
        if (animated) {
            platform::RunLoop::main().advance(0.5);
        }
    }
    void back() { navigation->popViewControllerAnimated(false); }

    PixelloModel& model() const { return *kernel->model(); }
    std::vector<std::shared_ptr<Slider>> sliders() const {
        return {screen->smudgePower(), screen->smudgeWidth(), screen->bumpPower(),
                screen->pinchPower()};
    }
    std::vector<float> sliderValues() const {
        std::vector<float> values;
        for (const auto& slider : sliders()) {
            values.push_back(slider->value());
        }
        return values;
    }
    std::vector<float> modelValues() const {
        return {model().smudgePower(), model().smudgeWidth(), model().bumpPower(),
                model().pinchPower()};
    }
    // A point of the screen's root view in window coordinates.
    Point onScreen(Point p) const { return screen->view()->convertPointToView(p, nullptr); }
    Point thumbOf(const Slider& slider) const {
        return slider.convertPointToView(slider.thumbCentreForValue(slider.value()), nullptr);
    }
    // The labels of the root view, in the order they were added.
    std::vector<Label*> labels() const {
        std::vector<Label*> found;
        for (const auto& view : screen->view()->subviews()) {
            if (auto* label = dynamic_cast<Label*>(view.get())) {
                found.push_back(label);
            }
        }
        return found;
    }

    platform::Application application{nullptr};
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<ZVKViewController> home = std::make_shared<ZVKViewController>();
    std::unique_ptr<PixelloKernel> kernel;
    std::shared_ptr<SettingsViewController> screen;
    std::unique_ptr<ZVKNavigationController> navigation;
    BarSteering steering;
    NoticeLog notices;
};

TEST_F(SettingsScreen, BuildsEveryElementInOrderWithItsFrameAndStyle) {
    start();
    EXPECT_FALSE(screen->isViewLoaded()) << "the view waits until the screen is shown";
    open();
    ASSERT_TRUE(screen->isViewLoaded());
    const auto& root = *screen->view();
    EXPECT_EQ(root.frame(), Rect(0, 0, 320, 415));
    EXPECT_EQ(root.backgroundColor(), Color::black());
    EXPECT_EQ(root.superview(), &navigation->contentView());
    EXPECT_EQ(onScreen({0, 0}), (Point{0, 65})) << "right below the navigation bar";

    // Four groups of title, "Small", "Large" and slider, then the support texts and button.
    const auto& views = root.subviews();
    ASSERT_EQ(views.size(), 19u);
    const char* titles[] = {"Smudge Power", "Smudge Width", "Bump Power", "Pinch Power"};
    const float tops[] = {38, 98, 198, 298};
    const float minimums[] = {0.05f, 20, 5, 5};
    const float maximums[] = {0.2f, 50, 15, 15};
    for (int g = 0; g < 4; ++g) {
        SCOPED_TRACE(titles[g]);
        const float y = tops[g];
        auto* title = dynamic_cast<Label*>(views[4 * g].get());
        auto* small = dynamic_cast<Label*>(views[4 * g + 1].get());
        auto* large = dynamic_cast<Label*>(views[4 * g + 2].get());
        ASSERT_TRUE(title && small && large);
        EXPECT_EQ(title->frame(), Rect(0, y, 320, 20));
        EXPECT_EQ(title->text(), titles[g]);
        EXPECT_EQ(title->font()->pointSize(), 18.0f);
        EXPECT_TRUE(title->font()->isBold());
        EXPECT_EQ(small->frame(), Rect(0, y + 42, 60, 20));
        EXPECT_EQ(small->text(), "Small");
        EXPECT_EQ(large->frame(), Rect(260, y + 42, 60, 20));
        EXPECT_EQ(large->text(), "Large");
        for (const Label* end : {small, large}) {
            EXPECT_EQ(end->font()->pointSize(), 14.0f);
            EXPECT_FALSE(end->font()->isBold());
        }
        EXPECT_EQ(views[4 * g + 3], sliders()[g]);
        const Slider& slider = *sliders()[g];
        EXPECT_EQ(slider.frame(), Rect(25, y + 22, 270, 20));
        EXPECT_EQ(slider.minimumValue(), minimums[g]);
        EXPECT_EQ(slider.maximumValue(), maximums[g]);
        EXPECT_FALSE(slider.isContinuous());
        EXPECT_EQ(slider.backgroundColor(), Color::clear());
    }

    EXPECT_EQ(views[16], screen->supportLabel());
    EXPECT_EQ(views[17], screen->URLLabel());
    EXPECT_EQ(views[18], screen->supportButton()) << "the button lies over both texts";
    EXPECT_EQ(screen->supportLabel()->frame(), Rect(25, 370, 270, 25));
    EXPECT_EQ(screen->supportLabel()->text(), "Website and support");
    EXPECT_EQ(screen->URLLabel()->frame(), Rect(25, 390, 270, 25));
    EXPECT_EQ(screen->URLLabel()->text(), "https://pixello.example.org/support");
    EXPECT_EQ(screen->supportLabel()->font()->pointSize(), 18.0f);
    EXPECT_FALSE(screen->supportLabel()->font()->isBold());
    // The address is set smaller rather than cut off.
    const Label& address = *screen->URLLabel();
    EXPECT_FALSE(address.font()->isBold());
    EXPECT_LE(address.font()->pointSize(), 18.0f);
    EXPECT_GE(address.font()->pointSize(), 12.0f);
    for (int scale = 1; scale <= 3; ++scale) {
        EXPECT_LE(address.textSize(scale).width, 270.0f) << scale;
    }
    EXPECT_GT(address.textSize(2).width, 200.0f) << "and no smaller than it has to be";
    const Color link = screen->URLLabel()->textColor();
    EXPECT_GT(link.blue, link.red + 0.3f) << "the address reads as a link";
    EXPECT_GT(link.blue, link.green + 0.3f);

    const auto& button = *screen->supportButton();
    EXPECT_EQ(button.frame(), Rect(10, 370, 300, 50));
    EXPECT_EQ(button.alpha(), 1.0f);
    EXPECT_EQ(button.currentImage(), nullptr) << "invisible: no title, no image";
    EXPECT_FALSE(button.backgroundColor().has_value() && button.backgroundColor()->alpha > 0.0f);

    const std::vector<Label*> all = labels();
    ASSERT_EQ(all.size(), 14u);
    for (const Label* label : all) {
        SCOPED_TRACE(label->text());
        EXPECT_EQ(label->backgroundColor(), Color::clear());
        EXPECT_EQ(label->textAlignment(), Label::Center);
        if (label != screen->URLLabel().get()) {
            EXPECT_EQ(label->textColor(), Color::white());
        }
    }
}

TEST_F(SettingsScreen, ShowsTheStoredStrengthsWhenItAppears) {
    start(payload("0.110000", "28.000000", "10.000000", "10.000000"));
    open();
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.11f, 28, 10, 10}));
    EXPECT_TRUE(notices.names.empty()) << "showing the values changes nothing in the model";

    // Changed behind the screen's back (no notice), then shown again: the sliders follow.
    back();
    model().loadFromData(payload("0.150000", "45.000000", "6.000000", "14.000000"));
    open();
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.15f, 45, 6, 14}));
}

TEST_F(SettingsScreen, AStoredStrengthOutsideTheRangeShowsAtTheNearestEnd) {
    start(payload("0.500000", "10.000000", "4.000000", "90.000000"));
    open(true);
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.2f, 20, 5, 15}));
    EXPECT_EQ(modelValues(), (std::vector<float>{0.5f, 10, 4, 90}))
        << "the model keeps what was stored until a slider is moved";
    EXPECT_TRUE(notices.names.empty());
}

TEST_F(SettingsScreen, AReleasedSliderSendsExactlyOneNoticeWithItsValue) {
    start();
    open();
    const char* names[] = {"smudgePower", "smudgeWidth", "bumpPower", "pinchPower"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        notices.names.clear();
        const std::vector<float> before = modelValues();
        Slider& slider = *sliders()[i];
        const Point start = thumbOf(slider);
        window->touchDown(1, start);
        window->touchMove(1, {start.x + 40, start.y});
        window->touchMove(1, {start.x + 60, start.y + 30}); // slipping off: still dragging
        EXPECT_GT(slider.value(), before[i]);
        EXPECT_EQ(modelValues(), before) << "nothing changes while the finger is down";
        EXPECT_TRUE(notices.names.empty());

        window->touchUp(1, {start.x + 60, start.y + 30});
        EXPECT_EQ(notices.names, std::vector<std::string>{names[i]});
        std::vector<float> expected = before;
        expected[i] = slider.value();
        EXPECT_EQ(modelValues(), expected) << "only this slider's strength, at its value";

        // A touch that does not move the thumb sends nothing.
        window->tap(thumbOf(slider));
        EXPECT_EQ(notices.names.size(), 1u);
    }
    // The values survive the way out and back.
    const std::vector<float> chosen = sliderValues();
    back();
    open();
    EXPECT_EQ(sliderValues(), chosen);
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
    model().loadFromData(payload("0.190000", "21.000000", "14.000000", "6.000000"));
    for (const char* other : {"history", "image", "effect", "grid", "SmudgePower", ""}) {
        screen->modelPropertyChanged(other);
    }
    EXPECT_EQ(sliderValues(), (std::vector<float>{0.08f, 33, 7, 15}));

    // The thumb glides to a notified value; the value itself is there at once.
    screen->modelPropertyChanged("bumpPower");
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
    for (Point outside : {Point{9, 390}, Point{311, 390}, Point{160, 365}, Point{30, 350}}) {
        window->tap(onScreen(outside));
        platform::RunLoop::main().advance(1.0);
    }
    EXPECT_EQ(application.lastOpenedURL(), "");

    // Under the navigation bar the screen shows the root view down to y = 415.
    for (Point inside : {Point{10.5f, 370.5f}, Point{309.5f, 414.5f}, Point{160, 382},
                         Point{160, 402}, Point{12, 414}}) {
        SCOPED_TRACE(std::to_string(inside.x) + ", " + std::to_string(inside.y));
        window->tap(onScreen(inside));
        EXPECT_EQ(application.lastOpenedURL(), "https://pixello.example.org/support");
        // Something else in between, so that every tap is seen on its own.
        ASSERT_TRUE(application.openURL("https://example.org/in-between"));
        platform::RunLoop::main().advance(1.0);
    }
}

TEST_F(SettingsScreen, PreparesItsBarItemWithTheBackButtonAndTitle) {
    start();
    const auto& backItem = *screen->backItem();
    EXPECT_EQ(backItem.title(), "Back");
    EXPECT_EQ(backItem.style(), platform::BarButtonItem::Bordered);
    EXPECT_EQ(backItem.target(), nullptr);

    auto item = std::make_shared<platform::NavigationItem>("anything");
    EXPECT_EQ(screen->prepareNavigationItem(item), item);
    EXPECT_EQ(item->title(), "Settings");
    EXPECT_EQ(item->backBarButtonItem(), screen->backItem());

    // Pushed, the item tops the bar that came in with the screen.
    open(true);
    EXPECT_FALSE(navigation->navigationBarHidden());
    ASSERT_NE(navigation->navigationBar().topItem(), nullptr);
    EXPECT_EQ(navigation->navigationBar().topItem()->title(), "Settings");
    EXPECT_EQ(navigation->navigationBar().topItem()->backBarButtonItem(), screen->backItem());
}

TEST_F(SettingsScreen, SpeaksGerman) {
    platform::Localization::setLanguage("de");
    start();
    open();
    std::vector<std::string> texts;
    for (const Label* label : labels()) {
        texts.push_back(label->text());
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"Verwischstärke", "Klein", "Groß", "Verwischbreite",
                                               "Klein", "Groß", "Wölbstärke", "Klein", "Groß",
                                               "Stauchstärke", "Klein", "Groß", "Website und Hilfe",
                                               "https://pixello.example.org/support"}));
    EXPECT_EQ(screen->backItem()->title(), "Zurück");
    EXPECT_EQ(navigation->navigationBar().topItem()->title(), "Einstellungen");
}

TEST_F(SettingsScreen, LooksLikeASettingsScreen) {
    if (platform::GLContext::shared() == nullptr) {
        GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
    }
    window->setBackgroundColor(Color::black());
    start(payload("0.110000", "28.000000", "10.000000", "14.000000"));
    open(true);
    constexpr int scale = 2;
    platform::Compositor compositor(scale);
    const auto shot = compositor.snapshot(*window);
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->width(), 320 * scale);
    ASSERT_EQ(shot->height(), 480 * scale);
    EXPECT_TRUE(
        platform::PictureCodec::writePNG(*shot, PIXELLO_BINARY_DIR "/settings-screen@2x.png"));

    const auto at = [&](Point p) {
        return shot->pixelAt(static_cast<int>(p.x * scale), static_cast<int>(p.y * scale));
    };
    // Counts the pixels of a rectangle (in window points) that `test` accepts.
    const auto count = [&](Rect r, auto test) {
        int n = 0;
        for (int y = static_cast<int>(r.y() * scale); y < (r.y() + r.height()) * scale; ++y) {
            for (int x = static_cast<int>(r.x() * scale); x < (r.x() + r.width()) * scale; ++x) {
                n += test(shot->pixelAt(x, y)) ? 1 : 0;
            }
        }
        return n;
    };
    const auto white = [](const std::array<std::uint8_t, 4>& p) {
        return p[0] > 200 && p[1] > 200 && p[2] > 200;
    };
    const auto bluish = [](const std::array<std::uint8_t, 4>& p) {
        return p[2] > 150 && p[2] > p[0] + 60;
    };

    // Black between the groups, a bar above.
    EXPECT_EQ(at(onScreen({160, 175})), (std::array<std::uint8_t, 4>{0, 0, 0, 255}));
    EXPECT_GT(count(Rect(0, 0, 320, 65), [](auto p) { return p[0] + p[1] + p[2] > 60; }), 5000);
    // Titles and end labels are white text; the address is blue text.
    for (float y : {38.0f, 98.0f, 198.0f, 298.0f}) {
        const Point title = onScreen({60, y});
        EXPECT_GT(count(Rect(title.x, title.y, 200, 20), white), 100) << y;
        const Point small = onScreen({0, y + 42});
        EXPECT_GT(count(Rect(small.x, small.y, 60, 20), white), 40) << y;
    }
    // (The address label's top overlaps the line above.)
    const Point address = onScreen({25, 396});
    EXPECT_GT(count(Rect(address.x, address.y, 270, 19), bluish), 200);
    EXPECT_EQ(count(Rect(address.x, address.y, 270, 19), white), 0);
    // Shown in full: its last letters reach to near the label's right end.
    const Point addressEnd = onScreen({255, 396});
    EXPECT_GT(count(Rect(addressEnd.x, addressEnd.y, 40, 19), bluish), 20);
    // Each thumb sits where its value is: pinch at 14 of 5–15, near the right end.
    const Slider& pinch = *screen->pinchPower();
    const Point thumb = thumbOf(pinch);
    EXPECT_GT(at(thumb)[0], 180) << "a light thumb";
    EXPECT_GT(thumb.x, onScreen({250, 0}).x);
}

} // namespace
