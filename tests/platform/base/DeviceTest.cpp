#include "platform/base/Device.h"

#include "platform/base/NotificationCenter.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using O = platform::DeviceOrientation;

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
    std::vector<O> seen;
};

TEST_F(DeviceTest, OrientationIsPostedOnlyWhileNotificationsAreGeneratedAndResetSilences) {
    auto& device = platform::Device::current();
    const std::string model = device.model();
    EXPECT_FALSE(model.empty());
    EXPECT_EQ(device.orientation(), O::Portrait);
    device.setOrientation(O::LandscapeHomeRight);
    EXPECT_EQ(device.orientation(), O::LandscapeHomeRight);
    EXPECT_TRUE(seen.empty());

    device.beginGeneratingDeviceOrientationNotifications();
    device.setOrientation(O::FaceUp);
    device.setOrientation(O::FaceUp);
    device.setOrientation(O::Unknown);
    // Numbers outside the device's orientations are ignored.
    device.setOrientation(static_cast<O>(7));
    device.setOrientation(static_cast<O>(-1));
    EXPECT_EQ(device.orientation(), O::Unknown);
    EXPECT_EQ(seen, (std::vector<O>{O::FaceUp, O::FaceUp, O::Unknown}));
    device.endGeneratingDeviceOrientationNotifications();
    device.setOrientation(O::PortraitUpsideDown);
    EXPECT_EQ(seen.size(), 3u);

    device.setModel("iPhone");
    device.beginGeneratingDeviceOrientationNotifications();
    device.reset();
    EXPECT_EQ(device.model(), model);
    EXPECT_EQ(device.orientation(), O::Portrait);
    EXPECT_FALSE(device.isGeneratingDeviceOrientationNotifications());
}

} // namespace
