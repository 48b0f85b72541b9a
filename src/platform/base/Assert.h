#pragma once

// Checks a state the program can only be in when its code is wrong. Debug and sanitizer
// builds stop there: the condition, file and line go to standard error and the process
// aborts. Other builds compile the check out without evaluating the condition, so it must
// not do anything the program relies on.
#if !defined(NDEBUG) || defined(PIXELLO_CHECKED_BUILD)
#define PIXELLO_ASSERT(condition)                                                                  \
    ((condition) ? static_cast<void>(0)                                                            \
                 : ::platform::assertionFailed(#condition, __FILE__, __LINE__))
#else
#define PIXELLO_ASSERT(condition) static_cast<void>(sizeof(!(condition)))
#endif

namespace platform {

[[noreturn]] void assertionFailed(const char* condition, const char* file, int line);

} // namespace platform
