// Deliberately leaks, to show that ./test counts a program that passes its tests and fails at exit.
#include <gtest/gtest.h>

TEST(LeakAtExit, PassesAndLeaks) {
    volatile int* leaked = new int[16];
    leaked[0] = 1;
    leaked = nullptr;
    EXPECT_EQ(nullptr, leaked);
}
