#include "platform/base/FileSystem.h"

#include "support/TestEnvironment.h"

namespace {

using testsupport::readText;
using testsupport::ScratchDirectory;
using testsupport::writeText;

std::span<const std::uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(FileSystem, AtomicWriteReplacesTheFileAndLeavesNothingElse) {
    ScratchDirectory dir;
    const auto path = dir.path() / "store";
    ASSERT_TRUE(platform::writeFileAtomically(path, bytesOf("first version, longer")));
    ASSERT_TRUE(platform::writeFileAtomically(path, bytesOf("second")));
    EXPECT_EQ(readText(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    const std::string binary("a\0b\xff", 4);
    ASSERT_TRUE(platform::writeFileAtomically(path, bytesOf(binary)));
    EXPECT_EQ(platform::readFile(path), std::vector<std::uint8_t>({'a', 0, 'b', 0xff}));
    ASSERT_TRUE(platform::writeFileAtomically(path, {}));
    EXPECT_EQ(platform::readFile(path), std::vector<std::uint8_t>{});
}

TEST(FileSystem, NothingIsReplacedByAFailedWriteOrACopyAndMissingFilesReadAsNothing) {
    ScratchDirectory dir;
    // The target is a directory: the rename over it fails after the temporary was written.
    const auto occupied = dir.path() / "occupied";
    std::filesystem::create_directory(occupied);
    writeText(occupied / "inside", "kept");
    EXPECT_FALSE(platform::writeFileAtomically(occupied, bytesOf("new")));
    EXPECT_TRUE(std::filesystem::is_directory(occupied));
    EXPECT_EQ(readText(occupied / "inside"), "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    // The folder does not exist.
    EXPECT_FALSE(platform::writeFileAtomically(dir.path() / "missing" / "file", bytesOf("x")));
    EXPECT_FALSE(platform::exists(dir.path() / "missing"));
    EXPECT_FALSE(platform::writeFileAtomically("", bytesOf("x")));

    // Reading answers nothing for missing files and directories.
    EXPECT_EQ(platform::readFile(dir.path() / "absent"), std::nullopt);
    EXPECT_EQ(platform::readFile(dir.path()), std::nullopt);

    // Copying never replaces an existing file, nor removing a directory.
    writeText(dir.path() / "a", "A");
    writeText(dir.path() / "b", "B");
    EXPECT_FALSE(platform::copyFileNoReplace(dir.path() / "a", dir.path() / "b"));
    EXPECT_EQ(readText(dir.path() / "b"), "B");
    EXPECT_TRUE(platform::copyFileNoReplace(dir.path() / "a", dir.path() / "c"));
    EXPECT_EQ(readText(dir.path() / "c"), "A");
    EXPECT_FALSE(platform::copyFileNoReplace(dir.path() / "absent", dir.path() / "d"));
    EXPECT_FALSE(platform::exists(dir.path() / "d"));

    // Directories are created with their parents and never removed as files.
    const auto nested = dir.path() / "x" / "y";
    EXPECT_TRUE(platform::createDirectory(nested));
    EXPECT_TRUE(platform::createDirectory(nested));
    EXPECT_TRUE(platform::isDirectory(nested));
    EXPECT_FALSE(platform::removeFile(nested));
    EXPECT_TRUE(platform::isDirectory(nested));

    writeText(dir.path() / "file", "f");
    EXPECT_FALSE(platform::createDirectory(dir.path() / "file"));
    EXPECT_TRUE(platform::removeFile(dir.path() / "file"));
    EXPECT_FALSE(platform::exists(dir.path() / "file"));
    EXPECT_FALSE(platform::removeFile(dir.path() / "file"));
}

} // namespace
