// Linked only into test executables: screenshots each failing test, so that a
// failure in a run nobody watched still shows what was on the screen. Kept out
// of the bench so that the tools built on the bench carry no test framework.
#include "testbed/Bench.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

class FailureShots : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo& info) override {
        if (!info.result() || !info.result()->Failed()) return;
        const std::string name = std::string(info.test_suite_name()) + "." + info.name() + ".failed";
        if (bench::Screenshot(name)) std::printf("screenshot of the failure: %s.png\n", bench::SafeName(name).c_str());
    }
};

const bool g_failureShotsInstalled = [] {
    if (GetEnvironmentVariableA("PW_NO_FAILURE_SHOTS", nullptr, 0) > 1) return false;
    ::testing::UnitTest::GetInstance()->listeners().Append(new FailureShots);
    return true;
}();

}  // namespace
