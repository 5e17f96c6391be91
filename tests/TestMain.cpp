// The entry point of every test program. Output is unbuffered, so a program that dies mid-run
// (a crash under Wine prints nothing of its own) still shows which test it was running.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
