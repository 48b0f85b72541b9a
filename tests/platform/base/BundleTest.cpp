#include "platform/base/Bundle.h"

#include "support/TestEnvironment.h"

namespace {

using testsupport::writeText;

class BundleTest : public testsupport::PlatformTest {};

TEST_F(BundleTest, MainBundleCarriesTheApplicationsInfoAndFindsResourcesOnlyInItsFolders) {
    auto& bundle = platform::Bundle::main();
    EXPECT_EQ(bundle.infoValue("CFBundleDisplayName"), "Pixello");
    const auto storage = bundle.infoValue("StorageFileName");
    ASSERT_TRUE(storage.has_value());
    EXPECT_FALSE(storage->empty());
    EXPECT_EQ(bundle.infoValue("NoSuchKey"), std::nullopt);
    // Info text skips comments, blank and malformed lines.
    const auto info = platform::Bundle::parseInfo(
        "# comment\n\n  StorageFileName =  Data.storage \r\nno equals sign\n= no key\n"
        "Empty=\nURL = a=b");
    EXPECT_EQ(info.size(), 3u);
    EXPECT_EQ(info.at("StorageFileName"), "Data.storage");
    EXPECT_EQ(info.at("Empty"), "");
    EXPECT_EQ(info.at("URL"), "a=b");

    bundle.setInfoValue("StorageFileName", std::nullopt);
    bundle.setInfoValue("Extra", "value");
    EXPECT_EQ(bundle.infoValue("Extra"), "value");
    bundle.reset();
    EXPECT_EQ(bundle.infoValue("StorageFileName"), storage);
    EXPECT_EQ(bundle.infoValue("Extra"), std::nullopt);

    // Resources are found in the first folder that has them, and never outside.
    const auto first = scratch.path() / "first";
    const auto second = scratch.path() / "second";
    std::filesystem::create_directories(first);
    std::filesystem::create_directories(second / "sub");
    writeText(first / "both.png", "1");
    writeText(second / "both.png", "2");
    writeText(second / "only.png", "2");
    writeText(second / "sub" / "deep.png", "2");
    writeText(scratch.path() / "secret", "s");
    writeText(second / "Info", "StorageFileName = s\n");
    bundle.setResourceDirectories({first, second});
    EXPECT_EQ(bundle.pathForResource("both.png"), first / "both.png");
    EXPECT_EQ(bundle.pathForResource("only.png"), second / "only.png");
    EXPECT_EQ(bundle.pathForResource("sub/deep.png"), second / "sub" / "deep.png");
    EXPECT_EQ(bundle.pathForResource("absent.png"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("sub"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource(""), std::nullopt);
    EXPECT_EQ(bundle.pathForResource("../secret"), std::nullopt);
    EXPECT_EQ(bundle.pathForResource((scratch.path() / "secret").string()), std::nullopt);
    // Info comes from the first folder that has one.
    EXPECT_EQ(bundle.infoValue("StorageFileName"), "s");
    EXPECT_EQ(bundle.infoValue("CFBundleDisplayName"), std::nullopt);
}

} // namespace
