#pragma once

#include "Pixello/MainViewController.h"
#include "Pixello/PixelloHostDelegate.h"
#include "Pixello/PixelloKernel.h"
#include "platform/graphics/PictureCodec.h"
#include "platform/host/HeadlessHost.h"
#include "platform/host/Script.h"
#include "platform/ui/Window.h"
#include "platform/ui/widgets/Toolbar.h"
#include "support/HostTestApp.h"
#include "support/TestEnvironment.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace testsupport {

// The whole editor run headless on the virtual clock, as `pixello --headless --script`
// runs it, with its documents in a scratch folder.
class EditorSession : public testsupport::PlatformTest {
protected:
    // The photo library, the album and the thumbnail cache lie in the scratch folder too, so
    // no run touches the user's own; the Pictures folder itself is made by the tests that
    // want one.
    void SetUp() override {
        PlatformTest::SetUp();
        pictures = scratch.path() / "Pictures";
        platform::Paths::setPicturesDirectory(pictures);
        ::setenv("XDG_CACHE_HOME", (scratch.path() / "cache").c_str(), 1);
    }
    void TearDown() override {
        host.terminate();
        ::unsetenv("XDG_CACHE_HOME");
        platform::Paths::resetPicturesDirectory();
        PlatformTest::TearDown();
    }

    void launch() {
        const auto launched = host.launch([this](platform::Window& window) {
            platform::HostedApplication hosted = PixelloHostDelegate::hostedApplication(window);
            delegate = static_cast<PixelloHostDelegate*>(hosted.delegate.get());
            return hosted;
        });
        ASSERT_TRUE(launched) << launched.error().message;
        ASSERT_NE(kernel(), nullptr);
        // The surface settles its content for a moment after start and takes no touches
        // meanwhile, as on a phone.
        ASSERT_EQ(run("wait 0.5\n"), "");
    }

    // Runs `text` as the script "s.txt"; the error, empty on success.
    std::string run(const std::string& text) { return runScript(host, text, "s.txt"); }

    PixelloKernel* kernel() const { return delegate ? delegate->kernel() : nullptr; }
    PixelloModel& model() const { return *kernel()->model(); }
    MainViewController& screen() const { return *kernel()->mainViewController(); }
    std::string storageText() const { return testsupport::readText(documents / "Pixello.storage"); }

    std::optional<platform::Picture> screenshot(const std::string& name) {
        return scriptedScreenshot(host, scratch.path() / name);
    }

    platform::HeadlessHost host{2};
    std::filesystem::path pictures;
    PixelloHostDelegate* delegate = nullptr; // owned by the host's application
};

// Compares a screenshot with tests/e2e/references/NAME. Small per-channel differences and a
// small share of differing pixels pass, so another Mesa version does not break the test.
// With PIXELLO_UPDATE_REFERENCES set the screenshot becomes the reference instead.
inline void expectMatchesReference(const platform::Picture& shot, const std::string& name) {
    const std::filesystem::path reference =
        std::filesystem::path(PIXELLO_SOURCE_DIR) / "tests" / "e2e" / "references" / name;
    if (std::getenv("PIXELLO_UPDATE_REFERENCES") != nullptr) {
        ASSERT_TRUE(platform::PictureCodec::writePNG(shot, reference)) << reference;
        return;
    }
    const auto expected = platform::PictureCodec::decodeFile(reference);
    ASSERT_TRUE(expected.has_value()) << "no reference picture " << reference;
    ASSERT_EQ(shot.size(), expected->size());
    constexpr int kChannelTolerance = 24;
    const auto close = [](std::uint8_t a, std::uint8_t b) {
        return std::abs(int{a} - int{b}) <= kChannelTolerance;
    };
    const auto& shown = *shot.pixels();
    const auto& wanted = *expected->pixels();
    long differing = 0;
    for (std::size_t i = 0; i < shown.size(); i += 4) {
        differing += std::equal(&shown[i], &shown[i] + 4, &wanted[i], close) ? 0 : 1;
    }
    const long total = long(shot.width()) * shot.height();
    EXPECT_LE(differing * 200, total)
        << name << ": " << differing << " of " << total << " pixels differ from the reference";
}

} // namespace testsupport
