#include "platform/ui/widgets/Button.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"
#include "support/PictureTestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using platform::Button;
using platform::Control;
using platform::Image;
using platform::Rect;

std::shared_ptr<const Image> solid(std::uint8_t red) {
    return Image::create(testsupport::plainPicture(4, 3, {red, 0, 0, 255}));
}

struct Screen {
    void saveAction(Control&) { log.push_back("save"); }
    std::vector<std::string> log;
};

struct ButtonTouches : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        window->addSubview(button);
        button->addTarget(
            &log, [this](Control& sender) { log.push_back(sender.isHighlighted() ? "up*" : "up"); },
            Control::TouchUpInside);
        button->addTarget(
            &log, [this](Control&) { log.push_back("down"); }, Control::TouchDown);
        button->addTarget(
            &log, [this](Control&) { log.push_back("outside"); }, Control::TouchUpOutside);
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<Button> button = std::make_shared<Button>(Rect(100, 100, 40, 30));
    std::vector<std::string> log;
};

TEST_F(ButtonTouches, HighlightsWhileTheFingerIsInsideAndFiresOnlyOnAReleaseInside) {
    window->touchDown(1, {120, 115});
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_EQ(button->state(), Control::Highlighted);

    // Out beyond the slop and back in: the highlight follows the finger.
    window->touchMove(1, {120, 115 + 30 + Control::kTouchSlop + 5});
    EXPECT_FALSE(button->isHighlighted());
    window->touchMove(1, {139, 129});
    EXPECT_TRUE(button->isHighlighted());
    window->touchUp(1, {139, 129});
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(log, (std::vector<std::string>{"down", "up"})) << "unhighlighted before the action";

    log.clear();
    window->touchDown(2, {110, 110});
    window->touchMove(2, {300, 300});
    window->touchUp(2, {300, 300});
    EXPECT_EQ(log, (std::vector<std::string>{"down", "outside"}));
    EXPECT_FALSE(button->isHighlighted());

    // A slightly slipping fingertip still counts, up to the slop's far corner.
    for (const platform::Point lift : {platform::Point{100 - Control::kTouchSlop + 2, 105},
                                       {140 + Control::kTouchSlop, 130 + Control::kTouchSlop}}) {
        log.clear();
        window->touchDown(3, {135, 125});
        window->touchUp(3, lift);
        EXPECT_EQ(log, (std::vector<std::string>{"down", "up"})) << lift.x;
    }

    // A cancelled touch sends nothing but clears the highlight.
    log.clear();
    window->touchDown(4, {110, 110});
    window->touchCancel(4);
    EXPECT_FALSE(button->isHighlighted());
    EXPECT_EQ(log, (std::vector<std::string>{"down"}));
}

TEST_F(ButtonTouches, DisabledButtonsTakeNoTouchesAndSendNothing) {
    button->setEnabled(false);
    EXPECT_EQ(button->state(), Control::Disabled);
    window->tap({120, 115});
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(window->hitTest({120, 115}), window.get()) << "the touch goes to what lies behind";

    // Disabled while pressed: the finger no longer presses it.
    button->setEnabled(true);
    window->touchDown(1, {120, 115});
    button->setEnabled(false);
    EXPECT_FALSE(button->isHighlighted());
    button->setEnabled(true);
    window->touchUp(1, {120, 115});
    EXPECT_EQ(log, (std::vector<std::string>{"down"}));
}

TEST_F(ButtonTouches, TargetsAreCalledInOrderAndCanBeRemoved) {
    Screen screen;
    button->addTarget(&screen, &Screen::saveAction, Control::TouchUpInside);
    window->tap({120, 115});
    EXPECT_EQ(log, (std::vector<std::string>{"down", "up"}));
    EXPECT_EQ(screen.log, (std::vector<std::string>{"save"}));

    button->removeTarget(&log, Control::TouchUpInside | Control::TouchDown);
    log.clear();
    window->tap({120, 115});
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(screen.log.size(), 2u);

    // An action that drops the button from the tree does not pull it away mid-call.
    std::weak_ptr<Button> weak = button;
    button->addTarget(
        nullptr, [](Control& sender) { sender.removeFromSuperview(); }, Control::TouchUpInside);
    button.reset();
    window->tap({120, 115});
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(screen.log.size(), 3u);
}

TEST(Button, ImagesFallBackToTheNormalOneAndSelectedHighlightedToSelected) {
    Button button(Rect(0, 0, 40, 30));
    EXPECT_EQ(button.currentImage(), nullptr);
    const auto normal = solid(10), pressed = solid(20), active = solid(30);
    button.setImage(normal, Control::Normal);
    button.setImage(pressed, Control::Highlighted);
    button.setImage(active, Control::Selected);
    const std::pair<unsigned, std::shared_ptr<const Image>> expected[] = {
        {Control::Highlighted, pressed},
        {Control::Selected, active},
        {Control::Disabled, normal},
        {Control::Selected | Control::Highlighted, active},
        {Control::Selected | Control::Disabled, active}};
    for (const auto& [state, image] : expected) {
        EXPECT_EQ(button.imageForState(state), image) << state;
    }
    EXPECT_EQ(button.ownImageForState(Control::Selected | Control::Highlighted), nullptr);

    button.setSelected(true);
    EXPECT_EQ(button.currentImage(), active);
    button.setSelected(false);
    button.setHighlighted(true);
    EXPECT_EQ(button.currentImage(), pressed);
    button.setImage(nullptr, Control::Highlighted);
    EXPECT_EQ(button.imageForState(Control::Highlighted), normal);
}

} // namespace
