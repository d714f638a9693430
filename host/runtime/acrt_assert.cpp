// Reporting of failed invariant checks.
#include "acrt_assert.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "vemhost_testing.h"

namespace {
bool g_assertionsThrow = false;
}

namespace vemhost::testing {
void setAssertionsThrow(bool enabled) { g_assertionsThrow = enabled; }
bool assertionsThrow() { return g_assertionsThrow; }
}  // namespace vemhost::testing

namespace acrt {
void assertionFailed(const char* file, int line, const char* message)
{
    std::string text = std::string(file) + ":" + std::to_string(line) + ": " + message;
    if (g_assertionsThrow)
        throw vemhost::testing::AssertionFailure{text};
    std::fprintf(stderr, "host assertion failed: %s\n", text.c_str());
    std::abort();
}
}  // namespace acrt
