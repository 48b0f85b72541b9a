#include "ZevkoCore/ZVKApplicationKernel.h"
#include "platform/Application.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class RecordingKernel : public ZVKApplicationKernel {
public:
    RecordingKernel(ConstructionKey key, platform::Application* app, platform::Window* window,
                    std::vector<std::string>* log)
        : ZVKApplicationKernel(key, app, window), log_(log) {
        log_->push_back("constructed");
    }
    void terminate() override { log_->push_back("terminate"); }

protected:
    void createModel() override { log_->push_back("createModel"); }
    void createViewControllers() override { log_->push_back("createViewControllers"); }
    void registerDelegatesAndCustomize() override {
        log_->push_back("registerDelegatesAndCustomize");
    }

private:
    std::vector<std::string>* log_;
};

TEST(ApplicationKernel, CreationRunsTheStartUpTemplateInOrder) {
    std::vector<std::string> log;
    platform::Application app(nullptr);
    auto kernel = ZVKApplicationKernel::create<RecordingKernel>(&app, nullptr, &log);
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(kernel->application(), &app);
    EXPECT_EQ(kernel->window(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"constructed", "createModel", "createViewControllers",
                                             "registerDelegatesAndCustomize"}));
    kernel->terminate();
    EXPECT_EQ(log.back(), "terminate");
}

TEST(ApplicationKernel, WithoutAnApplicationThereIsNoKernel) {
    std::vector<std::string> log;
    EXPECT_EQ(ZVKApplicationKernel::create<RecordingKernel>(nullptr, nullptr, &log), nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(ZVKApplicationKernel::create<ZVKApplicationKernel>(nullptr, nullptr), nullptr);
}

} // namespace
