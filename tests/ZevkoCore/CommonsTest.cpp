#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace {

class CommonsTest : public testsupport::PlatformTest {};

TEST_F(CommonsTest, UuidsAreUpperCaseHexInGroupsAndUnique) {
    const std::regex groups("[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string uuid = ZVKUUIDCreate();
        EXPECT_TRUE(std::regex_match(uuid, groups)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

TEST_F(CommonsTest, DeviceKindsCompareTheWholeModelName) {
    auto& device = platform::Device::current();
    device.setModel("iPod");
    EXPECT_TRUE(ZVKCommons::isDeviceiPod());
    EXPECT_FALSE(ZVKCommons::isDeviceiPhone());
    device.setModel("iPhone Simulator");
    EXPECT_TRUE(ZVKCommons::isDeviceiPhoneSimulator());
    EXPECT_FALSE(ZVKCommons::isDeviceiPhone());
    device.setModel("iphone");
    EXPECT_FALSE(ZVKCommons::isDeviceiPhone());
}

TEST_F(CommonsTest, StoragePathJoinsTheDocumentsDirectoryAndTheInfoName) {
    auto& bundle = platform::Bundle::main();
    bundle.setInfoValue("StorageFileName", "My.storage");
    EXPECT_EQ(ZVKStorageFileName(), (documents / "My.storage").string());
    for (const char* bad : {"", ".", "..", "../escape", "a/b"}) {
        bundle.setInfoValue("StorageFileName", bad);
        EXPECT_EQ(ZVKStorageFileName(), std::nullopt) << bad;
    }
    bundle.setInfoValue("StorageFileName", std::nullopt);
    EXPECT_EQ(ZVKStorageFileName(), std::nullopt);
}

} // namespace
