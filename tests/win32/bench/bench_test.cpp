#include "tests/win32/bench/Bench.h"
#include <gtest/gtest.h>
TEST(Bench, Paths) { EXPECT_EQ(bench::UnixToWindows("/a/b"), "Z:\\a\\b"); }
