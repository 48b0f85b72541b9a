#include "platform/ui/widgets/Toolbar.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Button.h"
#include "platform/ui/widgets/Control.h"

#include <gtest/gtest.h>

namespace {

using platform::BarButtonItem;
using platform::Button;
using platform::Rect;
using platform::Toolbar;

std::shared_ptr<BarButtonItem> tool() {
    return std::make_shared<BarButtonItem>(std::make_shared<Button>(Rect(0, 0, 40, 30)));
}

std::shared_ptr<BarButtonItem> flexible() {
    return std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace);
}

float xOf(const Toolbar& bar, const std::shared_ptr<BarButtonItem>& item) {
    const auto frame = bar.frameForItem(*item);
    return frame ? frame->x() : -1.0f;
}

TEST(Bars, FlexibleSpacesShareTheFreeWidthAt320And480AndWithoutThemItemsRunFromTheLeft) {
    auto effect = tool(), undo = tool(), redo = tool(), settings = tool(), save = tool();
    auto space = flexible();
    Toolbar bar(Rect(0, 413, 320, 47));
    bar.setItems({effect, undo, redo, space, settings, save}, false);

    // Margins of 6, spacing of 8; the space takes what is left.
    EXPECT_EQ(xOf(bar, effect), 6);
    EXPECT_EQ(xOf(bar, undo), 54);
    EXPECT_EQ(xOf(bar, redo), 102);
    EXPECT_EQ(xOf(bar, save), 274);
    EXPECT_EQ(xOf(bar, settings), 226);
    EXPECT_FLOAT_EQ(bar.frameForItem(*space)->width(), 226 - 142);
    // Centred vertically: (47 − 30) / 2 rounded.
    EXPECT_EQ(effect->customView()->frame(), Rect(6, 9, 40, 30));

    // Landscape: the bar grows to 480 and lays itself out again before it is used.
    bar.setFrame(Rect(0, 253, 480, 47));
    EXPECT_EQ(xOf(bar, settings), 386);
    EXPECT_EQ(save->customView()->frame().x(), 434);

    // Two spaces split the rest evenly: camera | space | pick | space | done.
    auto left = tool(), middle = tool(), right = tool();
    Toolbar top(Rect(0, 0, 320, 44));
    top.setItems({left, flexible(), middle, flexible(), right}, false);
    EXPECT_EQ(xOf(top, left), 6);
    EXPECT_EQ(xOf(top, middle), 140);
    EXPECT_EQ(xOf(top, right), 274);
    EXPECT_EQ(middle->customView()->frame().y(), 7);

    // Without spaces items run from the left, and overflow stays in order.
    std::vector<std::shared_ptr<BarButtonItem>> tools;
    for (int i = 0; i < 5; ++i) {
        tools.push_back(tool());
    }
    bar.setItems(tools, false);
    for (std::size_t i = 0; i < tools.size(); ++i) {
        EXPECT_EQ(xOf(bar, tools[i]), 6.0f + 48.0f * static_cast<float>(i));
    }
    auto fixed = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FixedSpace);
    fixed->setWidth(30);
    bar.setItems({tools[0], fixed, tools[1]}, false);
    EXPECT_EQ(xOf(bar, tools[1]), 6 + 40 + 8 + 30 + 8);
    EXPECT_EQ(bar.subviews().size(), 2u) << "the views of dropped items leave the bar";
}

TEST(Bars, OneFlexibleSpaceStandsInTwoBarsAndTitledItemsAreTappable) {
    platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
    auto space = flexible();
    auto camera = tool(), pick = tool(), effect = tool(), save = tool();
    auto window = std::make_shared<platform::Window>();
    auto top = std::make_shared<Toolbar>(Rect(0, 19, 320, 47));
    auto bottom = std::make_shared<Toolbar>(Rect(0, 433, 320, 47));
    window->addSubview(top);
    window->addSubview(bottom);
    top->setItems({camera, space, pick}, false);
    int applied = 0;
    BarButtonItem* sender = nullptr;
    auto apply = std::make_shared<BarButtonItem>("Apply", BarButtonItem::Bordered, &applied,
                                                 [&](BarButtonItem& item) {
                                                     ++applied;
                                                     sender = &item;
                                                 });
    apply->setStyle(BarButtonItem::Done);
    apply->setStyle(7); // unknown styles are ignored
    EXPECT_EQ(apply->style(), BarButtonItem::Done);
    bottom->setItems({effect, apply, space, save}, true);
    EXPECT_EQ(xOf(*top, pick), 274);
    EXPECT_EQ(xOf(*bottom, save), 274);

    const auto applyFrame = bottom->frameForItem(*apply);
    ASSERT_TRUE(applyFrame);
    EXPECT_EQ(applyFrame->x(), 54);
    EXPECT_GE(applyFrame->width(), Toolbar::kMinimumTitledWidth);
    EXPECT_EQ(applyFrame->height(), 30);
    platform::RunLoop::main().advance(0.3); // past the fade-in
    window->tap({applyFrame->x() + 10, 433 + applyFrame->y() + 15});
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(sender, apply.get());

    apply->setEnabled(false);
    window->tap({applyFrame->x() + 10, 433 + applyFrame->y() + 15});
    EXPECT_EQ(applied, 1) << "a disabled item does nothing";
    EXPECT_FALSE(static_cast<platform::Control*>(bottom->viewForItem(*apply))->isEnabled());
    apply->setEnabled(true);
    window->tap({applyFrame->x() + 10, 433 + applyFrame->y() + 15});
    EXPECT_EQ(applied, 2);

    // Taking Apply away and putting it back keeps one button for it.
    bottom->setItems({effect, space, save}, true);
    EXPECT_EQ(bottom->viewForItem(*apply), nullptr);
    bottom->setItems({effect, apply, space, save}, true);
    EXPECT_EQ(bottom->subviews().size(), 3u);
}

} // namespace
