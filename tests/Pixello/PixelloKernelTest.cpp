#include "Pixello/PixelloKernel.h"

#include "Pixello/PixelloAppDelegate.h"
#include "ZevkoCore/ZVKMD5.h"
#include "platform/Application.h"
#include "platform/TestEnvironment.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::readText;
using testsupport::writeText;

const std::string kName = "0A1B2C3D-0000-4000-8000-000000000001.png";

class PixelloKernelTest : public testsupport::PlatformTest {
protected:
    std::string storage() const { return *ZVKApplicationModel::storagePath(); }
    platform::Application application{nullptr};
};

TEST_F(PixelloKernelTest, WithoutAnApplicationThereIsNoKernel) {
    EXPECT_EQ(PixelloKernel::create(nullptr, nullptr), nullptr);
}

TEST_F(PixelloKernelTest, ALaunchWithValidStorageRestoresHistoryAndStrengths) {
    const std::string payload = "1\n0\n" + kName + "\n0.150000\n30.000000\n12.000000\n8.000000\n";
    std::filesystem::create_directories(documents);
    writeText(storage(), payload + ZVKMD5ForString(payload));

    auto kernel = PixelloKernel::create(&application, nullptr);
    ASSERT_NE(kernel, nullptr);
    const PixelloModel& model = *kernel->model();
    EXPECT_EQ(model.imageFileNames(), std::vector<std::string>{kName});
    EXPECT_EQ(model.currentImage(), 0);
    EXPECT_EQ(model.smudgePower(), 0.15f);
    EXPECT_EQ(model.smudgeWidth(), 30.0f);
    EXPECT_EQ(model.bumpPower(), 12.0f);
    EXPECT_EQ(model.pinchPower(), 8.0f);
    // The default picture was not touched: no history file was written.
    EXPECT_TRUE(std::filesystem::is_empty(model.directoryForImages()));
    // Listeners come only after loading: the main screen first, the settings screen
    // second, the kernel last.
    EXPECT_EQ(model.delegates(),
              (std::vector<ZVKApplicationModelDelegate*>{
                  kernel->mainViewController(), kernel->settingsViewController(), kernel.get()}));
}

TEST_F(PixelloKernelTest, TerminateWritesStorageEvenWhenNothingChanged) {
    auto kernel = PixelloKernel::create(&application, nullptr);
    ASSERT_NE(kernel, nullptr);
    EXPECT_FALSE(std::filesystem::exists(storage()));
    kernel->terminate();
    // The first launch seeded the default picture as the one history entry.
    ASSERT_EQ(kernel->model()->imageFileNames().size(), 1u);
    const std::string payload = "1\n0\n" + kernel->model()->imageFileNames()[0] +
                                "\n0.110000\n28.000000\n10.000000\n10.000000\n";
    EXPECT_EQ(readText(storage()), payload + ZVKMD5ForString(payload));
}

TEST_F(PixelloKernelTest, DestructionSavesOnceMore) {
    auto kernel = PixelloKernel::create(&application, nullptr);
    ASSERT_NE(kernel, nullptr);
    kernel->terminate();
    kernel->model()->setBumpPower(14.0f);
    kernel.reset();
    auto next = PixelloKernel::create(&application, nullptr);
    EXPECT_EQ(next->model()->bumpPower(), 14.0f);
}

TEST_F(PixelloKernelTest, TheAppDelegateCreatesTheKernelAtLaunchAndSavesAtTermination) {
    PixelloAppDelegate delegate(nullptr);
    platform::Application app(&delegate);
    EXPECT_EQ(delegate.kernel(), nullptr);
    app.launch();
    ASSERT_NE(delegate.kernel(), nullptr);
    EXPECT_EQ(delegate.kernel()->application(), &app);
    delegate.kernel()->model()->setSmudgeWidth(44.0f);
    app.terminate();
    EXPECT_NE(readText(storage()).find("\n44.000000\n"), std::string::npos);
}

} // namespace
