#include "platform/base/Device.h"

#include "platform/base/NotificationCenter.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

class DeviceTest : public testsupport::PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        platform::NotificationCenter::defaultCenter().addObserver(
            this, std::string(platform::Device::kOrientationDidChangeNotification), nullptr,
            [this](const platform::Notification& n) {
                EXPECT_EQ(n.sender, &platform::Device::current());
                seen.push_back(platform::Device::current().orientation());
            });
    }
    std::vector<int> seen;
};

TEST_F(DeviceTest, OrientationIsPostedOnlyWhileNotificationsAreGeneratedAndResetSilences) {
    auto& device = platform::Device::current();
    const std::string model = device.model();
    EXPECT_FALSE(model.empty());
    EXPECT_EQ(device.orientation(), 1);
    device.setOrientation(3);
    EXPECT_EQ(device.orientation(), 3);
    EXPECT_TRUE(seen.empty());

    device.beginGeneratingDeviceOrientationNotifications();
    device.setOrientation(5);
    device.setOrientation(5);
    device.setOrientation(0);
    // Numbers outside the device's orientations are ignored.
    device.setOrientation(7);
    device.setOrientation(-1);
    EXPECT_EQ(device.orientation(), 0);
    EXPECT_EQ(seen, (std::vector<int>{5, 5, 0}));
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(2);
    EXPECT_EQ(seen.size(), 3u);

    device.setModel("iPhone");
    device.beginGeneratingDeviceOrientationNotifications();
    device.reset();
    EXPECT_EQ(device.model(), model);
    EXPECT_EQ(device.orientation(), 1);
    EXPECT_FALSE(device.isGeneratingDeviceOrientationNotifications());
}

} // namespace
