#include "platform/host/StatusBar.h"

#include "platform/host/ScreenRotation.h"
#include "support/PictureTestSupport.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using platform::Picture;
using platform::Point;
using platform::StatusBar;
namespace ScreenRotation = platform::ScreenRotation;

int litPixels(const Picture& p, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            lit += p.pixelAt(x, y)[0] > 128 ? 1 : 0;
        }
    }
    return lit;
}

TEST(ScreenRotationTest, TurnsTheScreenAsTheUserHoldsIt) {
    // With the home button on the right the screen's top-right corner is the user's
    // top-left; with it on the left the bottom-left corner is.
    EXPECT_EQ(ScreenRotation::screenToTurned({320, 0}, 3), (Point{0, 0}));
    EXPECT_EQ(ScreenRotation::screenToTurned({0, 480}, 4), (Point{0, 0}));
    EXPECT_EQ(ScreenRotation::screenToTurned({0, 0}, 2), (Point{320, 480}));
    EXPECT_EQ(ScreenRotation::turnedSize(3).width, 480.0f);
    EXPECT_EQ(ScreenRotation::turnedSize(2).width, 320.0f);
    for (int orientation = 0; orientation <= 6; ++orientation) {
        for (const Point p : {Point{0, 0}, Point{12.5f, 400}, Point{320, 480}, Point{300, 7}}) {
            EXPECT_EQ(ScreenRotation::turnedToScreen(ScreenRotation::screenToTurned(p, orientation),
                                                     orientation),
                      p)
                << orientation;
        }
    }
}

TEST(StatusBarTest, ReadsTheFirstBatteryAndElseShowsAFullOne) {
    testsupport::ScratchDirectory dir;
    const auto supplies = dir.path() / "power_supply";
    EXPECT_EQ(StatusBar::batteryLevel(supplies), 1.0f); // no such folder
    std::filesystem::create_directories(supplies / "AC");
    testsupport::writeText(supplies / "AC" / "type", "Mains\n");
    EXPECT_EQ(StatusBar::batteryLevel(supplies), 1.0f);
    std::filesystem::create_directories(supplies / "BAT0");
    testsupport::writeText(supplies / "BAT0" / "type", "Battery\n");
    testsupport::writeText(supplies / "BAT0" / "capacity", "42\n");
    EXPECT_FLOAT_EQ(StatusBar::batteryLevel(supplies), 0.42f);
    testsupport::writeText(supplies / "BAT0" / "capacity", "4x2\n");
    EXPECT_EQ(StatusBar::batteryLevel(supplies), 1.0f);
    testsupport::writeText(supplies / "BAT0" / "capacity", "250\n");
    EXPECT_EQ(StatusBar::batteryLevel(supplies), 1.0f);
}

// The turned bar at scale 1 is pinned by the headless host's screenshots.
TEST(StatusBarTest, DrawsTheTimeAndTheChargeAtTheScale) {
    auto created = StatusBar::create();
    if (!created) {
        GTEST_SKIP() << created.error().message;
    }
    StatusBar* bar = created->get();
    const auto full = bar->render({"9:41", 1.0f}, 320, 2);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->size(), (platform::Size{640, 40}));
    const auto empty = bar->render({"", 0.0f}, 320, 2);
    ASSERT_TRUE(empty);
    // The time sits in the middle; the battery's inside fills with its charge.
    EXPECT_GT(litPixels(*full, 280, 0, 360, 40), 100);
    EXPECT_EQ(litPixels(*empty, 280, 0, 360, 40), 0);
    EXPECT_GT(litPixels(*full, 590, 16, 620, 24), litPixels(*empty, 590, 16, 620, 24) + 100);
    // Right of the outline, 6 points from the edge, only the nub: 2 × 4 points.
    EXPECT_EQ(litPixels(*empty, 628, 0, 640, 40), 4 * 8);
}

TEST(StatusBarTest, OverlaysTheEdgeOfItsOrientationReadingUpright) {
    const Picture screen = testsupport::plainPicture(320, 480, {0, 0, 0, 255});
    for (int orientation = 1; orientation <= 4; ++orientation) {
        // A bar with one white pixel at its top-left corner.
        const int length = static_cast<int>(StatusBar::lengthFor(orientation));
        const auto bar = testsupport::makePicture(length, 20, [](int x, int y) {
            return x + y == 0 ? testsupport::Pixel{255, 255, 255, 255}
                              : testsupport::Pixel{0, 0, 0, 255};
        });
        const auto shown = StatusBar::overlay(screen, bar, orientation);
        ASSERT_TRUE(shown);
        // The user's top-left corner of the turned screen.
        const Point corner = ScreenRotation::turnedToScreen({0.5f, 0.5f}, orientation);
        const int cx = static_cast<int>(corner.x);
        const int cy = static_cast<int>(corner.y);
        EXPECT_EQ(shown->pixelAt(cx, cy)[0], 255) << orientation;
        EXPECT_EQ(litPixels(*shown, 0, 0, 320, 480), 1) << orientation;
    }
    // A bar drawn for another scale does not fit.
    EXPECT_FALSE(StatusBar::overlay(screen, testsupport::plainPicture(640, 40, {0, 0, 0, 255}), 1));
}

} // namespace
