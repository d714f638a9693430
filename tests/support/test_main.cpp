// Test entry point: host invariant checks throw, so a broken precondition fails the
// test instead of aborting the run.
#include <gtest/gtest.h>

#include "vemhost_testing.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    vemhost::testing::setAssertionsThrow(true);
    return RUN_ALL_TESTS();
}
