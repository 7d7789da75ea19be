// Port classification, the plan of a resolution, and the check of
// the spooler's published port.
#include "monitor/core/PortRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace monitor;

namespace {

using portaccess::LptLookup;
using Calls = std::vector<std::string>;

// Stops timer 1 as the window does, recording each stop asked for.
struct FakeTimer {
    bool stopSucceeds = true;
    std::vector<std::string> calls;
    bool operator()(std::uint32_t id) {
        calls.push_back("stop " + std::to_string(id));
        return stopSucceeds;
    }
};

TEST(PortClassification, ByCaseSensitiveSubstringInOrder) {
    EXPECT_EQ(ClassifyPort("LPT1:").text, "LPT");
    EXPECT_EQ(ClassifyPort("LPT4:").kind, PortKind::Lpt);
    EXPECT_EQ(ClassifyPort("USB001").text, "USB");
    EXPECT_EQ(ClassifyPort("COM1:").text, "COM");
    EXPECT_EQ(ClassifyPort("FILE:").text, "FILE:");
    EXPECT_EQ(ClassifyPort("FILE:").kind, PortKind::Other);
    EXPECT_EQ(ClassifyPort("lpt1:").text, "lpt1:");
    EXPECT_EQ(ClassifyPort("USB001,LPT1:").text, "LPT");  // LPT is tested first
    EXPECT_EQ(ClassifyPort("").text, "");
}

TEST(PortClassification, SearchTextOnlyForTheFirstThreeParallelPorts) {
    EXPECT_STREQ(LptSearchText("LPT1:"), "(LPT1)");
    EXPECT_STREQ(LptSearchText("LPT2:"), "(LPT2)");
    EXPECT_STREQ(LptSearchText("LPT3:"), "(LPT3)");
    EXPECT_EQ(LptSearchText("LPT4:"), nullptr);
    EXPECT_EQ(LptSearchText("LPT1"), nullptr);
    EXPECT_EQ(LptSearchText("lpt1:"), nullptr);
    EXPECT_EQ(LptSearchText("LPT1:,LPT2:"), nullptr);
}

TEST(PortResolution, Lpt1OnTheDriverPlatformStartsTheTimer) {
    const PortPlan plan = PlanPort("LPT1:");
    EXPECT_EQ(plan.kind, PortKind::Lpt);
    EXPECT_TRUE(plan.resetsParallelStatus);
    EXPECT_TRUE(plan.needsDriver);
    EXPECT_TRUE(plan.OpensDriver(2));
    EXPECT_STREQ(plan.searchText, "(LPT1)");
    EXPECT_FALSE(plan.stopsTimer);
    EXPECT_EQ(TimerAfterLookup(LptLookup::Found), TimerStep::Start);
}

TEST(PortResolution, DirectAccessPlatformDoesNotOpenTheDriver) {
    const PortPlan plan = PlanPort("LPT2:");
    EXPECT_FALSE(plan.OpensDriver(1));
    EXPECT_FALSE(plan.OpensDriver(0));
    EXPECT_STREQ(plan.searchText, "(LPT2)");
}

TEST(PortResolution, AddressNotFoundStopsARunningTimer) {
    EXPECT_EQ(TimerAfterLookup(LptLookup::NoAddress), TimerStep::Stop);
    FakeTimer timer;
    std::uint32_t timerId = 7;
    StopStatusTimer(timerId, timer);
    EXPECT_EQ(timerId, 0u);
    EXPECT_EQ(timer.calls.back(), "stop 7");
}

TEST(PortResolution, FailedDeviceQueryLeavesTheTimerAlone) {
    const PortPlan plan = PlanPort("LPT1:");
    EXPECT_STREQ(plan.searchText, "(LPT1)");
    EXPECT_FALSE(plan.stopsTimer);
    EXPECT_EQ(TimerAfterLookup(LptLookup::QueryFailed), TimerStep::Keep);
}

TEST(PortResolution, ParallelPortWithoutItsOwnSearchTextIsNeitherSearchedNorRead) {
    // Watching LPT1: with its device found and timer 1 running...
    ASSERT_STREQ(PlanPort("LPT1:").searchText, "(LPT1)");
    // ...then the queue moves to a port that names no device of its own: the
    // old instance id must not be searched for again, nor any address read.
    for (const char* port : {"LPT4:", "LPT1:,LPT2:"}) {
        SCOPED_TRACE(port);
        const PortPlan plan = PlanPort(port);
        EXPECT_EQ(plan.kind, PortKind::Lpt);
        EXPECT_TRUE(plan.resetsParallelStatus);
        EXPECT_TRUE(plan.OpensDriver(2));
        EXPECT_EQ(plan.searchText, nullptr);
        EXPECT_TRUE(plan.stopsTimer);
    }
}

TEST(PortResolution, FirstResolutionOnAPoolSearchesNothing) {
    // Before any LPT1:..LPT3: resolution the search text is empty, which every
    // device name contains.
    const PortPlan pool = PlanPort("LPT1:,LPT2:");
    EXPECT_FALSE(pool.OpensDriver(1));
    EXPECT_EQ(pool.searchText, nullptr);
    // A later LPT3: gets its own search as usual.
    EXPECT_STREQ(PlanPort("LPT3:").searchText, "(LPT3)");
    EXPECT_EQ(TimerAfterLookup(LptLookup::Found), TimerStep::Start);
}

TEST(PortResolution, UsbAndComStopTheTimerAndResetTheParallelStatus) {
    for (const char* port : {"USB001", "COM1:"}) {
        SCOPED_TRACE(port);
        const PortPlan plan = PlanPort(port);
        EXPECT_TRUE(plan.stopsTimer);
        EXPECT_TRUE(plan.resetsParallelStatus);
        EXPECT_FALSE(plan.needsDriver);
        EXPECT_EQ(plan.searchText, nullptr);
        FakeTimer timer;
        std::uint32_t timerId = 1;
        StopStatusTimer(timerId, timer);
        EXPECT_EQ(timerId, 0u);
        EXPECT_EQ(timer.calls, (Calls{"stop 1"}));
    }
}

TEST(PortResolution, TimerIdKeptWhenTheStopFails) {
    FakeTimer timer;
    timer.stopSucceeds = false;
    std::uint32_t timerId = 1;
    ASSERT_TRUE(PlanPort("USB001").stopsTimer);
    StopStatusTimer(timerId, timer);
    EXPECT_EQ(timerId, 1u);
}

TEST(PortResolution, NoTimerMeansNoStopCall) {
    FakeTimer timer;
    std::uint32_t timerId = 0;
    ASSERT_TRUE(PlanPort("COM2:").stopsTimer);
    StopStatusTimer(timerId, timer);
    EXPECT_TRUE(timer.calls.empty());
}

TEST(PortResolution, UnclassifiedPortChangesNothingButTheNames) {
    for (const char* port : {"FILE:", "lpt1:"}) {
        const PortPlan plan = PlanPort(port);
        EXPECT_EQ(plan.kind, PortKind::Other);
        EXPECT_EQ(ClassifyPort(port).text, port);
        EXPECT_FALSE(plan.resetsParallelStatus);
        EXPECT_FALSE(plan.needsDriver);
        EXPECT_EQ(plan.searchText, nullptr);
        EXPECT_FALSE(plan.stopsTimer);
    }
}

std::vector<unsigned char> Bytes(const char* s, std::size_t n) { return std::vector<unsigned char>(s, s + n); }

TEST(PortChange, ComparesThePublishedListAsAWhole) {
    auto same = Bytes("LPT1:\0\0", 7);
    EXPECT_FALSE(PortDiffers(true, true, same.data(), same.size(), "LPT1:"));
    auto other = Bytes("USB001\0\0", 8);
    EXPECT_TRUE(PortDiffers(true, true, other.data(), other.size(), "LPT1:"));
    EXPECT_TRUE(PortDiffers(true, true, same.data(), same.size(), "lpt1:"));
    // A pooled queue: the spooler reports "LPT1:,LPT2:" and publishes one string per port.
    auto pool = Bytes("LPT1:\0LPT2:\0\0", 13);
    EXPECT_FALSE(PortDiffers(true, true, pool.data(), pool.size(), "LPT1:,LPT2:"));
    EXPECT_TRUE(PortDiffers(true, true, pool.data(), pool.size(), "LPT1:"));
    EXPECT_TRUE(PortDiffers(true, true, same.data(), same.size(), "LPT1:,LPT2:"));
    auto reordered = Bytes("LPT2:\0LPT1:\0\0", 13);
    EXPECT_TRUE(PortDiffers(true, true, reordered.data(), reordered.size(), "LPT1:,LPT2:"));
}

TEST(PortChange, LongPortNamesAreReadWhole) {
    const std::string longName = "Ne00:\\\\printserver.example\\queue";  // far beyond 21 bytes
    std::vector<unsigned char> value(longName.begin(), longName.end());
    value.push_back(0);
    value.push_back(0);
    EXPECT_FALSE(PortDiffers(true, true, value.data(), value.size(), longName));
}

TEST(PortChange, ListIsReadOnlyWithinTheBytesHandedBack) {
    auto raw = Bytes("USB001", 6);
    EXPECT_EQ(JoinMultiString(raw.data(), raw.size()), "USB001");  // no terminator
    EXPECT_EQ(JoinMultiString(raw.data(), 3), "USB");
    EXPECT_EQ(JoinMultiString(nullptr, 0), "");
    auto cut = Bytes("LPT1:\0LPT2", 10);
    EXPECT_EQ(JoinMultiString(cut.data(), cut.size()), "LPT1:,LPT2");
    auto single = Bytes("LPT1:\0", 6);  // one terminator only
    EXPECT_EQ(JoinMultiString(single.data(), single.size()), "LPT1:");
    // The first empty string ends the list; what follows it is not a port.
    auto tail = Bytes("LPT1:\0\0USB001\0\0", 16);
    EXPECT_EQ(JoinMultiString(tail.data(), tail.size()), "LPT1:");
    auto empty = Bytes("\0\0", 2);
    EXPECT_EQ(JoinMultiString(empty.data(), empty.size()), "");
    auto three = Bytes("LPT1:\0LPT2:\0LPT3:\0\0", 19);
    EXPECT_EQ(JoinMultiString(three.data(), three.size()), "LPT1:,LPT2:,LPT3:");
}

TEST(PortChange, NeitherAnUnopenedKeyNorAnUnreadValueReportsAChange) {
    // A key without its value (not published yet, or removed) has nothing to
    // compare with: counted as a change, it would restart the monitoring at
    // every poll.
    for (const char* watched : {"LPT1:", "COM1:", ""}) {
        EXPECT_FALSE(PortDiffers(false, false, nullptr, 0, watched)) << watched;
        EXPECT_FALSE(PortDiffers(true, false, nullptr, 0, watched)) << watched;
    }
}

}  // namespace
