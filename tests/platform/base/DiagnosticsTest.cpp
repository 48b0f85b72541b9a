#include "platform/base/Assert.h"
#include "platform/base/Log.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

#if !defined(NDEBUG) || defined(PIXELLO_CHECKED_BUILD)
constexpr bool kChecked = true;
#else
constexpr bool kChecked = false;
#endif

TEST(Assert, ChecksOnlyInCheckedBuildsAndEvaluatesTheConditionAtMostOnce) {
    int evaluated = 0;
    PIXELLO_ASSERT(++evaluated == 1);
    EXPECT_EQ(evaluated, kChecked ? 1 : 0);
    if constexpr (kChecked) {
        EXPECT_DEATH(PIXELLO_ASSERT(evaluated < 0), "DiagnosticsTest.cpp:[0-9]+: assertion failed: "
                                                    "evaluated < 0");
    }
}

TEST(Log, GuardsNestAndPutTheSinkTheyReplacedBack) {
    std::vector<std::string> outer;
    std::vector<std::string> inner;
    {
        const platform::ScopedLogSink first(
            [&](std::string_view line) { outer.emplace_back(line); });
        {
            const platform::ScopedLogSink second(
                [&](std::string_view line) { inner.emplace_back(line); });
            platform::logFormatted("cur = %d, count = %d", 5, 6);
        }
        platform::logLine("back");
    }
    EXPECT_EQ(inner, std::vector<std::string>{"cur = 5, count = 6"});
    EXPECT_EQ(outer, std::vector<std::string>{"back"});
}

} // namespace
