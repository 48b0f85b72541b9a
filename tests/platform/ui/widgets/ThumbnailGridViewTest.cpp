#include "platform/ui/widgets/ThumbnailGridView.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using platform::Rect;
using platform::ThumbnailGridView;

struct Grid : ::testing::Test {
    void SetUp() override {
        platform::RunLoop::main().reset(std::make_shared<platform::VirtualClock>());
        // 320 wide: four 75-point cells and five 4-point gaps; 300 high shows three rows and
        // a bit.
        grid = std::make_shared<ThumbnailGridView>(Rect(0, 100, 320, 300));
        window->addSubview(grid);
        grid->setOnPicked([this](std::size_t i) { picked.push_back(i); });
        grid->setOnShown(
            [this](std::size_t first, std::size_t end) { shown.emplace_back(first, end); });
        grid->setCount(30);
    }
    std::shared_ptr<platform::Window> window = std::make_shared<platform::Window>();
    std::shared_ptr<ThumbnailGridView> grid;
    std::vector<std::size_t> picked;
    std::vector<std::pair<std::size_t, std::size_t>> shown;
};

TEST_F(Grid, CellsLieFourAcrossTheGapsBelongToNoneAndOnlyATapPicks) {
    EXPECT_EQ(grid->cellFrame(0), Rect(4, 4, 75, 75));
    EXPECT_EQ(grid->cellFrame(5), Rect(83, 83, 75, 75));
    EXPECT_EQ(grid->cellAt({4, 4}), 0u);
    EXPECT_EQ(grid->cellAt({78.9f, 78.9f}), 0u);
    EXPECT_EQ(grid->cellAt({80, 40}), std::nullopt) << "the gap between columns";
    EXPECT_EQ(grid->cellAt({40, 81}), std::nullopt) << "the gap between rows";
    EXPECT_EQ(grid->cellAt({320, 40}), std::nullopt);
    EXPECT_EQ(grid->cellAt({170, 620}), std::nullopt) << "below the last of 30 cells";
    EXPECT_EQ(grid->cellAt({100, 580}), 29u);
    EXPECT_EQ(grid->visibleCells(), (std::pair<std::size_t, std::size_t>{0, 16}));
    EXPECT_EQ(shown.back(), grid->visibleCells());

    // A finger scrolls within the content, and only a tap picks.
    window->touchDown(1, {100, 350});
    window->touchMove(1, {100, 300});
    window->touchMove(1, {100, 250});
    window->touchUp(1, {100, 250});
    EXPECT_EQ(grid->contentOffset(), 100.0f);
    EXPECT_TRUE(picked.empty()) << "a drag picks nothing";
    EXPECT_EQ(grid->visibleCells(), (std::pair<std::size_t, std::size_t>{4, 24}))
        << "rows 1 to 5, the last by one point";
    EXPECT_EQ(shown.back(), grid->visibleCells());

    // 8 rows of 79 points and a gap: 636 high, so at most 336 down.
    grid->setContentOffset(10000);
    EXPECT_EQ(grid->contentOffset(), 336.0f);
    grid->setContentOffset(-5);
    EXPECT_EQ(grid->contentOffset(), 0.0f);

    window->tap({125, 100 + 130});
    window->touchDown(2, {125, 150});
    window->touchMove(2, {125 + platform::ThumbnailGridView::kTapSlop, 150});
    window->touchUp(2, {125 + platform::ThumbnailGridView::kTapSlop, 150});
    EXPECT_EQ(picked, (std::vector<std::size_t>{5, 1})) << "within the slop it is still a tap";

    grid->setCount(3);
    EXPECT_EQ(grid->contentOffset(), 0.0f) << "fewer cells pull the offset back";
}

} // namespace
