#include "platform/base/Paths.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using platform::Paths;

TEST(Paths, DefaultFollowsXdgDataHomeThenHome) {
    EXPECT_EQ(Paths::defaultDocumentsDirectory("/data", "/home/u"), "/data/pixello");
    EXPECT_EQ(Paths::defaultDocumentsDirectory(nullptr, "/home/u"), "/home/u/.local/share/pixello");
    EXPECT_EQ(Paths::defaultDocumentsDirectory("", "/home/u"), "/home/u/.local/share/pixello");
    // A relative XDG_DATA_HOME is not valid and is ignored.
    EXPECT_EQ(Paths::defaultDocumentsDirectory("rel/data", "/home/u"),
              "/home/u/.local/share/pixello");
    // Without a usable HOME the password database still gives an absolute folder.
    const auto fallback = Paths::defaultDocumentsDirectory(nullptr, nullptr);
    EXPECT_TRUE(fallback.is_absolute());
    EXPECT_EQ(fallback.filename(), "pixello");
}

TEST(Paths, OverrideIsCreatedOnDemandAndResetGoesBackToTheDefault) {
    testsupport::ScratchDirectory scratch;
    const auto dir = scratch.path() / "a" / "b";
    Paths::setDocumentsDirectory(dir);
    EXPECT_EQ(Paths::documentsDirectory(), dir);
    EXPECT_TRUE(std::filesystem::is_directory(dir));
    Paths::resetDocumentsDirectory();
    EXPECT_NE(Paths::documentsDirectory(), dir);
}

} // namespace
