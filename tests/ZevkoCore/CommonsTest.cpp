#include "ZevkoCore/ZVKCommons.h"
#include "ZevkoCore/ZVKFileSystemUtils.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <set>

namespace {

class CommonsTest : public testsupport::PlatformTest {};

TEST_F(CommonsTest, UuidsAreUpperCaseHexInGroupsAndUnique) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const std::string uuid = ZVKUUIDCreate();
        ASSERT_EQ(uuid.size(), 36u);
        for (std::size_t k = 0; k < uuid.size(); ++k) {
            if (k == 8 || k == 13 || k == 18 || k == 23) {
                EXPECT_EQ(uuid[k], '-');
            } else {
                EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(uuid[k])) ||
                            (uuid[k] >= 'A' && uuid[k] <= 'F'))
                    << uuid;
            }
        }
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
    EXPECT_EQ(ZVKDocumentsDirectory(), documents.string());
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
