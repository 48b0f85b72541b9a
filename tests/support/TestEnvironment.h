#pragma once

#include "platform/base/Bundle.h"
#include "platform/base/Device.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Paths.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Keeps the lines logged while it lives, instead of letting them reach standard error.
class LogRecorder {
public:
    const std::vector<std::string>& lines() const { return lines_; }

private:
    std::vector<std::string> lines_; // outlives the guard that fills it
    platform::ScopedLogSink guard_{[this](std::string_view line) { lines_.emplace_back(line); }};
};

// A fresh folder of its own under $PIXELLO_TEST_TMP (else /tmp), removed again at the end.
class ScratchDirectory {
public:
    ScratchDirectory() : ScratchDirectory(defaultRoot()) {}
    // Under `root` instead, for example /dev/shm where many flushes to disk would be slow.
    explicit ScratchDirectory(const std::filesystem::path& root) {
        std::filesystem::create_directories(root);
        std::string pattern = (root / "pixello-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot create a scratch directory under " << root;
        }
        path_ = pattern;
    }
    ~ScratchDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    static std::filesystem::path defaultRoot() {
        const char* base = std::getenv("PIXELLO_TEST_TMP");
        return (base != nullptr && base[0] != '\0') ? base : "/tmp";
    }

    std::filesystem::path path_;
};

inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// Points the documents directory at a scratch folder and starts the device, bundle and
// notification centre afresh; puts everything back afterwards.
class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override {
        documents = scratch.path() / "Documents";
        platform::Paths::setDocumentsDirectory(documents);
        resetSingletons();
    }
    void TearDown() override {
        resetSingletons();
        platform::Paths::resetDocumentsDirectory();
    }

    static void resetSingletons() {
        platform::Bundle::main().reset();
        platform::Device::current().reset();
        platform::NotificationCenter::defaultCenter().reset();
    }

    ScratchDirectory scratch;
    std::filesystem::path documents;
};

} // namespace testsupport
