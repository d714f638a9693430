// The runtime's one invariant check: reports file, line and message; under test it
// throws so a broken precondition fails the test instead of killing the run.
#pragma once

namespace acrt {
[[noreturn]] void assertionFailed(const char* file, int line, const char* message);
}

#define ACRT_ASSERT(cond, message)                                        \
    do {                                                                  \
        if (!(cond))                                                      \
            ::acrt::assertionFailed(__FILE__, __LINE__, (message));       \
    } while (0)
