#include "platform/base/RunLoop.h"
#include "platform/gl/GLContext.h"
#include "platform/render/Compositor.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Slider.h"

#include <gtest/gtest.h>

namespace {

using platform::Color;
using platform::Compositor;
using platform::Rect;
using platform::View;

struct KeptScreenDamage : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        if (platform::GLContext::shared() == nullptr) {
            GTEST_SKIP() << "no GL: " << platform::GLContext::lastError();
        }
        window->setBackgroundColor(Color::white());
        window->addSubview(red);
        window->addSubview(blue);
        ASSERT_TRUE(compositor.update(*window));
        EXPECT_EQ(compositor.lastDamage(), std::vector<Rect>{Rect(0, 0, 320, 480)})
            << "the first update draws everything";
    }

    std::vector<Rect> update() {
        EXPECT_TRUE(compositor.update(*window));
        return compositor.lastDamage();
    }

    static std::shared_ptr<View> box(Rect frame, Color color) {
        auto view = std::make_shared<View>(frame);
        view->setBackgroundColor(color);
        return view;
    }

    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<View> red = box({10, 10, 20, 20}, {1, 0, 0, 1});
    std::shared_ptr<View> blue = box({100, 200, 40, 30}, {0, 0, 1, 1});
    Compositor compositor{2};
};

// Each box is the view's bounds and the margin its content may paint into.
TEST_F(KeptScreenDamage, RedrawsTheBoxesOfWhatChangedAndNothingElse) {
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
}

// A slider's thumb glides with the clock, with no call to tell of each step: every frame of
// the glide is drawn, and the screen is still again once it ends.
TEST_F(KeptScreenDamage, AGlidingSliderThumbIsDrawnEveryFrameUntilItStops) {
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
