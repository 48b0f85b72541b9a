#include "ZevkoCore/ZVKApplicationKernel.h"
#include "platform/base/Application.h"

#include <gtest/gtest.h>

namespace {

// The editor's kernel fills in every step; the bare template must run through on its own.
TEST(ApplicationKernel, TheBareTemplateStartsWithoutARootScreenAndNeedsAnApplication) {
    EXPECT_EQ(ZVKApplicationKernel::create<ZVKApplicationKernel>(nullptr, nullptr), nullptr);
    platform::Application app(nullptr);
    auto kernel = ZVKApplicationKernel::create<ZVKApplicationKernel>(&app, nullptr);
    ASSERT_NE(kernel, nullptr);
    EXPECT_EQ(kernel->application(), &app);
    EXPECT_EQ(kernel->navigationController(), nullptr);
    kernel->terminate();
}

} // namespace
