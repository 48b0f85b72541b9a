#include "platform/base/Assert.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void assertionFailed(const char* condition, const char* file, int line) {
    // Straight to standard error rather than through the log sink: the process ends here,
    // and a sink that records lines (as tests install) would take the reason with it.
    std::fprintf(stderr, "%s:%d: assertion failed: %s\n", file, line, condition);
    std::abort();
}

} // namespace platform
