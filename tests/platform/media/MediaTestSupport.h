#pragma once

// What the media room's tests share: a scratch folder, a run loop on a virtual clock with
// a background queue, and files with chosen contents and times.

#include "platform/base/BackgroundQueue.h"
#include "platform/base/RunLoop.h"
#include "support/TestEnvironment.h"

#include <ctime>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>

namespace testsupport {

class MediaTest : public ::testing::Test {
protected:
    // Writes `bytes` to `path` (making its folder) and sets its modification time.
    static void writeFile(const std::filesystem::path& path, const std::string& bytes,
                          std::time_t seconds = 1'600'000'000, long nanoseconds = 0) {
        std::filesystem::create_directories(path.parent_path());
        writeText(path, bytes);
        setModified(path, seconds, nanoseconds);
    }
    static void setModified(const std::filesystem::path& path, std::time_t seconds,
                            long nanoseconds = 0) {
        const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
    // The names in a folder, hidden ones included.
    static std::set<std::string> namesIn(const std::filesystem::path& folder) {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    static unsigned modeOf(const std::filesystem::path& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    ScratchDirectory scratch;
    platform::RunLoop loop{std::make_shared<platform::VirtualClock>()};
    platform::BackgroundQueue queue{loop, 2};
};

} // namespace testsupport
