// Port classification, the parallel set-up of a resolution, and the check of
// the spooler's published port.
#include "monitor/core/PortRules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace monitor;

namespace {

struct FakeEnv : PortEnvironment {
    int mode = 2;
    int findResult = 0;
    bool addressFound = true;
    bool stopSucceeds = true;
    std::uint32_t nextTimerId = 1;
    std::vector<std::string> calls;
    std::string searchedFor;

    int AccessMode() override { calls.push_back("mode"); return mode; }
    void OpenDriver() override { calls.push_back("open"); }
    int FindDevice(const char* text) override {
        calls.push_back("find");
        searchedFor = text;
        return findResult;
    }
    bool ReadAddress() override { calls.push_back("address"); return addressFound; }
    std::uint32_t StartTimer() override { calls.push_back("start"); return nextTimerId; }
    bool StopTimer(std::uint32_t id) override { calls.push_back("stop " + std::to_string(id)); return stopSucceeds; }
};

// The window's members a resolution writes, as the window holds them.
struct Members {
    std::string m_strPortName;
    std::string m_strPortClass;
    std::int32_t m_nParallelStatus = -1;
    std::uint32_t m_nTimerId = 0;
    PortMembers refs() { return {m_strPortName, m_strPortClass, m_nParallelStatus, m_nTimerId}; }
};

PortKind Apply(const std::string& port, Members& st, PortEnvironment& env) {
    return ApplyPortName(port, st.refs(), env);
}

using Calls = std::vector<std::string>;

TEST(PortClassification, ByCaseSensitiveSubstringInOrder) {
    EXPECT_EQ(ClassifyPort("LPT1:").text, "LPT");
    EXPECT_EQ(ClassifyPort("LPT4:").kind, PortKind::Lpt);
    EXPECT_EQ(ClassifyPort("USB001").text, "USB");
    EXPECT_EQ(ClassifyPort("COM1:").text, "COM");
    EXPECT_EQ(ClassifyPort("FILE:").text, "FILE:");
    EXPECT_EQ(ClassifyPort("FILE:").kind, PortKind::Other);
    EXPECT_EQ(ClassifyPort("lpt1:").text, "lpt1:");
    EXPECT_EQ(ClassifyPort("USB001,LPT1:").text, "LPT");   // LPT is tested first
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
    FakeEnv env;
    env.nextTimerId = 1;
    Members st;
    st.m_nParallelStatus = 2;
    EXPECT_EQ(Apply("LPT1:", st, env), PortKind::Lpt);
    EXPECT_EQ(st.m_strPortName, "LPT1:");
    EXPECT_EQ(st.m_strPortClass, "LPT");
    EXPECT_EQ(st.m_nParallelStatus, -1);
    EXPECT_EQ(env.searchedFor, "(LPT1)");
    EXPECT_EQ(st.m_nTimerId, 1u);
    EXPECT_EQ(env.calls, (Calls{"mode", "open", "find", "address", "start"}));
}

TEST(PortResolution, DirectAccessPlatformDoesNotOpenTheDriver) {
    FakeEnv env;
    env.mode = 1;
    Members st;
    Apply("LPT2:", st, env);
    EXPECT_EQ(env.calls, (Calls{"mode", "find", "address", "start"}));
    EXPECT_EQ(env.searchedFor, "(LPT2)");
}

TEST(PortResolution, AddressNotFoundStopsARunningTimer) {
    FakeEnv env;
    env.addressFound = false;
    Members st;
    st.m_nTimerId = 7;
    Apply("LPT1:", st, env);
    EXPECT_EQ(st.m_nTimerId, 0u);
    EXPECT_EQ(env.calls.back(), "stop 7");
}

TEST(PortResolution, FailedDeviceQueryLeavesTheTimerAlone) {
    FakeEnv env;
    env.findResult = 1;
    Members st;
    st.m_nTimerId = 7;
    Apply("LPT1:", st, env);
    EXPECT_EQ(st.m_nTimerId, 7u);
    EXPECT_EQ(env.calls, (Calls{"mode", "open", "find"}));
    EXPECT_EQ(env.searchedFor, "(LPT1)");
}

TEST(PortResolution, ParallelPortWithoutItsOwnSearchTextIsNeitherSearchedNorRead) {
    // Watching LPT1: with its device found and timer 1 running...
    FakeEnv env;
    Members st;
    Apply("LPT1:", st, env);
    ASSERT_EQ(st.m_nTimerId, 1u);
    // ...then the queue moves to a port that names no device of its own: the
    // old instance id must not be searched for again, nor any address read.
    for (const char* port : {"LPT4:", "LPT1:,LPT2:"}) {
        SCOPED_TRACE(port);
        env.calls.clear();
        st.m_nParallelStatus = 2;
        EXPECT_EQ(Apply(port, st, env), PortKind::Lpt);
        EXPECT_EQ(st.m_strPortClass, "LPT");
        EXPECT_EQ(st.m_strPortName, port);
        EXPECT_EQ(st.m_nParallelStatus, -1);
        EXPECT_EQ(st.m_nTimerId, 0u);
        st.m_nTimerId = 1;   // as if it ran again, for the second port
        EXPECT_EQ(env.calls, (Calls{"mode", "open", "stop 1"}));
    }
}

TEST(PortResolution, FirstResolutionOnAPoolSearchesNothing) {
    // Before any LPT1:..LPT3: resolution the search text is empty, which every
    // device name contains.
    FakeEnv env;
    env.mode = 1;
    Members st;
    Apply("LPT1:,LPT2:", st, env);
    EXPECT_EQ(env.calls, (Calls{"mode"}));
    EXPECT_EQ(st.m_nTimerId, 0u);
    EXPECT_EQ(env.searchedFor, "");
    // A later LPT3: gets its own search as usual.
    Apply("LPT3:", st, env);
    EXPECT_EQ(env.searchedFor, "(LPT3)");
    EXPECT_EQ(st.m_nTimerId, 1u);
}

TEST(PortResolution, UsbAndComStopTheTimerAndResetTheParallelStatus) {
    for (const char* port : {"USB001", "COM1:"}) {
        SCOPED_TRACE(port);
        FakeEnv env;
        Members st;
        st.m_nTimerId = 1;
        st.m_nParallelStatus = 3;
        Apply(port, st, env);
        EXPECT_EQ(st.m_nTimerId, 0u);
        EXPECT_EQ(st.m_nParallelStatus, -1);
        EXPECT_EQ(env.calls, (Calls{"stop 1"}));
    }
}

TEST(PortResolution, TimerIdKeptWhenTheStopFails) {
    FakeEnv env;
    env.stopSucceeds = false;
    Members st;
    st.m_nTimerId = 1;
    Apply("USB001", st, env);
    EXPECT_EQ(st.m_nTimerId, 1u);
}

TEST(PortResolution, NoTimerMeansNoStopCall) {
    FakeEnv env;
    Members st;
    Apply("COM2:", st, env);
    EXPECT_TRUE(env.calls.empty());
}

TEST(PortResolution, UnclassifiedPortChangesNothingButTheNames) {
    for (const char* port : {"FILE:", "lpt1:"}) {
        FakeEnv env;
        Members st;
        st.m_nTimerId = 1;
        st.m_nParallelStatus = 3;
        Apply(port, st, env);
        EXPECT_EQ(st.m_strPortClass, port);
        EXPECT_EQ(st.m_strPortName, port);
        EXPECT_EQ(st.m_nTimerId, 1u);
        EXPECT_EQ(st.m_nParallelStatus, 3);
        EXPECT_TRUE(env.calls.empty());
    }
}

std::vector<unsigned char> Bytes(const char* s, std::size_t n) {
    return std::vector<unsigned char>(s, s + n);
}

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
    const std::string longName = "Ne00:\\\\printserver.example\\queue";   // far beyond 21 bytes
    std::vector<unsigned char> value(longName.begin(), longName.end());
    value.push_back(0);
    value.push_back(0);
    EXPECT_FALSE(PortDiffers(true, true, value.data(), value.size(), longName));
}

TEST(PortChange, ListIsReadOnlyWithinTheBytesHandedBack) {
    auto raw = Bytes("USB001", 6);
    EXPECT_EQ(JoinMultiString(raw.data(), raw.size()), "USB001");   // no terminator
    EXPECT_EQ(JoinMultiString(raw.data(), 3), "USB");
    EXPECT_EQ(JoinMultiString(nullptr, 0), "");
    auto cut = Bytes("LPT1:\0LPT2", 10);
    EXPECT_EQ(JoinMultiString(cut.data(), cut.size()), "LPT1:,LPT2");
    auto single = Bytes("LPT1:\0", 6);   // one terminator only
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
