#include "ZevkoCore/ZVKScrollView.h"

#include "platform/base/RunLoop.h"
#include "platform/ui/Window.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::Point;
using platform::Rect;
using platform::RunLoop;
using platform::Size;
using platform::VirtualClock;
using platform::Window;

std::string str(const ZVKPoint& p) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g,%g", static_cast<double>(p.x()), static_cast<double>(p.y()));
    return buf;
}

// Logs every message as one line; keeps the last path lists for closer checks.
struct Recorder : ZVKScrollViewDelegate {
    std::vector<std::string> log;
    std::vector<std::vector<ZVKPoint>> lastMultiAlong;
    std::optional<bool> trackAnswer;
    // Runs inside the first multi-finger message, as a delegate that changes the content would.
    std::function<void()> duringMulti;

    std::optional<bool> scrollViewShouldTrackTouchFromPoint(ZVKScrollView&, const ZVKPoint& from,
                                                            const ZVKPoint& to) override {
        if (trackAnswer) {
            log.push_back("shouldTrack " + str(from) + " " + str(to));
        }
        return trackAnswer;
    }
    void scrollViewWasIncrementTouchedFromPoint(ZVKScrollView&, const ZVKPoint& from,
                                                const ZVKPoint& to) override {
        log.push_back("increment " + str(from) + " " + str(to));
    }
    void scrollViewWasTouchedFromPoint(ZVKScrollView&, const ZVKPoint& from, const ZVKPoint& to,
                                       bool finished) override {
        log.push_back("touched " + str(from) + " " + str(to) + (finished ? " finished" : ""));
    }
    void scrollViewWasTouchedAlongPoints(ZVKScrollView&, const std::vector<ZVKPoint>& points,
                                         bool finished) override {
        log.push_back("along " + std::to_string(points.size()) + (finished ? " finished" : ""));
    }
    void scrollViewWasMultiTouchedFromPoints(ZVKScrollView&, const std::vector<ZVKPoint>& from,
                                             const std::vector<ZVKPoint>& to,
                                             bool finished) override {
        std::string line = "multi";
        for (std::size_t i = 0; i < from.size(); ++i) {
            line += " " + str(from[i]) + ">" + str(to[i]);
        }
        log.push_back(line + (finished ? " finished" : ""));
        if (duringMulti) {
            duringMulti();
        }
    }
    void scrollViewWasMultiTouchedAlongPoints(ZVKScrollView&,
                                              const std::vector<std::vector<ZVKPoint>>& paths,
                                              bool finished) override {
        lastMultiAlong = paths;
        log.push_back("multiAlong " + std::to_string(paths.size()) + (finished ? " finished" : ""));
    }
    void scrollViewWasClickedAtPoint(ZVKScrollView&, const ZVKPoint& p) override {
        log.push_back("click " + str(p));
    }
    void scrollViewWasDoubleClickedAtPoint(ZVKScrollView&, const ZVKPoint& p) override {
        log.push_back("doubleClick " + str(p));
    }
    void scrollViewDidAjustedContent(ZVKScrollView&) override { log.push_back("adjusted"); }
    void scrollViewDidFinishedTouchAndBounce(ZVKScrollView&) override { log.push_back("bounced"); }

    // The log without the adjustment and bounce notices.
    std::vector<std::string> strokes() const {
        std::vector<std::string> out = log;
        std::erase_if(out,
                      [](const auto& line) { return line == "adjusted" || line == "bounced"; });
        return out;
    }
};

using Lines = std::vector<std::string>;

struct Surface : ::testing::Test {
    void SetUp() override {
        RunLoop::main().reset(std::make_shared<VirtualClock>());
        make({320, 460});
    }
    void make(Size content) {
        if (view) {
            view->removeFromSuperview();
        }
        view = std::make_shared<ZVKScrollView>(Rect(0, 0, 320, 460), content);
        window->addSubview(view);
        settle();
        view->setDelegate(&delegate);
    }
    void settle() { RunLoop::main().advance(0.25); }
    void drag(int id, std::vector<Point> path) {
        window->touchDown(id, path.front());
        for (std::size_t i = 1; i < path.size(); ++i) {
            window->touchMove(id, path[i]);
        }
        window->touchUp(id, path.back());
    }

    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<ZVKScrollView> view;
    Recorder delegate;
};

TEST_F(Surface, ATapGivesFinishedMessagesAndTheClickLaterUnlessASecondTapFollows) {
    view->setTrackingMode(ZVKScrollView::TrackingMode::Never);
    window->tap({50, 60});
    EXPECT_EQ(delegate.strokes(), (Lines{"touched 50,60 50,60 finished", "along 1 finished"}));
    EXPECT_EQ(delegate.log.back(), "bounced") << "not tracking: the bounce is reported at once";
    RunLoop::main().advance(0.29);
    EXPECT_EQ(delegate.strokes().size(), 2u);
    RunLoop::main().advance(0.01);
    EXPECT_EQ(delegate.strokes().back(), "click 50,60");

    // A double tap cancels the click; a third tap gives none.
    RunLoop::main().advance(1.0);
    delegate.log.clear();
    window->tap({50, 60});
    RunLoop::main().advance(0.1);
    window->tap({52, 61});
    RunLoop::main().advance(0.1);
    window->tap({52, 61});
    RunLoop::main().advance(1.0);
    EXPECT_EQ(delegate.strokes(),
              (Lines{"touched 50,60 50,60 finished", "along 1 finished", "doubleClick 52,61",
                     "touched 52,61 52,61 finished", "along 1 finished",
                     "touched 52,61 52,61 finished", "along 1 finished"}));

    // A click spans at most ten points: exactly 10.0 is one, 10.01 is not.
    for (const auto& [end, last] :
         {std::pair{Point{106, 108}, "click 106,108"}, {Point{100, 110.01f}, "along 2 finished"}}) {
        delegate.log.clear();
        drag(1, {{100, 100}, end});
        RunLoop::main().advance(0.5);
        EXPECT_EQ(delegate.strokes().back(), last);
    }
}

TEST_F(Surface, MovesReportIncrementsWhenNotWaitingForTheLiftAndNothingOnCancel) {
    view->setTrackingMode(ZVKScrollView::TrackingMode::Never);
    window->touchDown(3, {10, 10});
    window->touchMove(3, {40, 10});
    window->touchCancel(3);
    RunLoop::main().advance(1.0);
    EXPECT_TRUE(delegate.log.empty()) << "a cancelled stroke sends nothing";
    EXPECT_TRUE(view->touches().empty());
    view->setSendMessagesAfterReleasingOnly(false);
    drag(1, {{10, 10}, {20, 10}, {30, 15}});
    EXPECT_EQ(delegate.strokes(), (Lines{"increment 10,10 20,10", "touched 10,10 20,10", "along 2",
                                         "increment 20,10 30,15", "touched 10,10 30,15", "along 3",
                                         "touched 10,10 30,15 finished", "along 3 finished"}));

    delegate.log.clear();
    view->setSendMessagesAfterReleasingOnly(true);
    drag(2, {{10, 10}, {20, 10}, {30, 15}});
    window->touchUp(2, {90, 90});
    EXPECT_EQ(delegate.strokes(), (Lines{"touched 10,10 30,15 finished", "along 3 finished"}))
        << "only the lift reports, and the lift-off point is not recorded";
}

TEST_F(Surface, PathsStopAtMaxTouchesUnlessInfinityIsAllowed) {
    view->setTrackingMode(ZVKScrollView::TrackingMode::Never);
    view->setSendMessagesAfterReleasingOnly(false);
    window->touchDown(1, {0, 0});
    for (int i = 1; i < 150; ++i) {
        window->touchMove(1, {static_cast<float>(i), 0});
    }
    ASSERT_EQ(view->points()[0].size(), 100u);
    EXPECT_EQ(view->points()[0].back(), ZVKPoint(99, 0)) << "the 100th point is the last";
    delegate.log.clear();
    window->touchMove(1, {200, 0});
    EXPECT_TRUE(delegate.log.empty()) << "moves past the cap send nothing";
    window->touchUp(1, {200, 0});
    EXPECT_EQ(delegate.strokes(), (Lines{"touched 0,0 99,0 finished", "along 100 finished"}));

    view->setAllowInfinityTouches(true);
    window->touchDown(2, {0, 0});
    for (int i = 1; i < 150; ++i) {
        window->touchMove(2, {static_cast<float>(i), 0});
    }
    EXPECT_EQ(view->points()[0].size(), 150u);
}

TEST_F(Surface, ASecondFingerTurnsTheStrokeIntoMultiFingerMessages) {
    view->setTrackingMode(ZVKScrollView::TrackingMode::Never);
    view->setSendMessagesAfterReleasingOnly(false);
    window->touchDown(1, {10, 10});
    window->touchMove(1, {20, 20});
    window->touchDown(2, {100, 100});
    delegate.log.clear();
    window->touchMove(2, {110, 100});
    EXPECT_EQ(delegate.strokes(), (Lines{"multi 10,10>20,20 100,100>110,100", "multiAlong 2"}))
        << "the first finger's first point is where it began";

    delegate.log.clear();
    window->touchUp(2, {110, 100});
    EXPECT_EQ(delegate.strokes(),
              (Lines{"multi 10,10>20,20 100,100>110,100 finished", "multiAlong 2 finished"}))
        << "two fingers on the view: no click";

    // Each message gets its points as the content stands when it is sent: a zoom made by the
    // first reaches the second.
    window->touchDown(2, {100, 100});
    delegate.duringMulti = [&] { view->changeZoomTo(2.0f, {0, 0}); };
    window->touchMove(2, {110, 100});
    delegate.duringMulti = nullptr;
    ASSERT_EQ(delegate.lastMultiAlong.size(), 2u);
    EXPECT_EQ(delegate.lastMultiAlong[1].back().x(), 110.0f / view->zoom());
    EXPECT_EQ(view->zoom(), 2.0f);
    view->changeZoomTo(1.0f, {0, 0});
    window->touchUp(2, {110, 100});
    delegate.log.clear();
    window->touchMove(1, {30, 20});
    EXPECT_EQ(delegate.strokes(),
              (Lines{"increment 20,20 30,20", "touched 10,10 30,20", "along 3"}))
        << "the remaining finger goes on with its whole path";
}

TEST_F(Surface, TrackingPansAndTheBounceBringsTheContentBack) {
    drag(1, {{100, 100}, {130, 110}, {150, 140}});
    EXPECT_EQ(delegate.strokes(), Lines{}) << "mode 1 reports no stroke";
    // The last step counts once more at the lift: 30+20+20 and 10+30+30.
    EXPECT_EQ(view->contentOffset(), (Point{0, 0})) << "the bounce clamps at once";
    EXPECT_FALSE(view->isUserInteractionEnabled()) << "interaction stays off while it bounces";
    EXPECT_NEAR(view->contentView().presentation().center.x, 160 + 70, 1e-3);
    EXPECT_NEAR(view->contentView().presentation().center.y, 230 + 70, 1e-3);
    RunLoop::main().advance(0.1);
    EXPECT_NEAR(view->contentView().presentation().center.x, 160 + 35, 1e-3);
    RunLoop::main().advance(0.11);
    EXPECT_EQ(view->contentView().presentation().center, (Point{160, 230}));
    EXPECT_TRUE(view->isUserInteractionEnabled());
    EXPECT_EQ(std::count(delegate.log.begin(), delegate.log.end(), "bounced"), 1)
        << "a tracked lift reports the bounce once, at its end";
}

TEST_F(Surface, SmallContentSettlesCentredAndLargeContentCoversTheView) {
    make({100, 100});
    EXPECT_EQ(view->contentOffset(), (Point{110, 180}));
    EXPECT_EQ(view->contentView().presentation().center, (Point{160, 230}));
    // A resize keeps offset and zoom and clamps to the new size.
    view->resizeContent({640, 920});
    settle();
    EXPECT_EQ(view->contentOffset(), (Point{0, 0}));
    EXPECT_EQ(view->contentView().presentation().center, (Point{320, 460}));
}

TEST_F(Surface, WithoutBouncingTheEdgeHoldsWhileTheFingerMoves) {
    make({640, 920});
    view->setBouncingEnabled(false);
    window->touchDown(1, {100, 100});
    window->touchMove(1, {150, 130});
    EXPECT_EQ(view->contentOffset(), (Point{0, 0}));
    window->touchMove(1, {100, 100});
    EXPECT_EQ(view->contentOffset(), (Point{-50, -30}));
    const std::uint64_t drawn = view->contentView().displayVersion();
    view->setForceDisplay(true);
    window->touchMove(1, {90, 100});
    EXPECT_GT(view->contentView().displayVersion(), drawn) << "forceDisplay redraws the content";
    window->touchUp(1, {90, 100});
    settle();

    view->setBouncingEnabled(true);
    view->setAllowEmptyContent(true);
    drag(2, {{100, 100}, {150, 100}});
    settle();
    EXPECT_EQ(view->contentOffset(), (Point{30, -30})) << "an empty band may show";
}

TEST_F(Surface, PinchZoomsAboutTheMidpointWithinTheLimits) {
    make({640, 920});
    window->handleTouches(platform::TouchPhase::Began, {{1, {100, 200}}, {2, {200, 200}}});
    window->handleTouches(platform::TouchPhase::Moved, {{1, {75, 200}}, {2, {225, 200}}});
    EXPECT_FLOAT_EQ(view->zoom(), 1.5f);
    EXPECT_EQ(view->contentOffset(), (Point{-75, -100}));
    EXPECT_EQ(view->translate(ZVKPoint(150, 200)), ZVKPoint(150, 200))
        << "the content point under the midpoint stays there";
    window->handleTouches(platform::TouchPhase::Moved, {{1, {0, 200}}, {2, {300, 200}}});
    EXPECT_FLOAT_EQ(view->zoom(), 2.0f);

    window->handleTouches(platform::TouchPhase::Moved, {{1, {145, 200}}, {2, {150, 200}}});
    EXPECT_FLOAT_EQ(view->zoom(), 2.0f) << "fingers closer than 10 points do not zoom";
    window->cancelAllTouches();

    // Crossed limits let the minimum win, then the clamp takes the maximum.
    make({640, 920});
    view->setMinZoom(3.0f);
    view->setMaxZoom(2.0f);
    window->handleTouches(platform::TouchPhase::Began, {{1, {100, 200}}, {2, {200, 200}}});
    window->handleTouches(platform::TouchPhase::Moved, {{1, {90, 200}}, {2, {210, 200}}});
    EXPECT_FLOAT_EQ(view->zoom(), 3.0f);
    window->handleTouches(platform::TouchPhase::Ended, {{1, {90, 200}}, {2, {210, 200}}});
    EXPECT_FLOAT_EQ(view->zoom(), 2.0f);

    view->setAllowAnyZoom(true);
    settle();
    view->changeZoomTo(9.0f, {0, 0});
    view->adjustOffsetAndZoom();
    EXPECT_FLOAT_EQ(view->zoom(), 9.0f);
}

TEST_F(Surface, ADoubleTapWhileTrackingResetsZoomAndOffset) {
    make({640, 920});
    view->changeZoomTo(1.8f, {0, 0});
    view->adjustContent(false);
    view->changeZoomTo(1.8f, {0, 0});
    window->tap({100, 100});
    settle();
    window->tap({100, 100});
    EXPECT_FLOAT_EQ(view->zoom(), 1.0f);
    EXPECT_EQ(view->contentOffset(), (Point{0, 0}));
    EXPECT_NE(view->contentView().presentation().transform.a, 1.0f) << "animated back";
    settle();
    EXPECT_EQ(view->contentView().presentation().transform.a, 1.0f);
    RunLoop::main().advance(1.0);
    EXPECT_EQ(delegate.strokes(), Lines{});
}

TEST_F(Surface, ModeTwoAsksTheDelegateTouchByTouchWhileAFingerIsDown) {
    view->setTrackingMode(ZVKScrollView::TrackingMode::Ask);
    // A delegate that answers neither query: nothing is tracked, strokes are reported,
    // but single clicks are not (with no finger down the surface counts as tracking).
    window->tap({40, 40});
    RunLoop::main().advance(0.5);
    EXPECT_EQ(delegate.strokes(), (Lines{"touched 40,40 40,40 finished", "along 1 finished"}));

    delegate.log.clear();
    delegate.trackAnswer = true;
    make({640, 920});
    view->setTrackingMode(ZVKScrollView::TrackingMode::Ask);
    drag(1, {{100, 100}, {90, 100}});
    EXPECT_EQ(delegate.strokes().front(), "shouldTrack 100,100 90,100");
    EXPECT_EQ(delegate.strokes().back(), "shouldTrack 120,100 110,100")
        << "asked again with the path translated at the moment";
    EXPECT_EQ(std::count_if(delegate.log.begin(), delegate.log.end(),
                            [](const auto& l) { return l.starts_with("touched"); }),
              0);
    EXPECT_EQ(view->contentOffset(), (Point{-20, 0})) << "tracked: the move panned twice";

    // With the current finger lifted there is no touch to track: a click is reported.
    make({320, 460});
    view->setTrackingMode(ZVKScrollView::TrackingMode::Ask);
    delegate.trackAnswer = false;
    window->tap({40, 40}, 1);
    delegate.trackAnswer = true;
    window->touchDown(2, {200, 200});
    window->touchDown(3, {250, 250});
    window->touchUp(3, {250, 250});
    RunLoop::main().advance(0.3);
    EXPECT_EQ(delegate.strokes().back(), "click 40,40")
        << "the lifted current finger counts as no touch: not tracked";
    window->touchUp(2, {200, 200});
}

TEST_F(Surface, UnionTouchPointsDropsPointsNearTheLine) {
    const std::vector<ZVKPoint> in{{0, 0}, {1, 0}, {2, 0}, {3, 0.01f}, {3, 3}};
    EXPECT_EQ(ZVKScrollView::unionTouchPoints(in),
              (std::vector<ZVKPoint>{{0, 0}, {3, 0.01f}, {3, 3}}));
    EXPECT_TRUE(ZVKScrollView::unionTouchPoints({}).empty());
    EXPECT_EQ(ZVKScrollView::unionTouchPoints({{1, 1}, {1, 1}, {1, 1}}),
              (std::vector<ZVKPoint>{{1, 1}, {1, 1}, {1, 1}}))
        << "coincident points end each run";

    view->setTrackingMode(ZVKScrollView::TrackingMode::Never);
    view->setOptimizeTouches(true);
    drag(1, {{0, 0}, {1, 0}, {2, 0}, {3, 0.01f}, {3, 3}, {3, 3}});
    EXPECT_EQ(delegate.strokes().back(), "along 3 finished");
}

TEST_F(Surface, AdjustAndBounceEndWithTheirMessages) {
    view->adjustContent(false);
    EXPECT_EQ(delegate.log, Lines{"adjusted"});
    delegate.log.clear();
    view->adjustContent(true);
    EXPECT_FALSE(view->isUserInteractionEnabled());
    settle();
    EXPECT_EQ(delegate.log, Lines{"adjusted"});
    EXPECT_TRUE(view->isUserInteractionEnabled());

    // Ids of another view are not this view's.
    view->animationDidStop("<other>:bounce", true, nullptr);
    EXPECT_EQ(delegate.log.size(), 1u);
    view->animationDidStop(view->description() + ":bounce", true, nullptr);
    EXPECT_EQ(delegate.log.back(), "bounced");
}

TEST_F(Surface, SubviewsLiveInTheContentView) {
    auto child = std::make_shared<platform::View>(Rect(0, 0, 10, 10));
    auto other = std::make_shared<platform::View>(Rect(0, 0, 10, 10));
    view->addSubview(child);
    view->insertSubview(other, 0);
    view->exchangeSubviewAtIndex(0, 1);
    EXPECT_EQ(view->subviews(), (std::vector<std::shared_ptr<platform::View>>{child, other}));
    EXPECT_EQ(child->superview(), &view->contentView());
}

TEST_F(Surface, RandomTouchSequencesKeepTouchesAndPathsInStep) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 2000; ++round) {
        if (round % 50 == 0) {
            make(
                {static_cast<float>(50 + random() % 900), static_cast<float>(50 + random() % 900)});
        }
        view->setTrackingMode(
            static_cast<ZVKScrollView::TrackingMode>(static_cast<std::int32_t>(random() % 5) - 1));
        view->setMaxTouches(static_cast<std::int32_t>(random() % 8));
        view->setSendMessagesAfterReleasingOnly(random() % 2 == 0);
        view->setBouncingEnabled(random() % 2 == 0);
        delegate.trackAnswer = random() % 3 == 0 ? std::nullopt : std::optional(random() % 2 == 0);
        for (int step = 0; step < 12; ++step) {
            const auto phase = static_cast<platform::TouchPhase>(random() % 5);
            std::vector<Window::TouchInput> inputs;
            const int fingers = 1 + static_cast<int>(random() % 3);
            for (int f = 0; f < fingers; ++f) {
                inputs.push_back({static_cast<int>(random() % 4),
                                  {static_cast<float>(random() % 340) - 10.0f,
                                   static_cast<float>(random() % 480) - 10.0f}});
            }
            window->handleTouches(phase, inputs);
            if (random() % 4 == 0) {
                RunLoop::main().advance(0.05 * static_cast<double>(random() % 8));
            }
            ASSERT_EQ(view->touches().size(), view->points().size());
            for (std::size_t i = 0; i < view->touches().size(); ++i) {
                ASSERT_FALSE(view->points()[i].empty());
                for (std::size_t j = i + 1; j < view->touches().size(); ++j) {
                    ASSERT_NE(view->touches()[i], view->touches()[j]);
                }
            }
            ASSERT_TRUE(std::isfinite(view->zoom()));
        }
        window->cancelAllTouches();
        ASSERT_TRUE(view->touches().empty());
    }
}

} // namespace
